#pragma once

// The script natives of post effects, for the engines that offer them. Scripts hold a
// registered effect (and the water record) as a checked handle; a handle of an effect that has
// gone (removed, cleared, or a zoom blur that ended) is simply not found any more, so clearing
// it again changes nothing.

#include "script/ScriptHandle.h"
#include "script/ScriptObject.h"

class PostEffect;
struct PostEffectEntry;
struct PostEffectWater;

inline constexpr ScriptHandleKind kPostEffectHandle{u"post effect"};
inline constexpr ScriptHandleKind kPostEffectWaterHandle{u"post effect water"};

// The handle a script holds for an entry or the water record; 0 for null.
int32_t postEffectHandle(PostEffectEntry* entry);
int32_t postEffectWaterHandle(PostEffectWater* water);

// The post effect of the engine running a script, or null when it has none.
using PostEffectLookup = PostEffect* (*)(HSQUIRRELVM vm);

// Registers systemClearPostEffect, systemClearPostEffectAll, systemClearPostEffectWater and
// systemRegistPostEffect into the table. Every engine that registers them uses the same
// lookup (the engine's own post effect).
void registerPostEffectApi(const ScriptObject& table, PostEffectLookup lookup);

// systemRegistPostEffect on a given post effect (null: no post effect): the handle, or 0.
int32_t postEffectRegist(PostEffect* effect, int32_t type, const ScriptObject& params);

#pragma once

#include "render/post/PostEffect.h"
#include "squirrel/squirrel.h"

class System;

// The post effect as an engine of this host makes it: the System's device and renderer, the
// configured display mode and its compatibility flag, noise textures loaded by the model
// library's texture loader and water models read by its model loader, both from the System's
// pack.
PostEffectConfig enginePostEffectConfig(System& system);

// The post effect of the engine a script machine works for (null when it has none): the
// lookup that engines offering the post-effect natives hand to registerPostEffectApi.
PostEffect* enginePostEffectOf(HSQUIRRELVM vm);

#pragma once

// Effect data files ("EFDT"): a numbered set of effects, each a root part with its timeline and
// the child parts the timelines spawn. Image and model numbers of the events are checked
// against the definition, which must therefore be loaded first.

#include "foundation/bytes/Parsed.h"
#include "foundation/dbtl/rcptr.h"
#include "model/effect/L3DEffectTypes.h"

#include <cstddef>
#include <cstdint>

constexpr uint32_t L3D_EFFECT_DATA_MAGIC = 0x54444645;  // "EFDT"
constexpr uint32_t L3D_EFFECT_DATA_VERSION_MIN = 5;
constexpr uint32_t L3D_EFFECT_DATA_VERSION_MAX = 6;

// Parses the roots of a data file from its descrambled bytes into data (its roots are
// replaced; NNID, pack and name are left alone). fullName names the file in messages. A broken
// file gives the game's message (and the log line that names the file), which l3dLoadEffectData
// raises as the fatal error.
Parsed<> l3dParseEffectData(L3D_EFFECT_DATA& data, const uint8_t* bytes, size_t size,
                            const char* fullName, const L3DEffectProp& prop);

// A new data set for nnid from "name.dat" of the pack. A missing file is logged and gives a
// set without roots.
dbtl::rcptr<L3D_EFFECT_DATA> l3dLoadEffectData(uintptr_t nnid, int32_t pack, const char* name,
                                               const L3DEffectProp& prop);

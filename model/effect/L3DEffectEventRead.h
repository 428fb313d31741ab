#pragma once

// The values of one timeline event, read after its frame and kind in the layout of its kind.

#include "model/effect/L3DEffectTypes.h"
#include "model/file/L3DModelReader.h"

#include <cstdint>

constexpr uint32_t L3D_EFFECT_KIND_MAX = 44;

// Where the reference checks look: the words of an event that hold image numbers and the word
// that holds a model number (0 for none).
struct L3DEffectEventRefs {
  uint8_t images[2];
  uint8_t model;
};

// Reads the values of event.kind (at most L3D_EFFECT_KIND_MAX) into event's words. version is
// the data file's (5 or 6): kind 39 has a third value only in version 6.
void l3dReadEffectEventValues(L3D_EFFECT_EVENT& event, L3DModelReader& reader, uint32_t version);

L3DEffectEventRefs l3dEffectEventRefs(uint32_t kind);

// Degrees to radians in single precision, as every angle of an event is kept.
float l3dEffectRadians(float degrees);

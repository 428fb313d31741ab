#pragma once

#include "foundation/dbtl/rcptr.h"
#include "model/L3DObjDataEvent.h"
#include "model/effect/L3DEffectTypes.h"
#include "render/device/L3DTexture.h"

#include <cstdint>
#include <vector>

class L3DCollGroupInstance;
struct L3D_PARTINST_MAT;

// One run-time event of an object instance or animation instance, resolved against the
// instance once when it is built. Transform blocks are pointers to the position of a part
// transform or of the object instance (position, previous position, delta, rotation, ...).
struct L3D_OBJINST_EVENT {
  int32_t frame = 0;
  const L3D_OBJDATA_EVENT* data = nullptr;
  uint32_t kind = 0;

  // Texture set (0) and texture animation (6).
  L3D_PARTINST_MAT* mat = nullptr;
  dbtl::rcptr<L3DTexture> texture;
  float srcLeft = 0.0f, scaleU = 0.0f, dstLeft = 0.0f;
  float srcTop = 0.0f, scaleV = 0.0f, dstTop = 0.0f;

  // Sound (1).
  int32_t groupIndex = 0;
  uint32_t soundNumber = 0;
  uint32_t choiceCount = 0;
  const uint32_t* choices = nullptr;

  // Sound (1) and effects (2, 3).
  const float* attach = nullptr;
  // Effects: the set is shared, so replacing the manager's sets never leaves this dangling.
  dbtl::rcptr<L3D_EFFECT_DATA> effectData;
  uint32_t effectNumber = 0;
  const float* trailA = nullptr;
  const float* trailB = nullptr;

  // Collision switch (4).
  L3DCollGroupInstance* group = nullptr;
  uint32_t value = 0;

  // Frame jump (5).
  int32_t targetFrame = 0;

  // Texture animation (6).
  uint8_t waveOn = 0;
  float ampU = 0.0f, ampV = 0.0f;
  uint8_t heightScaled = 0;
  float baseU = 0.0f, baseV = 0.0f;
  uint32_t periodU = 0, periodV = 0;
  uint8_t scrollOn = 0;
  float speedU = 0.0f, speedV = 0.0f;
  float limitU = 0.0f, limitV = 0.0f;
};

// The events of one list sorted by frame, with the list's own frame counter.
struct L3D_OBJINST_EVENTSET {
  std::vector<L3D_OBJINST_EVENT> events;
  int32_t currentFrame = -1;
  uint32_t nextIndex = 0;

  uint32_t count() const { return static_cast<uint32_t>(events.size()); }
  void Rewind() {
    currentFrame = -1;
    nextIndex = 0;
  }
};

// One running texture animation of an object instance.
struct L3D_OBJINST_TSR {
  const L3D_OBJINST_EVENT* event = nullptr;
  uint32_t waveCounterU = 0, waveCounterV = 0;
  uint32_t scrollCounterU = 0, scrollCounterV = 0;
  uint32_t scrollLengthU = 0, scrollLengthV = 0;
};

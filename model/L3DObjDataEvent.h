#pragma once

#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"
#include "model/L3DModelTypes.h"

#include <cstdint>

// A named rectangle of a texture: texture-set events find areas by name and remap texture
// coordinates from one area to another.
struct L3D_OBJDATA_TEXAREA {
  L3DPoolRef areaName;
  L3DPoolRef partName;
  L3DPoolRef materialName;
  L3DPoolRef textureName;
  float left = 0.0f;
  float top = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
};

// Event type numbers as stored in the model file. Types 2 and 3 share one class: 2 plays an
// effect of the renderer's system effect data, 3 one of the model's own.
enum L3DEventType : uint32_t {
  L3D_EVENT_TEXSET = 0,
  L3D_EVENT_SE = 1,
  L3D_EVENT_SYSTEM_EFFECT = 2,
  L3D_EVENT_EFFECT = 3,
  L3D_EVENT_SETCOLL = 4,
  L3D_EVENT_GOFRAME = 5,
  L3D_EVENT_TEXANIM = 6,
};

// Every field that the reader leaves alone stays zero (names null, counts 0, arrays empty).
struct L3D_OBJDATA_EVENT : dbtl::DObject {
  uint32_t frame = 0;
  uint32_t type = 0;
};

struct L3D_OBJDATA_EVENT_TEXSET : L3D_OBJDATA_EVENT {
  L3DPoolRef sourceArea;
  L3DPoolRef targetArea;
};

struct L3D_OBJDATA_EVENT_SE : L3D_OBJDATA_EVENT {
  uint32_t groupIndex = 0;
  uint32_t soundNumber = 0;
  uint32_t choiceCount = 0;
  dbtl::rcptr<uint32_t> choices;
  L3DPoolRef partName;
  L3DPoolRef boneName;
};

// The effect's life is the last field of its stored record; it stays 0xFFFFFFFF only when the
// reader sets it so for files that carry none, a constructed event holds 0.
struct L3D_OBJDATA_EVENT_EFFECT : L3D_OBJDATA_EVENT {
  uint32_t effectNumber = 0;
  uint32_t life = 0;
  L3DPoolRef partName;
  L3DPoolRef boneName;
  LVec3 position;
  LQuat rotation;
  LVec3 scale;
  L3DPoolRef tag;
  L3DPoolRef partName2;
  L3DPoolRef boneName2;
  L3DPoolRef partName3;
  L3DPoolRef boneName3;
};

struct L3D_OBJDATA_EVENT_SETCOLL : L3D_OBJDATA_EVENT {
  L3DPoolRef groupName;
  uint32_t value = 0;
};

struct L3D_OBJDATA_EVENT_GOFRAME : L3D_OBJDATA_EVENT {
  uint32_t targetFrame = 0;
};

struct L3D_OBJDATA_EVENT_TEXANIM : L3D_OBJDATA_EVENT {
  L3DPoolRef partName;
  L3DPoolRef materialName;
  uint8_t waveOn = 0;
  float ampU = 0.0f;
  float ampV = 0.0f;
  uint8_t heightScaled = 0;
  float baseU = 0.0f;
  float baseV = 0.0f;
  uint32_t periodU = 0;
  uint32_t periodV = 0;
  uint8_t scrollOn = 0;
  float speedU = 0.0f;
  float speedV = 0.0f;
  float limitU = 0.0f;
  float limitV = 0.0f;
};

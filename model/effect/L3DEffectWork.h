#pragma once

// The running state of playing effects: work roots (one per playing effect), work parts (the
// root part and the child parts its timelines spawn) and trail trackers. All three come from the
// effect manager's pools and are initialised by their taker, never cleared on the way.

#include "foundation/dbtl/rcptr.h"
#include "foundation/math/LMat.h"
#include "foundation/math/LQuat.h"
#include "foundation/math/LVec3.h"
#include "model/effect/L3DEffectTypes.h"
#include "render/L3DPoolRef.h"

#include <cstdint>

struct L3D_EFFECT_WORKROOT;

// Samples a trail keeps; at most this many are added in one frame.
constexpr uint32_t L3D_EFFECT_TRAIL_SAMPLES = 64;
constexpr uint32_t L3D_EFFECT_TRAIL_ADD_MAX = 8;

struct L3D_EFFECT_TRAILSAMPLE {
  float life;  // remaining frames
  LVec3 a;
  LVec3 b;
};

struct L3D_EFFECT_TRACKER {
  int32_t countdown;
  float life;
  float inverseLife;  // 1 / life, 0 when life <= 0
  int32_t interval;
  float spacing;  // below 0.001 no arc filling
  uint32_t committed;
  uint32_t pending;
  L3D_EFFECT_TRAILSAMPLE samples[L3D_EFFECT_TRAIL_SAMPLES];  // oldest first
};

// Image modes of a part.
constexpr uint32_t L3D_EFFECT_IMAGE_NONE = 0;
constexpr uint32_t L3D_EFFECT_IMAGE_FIXED = 1;
constexpr uint32_t L3D_EFFECT_IMAGE_SEQUENCE = 2;
constexpr uint32_t L3D_EFFECT_IMAGE_RANDOM = 3;

struct L3D_EFFECT_WORKPART {
  L3D_EFFECT_WORKROOT* root;  // null while free
  L3D_EFFECT_WORKPART* childPrev;
  L3D_EFFECT_WORKPART* childNext;
  L3D_EFFECT_WORKPART* drawPrev;
  L3D_EFFECT_WORKPART* drawNext;
  const L3D_EFFECT_PARTDATA* data;
  int32_t jump;   // pending jump frame, -1 when none
  int32_t frame;  // -1 before the first step
  uint32_t cursor;
  LMat local;
  LMat parent;
  LMat world;
  L3D_EFFECT_TRACKER* tracker;
  int32_t image;
  int32_t model;
  int32_t priority;
  uint32_t imageMode;
  int32_t imageFirst;
  int32_t imageLast;
  int32_t imageFrames;
  int32_t imageCountdown;
  int32_t basePriority;

  float colour[4];
  float finalColour[4];
  uint32_t colourMode;  // 0 fixed, 1 velocity, 2 random every period
  float colourBase[4];
  float colourRange[4];
  int32_t colourPeriod;
  int32_t colourCountdown;

  LVec3 position;
  uint32_t positionMode;  // 0 fixed, 1 velocity, 2 random, 3 local velocity, 4 local random step
  LVec3 positionBase;
  LVec3 positionRange;
  int32_t positionPeriod;
  int32_t positionCountdown;

  LVec3 scale;
  uint32_t scaleMode;  // 0 fixed, 1 velocity, 2 random, 3 random with x = y, 4 random x = y = z
  LVec3 scaleBase;
  LVec3 scaleRange;
  int32_t scalePeriod;
  int32_t scaleCountdown;

  LQuat rotation;
  LMat rotationMatrix;
  uint32_t rotationMode;  // 0 fixed, 1 angular velocity, 2 random turn every period
  LQuat angularVelocity;
  LVec3 axisBase;
  LVec3 axisRange;
  float angleBase;
  float angleRange;
  int32_t rotationPeriod;
  int32_t rotationCountdown;
};

struct L3D_EFFECT_WORKROOT {
  const L3D_EFFECT_DATA* data;
  // A reference on the set while the effect plays: an object instance may drop the last other
  // one (a set replaced by SetProp and then the instance released) while its effect runs on.
  dbtl::rcptr<L3D_EFFECT_DATA> dataHold;
  const float* attach;  // transform block followed; null unless the root follows its object
  LVec3 attachPosition;
  LQuat attachRotation;
  const float* trailA;
  const float* trailB;
  LMat matrix;  // S x R x T of the play arguments
  LMat scale;
  LQuat rotation;
  L3DPoolRef tag;  // kept whole: a name pool reference, never narrowed
  uint32_t delay;
  uint32_t holdFlags;  // bit 0: not stepped, bit 1: not drawn
  uint32_t holdCount;
  int32_t life;  // -1 endless
  const L3D_EFFECT_ROOTDATA* rootData;
  L3D_EFFECT_WORKPART rootPart;
  L3D_EFFECT_WORKPART* children;
  L3D_EFFECT_WORKPART* drawList;
  L3D_EFFECT_WORKROOT* prev;
  L3D_EFFECT_WORKROOT* next;
  int32_t keyIndex;
  L3D_EFFECT_WORKROOT* keyPrev;
  L3D_EFFECT_WORKROOT* keyNext;
  // Live child parts; spawning stops at L3D_EFFECT_ROOT_PARTS_MAX.
  uint32_t childCount;
};

// Hold flags.
constexpr uint32_t L3D_EFFECT_HOLD_STEP = 0x1;
constexpr uint32_t L3D_EFFECT_HOLD_DRAW = 0x2;

// A part whose timeline spawns its own kind (directly or in a cycle) would otherwise multiply
// without end: a root keeps at most this many child parts, and further spawns are dropped.
constexpr uint32_t L3D_EFFECT_ROOT_PARTS_MAX = 1024;
// Spawned parts run their first step at once; past this depth of nested spawns in one frame
// they wait for the next frame, so a spawn chain cannot exhaust the stack.
constexpr uint32_t L3D_EFFECT_SPAWN_DEPTH_MAX = 16;

struct L3D_EFFECT_KEY {
  const void* key;
  L3D_EFFECT_WORKROOT* first;
};

#pragma once

#include "foundation/math/LQuat.h"
#include "foundation/math/LVec3.h"
#include "render/L3DPoolRef.h"

#include <cstdint>

// Small value types shared by the model records (vectors and rotations are foundation/math's
// LVec3 and LQuat; name references are
// the renderer's L3DPoolRef, as its shader options hold them too).


// A name kept in a fixed field: at most 262 bytes and a terminator.
struct L3DFixedName {
  static constexpr uint32_t kCapacity = 264;
  static constexpr uint32_t kMaxLength = 262;
  char text[kCapacity] = {};
  uint32_t length = 0;
};

// True when both names have the same byte length and are equal with ASCII letters folded
// (double-byte characters compared exactly). Every name lookup of the model data uses this.
bool l3dNameEquals(const char* a, uint32_t aLength, const char* b, uint32_t bLength);

inline bool l3dNameEquals(const L3DFixedName& a, const char* b, uint32_t bLength) {
  return l3dNameEquals(a.text, a.length, b, bLength);
}

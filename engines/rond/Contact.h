#pragma once

#include "engines/rond/Object.h"
#include "model/math/FixedPoint.h"

namespace rond {

// An axis-aligned box of the stage, fixed point.
struct Box {
  FixedVec3 min;
  FixedVec3 max;
};

// Reduces a pending move so the body (the extents' saved position with its radius, top and
// bottom) stays inside the box; a zero move is never changed.
void clampMove(FixedVec3& move, const Extents& extents, const Box& box);

// The two-player contact of one frame: when the bodies meet on the way from their positions to
// their targets (position + move), each stops at its contact point (separated by 15 units) and is
// carried by half of the other's remaining motion. Moves change only in x and z, and only on
// contact; returns whether there was one.
bool resolveContact(const FixedVec3 position[2], FixedVec3 move[2], const Extents extents[2]);

}  // namespace rond

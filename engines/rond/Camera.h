#pragma once

#include "foundation/math/LMat.h"
#include "model/math/FixedPoint.h"

namespace rond {

// The view of a slot until the script-driven cameras take over: behind the player at its
// facing, looking at its chest. kind 1 is a full view, 2 a half-width one (half the aspect).
// FIXME: the player cameras and their camera table replace this.
void viewerMatrices(const FixedVec3& position, int32_t angle, int32_t kind, LMat& view,
                    LMat& projection);

}  // namespace rond

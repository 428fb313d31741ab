#pragma once

#include "foundation/math/LMat.h"
#include "foundation/math/LVec3.h"

// A view matrix without its fourth column (which would be (0, 0, 0, 1)): rows 0 to 2 the linear
// part, row 3 the translation.
struct LMat43 {
  float m[4][3];
};

// An orthonormal frame as the camera sees the world: its axes and its origin.
struct LViewFrame {
  LVec3 x;
  LVec3 y;
  LVec3 z;
  LVec3 origin;
};

// The right-handed view: z = normalise(eye - target), x = normalise(normalise(up) x z),
// y = z x x; a point at the eye goes to the origin and the target lies along -z.
LMat43 calcLookAtView(const LVec3& up, const LVec3& target, const LVec3& eye);

// Columns are the frame's axes; the fourth row is (-x.o, -y.o, -z.o).
LMat43 viewFromFrame(const LViewFrame& frame);

// The 4x4 matrix of a view: its fourth column (0, 0, 0, 1).
LMat matFromView(const LMat43& view);

// The right-handed perspective projection of the engines' cameras: y scale 1 / tan(fovY / 2)
// (the project's tangent), x scale y scale / aspect, depth to 0..1 between near and far.
LMat perspectiveFovRH(float fovY, float aspect, float nearZ, float farZ);

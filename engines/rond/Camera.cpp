#include "engines/rond/Camera.h"

#include "foundation/math/DetMath.h"
#include "foundation/math/LookAt.h"

namespace rond {

void viewerMatrices(const FixedVec3& position, int32_t angle, int32_t kind, LMat& view,
                    LMat& projection) {
  const float a = static_cast<float>(angle) * kFixedToFloat;
  const float px = fixedToFloat(position.x);
  const float py = fixedToFloat(position.y);
  const float pz = fixedToFloat(position.z);
  const float fx = detmath::sin(a);
  const float fz = detmath::cos(a);
  const LVec3 eye{px - fx * 4.0f, py + 2.0f, pz - fz * 4.0f};
  const LVec3 target{px + fx * 2.0f, py + 0.5f, pz + fz * 2.0f};
  view = matFromView(calcLookAtView(LVec3{0.0f, 1.0f, 0.0f}, target, eye));
  const float aspect = kind == 2 ? 4.0f / 6.0f : 4.0f / 3.0f;
  projection = perspectiveFovRH(0.7853982f, aspect, 0.1f, 100.0f);
}

}  // namespace rond

#include "engines/vell/Shadow.h"

#include "engines/vell/FieldMath.h"

#include <algorithm>

namespace vell {

void ShadowList::set(Shadow& shadow, const DecalHandle* handle, const LVec3& size, float angle,
                     float alpha, float heightScale, float minimum, float maximum) {
  if (shadow.handle == nullptr) shadows_.push_back(&shadow);
  shadow.handle = handle;
  shadow.base = mat43TransRotScale({0.0f, 0.0f, 0.0f}, decalRotation(angle),
                                   {1.0f / size.x, 1.0f / size.y, 1.0f / size.z});
  shadow.alpha = handle->alpha * alpha;
  shadow.heightScale = heightScale;
  shadow.minimum = minimum;
  shadow.maximum = maximum;
}

void ShadowList::clear(Shadow& shadow) {
  if (shadow.handle == nullptr) return;
  shadows_.erase(std::find(shadows_.begin(), shadows_.end(), &shadow));
  shadow.handle = nullptr;
}

LMat43 shadowMatrix(const Shadow& shadow) {
  const ShadowCaster& c = shadow.caster;
  const auto height = static_cast<float>(int64_t{c.position.y} - c.groundHeight);
  float s = height * shadow.heightScale / 1024.0f + 1.0f;
  if (s < shadow.minimum) {
    s = shadow.minimum;
  } else if (s > shadow.maximum) {
    s = shadow.maximum;
  }
  const LVec3 t{-static_cast<float>(c.position.x) / 1024.0f,
                -static_cast<float>(c.groundHeight) / 1024.0f,
                -static_cast<float>(c.position.z) / 1024.0f};
  const LMat43 m1 = mat43TransRotScale(t, decalRotation(static_cast<float>(c.angle) / 1024.0f),
                                       {1.0f / s, 1.0f, 1.0f / s});
  LMat43 out{};
  mat43Multiply(shadow.base, m1, out);
  return out;
}

}  // namespace vell

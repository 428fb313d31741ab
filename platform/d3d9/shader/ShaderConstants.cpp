#include "platform/d3d9/shader/ShaderConstants.h"

#include <algorithm>
#include <cstring>

namespace d3d9::shader {

void UniformTables::gather(const Program& p, const float* host, uint32_t hostCount,
                           ConstantRange range) {
  std::fill(std::begin(integers_), std::end(integers_), 0);
  std::fill(std::begin(booleans_), std::end(booleans_), false);
  for (const IntegerDef& d : p.integers) std::memcpy(&integers_[d.number * 4], d.value, 16);
  for (const auto& [number, value] : p.booleans) booleans_[number] = value;
  Uniforms& u = uniforms_;
  u.integers = integers_;
  u.booleans = booleans_;
  std::vector<float>& storage = constants_;
  const bool clamp = range == ConstantRange::Pixel1x;
  if (p.constants.empty() && !clamp) {
    u.constants = host;
    u.constantCount = hostCount;
    return;
  }
  uint32_t count = p.relativeConstants ? hostCount : std::min(p.constantsRead, hostCount);
  for (const ConstantDef& d : p.constants) count = std::max(count, d.number + 1);
  storage.assign(size_t(count) * 4, 0.0f);
  std::copy_n(host, size_t(std::min(count, hostCount)) * 4, storage.begin());
  for (const ConstantDef& d : p.constants) std::memcpy(&storage[size_t(d.number) * 4], d.value, 16);
  if (clamp) {
    for (float& v : storage) v = v > -1.0f ? (v < 1.0f ? v : 1.0f) : -1.0f;  // NaN: -1
  }
  u.constants = storage.data();
  u.constantCount = count;
}

}  // namespace d3d9::shader

#include "platform/d3d9/shader/ShaderConstants.h"

#include <algorithm>
#include <cstring>

namespace d3d9::shader {

void gatherConstants(const Program& p, const float* host, uint32_t hostCount, ConstantRange range,
                     std::vector<float>& storage, Uniforms& u) {
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

void gatherIntegers(const Program& p, int32_t (&integers)[16 * 4], bool (&booleans)[16]) {
  std::fill(std::begin(integers), std::end(integers), 0);
  std::fill(std::begin(booleans), std::end(booleans), false);
  for (const IntegerDef& d : p.integers) std::memcpy(&integers[d.number * 4], d.value, 16);
  for (const auto& [number, value] : p.booleans) booleans[number] = value;
}

}  // namespace d3d9::shader

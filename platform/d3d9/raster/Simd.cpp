#include "platform/d3d9/raster/Simd.h"

#include <atomic>

namespace d3d9 {
namespace {

constexpr SimdLevel kBest = D3D9_SSE2 ? SimdLevel::Sse2 : SimdLevel::Scalar;

std::atomic<SimdLevel> gLevel{kBest};

}  // namespace

SimdLevel bestSimdLevel() { return kBest; }

SimdLevel simdLevel() { return gLevel.load(std::memory_order_relaxed); }

SimdLevel selectSimdLevel(SimdLevel wanted) {
  const SimdLevel level = wanted > kBest ? kBest : wanted;
  gLevel.store(level, std::memory_order_relaxed);
  return level;
}

}  // namespace d3d9

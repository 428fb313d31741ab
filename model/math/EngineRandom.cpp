#include "model/math/EngineRandom.h"

float randomFloat(OMB_RANDOM* generator) {
  const uint32_t u = ombRandomGetU32(generator);
  // Exact in double; the single rounding is the conversion to float.
  return static_cast<float>(static_cast<double>(u) * 0x1p-32);
}

int32_t randomRange(int32_t a, int32_t b, OMB_RANDOM* generator) {
  const int64_t lo = a < b ? a : b;
  const int64_t hi = a < b ? b : a;
  const uint64_t span = static_cast<uint64_t>(hi - lo);
  const uint64_t u = ombRandomGetU32(generator);
  // u < 2^32 and span + 1 <= 2^32: the product fits in 64 bits.
  return static_cast<int32_t>(lo + static_cast<int64_t>((u * (span + 1)) >> 32));
}

#pragma once

#include <cstring>

// Four floats in one SSE register through the compiler's vector extension. The arithmetic is
// plain IEEE single precision in a fixed order, so results are the same on every machine
// (no contraction into fused multiply-adds: the build uses -ffp-contract=off).
using DmpaV4 = float __attribute__((vector_size(16)));

inline DmpaV4 DmpaLoad4(const float* p) {
  DmpaV4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline void DmpaStore4(float* p, DmpaV4 v) { std::memcpy(p, &v, sizeof v); }

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

// Eight floats for the paths compiled for AVX (functions with target("avx") only).
using DmpaV8 = float __attribute__((vector_size(32)));

__attribute__((target("avx"), always_inline)) inline DmpaV8 DmpaLoad8(const float* p) {
  DmpaV8 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

__attribute__((target("avx"), always_inline)) inline void DmpaStore8(float* p, DmpaV8 v) {
  std::memcpy(p, &v, sizeof v);
}

// The vector paths of the decoder: SSE2 always, AVX and AVX2 where the processor has them.
// Every path gives the same bits; tests switch between them.
enum class DmpaSimd { Sse2, Avx, Avx2 };

inline bool DmpaSimdAvailable(DmpaSimd level) {
  switch (level) {
    case DmpaSimd::Sse2: return true;
    case DmpaSimd::Avx: return __builtin_cpu_supports("avx");
    case DmpaSimd::Avx2: return __builtin_cpu_supports("avx2");
  }
  return false;
}

// Chooses the vector path of every decoder in the process (the best available by default); a
// level the processor lacks gives SSE2.
void DmpaUseSimd(DmpaSimd level);

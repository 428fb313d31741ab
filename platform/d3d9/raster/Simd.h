#pragma once

// Which vector instructions the draw loops use. SSE2 belongs to every x86-64 processor and is
// the default there; the plain C++ loops are the reference that every vector loop matches bit
// for bit (the same float operations in the same order, the same integer rounding), and what
// other processors run. The level is read once per draw, so tests and benchmarks can switch it
// between draws to compare the paths.

#include <cstdint>

#if defined(__SSE2__)
#define D3D9_SSE2 1
#else
#define D3D9_SSE2 0
#endif

namespace d3d9 {

enum class SimdLevel : uint8_t { Scalar, Sse2 };

// The best level this processor and build have.
SimdLevel bestSimdLevel();

// The level the next draws use.
SimdLevel simdLevel();

// Selects the level for the following draws, lowered to what the processor has; answers the
// level now in force.
SimdLevel selectSimdLevel(SimdLevel wanted);

}  // namespace d3d9

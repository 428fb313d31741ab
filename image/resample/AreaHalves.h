#pragma once

#include <cstdint>

// The area average at a step of exactly 2, which mip levels and half-size pictures ask for: every
// output covers two whole samples and divides their sum by 512 / 256, so each channel is
// (a + b) >> 1. These kernels compute that on rows of kind 0 (R, G, B, A bytes) many bytes at a
// time, giving the bytes the general area passes give.

// Whether an area average of srcLength samples onto dstLength is that one: the step is then 2.0
// and every single-precision position 2k is exact (lengths below 2^24).
constexpr bool DimgAreaIsHalving(uint32_t srcLength, uint32_t dstLength) {
  return dstLength != 0 && srcLength == 2 * dstLength && srcLength < (1u << 24);
}

// The instruction sets of the kernels: SSE2 always, AVX2 where the processor has it.
enum class DimgHalveLevel { Sse2, Avx2 };

bool DimgHalveLevelSupported(DimgHalveLevel level);

struct DimgHalveKernels {
  // out[k] = mean of pixels 2k and 2k + 1 of `in`, for k below outWidth (kind-0 pixels).
  void (*pairs)(uint8_t* out, const uint8_t* in, uint32_t outWidth);
  // out[i] = (a[i] + b[i]) >> 1 for every byte i below `bytes`.
  void (*rows)(uint8_t* out, const uint8_t* a, const uint8_t* b, uint32_t bytes);
};

// The kernels at the widest level this processor runs, or at a given supported one (tests).
const DimgHalveKernels& DimgHalve();
const DimgHalveKernels& DimgHalveAt(DimgHalveLevel level);

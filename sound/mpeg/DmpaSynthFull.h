#pragma once

#include "sound/mpeg/DmpaTables.h"
#include "sound/mpeg/DmpaVector.h"

#include <emmintrin.h>

// The full-rate synthesis of one time slot in two steps, each with a kernel per vector path.

// The matrixing of a slot's 32 subband samples into its two ring rows (32 floats, written at
// `row` and again at `copy`, the slot 16 further on). Returns X[0], the slot's middle value.
using DmpaMatrix32 = float (*)(const DmpaTables& t, const float* x, float* row, float* copy);

// The window over 16 ages of rows (`ring` at the slot's own) plus the middle sample `centre`:
// the slot's 32 output samples in order as 16-bit PCM, eight a vector.
using DmpaWindowPcm32 = void (*)(const DmpaTables& t, const float* ring, float centre, __m128i pcm[4]);

struct DmpaFullRateKernels {
  DmpaMatrix32 matrix;
  DmpaWindowPcm32 window;
};

// The kernels of a vector path; a level the processor lacks gives SSE2's. Every path gives the
// same bits.
DmpaFullRateKernels DmpaFullRateFor(DmpaSimd level);

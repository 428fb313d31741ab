#pragma once

// The interpreter's loops over lanes that have an SSE2 form beside the scalar one, with the same
// results bit for bit (the same float operations in the same order; min, max and the
// comparisons chosen so that NaN and signed zeros come out as in the scalar code). The SSE2
// loops take four lanes at a time over n rounded up to a multiple of four: every lane array of
// the machine holds kLanes values, a multiple of four, and what they compute past n is never
// read.

#include "platform/d3d9/raster/Simd.h"
#include "platform/d3d9/shader/ShaderMachine.h"

#include <cstdint>

namespace d3d9::shader {

// out[i] = v > lo ? (v < hi ? v : hi) : lo for v = in[i] (in[0] for all lanes when flat): NaN
// becomes lo.
void clampLanes(SimdLevel simd, const float* in, bool flat, float lo, float hi, uint32_t n,
                float* out);

// out[i] = r[i] x scale, then clamped to 0..1 when saturating and to -range..range when range
// is not 0: a result written to a register.
void writeLanes(SimdLevel simd, const float* r, float scale, bool saturate, float range,
                uint32_t n, float* out);

// The common arithmetic instructions (mov, add, sub, mul, mad, min, max, slt, sge, lrp, cnd,
// cmp, dp3, dp4) over four components of lanes with SSE2: answers the components produced, or
// -1 for an opcode it leaves to the scalar loops.
int32_t computeLanesSse2(uint16_t opcode, const float* const* a, const float* const* b,
                         const float* const* c, uint32_t n, float (*r)[kLanes]);

}  // namespace d3d9::shader

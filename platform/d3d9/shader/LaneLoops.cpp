#include "platform/d3d9/shader/LaneLoops.h"

#include <algorithm>

#if D3D9_SSE2
#include <emmintrin.h>
#endif

namespace d3d9::shader {
namespace {

inline float clampTo(float v, float lo, float hi) { return v > lo ? (v < hi ? v : hi) : lo; }

#if D3D9_SSE2

// clampTo on four lanes: max and min return their second operand when one is NaN, which turns
// NaN into lo as the scalar form does.
inline __m128 clamp4(__m128 v, __m128 lo, __m128 hi) { return _mm_min_ps(_mm_max_ps(v, lo), hi); }

// (mask & a) | (~mask & b): a where the comparison held, else b.
inline __m128 select4(__m128 mask, __m128 a, __m128 b) {
  return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

template <class F>
void eachGroup(uint32_t n, F f) {
  for (uint32_t i = 0; i < n; i += 4) f(i);
}

inline __m128 ld(const float* p, uint32_t i) { return _mm_loadu_ps(p + i); }

#endif

}  // namespace

void clampLanes(SimdLevel simd, const float* in, bool flat, float lo, float hi, uint32_t n,
                float* out) {
  if (flat) {
    std::fill_n(out, n, clampTo(in[0], lo, hi));
    return;
  }
#if D3D9_SSE2
  if (simd == SimdLevel::Sse2) {
    const __m128 l = _mm_set1_ps(lo), h = _mm_set1_ps(hi);
    eachGroup(n, [&](uint32_t i) { _mm_storeu_ps(out + i, clamp4(ld(in, i), l, h)); });
    return;
  }
#endif
  (void)simd;
  for (uint32_t i = 0; i < n; ++i) out[i] = clampTo(in[i], lo, hi);
}

void writeLanes(SimdLevel simd, const float* r, float scale, bool saturate, float range,
                uint32_t n, float* out) {
#if D3D9_SSE2
  if (simd == SimdLevel::Sse2) {
    const __m128 k = _mm_set1_ps(scale), zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
    const __m128 lo = _mm_set1_ps(-range), hi = _mm_set1_ps(range);
    // One loop for each combination of the clamps, so that no lane tests them.
    auto loop = [&](auto clamps) {
      eachGroup(n, [&](uint32_t i) { _mm_storeu_ps(out + i, clamps(_mm_mul_ps(ld(r, i), k))); });
    };
    if (saturate && range != 0.0f) {
      loop([&](__m128 v) { return clamp4(clamp4(v, zero, one), lo, hi); });
    } else if (saturate) {
      loop([&](__m128 v) { return clamp4(v, zero, one); });
    } else if (range != 0.0f) {
      loop([&](__m128 v) { return clamp4(v, lo, hi); });
    } else {
      loop([](__m128 v) { return v; });
    }
    return;
  }
#endif
  (void)simd;
  for (uint32_t i = 0; i < n; ++i) {
    float v = r[i] * scale;
    if (saturate) v = clampTo(v, 0.0f, 1.0f);  // NaN becomes 0
    if (range != 0.0f) v = clampTo(v, -range, range);
    out[i] = v;
  }
}

int32_t computeLanesSse2([[maybe_unused]] uint16_t opcode, [[maybe_unused]] const float* const* a,
                         [[maybe_unused]] const float* const* b,
                         [[maybe_unused]] const float* const* c, [[maybe_unused]] uint32_t n,
                         [[maybe_unused]] float (*r)[kLanes]) {
#if D3D9_SSE2
  // Four components, each over all lanes.
  auto each = [&](auto f) {
    for (int k = 0; k < 4; ++k) {
      eachGroup(n, [&](uint32_t i) { _mm_storeu_ps(r[k] + i, f(k, i)); });
    }
    return int32_t(0xF);
  };
  // The same value in all four components.
  auto replicated = [&](auto f) {
    eachGroup(n, [&](uint32_t i) {
      const __m128 v = f(i);
      for (int k = 0; k < 4; ++k) _mm_storeu_ps(r[k] + i, v);
    });
    return int32_t(0xF);
  };
  auto mul = [&](int k, uint32_t i) { return _mm_mul_ps(ld(a[k], i), ld(b[k], i)); };
  auto dot3 = [&](uint32_t i) {
    return _mm_add_ps(_mm_add_ps(mul(0, i), mul(1, i)), mul(2, i));
  };
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), half = _mm_set1_ps(0.5f);
  switch (opcode) {
    case kMov:
    case kMova: return each([&](int k, uint32_t i) { return ld(a[k], i); });
    case kAdd: return each([&](int k, uint32_t i) { return _mm_add_ps(ld(a[k], i), ld(b[k], i)); });
    case kSub: return each([&](int k, uint32_t i) { return _mm_sub_ps(ld(a[k], i), ld(b[k], i)); });
    case kMul: return each(mul);
    case kMad:
      return each([&](int k, uint32_t i) { return _mm_add_ps(mul(k, i), ld(c[k], i)); });
    case kMin:
      // a < b ? a : b, which is what minps does.
      return each([&](int k, uint32_t i) { return _mm_min_ps(ld(a[k], i), ld(b[k], i)); });
    case kMax:
      // a >= b ? a : b: maxps would differ for equal zeros and a NaN in a.
      return each([&](int k, uint32_t i) {
        const __m128 x = ld(a[k], i), y = ld(b[k], i);
        return select4(_mm_cmpge_ps(x, y), x, y);
      });
    case kSlt:
      return each([&](int k, uint32_t i) {
        return _mm_and_ps(_mm_cmplt_ps(ld(a[k], i), ld(b[k], i)), one);
      });
    case kSge:
      return each([&](int k, uint32_t i) {
        return _mm_and_ps(_mm_cmpge_ps(ld(a[k], i), ld(b[k], i)), one);
      });
    case kLrp:
      return each([&](int k, uint32_t i) {
        const __m128 x = ld(a[k], i);
        return _mm_add_ps(_mm_mul_ps(x, ld(b[k], i)), _mm_mul_ps(_mm_sub_ps(one, x), ld(c[k], i)));
      });
    case kCnd:
      return each([&](int k, uint32_t i) {
        return select4(_mm_cmpgt_ps(ld(a[k], i), half), ld(b[k], i), ld(c[k], i));
      });
    case kCmp:
      return each([&](int k, uint32_t i) {
        return select4(_mm_cmpge_ps(ld(a[k], i), zero), ld(b[k], i), ld(c[k], i));
      });
    case kDp3: return replicated(dot3);
    case kDp4: return replicated([&](uint32_t i) { return _mm_add_ps(dot3(i), mul(3, i)); });
    default: break;
  }
#endif
  return -1;
}

}  // namespace d3d9::shader

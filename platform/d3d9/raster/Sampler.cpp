#include "platform/d3d9/raster/Sampler.h"

#include "platform/d3d9/raster/Stages.h"
#include "platform/d3d9/raster/TexelMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace d3d9 {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;

inline int32_t floorToInt(float v) {
  // Far-away coordinates are held inside the integer range (wrap works modulo the size
  // anyway); the floor comes from truncating a value made positive by a large offset, which
  // keeps it a few instructions instead of a library call.
  v = v > -1.0e9f ? (v < 1.0e9f ? v : 1.0e9f) : -1.0e9f;  // NaN becomes the lower bound
  constexpr double kOffset = 1099511627776.0;  // 2^40
  return int32_t(int64_t(double(v) + kOffset) - (int64_t(1) << 40));
}

// Maps a texel coordinate into the level by the addressing mode; false for a border texel.
inline bool address(int32_t& i, uint32_t size, uint32_t mode) {
  if (uint32_t(i) < size) return true;  // inside: every mode agrees
  if (mode == D3DTADDRESS_WRAP) {
    if ((size & (size - 1)) == 0) {
      i &= int32_t(size - 1);
    } else {
      i %= int32_t(size);
      if (i < 0) i += int32_t(size);
    }
    return true;
  }
  if (mode == D3DTADDRESS_BORDER) return false;
  i = i < 0 ? 0 : int32_t(size) - 1;
  return true;
}

inline uint32_t texelAt(const SamplerSetup& s, const TexelLevel& l, int32_t x, bool xIn,
                        int32_t y, bool yIn) {
  return xIn && yIn ? l.texels[size_t(y) * l.pitch + size_t(x)] : s.border;
}

// The filtering arithmetic, instantiated for scalar words (false) and for SSE2 (true), which
// carries colours widened to 16-bit lanes between the steps of a trilinear sample.
template <bool kWide>
struct Filter;

template <>
struct Filter<false> {
  using Colour = uint32_t;
  static Colour word(uint32_t c) { return c; }
  static uint32_t pack(Colour c) { return c; }
  static Colour lerp(Colour a, Colour b, uint32_t w) { return lerpArgb(a, b, w); }
  static Colour bilerp(const uint32_t* p, uint32_t pitch, uint32_t wx, uint32_t wy) {
    return bilerpArgb(p[0], p[1], p[pitch], p[pitch + 1], wx, wy);
  }
  static Colour bilerp(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, uint32_t wx,
                       uint32_t wy) {
    return bilerpArgb(t00, t10, t01, t11, wx, wy);
  }
};

#if D3D9_SSE2
template <>
struct Filter<true> {
  using Colour = __m128i;
  static Colour word(uint32_t c) { return widenArgb(c); }
  static uint32_t pack(Colour c) { return narrowArgb(c); }
  static Colour lerp(Colour a, Colour b, uint32_t w) { return lerpWide(a, b, w); }
  static Colour bilerp(const uint32_t* p, uint32_t pitch, uint32_t wx, uint32_t wy) {
    return bilerpWide(loadTexelPair(p), loadTexelPair(p + pitch), wx, wy);
  }
  static Colour bilerp(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, uint32_t wx,
                       uint32_t wy) {
    return bilerpWide(texelPair(t00, t10), texelPair(t01, t11), wx, wy);
  }
};
#else
template <>
struct Filter<true> : Filter<false> {};
#endif

uint32_t samplePoint(const SamplerSetup& s, const TexelLevel& l, float u, float v) {
  int32_t x = floorToInt(u * float(l.width)), y = floorToInt(v * float(l.height));
  const bool xIn = address(x, l.width, s.addressU), yIn = address(y, l.height, s.addressV);
  return texelAt(s, l, x, xIn, y, yIn);
}

// The four texels of a filtered position that is not wholly inside the level, by the address
// modes; kept out of line, so that the common path stays small.
template <bool kWide>
[[gnu::noinline]] typename Filter<kWide>::Colour sampleLinearAddressed(
    const SamplerSetup& s, const TexelLevel& l, int32_t x0, int32_t y0, uint32_t wx,
    uint32_t wy) {
  int32_t x1 = x0 + 1, y1 = y0 + 1;
  if (s.addressU == D3DTADDRESS_WRAP && s.addressV == D3DTADDRESS_WRAP &&
      (l.width & (l.width - 1)) == 0 && (l.height & (l.height - 1)) == 0) {
    // Wrapping on power-of-two sides, the common case at the edges of repeated textures: the
    // indices wrap by masking, in and out of the level alike.
    const uint32_t* top = l.texels + size_t(uint32_t(y0) & (l.height - 1)) * l.pitch;
    const uint32_t* bottom = l.texels + size_t(uint32_t(y1) & (l.height - 1)) * l.pitch;
    const uint32_t left = uint32_t(x0) & (l.width - 1), right = uint32_t(x1) & (l.width - 1);
    return Filter<kWide>::bilerp(top[left], top[right], bottom[left], bottom[right], wx, wy);
  }
  const bool x0In = address(x0, l.width, s.addressU), x1In = address(x1, l.width, s.addressU);
  const bool y0In = address(y0, l.height, s.addressV), y1In = address(y1, l.height, s.addressV);
  return Filter<kWide>::bilerp(texelAt(s, l, x0, x0In, y0, y0In), texelAt(s, l, x1, x1In, y0, y0In),
                               texelAt(s, l, x0, x0In, y1, y1In), texelAt(s, l, x1, x1In, y1, y1In),
                               wx, wy);
}

template <bool kWide>
[[gnu::always_inline]] inline typename Filter<kWide>::Colour sampleLinear(
    const SamplerSetup& s, const TexelLevel& l, float u, float v) {
  // Texel centres lie at (i + 0.5) / size; weights in 1/256 steps.
  const int32_t fx = floorToInt((u * float(l.width) - 0.5f) * 256.0f);
  const int32_t fy = floorToInt((v * float(l.height) - 0.5f) * 256.0f);
  const int32_t x0 = fx >> 8, y0 = fy >> 8;
  const uint32_t wx = uint32_t(fx & 255), wy = uint32_t(fy & 255);
  if (uint32_t(x0) < l.width - 1 && uint32_t(y0) < l.height - 1) {
    // All four texels inside the level: no addressing needed.
    return Filter<kWide>::bilerp(l.texels + size_t(y0) * l.pitch + size_t(x0), l.pitch, wx, wy);
  }
  return sampleLinearAddressed<kWide>(s, l, x0, y0, wx, wy);
}

template <bool kWide>
inline typename Filter<kWide>::Colour sampleLevel(const SamplerSetup& s, uint32_t level,
                                                  uint32_t filter, float u, float v) {
  const TexelLevel& l = s.levels[level];
  return filter == D3DTEXF_LINEAR ? sampleLinear<kWide>(s, l, u, v)
                                  : Filter<kWide>::word(samplePoint(s, l, u, v));
}

// The level or pair of levels and the filter for a level of detail.
struct LevelChoice {
  uint32_t first;
  uint32_t second;  // equal to first when one level is read
  uint32_t weight;  // of the second level, in 1/256
  uint32_t filter;
};

inline LevelChoice chooseLevels(const SamplerSetup& s, float lod) {
  // Bounded (and NaN made finite) before any conversion to an integer level.
  lod = lod > -64.0f ? (lod < 64.0f ? lod : 64.0f) : -64.0f;
  if (!s.needsLod || lod <= 0.0f) {
    return {s.baseLevel, s.baseLevel, 0, s.needsLod ? s.magFilter : s.minFilter};
  }
  const uint32_t last = s.levelCount - 1;
  if (s.mipFilter == D3DTEXF_NONE || s.baseLevel == last) {
    return {s.baseLevel, s.baseLevel, 0, s.minFilter};
  }
  if (s.mipFilter == D3DTEXF_POINT) {
    const uint32_t level = std::min<uint32_t>(s.baseLevel + uint32_t(lod + 0.5f), last);
    return {level, level, 0, s.minFilter};
  }
  const uint32_t whole = uint32_t(lod);
  const uint32_t l0 = std::min(s.baseLevel + whole, last);
  const uint32_t l1 = std::min(l0 + 1, last);
  return {l0, l1, uint32_t((lod - float(whole)) * 256.0f), s.minFilter};
}

template <bool kWide>
inline uint32_t sampleChoice(const SamplerSetup& s, const LevelChoice& c, float u, float v) {
  using F = Filter<kWide>;
  const typename F::Colour a = sampleLevel<kWide>(s, c.first, c.filter, u, v);
  if (c.first == c.second || c.weight == 0) return F::pack(a);
  return F::pack(F::lerp(a, sampleLevel<kWide>(s, c.second, c.filter, u, v), c.weight));
}

bool filterSupported(DWORD f, bool mip) {
  return f == D3DTEXF_POINT || f == D3DTEXF_LINEAR || (mip && f == D3DTEXF_NONE);
}

bool addressSupported(DWORD a) {
  return a == D3DTADDRESS_WRAP || a == D3DTADDRESS_CLAMP || a == D3DTADDRESS_BORDER;
}

}  // namespace

float fastLog2(float x) {
  if (!(x > 0.0f)) return -128.0f;
  uint32_t bits;
  std::memcpy(&bits, &x, 4);
  const int32_t exponent = int32_t(bits >> 23 & 0xFF) - 127;
  const float mantissa = float(bits & 0x7FFFFF) * (1.0f / 8388608.0f);
  return float(exponent) + mantissa;
}

HRESULT prepareSampler(const DeviceState& state, uint32_t index, SamplerSetup& out) {
  out = SamplerSetup{};
  out.simd = simdLevel();
  const auto& ss = state.sampler[index];
  out.addressU = ss[D3DSAMP_ADDRESSU];
  out.addressV = ss[D3DSAMP_ADDRESSV];
  out.border = ss[D3DSAMP_BORDERCOLOR];
  out.magFilter = ss[D3DSAMP_MAGFILTER];
  out.minFilter = ss[D3DSAMP_MINFILTER];
  out.mipFilter = ss[D3DSAMP_MIPFILTER];
  out.lodBias = state.samplerFloat(index, D3DSAMP_MIPMAPLODBIAS);
  IDirect3DBaseTexture9* base = state.textures[index];
  if (!base) return D3D_OK;
  if (!filterSupported(out.magFilter, false) || !filterSupported(out.minFilter, false) ||
      !filterSupported(out.mipFilter, true)) {
    return D3DERR_UNSUPPORTEDTEXTUREFILTER;
  }
  if (!addressSupported(out.addressU) || !addressSupported(out.addressV)) {
    return D3DERR_UNSUPPORTEDTEXTUREFILTER;
  }
  if (base->GetType() != D3DRTYPE_TEXTURE) return D3DERR_WRONGTEXTUREFORMAT;
  auto* tex = static_cast<IDirect3DTexture9*>(base);
  out.bound = true;
  out.levelCount = std::min<uint32_t>(tex->GetLevelCount(), 16);
  for (uint32_t i = 0; i < out.levelCount; ++i) out.levels[i] = tex->texels(i);
  out.baseLevel = std::min<uint32_t>(ss[D3DSAMP_MAXMIPLEVEL], out.levelCount - 1);
  const bool mips = out.mipFilter != D3DTEXF_NONE && out.baseLevel + 1 < out.levelCount;
  out.needsLod = mips || out.minFilter != out.magFilter;
  return D3D_OK;
}

float samplerLod(const SamplerSetup& s, float dudx, float dvdx, float dudy, float dvdy) {
  const TexelLevel& l = s.levels[0];
  const float w = float(l.width), h = float(l.height);
  const float ax = dudx * w, bx = dvdx * h, ay = dudy * w, by = dvdy * h;
  const float rho2 = std::max(ax * ax + bx * bx, ay * ay + by * by);
  return 0.5f * fastLog2(rho2) + s.lodBias;
}

#if D3D9_SSE2
__m128 samplerLod4(const SamplerSetup& s, __m128 dudx, __m128 dvdx, __m128 dudy, __m128 dvdy) {
  const TexelLevel& l = s.levels[0];
  const __m128 w = _mm_set1_ps(float(l.width)), h = _mm_set1_ps(float(l.height));
  const __m128 ax = _mm_mul_ps(dudx, w), bx = _mm_mul_ps(dvdx, h);
  const __m128 ay = _mm_mul_ps(dudy, w), by = _mm_mul_ps(dvdy, h);
  const __m128 x = _mm_add_ps(_mm_mul_ps(ax, ax), _mm_mul_ps(bx, bx));
  const __m128 y = _mm_add_ps(_mm_mul_ps(ay, ay), _mm_mul_ps(by, by));
  // std::max(x, y) is x < y ? y : x, which keeps a NaN in x.
  const __m128 less = _mm_cmplt_ps(x, y);
  const __m128 rho2 = _mm_or_ps(_mm_and_ps(less, y), _mm_andnot_ps(less, x));
  // fastLog2: the exponent plus the mantissa read as a fraction; -128 unless positive.
  const __m128i bits = _mm_castps_si128(rho2);
  const __m128 exponent = _mm_cvtepi32_ps(
      _mm_sub_epi32(_mm_and_si128(_mm_srli_epi32(bits, 23), _mm_set1_epi32(0xFF)),
                    _mm_set1_epi32(127)));
  const __m128 mantissa = _mm_mul_ps(
      _mm_cvtepi32_ps(_mm_and_si128(bits, _mm_set1_epi32(0x7FFFFF))), _mm_set1_ps(1.0f / 8388608.0f));
  const __m128 positive = _mm_cmpgt_ps(rho2, _mm_setzero_ps());
  const __m128 log2 = _mm_or_ps(_mm_and_ps(positive, _mm_add_ps(exponent, mantissa)),
                                _mm_andnot_ps(positive, _mm_set1_ps(-128.0f)));
  return _mm_add_ps(_mm_mul_ps(_mm_set1_ps(0.5f), log2), _mm_set1_ps(s.lodBias));
}
#endif

uint32_t sampleTexture(const SamplerSetup& s, float u, float v, float lod) {
  if (!s.bound) return kWhite;
  return sampleChoice<false>(s, chooseLevels(s, lod), u, v);
}

namespace {

template <bool kWide>
void sampleSpanWith(const SamplerSetup& s, const float* u, const float* v, const float* lods,
                    float lod, const uint8_t* live, uint32_t count, uint32_t* out) {
  if (lods) {
    // Neighbouring pixels share their level of detail (pairs of pixels under perspective):
    // the choice of levels is made once for each run of equal values.
    for (uint32_t i = 0; i < count;) {
      const float runLod = lods[i];
      const LevelChoice c = chooseLevels(s, runLod);
      do {
        if (live[i]) out[i] = sampleChoice<kWide>(s, c, u[i], v[i]);
      } while (++i < count && lods[i] == runLod);
    }
    return;
  }
  // One choice of levels for the whole span: the common single-level cases get loops of
  // their own.
  const LevelChoice c = chooseLevels(s, lod);
  const TexelLevel& l = s.levels[c.first];
  if (c.first != c.second && c.weight != 0) {
    for (uint32_t i = 0; i < count; ++i) {
      if (live[i]) out[i] = sampleChoice<kWide>(s, c, u[i], v[i]);
    }
  } else if (c.filter == D3DTEXF_LINEAR) {
    for (uint32_t i = 0; i < count; ++i) {
      if (live[i]) out[i] = Filter<kWide>::pack(sampleLinear<kWide>(s, l, u[i], v[i]));
    }
  } else {
    for (uint32_t i = 0; i < count; ++i) {
      if (live[i]) out[i] = samplePoint(s, l, u[i], v[i]);
    }
  }
}

}  // namespace

void sampleSpan(const SamplerSetup& s, const float* u, const float* v, const float* lods,
                float lod, const uint8_t* live, uint32_t count, uint32_t* out) {
  if (!s.bound) {
    std::fill(out, out + count, kWhite);
    return;
  }
  if (s.simd == SimdLevel::Sse2) {
    sampleSpanWith<true>(s, u, v, lods, lod, live, count, out);
  } else {
    sampleSpanWith<false>(s, u, v, lods, lod, live, count, out);
  }
}

namespace {

// Texel coordinates in 1/65536 texel, stepped per pixel.
struct Steps {
  int64_t x, dx, y, dy;
};

Steps stepsFor(const TexelLevel& l, float u0, float du, float v0, float dv, double centre) {
  constexpr double kOne = 65536.0;
  const double w = l.width, h = l.height;
  const auto fixed = [](double v) {
    v = v > -4.0e15 ? (v < 4.0e15 ? v : 4.0e15) : -4.0e15;  // NaN becomes the lower bound
    return v >= 0.0 ? int64_t(v + 0.5) : -int64_t(0.5 - v);
  };
  return {fixed((double(u0) * w - centre) * kOne), fixed(double(du) * w * kOne),
          fixed((double(v0) * h - centre) * kOne), fixed(double(dv) * h * kOne)};
}

inline int32_t wrapIndex(int64_t i, uint32_t size, uint32_t mode, bool& inside) {
  inside = true;
  if (uint64_t(i) < size) return int32_t(i);
  if (mode == D3DTADDRESS_WRAP) {
    const int64_t r = i % int64_t(size);
    return int32_t(r < 0 ? r + size : r);
  }
  if (mode == D3DTADDRESS_BORDER) {
    inside = false;
    return 0;
  }
  return i < 0 ? 0 : int32_t(size) - 1;
}

template <bool kWide>
void stepLevel(const SamplerSetup& s, const TexelLevel& l, uint32_t filter, Steps st,
               const uint8_t* live, uint32_t count, uint32_t* out) {
  using F = Filter<kWide>;
  if (filter != D3DTEXF_LINEAR) {
    for (uint32_t i = 0; i < count; ++i, st.x += st.dx, st.y += st.dy) {
      if (!live[i]) continue;
      bool xIn, yIn;
      const int32_t x = wrapIndex(st.x >> 16, l.width, s.addressU, xIn);
      const int32_t y = wrapIndex(st.y >> 16, l.height, s.addressV, yIn);
      out[i] = texelAt(s, l, x, xIn, y, yIn);
    }
    return;
  }
  for (uint32_t i = 0; i < count; ++i, st.x += st.dx, st.y += st.dy) {
    if (!live[i]) continue;
    const int64_t x0 = st.x >> 16, y0 = st.y >> 16;
    const uint32_t wx = uint32_t(st.x >> 8) & 255, wy = uint32_t(st.y >> 8) & 255;
    if (x0 >= 0 && y0 >= 0 && x0 + 1 < l.width && y0 + 1 < l.height) {
      out[i] = F::pack(F::bilerp(l.texels + size_t(y0) * l.pitch + size_t(x0), l.pitch, wx, wy));
      continue;
    }
    bool x0In, x1In, y0In, y1In;
    const int32_t ax0 = wrapIndex(x0, l.width, s.addressU, x0In);
    const int32_t ax1 = wrapIndex(x0 + 1, l.width, s.addressU, x1In);
    const int32_t ay0 = wrapIndex(y0, l.height, s.addressV, y0In);
    const int32_t ay1 = wrapIndex(y0 + 1, l.height, s.addressV, y1In);
    out[i] = F::pack(F::bilerp(texelAt(s, l, ax0, x0In, ay0, y0In),
                               texelAt(s, l, ax1, x1In, ay0, y0In),
                               texelAt(s, l, ax0, x0In, ay1, y1In),
                               texelAt(s, l, ax1, x1In, ay1, y1In), wx, wy));
  }
}

template <bool kWide>
void sampleSpanLinearWith(const SamplerSetup& s, float u0, float du, float v0, float dv,
                          float lod, const uint8_t* live, uint32_t count, uint32_t* out) {
  const LevelChoice c = chooseLevels(s, lod);
  // Point sampling takes the texel under the position; linear filtering weighs the texel
  // centres around it, which lie half a texel further.
  const double centre = c.filter == D3DTEXF_LINEAR ? 0.5 : 0.0;
  const TexelLevel& first = s.levels[c.first];
  stepLevel<kWide>(s, first, c.filter, stepsFor(first, u0, du, v0, dv, centre), live, count,
                   out);
  if (c.first == c.second || c.weight == 0) return;
  uint32_t other[kMaxSpan];
  const TexelLevel& second = s.levels[c.second];
  stepLevel<kWide>(s, second, c.filter, stepsFor(second, u0, du, v0, dv, centre), live, count,
                   other);
  using F = Filter<kWide>;
  for (uint32_t i = 0; i < count; ++i) {
    if (live[i]) out[i] = F::pack(F::lerp(F::word(out[i]), F::word(other[i]), c.weight));
  }
}

}  // namespace

void sampleSpanLinear(const SamplerSetup& s, float u0, float du, float v0, float dv, float lod,
                      const uint8_t* live, uint32_t count, uint32_t* out) {
  if (!s.bound) {
    std::fill(out, out + count, kWhite);
    return;
  }
  if (s.simd == SimdLevel::Sse2) {
    sampleSpanLinearWith<true>(s, u0, du, v0, dv, lod, live, count, out);
  } else {
    sampleSpanLinearWith<false>(s, u0, du, v0, dv, lod, live, count, out);
  }
}

}  // namespace d3d9

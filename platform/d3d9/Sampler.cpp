#include "platform/d3d9/Sampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace d3d9 {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;

inline int32_t floorToInt(float v) {
  // Keeps far-away coordinates inside the integer range; wrap works modulo the size anyway.
  v = std::clamp(v, -1.0e9f, 1.0e9f);
  return int32_t(std::floor(v));
}

inline bool address(int32_t& i, uint32_t size, uint32_t mode) {
  if (mode == D3DTADDRESS_WRAP) {
    const int32_t n = int32_t(size);
    i %= n;
    if (i < 0) i += n;
    return true;
  }
  if (mode == D3DTADDRESS_BORDER) return i >= 0 && i < int32_t(size);
  i = std::clamp<int32_t>(i, 0, int32_t(size) - 1);
  return true;
}

inline uint32_t fetch(const SamplerSetup& s, const TexelLevel& l, int32_t x, int32_t y) {
  if (!address(x, l.width, s.addressU) || !address(y, l.height, s.addressV)) return s.border;
  return l.texels[size_t(y) * l.pitch + size_t(x)];
}

// Channel-wise a + (b - a) * w / 256 on two channels at once per 16-bit lane.
inline uint32_t lerpArgb(uint32_t a, uint32_t b, uint32_t w) {
  const uint32_t iw = 256 - w;
  const uint32_t rb = (((a & 0xFF00FFu) * iw + (b & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
  const uint32_t ag = ((((a >> 8) & 0xFF00FFu) * iw + ((b >> 8) & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
  return rb | ag << 8;
}

uint32_t samplePoint(const SamplerSetup& s, const TexelLevel& l, float u, float v) {
  return fetch(s, l, floorToInt(u * float(l.width)), floorToInt(v * float(l.height)));
}

uint32_t sampleLinear(const SamplerSetup& s, const TexelLevel& l, float u, float v) {
  // Texel centres lie at (i + 0.5) / size; weights in 1/256 steps.
  const int32_t fx = floorToInt((u * float(l.width) - 0.5f) * 256.0f);
  const int32_t fy = floorToInt((v * float(l.height) - 0.5f) * 256.0f);
  const int32_t x = fx >> 8, y = fy >> 8;
  const uint32_t wx = uint32_t(fx & 255), wy = uint32_t(fy & 255);
  const uint32_t top = lerpArgb(fetch(s, l, x, y), fetch(s, l, x + 1, y), wx);
  const uint32_t bottom = lerpArgb(fetch(s, l, x, y + 1), fetch(s, l, x + 1, y + 1), wx);
  return lerpArgb(top, bottom, wy);
}

inline uint32_t sampleLevel(const SamplerSetup& s, uint32_t level, uint32_t filter, float u,
                            float v) {
  const TexelLevel& l = s.levels[level];
  return filter == D3DTEXF_LINEAR ? sampleLinear(s, l, u, v) : samplePoint(s, l, u, v);
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

uint32_t sampleTexture(const SamplerSetup& s, float u, float v, float lod) {
  if (!s.bound) return kWhite;
  if (!s.needsLod || lod <= 0.0f) {
    const uint32_t filter = s.needsLod ? s.magFilter : s.minFilter;
    return sampleLevel(s, s.baseLevel, filter, u, v);
  }
  const uint32_t last = s.levelCount - 1;
  if (s.mipFilter == D3DTEXF_NONE || s.baseLevel == last) {
    return sampleLevel(s, s.baseLevel, s.minFilter, u, v);
  }
  if (s.mipFilter == D3DTEXF_POINT) {
    const uint32_t level = std::min<uint32_t>(s.baseLevel + uint32_t(lod + 0.5f), last);
    return sampleLevel(s, level, s.minFilter, u, v);
  }
  const uint32_t whole = uint32_t(lod);
  const uint32_t l0 = std::min(s.baseLevel + whole, last);
  const uint32_t l1 = std::min(l0 + 1, last);
  const uint32_t weight = uint32_t((lod - float(whole)) * 256.0f);
  const uint32_t a = sampleLevel(s, l0, s.minFilter, u, v);
  return l0 == l1 ? a : lerpArgb(a, sampleLevel(s, l1, s.minFilter, u, v), weight);
}

}  // namespace d3d9

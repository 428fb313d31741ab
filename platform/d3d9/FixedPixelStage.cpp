#include "platform/d3d9/FixedPixelStage.h"

#include <algorithm>
#include <cmath>

namespace d3d9 {
namespace {

bool opSupported(uint32_t op) {
  return op == D3DTOP_DISABLE || op == D3DTOP_SELECTARG1 || op == D3DTOP_SELECTARG2 ||
         op == D3DTOP_MODULATE || op == D3DTOP_ADD;
}

bool argSupported(uint32_t arg) {
  return arg == D3DTA_DIFFUSE || arg == D3DTA_CURRENT || arg == D3DTA_TEXTURE;
}

bool opReads(uint32_t op, int which) {
  switch (op) {
    case D3DTOP_SELECTARG1: return which == 1;
    case D3DTOP_SELECTARG2: return which == 2;
    case D3DTOP_MODULATE:
    case D3DTOP_ADD: return true;
    default: return false;
  }
}

// x * y / 255, rounded, for bytes.
inline uint32_t mul255(uint32_t x, uint32_t y) {
  const uint32_t t = x * y + 128;
  return (t + (t >> 8)) >> 8;
}

inline uint32_t combine(uint32_t op, uint32_t a, uint32_t b) {
  switch (op) {
    case D3DTOP_SELECTARG1: return a;
    case D3DTOP_SELECTARG2: return b;
    case D3DTOP_MODULATE: return mul255(a, b);
    default: return std::min<uint32_t>(a + b, 255);  // add, saturating
  }
}

inline uint32_t toByte(float v) {
  return uint32_t(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
}

inline uint32_t pick(uint32_t arg, uint32_t texel, uint32_t current, uint32_t diffuse) {
  return arg == D3DTA_TEXTURE ? texel : arg == D3DTA_CURRENT ? current : diffuse;
}

}  // namespace

HRESULT FixedPixelStage::prepare(const DeviceState& state) {
  channels_ = ChannelMap{};
  stageCount_ = 0;
  bool needDiffuse = false;
  for (uint32_t i = 0; i < kStageCount; ++i) {
    const auto& ts = state.stage[i];
    Stage s{ts[D3DTSS_COLOROP], ts[D3DTSS_COLORARG1], ts[D3DTSS_COLORARG2], ts[D3DTSS_ALPHAOP],
            ts[D3DTSS_ALPHAARG1], ts[D3DTSS_ALPHAARG2], false, ts[D3DTSS_TEXCOORDINDEX]};
    if (s.colourOp == D3DTOP_DISABLE) break;
    if (!opSupported(s.colourOp)) return D3DERR_UNSUPPORTEDCOLOROPERATION;
    if (!opSupported(s.alphaOp)) return D3DERR_UNSUPPORTEDALPHAOPERATION;
    if (!argSupported(s.colourArg1) || !argSupported(s.colourArg2)) {
      return D3DERR_UNSUPPORTEDCOLORARG;
    }
    if (!argSupported(s.alphaArg1) || !argSupported(s.alphaArg2)) {
      return D3DERR_UNSUPPORTEDALPHAARG;
    }
    if (ts[D3DTSS_RESULTARG] != D3DTA_CURRENT || ts[D3DTSS_TEXTURETRANSFORMFLAGS] != 0 ||
        s.texSet >= 8) {
      return D3DERR_UNSUPPORTEDCOLOROPERATION;
    }
    // Stage 0's current colour is the diffuse colour.
    auto reads = [&](uint32_t op, uint32_t a1, uint32_t a2, uint32_t arg) {
      return (opReads(op, 1) && a1 == arg) || (opReads(op, 2) && a2 == arg);
    };
    const uint32_t alphaOp = s.alphaOp == D3DTOP_DISABLE ? D3DTOP_SELECTARG2 : s.alphaOp;
    if (s.alphaOp == D3DTOP_DISABLE) s.alphaArg2 = D3DTA_CURRENT;
    s.alphaOp = alphaOp;
    for (uint32_t arg : {D3DTA_DIFFUSE, D3DTA_CURRENT}) {
      if (reads(s.colourOp, s.colourArg1, s.colourArg2, arg) ||
          reads(s.alphaOp, s.alphaArg1, s.alphaArg2, arg)) {
        needDiffuse |= arg == D3DTA_DIFFUSE || i == 0;
      }
    }
    s.samples = reads(s.colourOp, s.colourArg1, s.colourArg2, D3DTA_TEXTURE) ||
                reads(s.alphaOp, s.alphaArg1, s.alphaArg2, D3DTA_TEXTURE);
    if (s.samples) {
      if (const HRESULT hr = prepareSampler(state, i, samplers_[i]); FAILED(hr)) return hr;
      if (samplers_[i].bound && channels_.tex[s.texSet] < 0) {
        channels_.tex[s.texSet] = channels_.add(2);
        channels_.texComponents[s.texSet] = 2;
      }
    }
    stages_[stageCount_++] = s;
  }
  if (stageCount_ == 0) needDiffuse = true;  // no stage: the diffuse colour is the result
  if (needDiffuse) channels_.diffuse = channels_.add(4);
  fog_ = state.render[D3DRS_FOGENABLE] != 0;
  fogColour_ = state.render[D3DRS_FOGCOLOR];
  if (fog_) channels_.fog = channels_.add(1);
  return D3D_OK;
}

void FixedPixelStage::shade(const PixelSpan& span, uint32_t* argb) {
  const int32_t d = channels_.diffuse;
  for (uint32_t i = 0; i < span.count; ++i) {
    if (!span.live[i]) continue;
    uint32_t diffuse = 0xFFFFFFFFu;
    if (d >= 0) {
      diffuse = toByte(span.channel[d + 3][i]) << 24 | toByte(span.channel[d][i]) << 16 |
                toByte(span.channel[d + 1][i]) << 8 | toByte(span.channel[d + 2][i]);
    }
    uint32_t current = diffuse;
    for (uint32_t k = 0; k < stageCount_; ++k) {
      const Stage& s = stages_[k];
      uint32_t texel = 0xFFFFFFFFu;
      const SamplerSetup& sampler = samplers_[k];
      if (s.samples && sampler.bound) {
        const int32_t c = channels_.tex[s.texSet];
        const float u = span.channel[c][i], v = span.channel[c + 1][i];
        float lod = 0.0f;
        if (sampler.needsLod) {
          // Derivatives of u = U / Q with U = u x rhw and Q = rhw, both planar in screen space.
          const float w = span.w[i];
          const float dudx = w * (span.gradX[c] - u * span.rhwGradX);
          const float dvdx = w * (span.gradX[c + 1] - v * span.rhwGradX);
          const float dudy = w * (span.gradY[c] - u * span.rhwGradY);
          const float dvdy = w * (span.gradY[c + 1] - v * span.rhwGradY);
          lod = samplerLod(sampler, dudx, dvdx, dudy, dvdy);
        }
        texel = sampleTexture(sampler, u, v, lod);
      }
      uint32_t out = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t a = pick(s.colourArg1, texel, current, diffuse) >> shift & 255;
        const uint32_t b = pick(s.colourArg2, texel, current, diffuse) >> shift & 255;
        out |= combine(s.colourOp, a, b) << shift;
      }
      const uint32_t aa = pick(s.alphaArg1, texel, current, diffuse) >> 24;
      const uint32_t ab = pick(s.alphaArg2, texel, current, diffuse) >> 24;
      current = out | combine(s.alphaOp, aa, ab) << 24;
    }
    if (fog_) {
      const uint32_t f = toByte(span.channel[channels_.fog][i]);
      uint32_t out = current & 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t c = current >> shift & 255, fc = fogColour_ >> shift & 255;
        out |= std::min<uint32_t>(mul255(c, f) + mul255(fc, 255 - f), 255) << shift;
      }
      current = out;
    }
    argb[i] = current;
  }
}

}  // namespace d3d9

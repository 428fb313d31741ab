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

// One stage operation on all four channels of two A8R8G8B8 colours.
inline uint32_t combine(uint32_t op, uint32_t a, uint32_t b) {
  switch (op) {
    case D3DTOP_SELECTARG1: return a;
    case D3DTOP_SELECTARG2: return b;
    case D3DTOP_MODULATE:
      // White is the identity of modulation, and the most common argument.
      if (a == 0xFFFFFFFFu) return b;
      if (b == 0xFFFFFFFFu) return a;
      return mul255(a >> 24, b >> 24) << 24 | mul255(a >> 16 & 255, b >> 16 & 255) << 16 |
             mul255(a >> 8 & 255, b >> 8 & 255) << 8 | mul255(a & 255, b & 255);
    default: {  // add, saturating per channel
      const uint32_t rb = (a & 0xFF00FFu) + (b & 0xFF00FFu);
      const uint32_t ag = ((a >> 8) & 0xFF00FFu) + ((b >> 8) & 0xFF00FFu);
      const uint32_t rbSat = (rb | (((rb & 0x01000100u) >> 8) * 255)) & 0xFF00FFu;
      const uint32_t agSat = (ag | (((ag & 0x01000100u) >> 8) * 255)) & 0xFF00FFu;
      return rbSat | agSat << 8;
    }
  }
}

inline uint32_t toByte(float v) {
  return uint32_t((v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f) * 255.0f + 0.5f);  // NaN: 0
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
        channels_.stepped |= uint64_t(3) << channels_.tex[s.texSet];
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
  const uint32_t n = span.count;
  const int32_t d = channels_.diffuse;
  // Without perspective the texture derivatives are the same over the whole span, and so is
  // the level of detail.
  const bool affine = span.rhwGradX == 0.0f && span.rhwGradY == 0.0f;
  for (uint32_t k = 0; k < stageCount_; ++k) {
    const Stage& s = stages_[k];
    const SamplerSetup& sampler = samplers_[k];
    if (!s.samples) continue;
    if (!sampler.bound) {
      std::fill(texels_[k], texels_[k] + n, 0xFFFFFFFFu);
      continue;
    }
    const int32_t c = channels_.tex[s.texSet];
    const float* u = span.channel[c];
    const float* v = span.channel[c + 1];
    if (affine) {
      // Coordinates change linearly along the span: the sampler steps them itself.
      const float w = span.w[0];
      const float dudx = span.flat[c] ? 0.0f : w * span.gradX[c];
      const float dvdx = span.flat[c + 1] ? 0.0f : w * span.gradX[c + 1];
      float lod = 0.0f;
      if (sampler.needsLod) {
        lod = samplerLod(sampler, w * span.gradX[c], w * span.gradX[c + 1], w * span.gradY[c],
                         w * span.gradY[c + 1]);
      }
      sampleSpanLinear(sampler, u[0], dudx, v[0], dvdx, lod, span.live, n, texels_[k]);
      continue;
    }
    if (span.flat[c] || span.flat[c + 1]) {
      std::fill(u_, u_ + n, u[0]);
      std::fill(v_, v_ + n, v[0]);
      if (!span.flat[c]) std::copy(u, u + n, u_);
      if (!span.flat[c + 1]) std::copy(v, v + n, v_);
      u = u_;
      v = v_;
    }
    const float* lods = nullptr;
    if (sampler.needsLod) {
      // Derivatives of u = U / Q with U = u x rhw and Q = rhw, both planar in screen space;
      // like hardware, which works on blocks of 2 x 2 pixels, one level of detail serves two
      // neighbouring pixels.
      for (uint32_t i = 0; i < n; i += 2) {
        const float w = span.w[i];
        lods_[i] = samplerLod(sampler, w * (span.gradX[c] - u[i] * span.rhwGradX),
                              w * (span.gradX[c + 1] - v[i] * span.rhwGradX),
                              w * (span.gradY[c] - u[i] * span.rhwGradY),
                              w * (span.gradY[c + 1] - v[i] * span.rhwGradY));
        if (i + 1 < n) lods_[i + 1] = lods_[i];
      }
      lods = lods_;
    }
    sampleSpan(sampler, u, v, lods, 0.0f, span.live, n, texels_[k]);
  }
  // A diffuse colour that does not change over the triangle is converted once per span.
  const bool flatDiffuse =
      d < 0 || (span.flat[d] && span.flat[d + 1] && span.flat[d + 2] && span.flat[d + 3]);
  uint32_t diffuse = 0xFFFFFFFFu;
  if (d >= 0 && flatDiffuse) {
    diffuse = toByte(span.channel[d + 3][0]) << 24 | toByte(span.channel[d][0]) << 16 |
              toByte(span.channel[d + 1][0]) << 8 | toByte(span.channel[d + 2][0]);
  }
  const bool flatFog = fog_ && span.flat[channels_.fog];
  for (uint32_t i = 0; i < n; ++i) {
    if (!span.live[i]) continue;
    // The argument registers, indexed by D3DTA_DIFFUSE (0), D3DTA_CURRENT (1), D3DTA_TEXTURE.
    uint32_t regs[3] = {diffuse, 0, 0xFFFFFFFFu};
    if (!flatDiffuse) {
      regs[0] = toByte(span.channel[d + 3][i]) << 24 | toByte(span.channel[d][i]) << 16 |
                toByte(span.channel[d + 1][i]) << 8 | toByte(span.channel[d + 2][i]);
    }
    regs[1] = regs[0];
    for (uint32_t k = 0; k < stageCount_; ++k) {
      const Stage& s = stages_[k];
      regs[2] = s.samples ? texels_[k][i] : 0xFFFFFFFFu;
      const uint32_t colour = combine(s.colourOp, regs[s.colourArg1], regs[s.colourArg2]);
      const uint32_t alpha = combine(s.alphaOp, regs[s.alphaArg1], regs[s.alphaArg2]);
      regs[1] = (colour & 0x00FFFFFFu) | (alpha & 0xFF000000u);
    }
    uint32_t current = regs[1];
    if (fog_) {
      const uint32_t f = toByte(span.channel[channels_.fog][flatFog ? 0 : i]);
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

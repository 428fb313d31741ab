#include "platform/d3d9/FixedPixelStage.h"

#include "platform/d3d9/PixelColour.h"

#include <algorithm>

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
  for (uint32_t k = 0; k < stageCount_; ++k) {
    const Stage& s = stages_[k];
    if (s.samples) {
      const int32_t c = samplers_[k].bound ? channels_.tex[s.texSet] : 0;
      sampleInterpolated(samplers_[k], span, c, scratch_, texels_[k]);
    }
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
      // A channel that is flat on its own (the alpha of a triangle with one alpha and several
      // colours) carries only its first value.
      auto at = [&](int32_t c) { return toByte(span.channel[c][span.flat[c] ? 0 : i]); };
      regs[0] = at(d + 3) << 24 | at(d) << 16 | at(d + 1) << 8 | at(d + 2);
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
      current = applyFog(current, toByte(span.channel[channels_.fog][flatFog ? 0 : i]),
                         fogColour_);
    }
    argb[i] = current;
  }
}

}  // namespace d3d9

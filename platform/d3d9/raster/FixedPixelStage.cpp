#include "platform/d3d9/raster/FixedPixelStage.h"

#include "platform/d3d9/raster/ColourSpan.h"
#include "platform/d3d9/raster/PixelColour.h"

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

constexpr uint32_t kWhite = 0xFFFFFFFFu;

// The texture argument of a stage that samples nothing.
struct Whites {
  uint32_t words[kMaxSpan];
  constexpr Whites() : words() {
    for (uint32_t& w : words) w = kWhite;
  }
};
constexpr Whites kWhites{};

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
  simd_ = simdLevel();
  fog_ = state.render[D3DRS_FOGENABLE] != 0;
  fogColour_ = state.render[D3DRS_FOGCOLOR];
  if (fog_) channels_.fog = channels_.add(1);
  return D3D_OK;
}

const uint32_t* FixedPixelStage::combine(uint32_t op, const uint32_t* a, const uint32_t* b,
                                         uint32_t n, uint32_t* scratch) const {
  switch (op) {
    case D3DTOP_SELECTARG1: return a;
    case D3DTOP_SELECTARG2: return b;
    case D3DTOP_MODULATE: modulateColours(simd_, a, b, n, scratch); return scratch;
    default: addColours(simd_, a, b, n, scratch); return scratch;  // D3DTOP_ADD
  }
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
  // The stages work a whole span at a time, each on the words of its arguments.
  if (d < 0) {
    std::fill(diffuse_, diffuse_ + n, kWhite);
  } else if (span.flat[d] && span.flat[d + 1] && span.flat[d + 2] && span.flat[d + 3]) {
    // A diffuse colour that does not change over the triangle is converted once.
    const uint32_t word = toByte(span.channel[d + 3][0]) << 24 | toByte(span.channel[d][0]) << 16 |
                          toByte(span.channel[d + 1][0]) << 8 | toByte(span.channel[d + 2][0]);
    std::fill(diffuse_, diffuse_ + n, word);
  } else {
    // A channel flat on its own (the alpha of a triangle with one alpha and several colours)
    // carries only its first value.
    const ChannelRow rows[4] = {{span.channel[d], span.flat[d]},
                                {span.channel[d + 1], span.flat[d + 1]},
                                {span.channel[d + 2], span.flat[d + 2]},
                                {span.channel[d + 3], span.flat[d + 3]}};
    packColours(simd_, rows, n, diffuse_);
  }
  // Arguments by D3DTA_DIFFUSE (0), D3DTA_CURRENT (1) and D3DTA_TEXTURE (2); stage 0's current
  // colour is the diffuse colour.
  const uint32_t* current = diffuse_;
  for (uint32_t k = 0; k < stageCount_; ++k) {
    const Stage& s = stages_[k];
    const uint32_t* args[3] = {diffuse_, current, s.samples ? texels_[k] : kWhites.words};
    const uint32_t* colour = combine(s.colourOp, args[s.colourArg1], args[s.colourArg2], n,
                                     colourScratch_);
    const bool sameAlpha = s.alphaOp == s.colourOp && s.alphaArg1 == s.colourArg1 &&
                           s.alphaArg2 == s.colourArg2;
    const uint32_t* alpha = sameAlpha ? colour
                                      : combine(s.alphaOp, args[s.alphaArg1], args[s.alphaArg2],
                                                n, alphaScratch_);
    if (colour == alpha) {
      current = colour;
      continue;
    }
    uint32_t* merged = currentScratch_[k & 1];
    for (uint32_t i = 0; i < n; ++i) merged[i] = (colour[i] & 0x00FFFFFFu) | (alpha[i] & 0xFF000000u);
    current = merged;
  }
  std::copy(current, current + n, argb);
  if (fog_) fogColours(simd_, {span.channel[channels_.fog], span.flat[channels_.fog]}, fogColour_, n, argb);
}

}  // namespace d3d9

#include "platform/d3d9/shader/ShaderPixelStage.h"

#include "platform/d3d9/raster/ColourSpan.h"
#include "platform/d3d9/raster/PixelColour.h"
#include "platform/d3d9/shader/LaneLoops.h"
#include "platform/d3d9/shader/ShaderConstants.h"

#include <algorithm>

namespace d3d9 {

using namespace shader;

namespace {

uint32_t componentsOf(uint8_t mask) {
  return mask & 8 ? 4 : mask & 4 ? 3 : mask & 2 ? 2 : 1;
}

}  // namespace

HRESULT ShaderPixelStage::prepare(const std::shared_ptr<ShaderProgram>& program,
                                  const DeviceState& state) {
  const Program& p = program->program;
  if (p.kind != Kind::Pixel) return D3DERR_INVALIDCALL;
  if (program_ != program) {
    program_ = program;
    machine_.bind(p);
  }
  channels_ = ChannelMap{};
  for (const InputBinding& in : p.inputs) {
    if (in.type == kInput) {
      (in.number == 0 ? channels_.diffuse : channels_.specular) = channels_.add(4);
    } else if (channels_.tex[in.number] < 0) {
      channels_.texComponents[in.number] = componentsOf(in.mask);
      channels_.tex[in.number] = channels_.add(channels_.texComponents[in.number]);
    }
  }
  for (uint32_t set = 0; set < 8; ++set) {
    if ((p.coordinatesRead >> set & 1) && channels_.tex[set] < 0) {
      channels_.texComponents[set] = 3;
      channels_.tex[set] = channels_.add(3);
    }
  }
  for (uint32_t s = 0; s < 16; ++s) {
    samplers_[s] = SamplerSetup{};
    if (!(p.samplersUsed >> s & 1) || s >= kSamplerCount) continue;  // no texture: white
    if (const HRESULT hr = prepareSampler(state, s, samplers_[s]); FAILED(hr)) return hr;
  }
  output_ = p.pixel1x() ? p.slotOf(kTemp, 0) : p.slotOf(kColorOut, 0);
  uniforms_.gather(p, state.pixelConstants.data(), kPixelConstantCount,
                   p.pixel1x() ? ConstantRange::Pixel1x : ConstantRange::Full);
  simd_ = simdLevel();
  machine_.setSimdLevel(simd_);
  fog_ = state.render[D3DRS_FOGENABLE] != 0;
  fogColour_ = state.render[D3DRS_FOGCOLOR];
  if (fog_) channels_.fog = channels_.add(1);
  return D3D_OK;
}

float ShaderPixelStage::coordinate(uint32_t set, uint32_t k, uint32_t i) const {
  const int32_t c = channels_.tex[set];
  if (c < 0 || k >= channels_.texComponents[set]) return k == 3 ? 1.0f : 0.0f;
  return span_->channel[c + k][span_->flat[c + k] ? 0 : i];
}

void ShaderPixelStage::fillInputs(const PixelSpan& span) {
  const uint32_t n = span.count;
  for (const InputBinding& in : program_->program.inputs) {
    const int32_t colour = in.number == 0 ? channels_.diffuse : channels_.specular;
    for (uint32_t k = 0; k < 4; ++k) {
      float* lane = machine_.lane(in.slot, k);
      int32_t c = -1;
      if (in.type != kTexture) {
        c = colour + int32_t(k);
      } else if (channels_.tex[in.number] >= 0 && k < channels_.texComponents[in.number]) {
        c = channels_.tex[in.number] + int32_t(k);
      }
      if (c < 0) {
        // A coordinate set or component the rasteriser does not carry: (0, 0, 0, 1).
        std::fill_n(lane, n, k == 3 ? 1.0f : 0.0f);
      } else if (in.type == kTexture) {
        if (span.flat[c]) {
          std::fill_n(lane, n, span.channel[c][0]);
        } else {
          std::copy_n(span.channel[c], n, lane);
        }
      } else {
        // Interpolated colours stay within 0..1 as the registers expect.
        clampLanes(simd_, span.channel[c], span.flat[c], 0.0f, 1.0f, n, lane);
      }
    }
  }
}

void ShaderPixelStage::sampleDirect(uint32_t stage, uint32_t set, uint32_t n,
                                    float (*result)[kLanes]) {
  const int32_t c = channels_.tex[set];
  sampleInterpolated(samplers_[stage], *span_, c < 0 ? 0 : c, scratch_, texels_);
  unpack(n, result);
}

void ShaderPixelStage::sampleAt(uint32_t stage, const float* const* coords, uint32_t n,
                                const float* biases, float (*result)[kLanes]) {
  const SamplerSetup& s = samplers_[stage];
  if (!s.bound) {
    std::fill_n(texels_, n, 0xFFFFFFFFu);
    unpack(n, result);
    return;
  }
  std::copy_n(coords[0], n, u_);
  std::copy_n(coords[1], n, v_);
  const float* lods = nullptr;
  if (s.needsLod) {
    // Computed coordinates have no gradients: the level comes from the difference to the
    // neighbour in the row, per pair of pixels, taken alike along both screen axes.
    for (uint32_t r = 0; r < span_->rowCount; ++r) {
      const uint32_t first = span_->rows[r].begin, end = first + span_->rows[r].count;
      for (uint32_t i = first; i < end; i += 2) {
        const uint32_t a = i + 1 < end ? i : (i > first ? i - 1 : i), b = a + 1 < end ? a + 1 : a;
        const float du = u_[b] - u_[a], dv = v_[b] - v_[a];
        const float lod = samplerLod(s, du, dv, du, dv);
        lods_[i] = lod + (biases ? biases[i] : 0.0f);
        if (i + 1 < end) lods_[i + 1] = lod + (biases ? biases[i + 1] : 0.0f);
      }
    }
    lods = lods_;
  }
  sampleSpan(s, u_, v_, lods, 0.0f, span_->live, n, texels_);
  unpack(n, result);
}

uint32_t ShaderPixelStage::texture(const Instruction& ins, Machine& m, uint32_t n,
                                   float (*result)[kLanes]) {
  const uint32_t version = program_->program.version;
  switch (ins.opcode) {
    case kTexkill: {
      // Versions 1.1 to 1.3 test x, y and z of the coordinate set; 1.4 those of the
      // register; 2.0 the components the mask names.
      const uint32_t mask = version >= 0x200 ? ins.dst.mask : version == 0x104 ? ins.dst.mask & 7 : 7;
      for (uint32_t i = 0; i < n; ++i) {
        for (uint32_t k = 0; k < 4; ++k) {
          if (!(mask >> k & 1)) continue;
          const float v = version < 0x104 ? coordinate(ins.dst.number, k, i)
                                          : m.lane(ins.dst.slot, k)[i];
          if (v < 0.0f) span_->live[i] = 0;
        }
      }
      return 0;
    }
    case kTexcoord:
      if (version < 0x104) {
        for (uint32_t i = 0; i < n; ++i) {
          for (uint32_t k = 0; k < 3; ++k) {
            const float v = coordinate(ins.dst.number, k, i);
            result[k][i] = v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
          }
          result[3][i] = 1.0f;
        }
      } else {
        const float* c[4];
        m.fetch(ins.src[0], n, 0, c);
        for (uint32_t k = 0; k < 4; ++k) std::copy_n(c[k], n, result[k]);
      }
      return 0xF;
    default: break;
  }
  const uint32_t stage = version >= 0x200 ? ins.src[1].number : ins.dst.number;
  if (version < 0x104) {
    sampleDirect(stage, stage, n, result);
    return 0xF;
  }
  const Operand& s = ins.src[0];
  if (s.type == kTexture && s.modifier == kModNone && s.swizzle[0] == 0 && s.swizzle[1] == 1 &&
      ins.control == 0) {
    // Interpolated coordinates: the level of detail comes from their exact gradients.
    sampleDirect(stage, s.number, n, result);
    return 0xF;
  }
  const float* c[4];
  m.fetch(s, n, 0, c);
  if (ins.control & kTexldProject) {
    float* u = result[0];
    float* v = result[1];
    for (uint32_t i = 0; i < n; ++i) {
      u[i] = c[0][i] / c[3][i];
      v[i] = c[1][i] / c[3][i];
    }
    const float* projected[2] = {u, v};
    sampleAt(stage, projected, n, nullptr, result);
  } else {
    sampleAt(stage, c, n, ins.control & kTexldBias ? c[3] : nullptr, result);
  }
  return 0xF;
}

void ShaderPixelStage::shade(const PixelSpan& span, uint32_t* argb) {
  span_ = &span;
  const uint32_t n = span.count;
  machine_.clearWritten(n);
  fillInputs(span);
  machine_.run(n, uniforms_.uniforms(), this);
  if (output_ < 0) {
    std::fill_n(argb, n, 0u);
  } else {
    const ChannelRow rgba[4] = {{machine_.lane(output_, 0), false}, {machine_.lane(output_, 1), false},
                                {machine_.lane(output_, 2), false}, {machine_.lane(output_, 3), false}};
    packColours(simd_, rgba, n, argb);
  }
  if (fog_) {
    fogColours(simd_, {span.channel[channels_.fog], span.flat[channels_.fog]}, fogColour_, n, argb);
  }
}

void ShaderPixelStage::unpack(uint32_t n, float (*result)[kLanes]) const {
  unpackColours(simd_, texels_, n, {result[0], result[1], result[2], result[3]});
}

}  // namespace d3d9

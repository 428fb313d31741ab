#include "platform/d3d9/shader/ShaderVertexStage.h"

#include "platform/d3d9/shader/ShaderConstants.h"

#include <algorithm>
#include <cstring>

namespace d3d9 {

using namespace shader;

HRESULT ShaderVertexStage::prepare(const std::shared_ptr<ShaderProgram>& program,
                                   const DeviceState& state, const VertexLayout& layout) {
  const Program& p = program->program;
  if (p.kind != Kind::Vertex) return D3DERR_INVALIDCALL;
  if (program_ != program) {
    program_ = program;
    machine_.bind(p);
  }
  fetches_.clear();
  // Where each declared input lies in a vertex of this format; a usage the format lacks reads
  // (0, 0, 0, 1).
  const uint32_t weights = layout.betaCount - (layout.lastBeta ? 1 : 0);
  for (const InputBinding& in : p.inputs) {
    Fetch f{in.slot, Element::Missing, 0, 0};
    auto floats = [&](int32_t offset, uint32_t count) {
      if (offset >= 0 && count > 0) f = {in.slot, Element::Floats, uint8_t(count), uint32_t(offset)};
    };
    const bool first = in.usageIndex == 0;
    switch (in.usage) {
      case kUsagePosition:
      case kUsagePositionT:
        if (first) floats(0, layout.positionFloats);
        break;
      case kUsageBlendWeight:
        if (first) floats(12, weights);
        break;
      case kUsageBlendIndices:
        if (first && layout.lastBeta) {
          f = {in.slot, layout.lastBeta == D3DFVF_LASTBETA_D3DCOLOR ? Element::Colour : Element::Bytes,
               4, 12 + 4 * weights};
        }
        break;
      case kUsageNormal:
        if (first) floats(layout.normal, 3);
        break;
      case kUsagePSize:
        if (first) floats(layout.pointSize, 1);
        break;
      case kUsageColor: {
        const int32_t offset = in.usageIndex == 0 ? layout.diffuse
                               : in.usageIndex == 1 ? layout.specular : -1;
        if (offset >= 0) f = {in.slot, Element::Colour, 4, uint32_t(offset)};
        break;
      }
      case kUsageTexcoord:
        if (in.usageIndex < layout.texCount) {
          floats(int32_t(layout.texOffset[in.usageIndex]), layout.texComponents[in.usageIndex]);
        }
        break;
      default: break;
    }
    fetches_.push_back(f);
  }
  position_ = p.slotOf(kRastOut, kOutPosition);
  fog_ = p.slotOf(kRastOut, kOutFog);
  for (uint32_t i = 0; i < 2; ++i) colour_[i] = p.slotOf(kAttrOut, i);
  for (uint32_t i = 0; i < 8; ++i) tex_[i] = p.slotOf(kTexCrdOut, i);
  machine_.setSimdLevel(simdLevel());
  uniforms_.gather(p, state.vertexConstants.data(), kVertexConstantCount,
                   ConstantRange::Full);
  return D3D_OK;
}

void ShaderVertexStage::read(const VertexBatch& batch, uint32_t first, uint32_t n) {
  for (const Fetch& f : fetches_) {
    float* lanes[4];
    for (uint32_t c = 0; c < 4; ++c) lanes[c] = machine_.lane(f.slot, c);
    const uint8_t* v = batch.first + size_t(first) * batch.stride + f.offset;
    for (uint32_t i = 0; i < n; ++i, v += batch.stride) {
      float x[4] = {0.0f, 0.0f, 0.0f, 1.0f};
      switch (f.element) {
        case Element::Floats: std::memcpy(x, v, 4 * f.components); break;
        case Element::Colour:
          // Bytes B, G, R, A in memory: x = R, y = G, z = B, w = A, each divided by 255.
          x[0] = float(v[2]) / 255.0f;
          x[1] = float(v[1]) / 255.0f;
          x[2] = float(v[0]) / 255.0f;
          x[3] = float(v[3]) / 255.0f;
          break;
        case Element::Bytes:
          for (int c = 0; c < 4; ++c) x[c] = float(v[c]);
          break;
        case Element::Missing: break;
      }
      for (int c = 0; c < 4; ++c) lanes[c][i] = x[c];
    }
  }
}

void ShaderVertexStage::write(uint32_t n, ShadedVertex* out) {
  auto copy = [&](int32_t slot, uint32_t i, float* dst, const float (&fallback)[4]) {
    for (uint32_t c = 0; c < 4; ++c) dst[c] = slot >= 0 ? machine_.lane(slot, c)[i] : fallback[c];
  };
  static constexpr float kZeroOne[4] = {0, 0, 0, 1}, kWhite[4] = {1, 1, 1, 1}, kZero[4] = {};
  for (uint32_t i = 0; i < n; ++i) {
    ShadedVertex& v = out[i];
    copy(position_, i, v.position, kZeroOne);
    copy(colour_[0], i, v.diffuse, kWhite);
    copy(colour_[1], i, v.specular, kZero);
    // Colour outputs are clamped to 0..1 before they are interpolated.
    for (float* c : {v.diffuse, v.specular}) {
      for (int k = 0; k < 4; ++k) c[k] = c[k] > 0.0f ? (c[k] < 1.0f ? c[k] : 1.0f) : 0.0f;
    }
    // Without a fog output the vertex is not fogged.
    v.fog = fog_ >= 0 ? machine_.lane(fog_, 0)[i] : 1.0f;
    for (uint32_t t = 0; t < 8; ++t) copy(tex_[t], i, v.tex[t], kZeroOne);
  }
}

void ShaderVertexStage::run(const VertexBatch& batch, ShadedVertex* out) {
  for (uint32_t first = 0; first < batch.count; first += kLanes) {
    const uint32_t n = std::min(kLanes, batch.count - first);
    machine_.clearWritten(n);
    read(batch, first, n);
    machine_.run(n, uniforms_.uniforms(), nullptr);
    write(n, out + first);
  }
}

}  // namespace d3d9

#include "platform/d3d9/raster/FixedVertexStage.h"

#include <cstring>

namespace d3d9 {
namespace {

void multiply(const float a[4][4], const float b[4][4], float out[4][4]) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      out[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c] + a[r][3] * b[3][c];
    }
  }
}

void unpackColour(const uint8_t* p, float out[4]) {
  uint32_t c;
  std::memcpy(&c, p, 4);
  constexpr float k = 1.0f / 255.0f;
  out[0] = float((c >> 16) & 255) * k;
  out[1] = float((c >> 8) & 255) * k;
  out[2] = float(c & 255) * k;
  out[3] = float(c >> 24) * k;
}

}  // namespace

void FixedVertexStage::prepare(const DeviceState& state, const VertexLayout& layout) {
  pretransformed_ = layout.pretransformed;
  float wv[4][4];
  multiply(state.world.m, state.view.m, wv);
  multiply(wv, state.projection.m, wvp_);
}

void FixedVertexStage::run(const VertexBatch& batch, ShadedVertex* out) {
  const VertexLayout& l = *batch.layout;
  const uint8_t* v = batch.first;
  for (uint32_t i = 0; i < batch.count; ++i, v += batch.stride, ++out) {
    float p[4] = {0, 0, 0, 1};
    std::memcpy(p, v, 4 * l.positionFloats);
    if (pretransformed_) {
      std::memcpy(out->position, p, sizeof p);
    } else {
      for (int c = 0; c < 4; ++c) {
        out->position[c] =
            p[0] * wvp_[0][c] + p[1] * wvp_[1][c] + p[2] * wvp_[2][c] + p[3] * wvp_[3][c];
      }
    }
    if (l.diffuse >= 0) {
      unpackColour(v + l.diffuse, out->diffuse);
    } else {
      out->diffuse[0] = out->diffuse[1] = out->diffuse[2] = out->diffuse[3] = 1.0f;
    }
    if (l.specular >= 0) {
      unpackColour(v + l.specular, out->specular);
      out->fog = out->specular[3];  // vertex fog travels in the specular alpha
    } else {
      out->specular[0] = out->specular[1] = out->specular[2] = out->specular[3] = 0.0f;
      out->fog = 1.0f;
    }
    for (uint32_t t = 0; t < 8; ++t) {
      float* tc = out->tex[t];
      tc[0] = tc[1] = tc[2] = 0.0f;
      tc[3] = 1.0f;
      if (t < l.texCount) std::memcpy(tc, v + l.texOffset[t], 4 * l.texComponents[t]);
    }
  }
}

}  // namespace d3d9

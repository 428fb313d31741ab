#pragma once

// Fixed-function vertex processing: pre-transformed vertices pass through; others are
// transformed by world x view x projection. Colours and texture coordinates are copied from the
// vertex. Lighting and vertex blending are not emulated (the renderer turns lighting off and
// blends in its vertex shaders).

#include "platform/d3d9/raster/Stages.h"

namespace d3d9 {

class FixedVertexStage final : public VertexStage {
 public:
  void prepare(const DeviceState& state, const VertexLayout& layout);
  bool pretransformed() const override { return pretransformed_; }
  void run(const VertexBatch& batch, ShadedVertex* out) override;

 private:
  bool pretransformed_ = false;
  float wvp_[4][4] = {};
};

}  // namespace d3d9

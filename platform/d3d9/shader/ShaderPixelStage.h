#pragma once

// A pixel shader as the draw pipeline's pixel stage: the interpolated colours and texture
// coordinates of a span fill the input registers, the interpreter runs over the span's pixels,
// and the output colour (r0 in versions 1.x, oC0 after) becomes the pixel, with vertex fog
// mixed in afterwards as for the fixed-function stages.

#include "platform/d3d9/raster/SpanSampling.h"
#include "platform/d3d9/shader/ShaderConstants.h"

#include <memory>

namespace d3d9 {

class ShaderPixelStage final : public PixelStage, shader::TextureUnit {
 public:
  HRESULT prepare(const std::shared_ptr<ShaderProgram>& program, const DeviceState& state);
  const ChannelMap& channels() const override { return channels_; }
  void shade(const PixelSpan& span, uint32_t* argb) override;

 private:
  uint32_t texture(const shader::Instruction& ins, shader::Machine& m, uint32_t n,
                   float (*result)[shader::kLanes]) override;
  void sampleDirect(uint32_t stage, uint32_t set, uint32_t n, float (*result)[shader::kLanes]);
  void sampleAt(uint32_t stage, const float* const* coords, uint32_t n, const float* biases,
                float (*result)[shader::kLanes]);
  void fillInputs(const PixelSpan& span);
  // The sampled words in texels_ as the result of a texture instruction.
  void unpack(uint32_t n, float (*result)[shader::kLanes]) const;
  // The interpolated value of component k of texture set `set` for pixel i.
  float coordinate(uint32_t set, uint32_t k, uint32_t i) const;

  std::shared_ptr<ShaderProgram> program_;
  shader::Machine machine_;
  shader::UniformTables uniforms_;
  ChannelMap channels_;
  SamplerSetup samplers_[16];
  int32_t output_ = -1;
  bool fog_ = false;
  SimdLevel simd_ = SimdLevel::Scalar;
  uint32_t fogColour_ = 0;
  const PixelSpan* span_ = nullptr;
  SpanScratch scratch_ = {};
  uint32_t texels_[kMaxSpan] = {};
  float u_[kMaxSpan] = {};
  float v_[kMaxSpan] = {};
  float lods_[kMaxSpan] = {};
};

}  // namespace d3d9

#pragma once

// The fixed-function texture stages: each active stage combines its arguments (texture, current
// colour, diffuse colour) with disable, select, modulate or add, for colour and alpha apart;
// vertex fog is mixed in at the end. Ops and arguments the renderer never uses are refused at
// draw time with the interface's "unsupported" codes rather than drawn wrongly.

#include "platform/d3d9/raster/SpanSampling.h"
#include "platform/d3d9/raster/Stages.h"

namespace d3d9 {

class FixedPixelStage final : public PixelStage {
 public:
  HRESULT prepare(const DeviceState& state);
  const ChannelMap& channels() const override { return channels_; }
  void shade(const PixelSpan& span, uint32_t* argb) override;

 private:
  struct Stage {
    uint32_t colourOp, colourArg1, colourArg2;
    uint32_t alphaOp, alphaArg1, alphaArg2;
    bool samples;
    uint32_t texSet;
  };
  Stage stages_[kStageCount] = {};
  uint32_t stageCount_ = 0;
  SamplerSetup samplers_[kStageCount];
  ChannelMap channels_;
  bool fog_ = false;
  uint32_t fogColour_ = 0;
  SimdLevel simd_ = SimdLevel::Scalar;

  // One stage operation on the words of two arguments: the argument itself for the selections,
  // else `scratch` filled with the results.
  const uint32_t* combine(uint32_t op, const uint32_t* a, const uint32_t* b, uint32_t n,
                          uint32_t* scratch) const;

  // Per-span scratch: sampled texels per stage, levels of detail, filled-in coordinates, and
  // the words of the diffuse colour and of stage results.
  uint32_t texels_[kStageCount][kMaxSpan] = {};
  SpanScratch scratch_ = {};
  uint32_t diffuse_[kMaxSpan] = {};
  uint32_t colourScratch_[kMaxSpan] = {};
  uint32_t alphaScratch_[kMaxSpan] = {};
  uint32_t currentScratch_[2][kMaxSpan] = {};
};

}  // namespace d3d9

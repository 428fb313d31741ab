#pragma once

// The fixed-function texture stages: each active stage combines its arguments (texture, current
// colour, diffuse colour) with disable, select, modulate or add, for colour and alpha apart;
// vertex fog is mixed in at the end. Ops and arguments the renderer never uses are refused at
// draw time with the interface's "unsupported" codes rather than drawn wrongly.

#include "platform/d3d9/Sampler.h"
#include "platform/d3d9/Stages.h"

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
  // Per-span scratch: sampled texels per stage, levels of detail, filled-in coordinates.
  uint32_t texels_[kStageCount][kMaxSpan] = {};
  float lods_[kMaxSpan] = {};
  float u_[kMaxSpan] = {};
  float v_[kMaxSpan] = {};
};

}  // namespace d3d9

#pragma once

// Triangle rasterisation by the rules the renderer's pixel arithmetic relies on: pixel centres
// on integer coordinates, the top-left fill convention, 8 bits of sub-pixel precision, culling
// by screen-space winding. Covered pixels are walked row by row in spans found from the edge
// functions; depth is tested per span before the pixel stage shades the survivors, and every
// attribute is interpolated perspective-correctly.

#include "platform/d3d9/raster/OutputMerger.h"
#include "platform/d3d9/raster/Simd.h"
#include "platform/d3d9/raster/Stages.h"

namespace d3d9 {

// A vertex after projection: screen position, depth, 1/w, and its channels multiplied by 1/w.
struct ScreenVertex {
  float x;
  float y;
  float z;
  float rhw;
  float ch[kMaxChannels];
};

struct ClipRect {
  int32_t left;
  int32_t top;
  int32_t right;   // exclusive
  int32_t bottom;  // exclusive
};

// The largest screen coordinate the rasteriser takes, in pixels either way. With 8 bits of
// sub-pixel precision a position is at most 2^28 steps, an edge's extent 2^29, and every
// product of the edge arithmetic stays below 2^63. Callers clip to a band well inside it.
constexpr float kRasterLimit = 1048576.0f;

class Rasteriser {
 public:
  void begin(PixelStage* stage, const MergeSetup* merge, const DepthSetup* depth,
             uint32_t cullMode, const ClipRect& clip);
  // Draws nothing when a vertex's x or y is not a number within kRasterLimit.
  void triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);

 private:
  static constexpr uint32_t kChunk = kMaxSpan;

  // Adds a run of covered pixels of the current triangle: shaded at once, or batched with the
  // triangle's other rows when it is in perspective.
  void addRow(int32_t x, int32_t y, uint32_t count);
  // Depth test and interpolation of a run into the arrays from index pos_; false when no
  // pixel passed the depth test.
  template <bool kWide>
  bool interpolate(int32_t x, int32_t y, uint32_t count);
  // Shades the rows gathered and merges them into the target.
  void flush();

  PixelStage* stage_ = nullptr;
  const MergeSetup* merge_ = nullptr;
  const DepthSetup* depth_ = nullptr;
  uint32_t cull_ = 0;
  ClipRect clip_{};
  uint32_t channelCount_ = 0;
  uint64_t stepped_ = 0;
  bool wide_ = false;  // SSE2 loops (Simd.h)

  // Planes of the current triangle: value = base + dx * px + dy * py.
  struct Plane {
    double base, dx, dy;
  };
  Plane z_{}, rhw_{};
  Plane ch_[kMaxChannels]{};
  bool perspective_ = false;
  float gradX_[kMaxChannels]{};
  float gradY_[kMaxChannels]{};
  bool flat_[kMaxChannels]{};
  float flatValue_[kMaxChannels]{};

  float zs_[kChunk]{};
  float ws_[kChunk]{};
  uint8_t live_[kChunk]{};
  float values_[kMaxChannels][kChunk]{};
  const float* channelPtr_[kMaxChannels]{};
  uint32_t colours_[kChunk]{};
  uint32_t scratch_[kChunk]{};
  // The rows gathered for the pixel stage, and where the next one goes in the arrays.
  bool batch_ = false;
  SpanRow rows_[kChunk / 2]{};
  uint32_t rowCount_ = 0;
  uint32_t pos_ = 0;
};

}  // namespace d3d9

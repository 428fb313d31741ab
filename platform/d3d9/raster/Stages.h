#pragma once

// The two programmable points of the draw pipeline. A vertex stage turns fetched vertices into
// shaded vertices; a pixel stage turns the interpolated values of a span of pixels into colours.
// The fixed-function stages are one implementation; the shader back end (ShaderBackend.h)
// supplies the other. Stages are prepared once per draw and called per batch of vertices or per
// span of pixels, never per pixel.

#include "platform/d3d9/DeviceState.h"
#include "platform/d3d9/VertexLayout.h"

namespace d3d9 {

// The outputs of vertex processing, named after the registers a vertex shader writes.
struct ShadedVertex {
  float position[4];  // clip space (x, y, z, w); for pre-transformed vertices x, y, z, 1/w
  float diffuse[4];   // r, g, b, a
  float specular[4];
  float fog;          // 1 no fog, 0 all fog colour
  float tex[8][4];
};

struct VertexBatch {
  const uint8_t* first;  // the first vertex of the batch
  uint32_t stride;
  uint32_t count;
  const VertexLayout* layout;
};

class VertexStage {
 public:
  virtual ~VertexStage() = default;
  // True when the outputs are already in screen space (no clipping, no viewport transform).
  virtual bool pretransformed() const = 0;
  virtual void run(const VertexBatch& batch, ShadedVertex* out) = 0;
};

constexpr uint32_t kMaxChannels = 4 + 4 + 1 + 8 * 4;

// The most pixels one span carries.
constexpr uint32_t kMaxSpan = 256;

// Which interpolated values a pixel stage reads, as channel numbers (-1: not read). Each colour
// takes four channels (r, g, b, a), each texture set its components' count.
struct ChannelMap {
  int32_t diffuse = -1;
  int32_t specular = -1;
  int32_t fog = -1;
  int32_t tex[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
  uint32_t texComponents[8] = {};
  uint32_t count = 0;
  // Channels the stage steps itself along spans without perspective (bit per channel): for
  // those spans they carry only their first value, the gradients giving the rest.
  uint64_t stepped = 0;

  int32_t add(uint32_t n) {
    const int32_t first = int32_t(count);
    count += n;
    return first;
  }
};

// `count` pixels of screen row y from column x, at index `begin` of a span's arrays.
struct SpanRow {
  uint32_t x;
  uint32_t y;
  uint32_t begin;
  uint32_t count;
};

// Covered pixels of one triangle with their interpolated values: one horizontal run, or for a
// triangle in perspective several rows one after the other (`rows`), each beginning at an even
// index, so that pairs of neighbouring pixels stay pairs; a dead pixel pads a row of odd length.
struct PixelSpan {
  uint32_t x;  // of the first row
  uint32_t y;
  uint32_t count;
  uint8_t* live;                 // 1 for pixels still drawn; a stage may clear entries
  const float* w;                // per pixel, the interpolated w (1 / rhw)
  // Per channel, `count` perspective-correct values; a channel marked flat (the same value
  // over the whole triangle) carries only its first value, and so does a stepped channel
  // (ChannelMap::stepped) when rhwGradX and rhwGradY are 0.
  const float* const* channel;
  const bool* flat;
  // Screen-space gradients of (value x rhw) per channel and of rhw itself, from which a stage
  // derives the per-pixel derivatives it needs for texture level selection.
  const float* gradX;
  const float* gradY;
  float rhwGradX;
  float rhwGradY;
  const SpanRow* rows;
  uint32_t rowCount;
};

class PixelStage {
 public:
  virtual ~PixelStage() = default;
  virtual const ChannelMap& channels() const = 0;
  // Writes an A8R8G8B8 colour for every live pixel of the span.
  virtual void shade(const PixelSpan& span, uint32_t* argb) = 0;
};

}  // namespace d3d9

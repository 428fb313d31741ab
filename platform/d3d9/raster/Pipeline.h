#pragma once

// One draw call from fetched vertices to pixels: index assembly, the vertex stage, clipping,
// projection with the viewport, rasterisation, the pixel stage and the output merger. Owned by
// the device; its buffers are reused from draw to draw.

#include "platform/d3d9/Surface.h"
#include "platform/d3d9/raster/Clipper.h"
#include "platform/d3d9/raster/FixedPixelStage.h"
#include "platform/d3d9/raster/FixedVertexStage.h"
#include "platform/d3d9/raster/Rasteriser.h"
#include "platform/d3d9/shader/InterpreterBackend.h"

#include <vector>

namespace d3d9 {

// Where a draw's vertices and indices come from, already bounds-checked by the device for
// buffer sources; user-memory sources are trusted for the range the call declares.
struct DrawSource {
  const uint8_t* vertices = nullptr;  // vertex 0 of the source
  uint64_t vertexLimit = 0;           // vertices available from `vertices` (0: unknown)
  uint32_t stride = 0;
  const uint8_t* indices = nullptr;   // null for a non-indexed draw
  uint64_t indexLimit = 0;            // indices available from `indices`
  bool indices32 = false;
  int64_t baseVertex = 0;             // added to every index (or the first vertex)
  uint32_t minIndex = 0;              // user-memory indexed draws: the declared vertex range
  uint32_t vertexCount = 0;
  bool declaredRange = false;
};

// What a draw does once its states, shaders and indices have been checked.
enum class DrawWork { Rasterise, CheckOnly };

class Pipeline {
 public:
  // With CheckOnly the draw answers exactly as a rasterised one would (refused states, shaders
  // and index ranges alike) but runs no vertex or pixel stage and leaves the targets untouched.
  HRESULT draw(const DeviceState& state, IDirect3DSurface9& target, IDirect3DSurface9* depth,
               D3DPRIMITIVETYPE type, uint32_t primitiveCount, const DrawSource& source,
               DrawWork work = DrawWork::Rasterise);

 private:
  HRESULT assemble(D3DPRIMITIVETYPE type, uint32_t primitiveCount, const DrawSource& source);
  void drawTriangle(const ShadedVertex& a, const ShadedVertex& b, const ShadedVertex& c);
  void gather(const ShadedVertex& v, float* out) const;
  void emit(ClipVertex* polygon, uint32_t count, bool screenSpace);

  FixedVertexStage fixedVertex_;
  // Runs bound shaders unless a back end was installed with setShaderBackend.
  InterpreterBackend interpreter_;
  FixedPixelStage fixedPixel_;
  Rasteriser raster_;
  MergeSetup merge_;
  DepthSetup depth_;
  ChannelMap channels_;
  bool pretransformed_ = false;
  D3DVIEWPORT9 viewport_{};
  ClipPlane planes_[7]{};
  uint32_t planeCount_ = 0;
  std::vector<int64_t> numbers_;  // vertex numbers as fetched
  std::vector<uint32_t> order_;  // vertex numbers of the triangles, three by three
  std::vector<ShadedVertex> shaded_;
  uint32_t firstVertex_ = 0;
  uint32_t shadedCount_ = 0;
};

}  // namespace d3d9

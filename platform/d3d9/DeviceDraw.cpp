#include "platform/d3d9/CheckedSize.h"
#include "platform/d3d9/Device.h"
#include "platform/d3d9/raster/Pipeline.h"

namespace d3d9 {
namespace {

uint64_t address(const void* p) { return uint64_t(reinterpret_cast<uintptr_t>(p)); }

// The vertices of stream 0 as a draw source; false without a usable binding.
bool streamSource(const DeviceState& state, DrawSource& s) {
  const IDirect3DVertexBuffer9* vb = state.stream;
  if (!vb || state.streamStride == 0 || state.streamOffset >= vb->bytes().size()) return false;
  s.vertices = vb->bytes().data() + state.streamOffset;
  s.stride = state.streamStride;
  s.vertexLimit = (vb->bytes().size() - state.streamOffset) / s.stride;
  return true;
}

// The interface unbinds stream 0 and the indices after a draw from user memory.
void forgetStreamAndIndices(DeviceState& state) {
  safeRelease(state.stream);
  safeRelease(state.indices);
  state.streamOffset = state.streamStride = 0;
}

uint64_t verticesFor(D3DPRIMITIVETYPE type, uint64_t count) {
  return type == D3DPT_TRIANGLELIST ? count * 3 : count + 2;
}

}  // namespace

HRESULT IDirect3DDevice9::draw(D3DPRIMITIVETYPE type, UINT count, const DrawSource& source) {
  if (!inScene_) return D3DERR_INVALIDCALL;
  if (loss_ != Loss::None) return D3D_OK;  // a lost device accepts and ignores work
  return pipeline_->draw(state_, *renderTarget_, depthStencil_, type, count, source,
                         adapter_.nullRaster ? DrawWork::CheckOnly : DrawWork::Rasterise);
}

HRESULT IDirect3DDevice9::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count) {
  log("DrawPrimitive", {type, startVertex, count});
  DrawSource s;
  if (!streamSource(state_, s)) return D3DERR_INVALIDCALL;
  s.baseVertex = startVertex;
  if (uint64_t(startVertex) + verticesFor(type, count) > s.vertexLimit) return D3DERR_INVALIDCALL;
  return draw(type, count, s);
}

HRESULT IDirect3DDevice9::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertex,
                                               UINT minIndex, UINT vertexCount,
                                               UINT startIndex, UINT count) {
  log("DrawIndexedPrimitive", {type, uint64_t(int64_t(baseVertex)), minIndex, vertexCount,
                               startIndex, count});
  const IDirect3DIndexBuffer9* ib = state_.indices;
  DrawSource s;
  if (!ib || !streamSource(state_, s)) return D3DERR_INVALIDCALL;
  s.indices32 = ib->format() == D3DFMT_INDEX32;
  const uint64_t indexSize = s.indices32 ? 4 : 2;
  const uint64_t available = ib->bytes().size() / indexSize;
  if (startIndex >= available) return D3DERR_INVALIDCALL;
  s.indices = ib->bytes().data() + startIndex * indexSize;
  s.indexLimit = available - startIndex;
  s.baseVertex = baseVertex;
  return draw(type, count, s);
}

HRESULT IDirect3DDevice9::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count,
                                          const void* vertices, UINT stride) {
  log("DrawPrimitiveUP", {type, count, address(vertices), stride});
  if (!vertices || stride == 0) return D3DERR_INVALIDCALL;
  forgetStreamAndIndices(state_);
  DrawSource s;
  s.vertices = static_cast<const uint8_t*>(vertices);
  s.stride = stride;
  return draw(type, count, s);
}

HRESULT IDirect3DDevice9::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex,
                                                 UINT vertexCount, UINT count,
                                                 const void* indices, D3DFORMAT indexFormat,
                                                 const void* vertices, UINT stride) {
  log("DrawIndexedPrimitiveUP", {type, minIndex, vertexCount, count, indexFormat, stride});
  if (!vertices || !indices || stride == 0 ||
      (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32)) {
    return D3DERR_INVALIDCALL;
  }
  forgetStreamAndIndices(state_);
  DrawSource s;
  s.vertices = static_cast<const uint8_t*>(vertices);
  s.stride = stride;
  s.indices = static_cast<const uint8_t*>(indices);
  s.indices32 = indexFormat == D3DFMT_INDEX32;
  s.indexLimit = verticesFor(type, count);  // the caller's array holds what the call needs
  s.minIndex = minIndex;
  s.vertexCount = vertexCount;
  s.declaredRange = true;
  return draw(type, count, s);
}

}  // namespace d3d9

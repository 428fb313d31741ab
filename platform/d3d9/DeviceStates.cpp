#include "platform/d3d9/Device.h"

#include <algorithm>

namespace d3d9 {
namespace {

uint64_t address(const void* p) { return uint64_t(reinterpret_cast<uintptr_t>(p)); }

// Replaces a held reference with another, taking the new one first so that setting the same
// object again never frees it.
template <class T>
void rebind(T*& slot, T* value) {
  if (value) value->AddRef();
  safeRelease(slot);
  slot = value;
}

D3DMATRIX* transformSlot(DeviceState& s, D3DTRANSFORMSTATETYPE which) {
  switch (which) {
    case D3DTS_WORLD: return &s.world;
    case D3DTS_VIEW: return &s.view;
    case D3DTS_PROJECTION: return &s.projection;
    default: return nullptr;
  }
}

}  // namespace

HRESULT IDirect3DDevice9::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  log("SetRenderState", {state, value});
  if (!renderStateKnown(state)) return D3DERR_INVALIDCALL;
  state_.render[state] = value;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const {
  if (!value || !renderStateKnown(state)) return D3DERR_INVALIDCALL;
  *value = state_.render[state];
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE state,
                                          DWORD value) {
  log("SetSamplerState", {sampler, state, value});
  if (sampler >= kSamplerCount || !samplerStateKnown(state)) return D3DERR_INVALIDCALL;
  state_.sampler[sampler][state] = value;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE state,
                                          DWORD* value) const {
  if (!value || sampler >= kSamplerCount || !samplerStateKnown(state)) return D3DERR_INVALIDCALL;
  *value = state_.sampler[sampler][state];
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state,
                                               DWORD value) {
  log("SetTextureStageState", {stage, state, value});
  if (stage >= kStageCount || !stageStateKnown(state)) return D3DERR_INVALIDCALL;
  state_.stage[stage][state] = value;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state,
                                               DWORD* value) const {
  if (!value || stage >= kStageCount || !stageStateKnown(state)) return D3DERR_INVALIDCALL;
  *value = state_.stage[stage][state];
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  log("SetTexture", {stage, address(texture)});
  if (stage >= kSamplerCount) return D3DERR_INVALIDCALL;
  rebind(state_.textures[stage], texture);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
  if (!texture || stage >= kSamplerCount) return D3DERR_INVALIDCALL;
  *texture = state_.textures[stage];
  if (*texture) (*texture)->AddRef();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetFVF(DWORD fvf) {
  log("SetFVF", {fvf});
  state_.fvf = fvf;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetFVF(DWORD* fvf) const {
  if (!fvf) return D3DERR_INVALIDCALL;
  *fvf = state_.fvf;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetVertexShader(IDirect3DVertexShader9* shader) {
  log("SetVertexShader", {address(shader)});
  rebind(state_.vertexShader, shader);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetPixelShader(IDirect3DPixelShader9* shader) {
  log("SetPixelShader", {address(shader)});
  rebind(state_.pixelShader, shader);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
  log("SetVertexShaderConstantF", {start, count});
  const uint64_t limit =
      state_.softwareVertexProcessing ? kVertexConstantCount : adapter_.caps.MaxVertexShaderConst;
  if (!data || uint64_t(start) + count > limit) return D3DERR_INVALIDCALL;
  std::copy_n(data, size_t(count) * 4, state_.vertexConstants.begin() + size_t(start) * 4);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
  log("SetPixelShaderConstantF", {start, count});
  if (!data || uint64_t(start) + count > kPixelConstantCount) return D3DERR_INVALIDCALL;
  std::copy_n(data, size_t(count) * 4, state_.pixelConstants.begin() + size_t(start) * 4);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer,
                                          UINT offset, UINT stride) {
  log("SetStreamSource", {stream, address(buffer), offset, stride});
  if (stream != 0 || stride > adapter_.caps.MaxStreamStride) return D3DERR_INVALIDCALL;
  rebind(state_.stream, buffer);
  state_.streamOffset = offset;
  state_.streamStride = stride;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetIndices(IDirect3DIndexBuffer9* buffer) {
  log("SetIndices", {address(buffer)});
  rebind(state_.indices, buffer);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTransform(D3DTRANSFORMSTATETYPE which, const D3DMATRIX* matrix) {
  log("SetTransform", {which});
  D3DMATRIX* slot = transformSlot(state_, which);
  if (!slot || !matrix) return D3DERR_INVALIDCALL;
  *slot = *matrix;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetTransform(D3DTRANSFORMSTATETYPE which, D3DMATRIX* matrix) const {
  const D3DMATRIX* slot = transformSlot(const_cast<DeviceState&>(state_), which);
  if (!slot || !matrix) return D3DERR_INVALIDCALL;
  *matrix = *slot;
  return D3D_OK;
}

}  // namespace d3d9

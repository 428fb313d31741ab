#include "platform/d3d9/Buffers.h"

#include "platform/d3d9/CheckedSize.h"

namespace d3d9 {

bool BufferResource::allocate(BufferResource* buffer, UINT length) {
  if (length == 0 || length > kMaxResourceBytes) {
    buffer->Release();
    return false;
  }
  buffer->bytes_.assign(length, 0);
  return true;
}

HRESULT BufferResource::Lock(UINT offset, UINT size, void** data, DWORD) {
  if (!data) return D3DERR_INVALIDCALL;
  // Size 0 locks from the offset to the end.
  const uint64_t end = size == 0 ? bytes_.size() : uint64_t(offset) + size;
  if (offset >= bytes_.size() || end > bytes_.size()) return D3DERR_INVALIDCALL;
  *data = bytes_.data() + offset;
  ++locks_;
  return D3D_OK;
}

HRESULT BufferResource::Unlock() {
  if (locks_ == 0) return D3DERR_INVALIDCALL;
  --locks_;
  return D3D_OK;
}

IDirect3DVertexBuffer9* IDirect3DVertexBuffer9::create(std::shared_ptr<DeviceLink> link,
                                                       UINT length, DWORD usage, DWORD fvf,
                                                       D3DPOOL pool) {
  auto* b = new IDirect3DVertexBuffer9(std::move(link), usage, fvf, pool);
  return allocate(b, length) ? b : nullptr;
}

HRESULT IDirect3DVertexBuffer9::GetDesc(D3DVERTEXBUFFER_DESC* desc) const {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = {D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, usage(), pool(), UINT(bytes().size()), fvf_};
  return D3D_OK;
}

IDirect3DIndexBuffer9* IDirect3DIndexBuffer9::create(std::shared_ptr<DeviceLink> link,
                                                     UINT length, DWORD usage, D3DFORMAT format,
                                                     D3DPOOL pool) {
  auto* b = new IDirect3DIndexBuffer9(std::move(link), usage, format, pool);
  return allocate(b, length) ? b : nullptr;
}

HRESULT IDirect3DIndexBuffer9::GetDesc(D3DINDEXBUFFER_DESC* desc) const {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = {format_, D3DRTYPE_INDEXBUFFER, usage(), pool(), UINT(bytes().size())};
  return D3D_OK;
}

}  // namespace d3d9

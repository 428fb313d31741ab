#pragma once

// Vertex and index buffers: byte arrays with the lock discipline of the interface. Locks may
// nest (the count must return to zero before a draw reads the buffer consistently).

#include "platform/d3d9/Resource.h"

#include <vector>

namespace d3d9 {

class BufferBytes {
 public:
  HRESULT lock(UINT offset, UINT size, void** data, DWORD flags);
  HRESULT unlock();
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  bool allocate(UINT length);

 private:
  std::vector<uint8_t> bytes_;
  uint32_t locks_ = 0;
};

class IDirect3DVertexBuffer9 : public IDirect3DResource9 {
 public:
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) {
    return bytes_.lock(offset, size, data, flags);
  }
  HRESULT Unlock() { return bytes_.unlock(); }
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) const;

  static IDirect3DVertexBuffer9* create(std::shared_ptr<DeviceLink> link, UINT length,
                                        DWORD usage, DWORD fvf, D3DPOOL pool);
  const std::vector<uint8_t>& bytes() const { return bytes_.bytes(); }

 private:
  IDirect3DVertexBuffer9(std::shared_ptr<DeviceLink> link, DWORD usage, DWORD fvf, D3DPOOL pool)
      : IDirect3DResource9(std::move(link), pool, usage), fvf_(fvf) {}
  BufferBytes bytes_;
  DWORD fvf_;
};

class IDirect3DIndexBuffer9 : public IDirect3DResource9 {
 public:
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_INDEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) {
    return bytes_.lock(offset, size, data, flags);
  }
  HRESULT Unlock() { return bytes_.unlock(); }
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) const;

  static IDirect3DIndexBuffer9* create(std::shared_ptr<DeviceLink> link, UINT length,
                                       DWORD usage, D3DFORMAT format, D3DPOOL pool);
  const std::vector<uint8_t>& bytes() const { return bytes_.bytes(); }
  D3DFORMAT format() const { return format_; }

 private:
  IDirect3DIndexBuffer9(std::shared_ptr<DeviceLink> link, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool)
      : IDirect3DResource9(std::move(link), pool, usage), format_(format) {}
  BufferBytes bytes_;
  D3DFORMAT format_;
};

}  // namespace d3d9

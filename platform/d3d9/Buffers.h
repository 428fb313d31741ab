#pragma once

// Vertex and index buffers: byte arrays with the lock discipline of the interface. Locks may
// nest; each Lock needs its Unlock.

#include "platform/d3d9/Resource.h"

#include <vector>

namespace d3d9 {

// What both kinds of buffer share: their bytes and the locking of ranges of them.
class BufferResource : public IDirect3DResource9 {
 public:
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
  HRESULT Unlock();
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 protected:
  using IDirect3DResource9::IDirect3DResource9;
  // False (and the object released) when the length cannot be allocated.
  static bool allocate(BufferResource* buffer, UINT length);

 private:
  std::vector<uint8_t> bytes_;
  uint32_t locks_ = 0;
};

class IDirect3DVertexBuffer9 : public BufferResource {
 public:
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) const;

  static IDirect3DVertexBuffer9* create(std::shared_ptr<DeviceLink> link, UINT length,
                                        DWORD usage, DWORD fvf, D3DPOOL pool);

 private:
  IDirect3DVertexBuffer9(std::shared_ptr<DeviceLink> link, DWORD usage, DWORD fvf, D3DPOOL pool)
      : BufferResource(std::move(link), pool, usage), fvf_(fvf) {}
  DWORD fvf_;
};

class IDirect3DIndexBuffer9 : public BufferResource {
 public:
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_INDEXBUFFER; }
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) const;

  static IDirect3DIndexBuffer9* create(std::shared_ptr<DeviceLink> link, UINT length,
                                       DWORD usage, D3DFORMAT format, D3DPOOL pool);
  D3DFORMAT format() const { return format_; }

 private:
  IDirect3DIndexBuffer9(std::shared_ptr<DeviceLink> link, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool)
      : BufferResource(std::move(link), pool, usage), format_(format) {}
  D3DFORMAT format_;
};

}  // namespace d3d9

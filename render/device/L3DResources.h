#pragma once

// The device's buffer and shader records. Each is held through dbtl::rcptr handles by whoever
// asked for it; the device lists every live record without holding a reference, so that
// releasing the device can take the Direct3D objects away from records still held elsewhere.
// Destroying a record releases its Direct3D object and, while it still has an owner, unlinks
// it from the owner's list.

#include "foundation/dbtl/DList.h"
#include "platform/d3d9/Device.h"

#include <cstdint>

class L3DDevice;

class L3DVBuffer {
 public:
  ~L3DVBuffer();
  // Replaces the first min(size, length) bytes; a failed lock leaves the buffer unchanged.
  void SetData(const void* data, uint32_t size);

  L3DDevice* owner = nullptr;
  d3d9::IDirect3DVertexBuffer9* buffer = nullptr;
  uint32_t length = 0;
  uint32_t fvf = 0;
  dbtl::DListBase::iterator node;  // the owner's list entry
};

class L3DIBuffer {
 public:
  ~L3DIBuffer();
  void SetData(const void* data, uint32_t size);

  L3DDevice* owner = nullptr;
  d3d9::IDirect3DIndexBuffer9* buffer = nullptr;  // 16-bit indices
  uint32_t length = 0;
  dbtl::DListBase::iterator node;
};

class L3DVShader {
 public:
  ~L3DVShader();

  L3DDevice* owner = nullptr;
  d3d9::IDirect3DVertexShader9* shader = nullptr;
  dbtl::DListBase::iterator node;
};

class L3DPShader {
 public:
  ~L3DPShader();

  L3DDevice* owner = nullptr;
  d3d9::IDirect3DPixelShader9* shader = nullptr;
  dbtl::DListBase::iterator node;
};

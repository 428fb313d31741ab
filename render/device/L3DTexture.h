#pragma once

// A texture made by the device, held through dbtl::rcptr<L3DTexture> handles. Its last handle
// releases the Direct3D texture and, while the device lives, removes the registry entry.

#include "foundation/dbtl/DList.h"
#include "platform/d3d9/Device.h"

#include <cstdint>

class L3DDevice;

constexpr uint32_t L3DTEX_TYPE_MANAGED = 0;
constexpr uint32_t L3DTEX_TYPE_COMPRESSED = 1;
constexpr uint32_t L3DTEX_TYPE_RENDER = 2;

class L3DTexture {
 public:
  ~L3DTexture();

  // Type 0 with one level only; fatal otherwise or when the lock fails. The caller writes
  // pixels of `kind` and unlocks level 0 of `texture`.
  void* Lock(uint32_t x, uint32_t y, uint32_t width, uint32_t height, int32_t& pitch);
  // Render-target textures only (fatal otherwise).
  void CopyBackBuffer();
  void FillColor(d3d9::D3DCOLOR color);
  // After a device reset: a render target gets a new, empty Direct3D texture.
  void _Reset();

  L3DDevice* owner = nullptr;
  d3d9::IDirect3DTexture9* texture = nullptr;
  char name[264] = {};
  uint32_t kind = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  bool alpha = false;
  uint32_t levels = 0;
  uint32_t type = L3DTEX_TYPE_MANAGED;
  bool contentsLost = false;
  dbtl::DListBase::iterator node;  // the registry entry
};

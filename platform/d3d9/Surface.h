#pragma once

// A surface: the back buffer, a depth-stencil surface, an off-screen plain surface or one level
// of a texture. A texture's level surfaces share the texture's reference count, as the renderer
// expects: taking a level surface keeps the whole texture alive.

#include "platform/d3d9/Resource.h"

namespace d3d9 {

class IDirect3DTexture9;

enum class SurfaceRole { Plain, RenderTarget, DepthStencil, TextureLevel };

class IDirect3DSurface9 : public IDirect3DResource9 {
 public:
  uint32_t AddRef() override;
  uint32_t Release() override;
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_SURFACE; }

  HRESULT GetDesc(D3DSURFACE_DESC* desc) const;
  HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
  HRESULT UnlockRect();

  // For the device and the rasteriser.
  static IDirect3DSurface9* create(std::shared_ptr<DeviceLink> link, SurfaceRole role,
                                   PixelStore store, D3DPOOL pool, DWORD usage, bool lockable,
                                   D3DMULTISAMPLE_TYPE samples, DWORD quality,
                                   IDirect3DTexture9* container, bool counted = true);
  PixelStore& store() { return store_; }
  const PixelStore& store() const { return store_; }
  SurfaceRole role() const { return role_; }
  bool isRenderTarget() const;
  bool isLocked() const { return locked_; }
  IDirect3DTexture9* container() const { return container_; }
  // Depth values of a depth-stencil surface, one float per pixel, row after row.
  std::vector<float>& depth() { return depth_; }
  // Marks the pixels as changed by drawing, copying or filling.
  void touch() { ++store_.version; }
  // Destroys a level surface; only its texture calls this.
  void destroyLevel() { delete this; }

 private:
  IDirect3DSurface9(std::shared_ptr<DeviceLink> link, SurfaceRole role, PixelStore store,
                    D3DPOOL pool, DWORD usage, bool lockable, D3DMULTISAMPLE_TYPE samples,
                    DWORD quality, IDirect3DTexture9* container, bool counted);

  SurfaceRole role_;
  PixelStore store_;
  std::vector<float> depth_;
  bool lockable_;
  bool locked_ = false;
  bool readOnlyLock_ = false;
  D3DMULTISAMPLE_TYPE samples_;
  DWORD quality_;
  IDirect3DTexture9* container_;
};

// True when the rectangle (null: the whole surface) lies inside a width x height surface and is
// not empty; `blockAligned` also requires block-format edges on multiples of 4.
bool validRect(const RECT* rect, uint32_t width, uint32_t height, bool blockAligned);

}  // namespace d3d9

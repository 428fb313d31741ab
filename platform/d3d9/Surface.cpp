#include "platform/d3d9/Surface.h"

#include "platform/d3d9/Format.h"
#include "platform/d3d9/Texture.h"

namespace d3d9 {

bool validRect(const RECT* r, uint32_t width, uint32_t height, bool blockAligned) {
  if (!r) return true;
  if (r->left < 0 || r->top < 0 || r->left >= r->right || r->top >= r->bottom) return false;
  if (uint32_t(r->right) > width || uint32_t(r->bottom) > height) return false;
  if (blockAligned) {
    auto edge = [](int32_t v, uint32_t limit) { return v % 4 == 0 || uint32_t(v) == limit; };
    if (r->left % 4 || r->top % 4 || !edge(r->right, width) || !edge(r->bottom, height)) {
      return false;
    }
  }
  return true;
}

IDirect3DSurface9::IDirect3DSurface9(std::shared_ptr<DeviceLink> link, SurfaceRole role,
                                     PixelStore store, D3DPOOL pool, DWORD usage, bool lockable,
                                     D3DMULTISAMPLE_TYPE samples, DWORD quality,
                                     IDirect3DTexture9* container, bool counted)
    : IDirect3DResource9(std::move(link), pool, usage, counted && !container),
      role_(role), store_(std::move(store)), lockable_(lockable), samples_(samples),
      quality_(quality), container_(container) {
  if (role_ == SurfaceRole::DepthStencil) {
    // Depth lives as floats; the format's bytes are never read, and such a surface is never
    // locked (a lock could not show the floats in the format's layout).
    depth_.assign(size_t(store_.width) * store_.height, 1.0f);
    store_.bytes = {};
    lockable_ = false;
  }
}

IDirect3DSurface9* IDirect3DSurface9::create(std::shared_ptr<DeviceLink> link, SurfaceRole role,
                                             PixelStore store, D3DPOOL pool, DWORD usage,
                                             bool lockable, D3DMULTISAMPLE_TYPE samples,
                                             DWORD quality, IDirect3DTexture9* container,
                                             bool counted) {
  return new IDirect3DSurface9(std::move(link), role, std::move(store), pool, usage, lockable,
                               samples, quality, container, counted);
}

uint32_t IDirect3DSurface9::AddRef() {
  return container_ ? container_->AddRef() : IDirect3DResource9::AddRef();
}

uint32_t IDirect3DSurface9::Release() {
  return container_ ? container_->Release() : IDirect3DResource9::Release();
}

bool IDirect3DSurface9::isRenderTarget() const {
  return role_ == SurfaceRole::RenderTarget || (usage() & D3DUSAGE_RENDERTARGET) != 0;
}

HRESULT IDirect3DSurface9::GetDesc(D3DSURFACE_DESC* desc) const {
  if (!desc) return D3DERR_INVALIDCALL;
  desc->Format = store_.format;
  desc->Type = D3DRTYPE_SURFACE;
  desc->Usage = usage();
  desc->Pool = pool();
  desc->MultiSampleType = samples_;
  desc->MultiSampleQuality = quality_;
  desc->Width = store_.width;
  desc->Height = store_.height;
  return D3D_OK;
}

HRESULT IDirect3DSurface9::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
  const FormatInfo* info = formatInfo(store_.format);
  if (!locked || !info || locked_ || !lockable_) return D3DERR_INVALIDCALL;
  const bool blocks = info->blockBytes != 0;
  if (!validRect(rect, store_.width, store_.height, blocks)) return D3DERR_INVALIDCALL;
  size_t offset = 0;
  if (rect) {
    const uint32_t rowIndex = blocks ? uint32_t(rect->top) / 4 : uint32_t(rect->top);
    const size_t column = blocks ? size_t(rect->left / 4) * info->blockBytes
                                 : size_t(rect->left) * info->bytesPerPixel;
    offset = size_t(rowIndex) * store_.pitch + column;
  }
  locked->pBits = store_.bytes.data() + offset;
  locked->Pitch = int32_t(store_.pitch);
  locked_ = true;
  readOnlyLock_ = (flags & D3DLOCK_READONLY) != 0;
  return D3D_OK;
}

HRESULT IDirect3DSurface9::UnlockRect() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  if (!readOnlyLock_) touch();
  return D3D_OK;
}

}  // namespace d3d9

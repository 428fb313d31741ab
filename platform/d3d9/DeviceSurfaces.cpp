#include "platform/d3d9/Device.h"
#include "platform/d3d9/Format.h"
#include "platform/d3d9/SurfaceOps.h"

#include <algorithm>

namespace d3d9 {
namespace {

uint64_t address(const void* p) { return uint64_t(reinterpret_cast<uintptr_t>(p)); }

bool hasStencil(D3DFORMAT f) {
  return f == D3DFMT_D24S8 || f == D3DFMT_D15S1 || f == D3DFMT_D24X4S4;
}

bool sameShape(const PixelStore& a, const PixelStore& b) {
  return a.width == b.width && a.height == b.height && a.format == b.format;
}

}  // namespace

HRESULT IDirect3DDevice9::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                        IDirect3DSurface9** surface) {
  if (!surface || swapChain != 0 || index != 0 || type != D3DBACKBUFFER_TYPE_MONO) {
    return D3DERR_INVALIDCALL;
  }
  *surface = backBuffer_;
  backBuffer_->AddRef();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
  if (!surface || index != 0) return D3DERR_INVALIDCALL;
  *surface = renderTarget_;
  renderTarget_->AddRef();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetRenderTarget(DWORD index, IDirect3DSurface9* surface) {
  log("SetRenderTarget", {index, address(surface)});
  if (index != 0 || !surface || !surface->isRenderTarget()) return D3DERR_INVALIDCALL;
  surface->AddRef();
  safeRelease(renderTarget_);
  renderTarget_ = surface;
  fullViewport();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetDepthStencilSurface(IDirect3DSurface9** surface) {
  if (!surface) return D3DERR_INVALIDCALL;
  *surface = depthStencil_;
  if (!depthStencil_) return D3DERR_NOTFOUND;
  depthStencil_->AddRef();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetDepthStencilSurface(IDirect3DSurface9* surface) {
  log("SetDepthStencilSurface", {address(surface)});
  if (surface && surface->role() != SurfaceRole::DepthStencil) return D3DERR_INVALIDCALL;
  if (surface) surface->AddRef();
  safeRelease(depthStencil_);
  depthStencil_ = surface;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetRenderTargetData(IDirect3DSurface9* target,
                                              IDirect3DSurface9* dest) {
  log("GetRenderTargetData", {address(target), address(dest)});
  if (!target || !dest || !target->isRenderTarget() || dest->pool() != D3DPOOL_SYSTEMMEM ||
      !sameShape(target->store(), dest->store()) || dest->isLocked()) {
    return D3DERR_INVALIDCALL;
  }
  D3DSURFACE_DESC desc;
  target->GetDesc(&desc);
  if (desc.MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_INVALIDCALL;
  const PixelStore& s = target->store();
  PixelStore& d = dest->store();
  const size_t rowBytes = *formatRowBytes(s.format, s.width);
  for (uint32_t y = 0; y < s.height; ++y) std::copy_n(s.row(y), rowBytes, d.row(y));
  dest->touch();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetFrontBufferData(UINT swapChain, IDirect3DSurface9* dest) {
  log("GetFrontBufferData", {swapChain, address(dest)});
  if (swapChain != 0 || !dest || dest->pool() != D3DPOOL_SYSTEMMEM ||
      !sameShape(front_, dest->store()) || dest->isLocked()) {
    return D3DERR_INVALIDCALL;
  }
  PixelStore& d = dest->store();
  for (uint32_t y = 0; y < front_.height; ++y) {
    std::copy_n(front_.row(y), size_t(front_.width) * 4, d.row(y));
  }
  dest->touch();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::StretchRect(IDirect3DSurface9* source, const RECT* sourceRect,
                                      IDirect3DSurface9* dest, const RECT* destRect,
                                      D3DTEXTUREFILTERTYPE filter) {
  log("StretchRect", {address(source), address(dest), filter});
  if (!source || !dest || filter > D3DTEXF_LINEAR) return D3DERR_INVALIDCALL;
  // Both surfaces live in video memory; the destination is a render target or a plain surface.
  if (source->pool() != D3DPOOL_DEFAULT || dest->pool() != D3DPOOL_DEFAULT ||
      source->role() == SurfaceRole::DepthStencil || dest->role() == SurfaceRole::DepthStencil ||
      (!dest->isRenderTarget() && dest->role() != SurfaceRole::Plain)) {
    return D3DERR_INVALIDCALL;
  }
  const PixelStore& s = source->store();
  PixelStore& d = dest->store();
  if (!validRect(sourceRect, s.width, s.height, false) ||
      !validRect(destRect, d.width, d.height, false) || source->isLocked() || dest->isLocked()) {
    return D3DERR_INVALIDCALL;
  }
  const PixelRect sr = wholeOr(sourceRect, s), dr = wholeOr(destRect, d);
  if (source == dest && sr.left < dr.right && dr.left < sr.right && sr.top < dr.bottom &&
      dr.top < sr.bottom) {
    return D3DERR_INVALIDCALL;
  }
  if (!pixelCodec(s.format).decode || !pixelCodec(d.format).encode) return D3DERR_INVALIDCALL;
  stretchPixels(s, sr, d, dr, filter == D3DTEXF_LINEAR);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::ColorFill(IDirect3DSurface9* surface, const RECT* rect,
                                    D3DCOLOR colour) {
  log("ColorFill", {address(surface), colour});
  if (!surface || surface->pool() != D3DPOOL_DEFAULT || surface->isLocked() ||
      (!surface->isRenderTarget() && surface->role() != SurfaceRole::Plain)) {
    return D3DERR_INVALIDCALL;
  }
  PixelStore& s = surface->store();
  if (!validRect(rect, s.width, s.height, false) || !pixelCodec(s.format).encode) {
    return D3DERR_INVALIDCALL;
  }
  fillPixels(s, wholeOr(rect, s), colour);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::BeginScene() {
  log("BeginScene", {});
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::EndScene() {
  log("EndScene", {});
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::Clear(DWORD count, const RECT* rects, DWORD flags, D3DCOLOR colour,
                                float z, DWORD stencil) {
  log("Clear", {count, flags, colour, floatBits(z), stencil});
  if ((count == 0) != (rects == nullptr)) return D3DERR_INVALIDCALL;
  if (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) return D3DERR_INVALIDCALL;
  if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depthStencil_) {
    return D3DERR_INVALIDCALL;
  }
  if ((flags & D3DCLEAR_STENCIL) && !hasStencil(depthStencil_->store().format)) {
    return D3DERR_INVALIDCALL;
  }
  if (z < 0.0f || z > 1.0f) return D3DERR_INVALIDCALL;
  if (loss_ != Loss::None) return D3D_OK;  // a lost device accepts and ignores work
  // Clears are bounded by the viewport, and by each rectangle when some are given.
  const D3DVIEWPORT9& vp = state_.viewport;
  const PixelRect view{vp.X, vp.Y, vp.X + vp.Width, vp.Y + vp.Height};
  const DWORD n = count ? count : 1;
  for (DWORD i = 0; i < n; ++i) {
    PixelRect r = view;
    if (count) {
      r.left = std::max<int64_t>(r.left, rects[i].left);
      r.top = std::max<int64_t>(r.top, rects[i].top);
      r.right = uint32_t(std::clamp<int64_t>(rects[i].right, r.left, r.right));
      r.bottom = uint32_t(std::clamp<int64_t>(rects[i].bottom, r.top, r.bottom));
    }
    if (r.left >= r.right || r.top >= r.bottom) continue;
    if (flags & D3DCLEAR_TARGET) fillPixels(renderTarget_->store(), r, colour);
    if (flags & D3DCLEAR_ZBUFFER) {
      PixelStore& ds = depthStencil_->store();
      std::vector<float>& depth = depthStencil_->depth();
      for (uint32_t y = r.top; y < std::min(r.bottom, ds.height); ++y) {
        const uint32_t right = std::min(r.right, ds.width);
        if (r.left < right) {
          std::fill(depth.begin() + y * size_t(ds.width) + r.left,
                    depth.begin() + y * size_t(ds.width) + right, z);
        }
      }
    }
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetViewport(const D3DVIEWPORT9* vp) {
  if (!vp) return D3DERR_INVALIDCALL;
  log("SetViewport", {vp->X, vp->Y, vp->Width, vp->Height, floatBits(vp->MinZ),
                      floatBits(vp->MaxZ)});
  const PixelStore& rt = renderTarget_->store();
  if (vp->Width == 0 || vp->Height == 0 || uint64_t(vp->X) + vp->Width > rt.width ||
      uint64_t(vp->Y) + vp->Height > rt.height || !(vp->MinZ >= 0.0f) || !(vp->MaxZ <= 1.0f) ||
      vp->MinZ > vp->MaxZ) {
    return D3DERR_INVALIDCALL;
  }
  state_.viewport = *vp;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetViewport(D3DVIEWPORT9* vp) const {
  if (!vp) return D3DERR_INVALIDCALL;
  *vp = state_.viewport;
  return D3D_OK;
}

}  // namespace d3d9

#include "image/DImageHolder.h"
#include "image/file/DimgWriteBitmap.h"
#include "render/device/L3DDevice.h"

#include <algorithm>

using namespace d3d9;

IDirect3DSurface9* L3DDevice::_CreateDepthSurface(uint32_t width, uint32_t height) {
  const D3DPRESENT_PARAMETERS& params = GetPresentParameters();
  IDirect3DSurface9* surface = nullptr;
  if (FAILED(m_device->CreateDepthStencilSurface(width, height, params.AutoDepthStencilFormat,
                                                 params.MultiSampleType,
                                                 params.MultiSampleQuality, TRUE, &surface,
                                                 nullptr))) {
    return nullptr;
  }
  return surface;
}

void L3DDevice::_ReleaseSurfaces() {
  safeRelease(m_backBuffer);
  safeRelease(m_renderTarget);
  safeRelease(m_defaultDepth);
  m_currentDepth = nullptr;
  // The entries stay with their sizes: the surfaces are made again after a reset.
  for (auto it = m_depthSurfaces.Begin(); it != m_depthSurfaces.End();
       it = dbtl::DListBase::Next(it)) {
    safeRelease(static_cast<_L3DDEV_DEPTH_SURFACE*>(it->elementObject)->surface);
  }
}

bool L3DDevice::_ResetSurfaces() {
  _ReleaseSurfaces();
  if (FAILED(m_device->GetRenderTarget(0, &m_backBuffer))) return false;
  m_renderTarget = m_backBuffer;
  m_renderTarget->AddRef();
  D3DSURFACE_DESC desc{};
  m_backBuffer->GetDesc(&desc);
  m_targetWidth = desc.Width;
  m_targetHeight = desc.Height;
  if (FAILED(m_device->GetDepthStencilSurface(&m_defaultDepth))) return false;
  m_currentDepth = m_defaultDepth;
  for (auto it = m_depthSurfaces.Begin(); it != m_depthSurfaces.End();
       it = dbtl::DListBase::Next(it)) {
    auto* entry = static_cast<_L3DDEV_DEPTH_SURFACE*>(it->elementObject);
    entry->surface = _CreateDepthSurface(entry->width, entry->height);
    if (entry->surface == nullptr) return false;
  }
  return true;
}

void L3DDevice::_UnbindAll() {
  for (uint32_t stage = 0; stage < L3DDEV_SAMPLERS; ++stage) SetStateTexture(stage, nullptr);
  ApplyState();
  if (m_vshader != nullptr) SetVShader(m_softwareVP, nullptr);
  if (m_pshader != nullptr) SetPShader(nullptr);
  if (m_stream != nullptr) SetStreamSource(nullptr, 0);
  if (m_indices != nullptr) SetIndices(nullptr);
  m_device->EvictManagedResources();
}

void L3DDevice::ResetViewport() {
  const D3DVIEWPORT9 viewport{0, 0, std::max(m_targetWidth, 1u), std::max(m_targetHeight, 1u),
                              0.0f, 1.0f};
  m_device->SetViewport(&viewport);
}

void L3DDevice::SetViewport(uint32_t width, uint32_t height) {
  const D3DVIEWPORT9 viewport{0, 0, std::max(std::min(width, m_targetWidth), 1u),
                              std::max(std::min(height, m_targetHeight), 1u), 0.0f, 1.0f};
  m_device->SetViewport(&viewport);
}

bool L3DDevice::SetRenderTarget(bool withDepth, const dbtl::rcptr<L3DTexture>& texture) {
  IDirect3DSurface9* surface = nullptr;
  IDirect3DSurface9* depth = nullptr;
  if (m_device == nullptr || m_backBuffer == nullptr) return false;  // released, or lost
  if (!texture) {
    surface = m_backBuffer;
    surface->AddRef();
    depth = m_defaultDepth;
  } else {
    if (texture->type != L3DTEX_TYPE_RENDER || texture->texture == nullptr) return false;
    if (FAILED(texture->texture->GetSurfaceLevel(0, &surface))) return false;
    texture->contentsLost = false;
    if (withDepth) {
      _L3DDEV_DEPTH_SURFACE* found = nullptr;
      for (auto it = m_depthSurfaces.Begin(); it != m_depthSurfaces.End();
           it = dbtl::DListBase::Next(it)) {
        auto* entry = static_cast<_L3DDEV_DEPTH_SURFACE*>(it->elementObject);
        if (entry->width == texture->width && entry->height == texture->height) {
          found = entry;
          break;
        }
      }
      if (found == nullptr || found->surface == nullptr) {
        depth = _CreateDepthSurface(texture->width, texture->height);
        if (depth == nullptr) {
          surface->Release();
          return false;
        }
        dbtl::rcptr<_L3DDEV_DEPTH_SURFACE> entry;
        entry.Create(1);
        *entry = {depth, texture->width, texture->height};
        m_depthSurfaces.PushBack(entry);
      } else {
        depth = found->surface;
      }
    }
  }
  if (surface != m_renderTarget) {
    m_device->SetRenderTarget(0, surface);
    safeRelease(m_renderTarget);
    m_renderTarget = surface;
    surface = nullptr;
    D3DSURFACE_DESC desc{};
    m_renderTarget->GetDesc(&desc);
    m_targetWidth = desc.Width;
    m_targetHeight = desc.Height;
    ResetViewport();
  }
  safeRelease(surface);
  if (depth != m_currentDepth) {
    m_device->SetDepthStencilSurface(depth);
    m_currentDepth = depth;
  }
  return true;
}

bool L3DDevice::CaptureBackBuffer(dbtl::DFile& file) {
  IDirect3DSurface9* back = nullptr;
  IDirect3DSurface9* copy = nullptr;
  bool written = false;
  D3DSURFACE_DESC desc{};
  D3DLOCKED_RECT locked{};
  uint32_t kind = 0;
  if (m_device != nullptr && SUCCEEDED(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) &&
      SUCCEEDED(back->GetDesc(&desc)) &&
      SUCCEEDED(m_device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                      D3DPOOL_SYSTEMMEM, &copy, nullptr)) &&
      SUCCEEDED(m_device->GetRenderTargetData(back, copy)) &&
      SUCCEEDED(copy->LockRect(&locked, nullptr, 0))) {
    switch (desc.Format) {
      case D3DFMT_R8G8B8: kind = 3; break;
      case D3DFMT_A8R8G8B8: case D3DFMT_X8R8G8B8: kind = 2; break;
      case D3DFMT_R5G6B5: kind = 6; break;
      case D3DFMT_X1R5G5B5: case D3DFMT_A1R5G5B5: kind = 4; break;
      case D3DFMT_A4R4G4B4: kind = 5; break;
      case D3DFMT_A8B8G8R8: case D3DFMT_X8B8G8R8: kind = 0; break;
      default: kind = 8; break;  // no image kind: nothing is written
    }
    dbtl::DImageHolder image;
    if (kind < 8 &&
        image.Attach(dbtl::rcptr<uint8_t>::Borrow(static_cast<uint8_t*>(locked.pBits)),
                     desc.Width, desc.Height, uint32_t(locked.Pitch), kind)) {
      written = DimgWriteBitmap(file, image);
    }
    copy->UnlockRect();
  }
  safeRelease(copy);
  safeRelease(back);
  return written;
}

void L3DDevice::WaitVBlank() {
  if (m_device == nullptr || !(m_caps.Caps & D3DCAPS_READ_SCANLINE)) return;
  D3DRASTER_STATUS status{};
  // The current blank ends, then the next one begins.
  while (SUCCEEDED(m_device->GetRasterStatus(0, &status)) && status.InVBlank) {
  }
  while (SUCCEEDED(m_device->GetRasterStatus(0, &status)) && !status.InVBlank) {
  }
}

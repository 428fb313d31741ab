#include "platform/d3d9/Device.h"

#include "platform/d3d9/Format.h"
#include "platform/d3d9/raster/Pipeline.h"
#include "platform/window/Window.h"

namespace d3d9 {

IDirect3DDevice9* IDirect3DDevice9::create(IDirect3D9* owner, const AdapterProfile& adapter,
                                           const D3DDEVICE_CREATION_PARAMETERS& creation,
                                           const D3DPRESENT_PARAMETERS& params,
                                           uint32_t padding) {
  auto* device = new IDirect3DDevice9(owner, adapter, creation, padding);
  if (!device->makeSwapChain(params)) {
    device->Release();
    return nullptr;
  }
  device->resetStates();
  return device;
}

IDirect3DDevice9::IDirect3DDevice9(IDirect3D9* owner, const AdapterProfile& adapter,
                                   const D3DDEVICE_CREATION_PARAMETERS& creation,
                                   uint32_t padding)
    : owner_(owner), adapter_(adapter), creation_(creation),
      link_(std::make_shared<DeviceLink>()), rasterEpoch_(std::chrono::steady_clock::now()),
      pipeline_(std::make_unique<Pipeline>()) {
  owner_->AddRef();
  link_->device = this;
  link_->pitchPadding = padding;
  adapter_.caps.AdapterOrdinal = creation.AdapterOrdinal;
}

IDirect3DDevice9::~IDirect3DDevice9() {
  unbindAll();
  safeRelease(renderTarget_);
  safeRelease(depthStencil_);
  releaseSwapChain();
  link_->device = nullptr;
  owner_->Release();
}

bool IDirect3DDevice9::makeSwapChain(const D3DPRESENT_PARAMETERS& pp) {
  params_ = pp;
  if (params_.BackBufferCount == 0) params_.BackBufferCount = 1;
  auto colour = PixelStore::make(pp.BackBufferFormat, pp.BackBufferWidth, pp.BackBufferHeight,
                                 link_->pitchPadding);
  auto front = PixelStore::make(D3DFMT_A8R8G8B8, pp.BackBufferWidth, pp.BackBufferHeight, 0);
  if (!colour || !front) return false;
  // The implicit surfaces do not count as default-pool resources: the device owns them, and a
  // reset checks their reference counts instead.
  backBuffer_ = IDirect3DSurface9::create(
      link_, SurfaceRole::RenderTarget, std::move(*colour), D3DPOOL_DEFAULT,
      D3DUSAGE_RENDERTARGET, (pp.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0,
      pp.MultiSampleType, pp.MultiSampleQuality, nullptr, false);
  front_ = std::move(*front);
  front_.version = 0;
  if (pp.EnableAutoDepthStencil) {
    auto depth = PixelStore::make(pp.AutoDepthStencilFormat, pp.BackBufferWidth,
                                  pp.BackBufferHeight, 0);
    if (!depth) return false;
    autoDepth_ = IDirect3DSurface9::create(
        link_, SurfaceRole::DepthStencil, std::move(*depth), D3DPOOL_DEFAULT,
        D3DUSAGE_DEPTHSTENCIL, false,
        pp.MultiSampleType, pp.MultiSampleQuality, nullptr, false);
  }
  renderTarget_ = backBuffer_;
  renderTarget_->AddRef();
  depthStencil_ = autoDepth_;
  if (depthStencil_) depthStencil_->AddRef();
  return true;
}

void IDirect3DDevice9::releaseSwapChain() {
  safeRelease(backBuffer_);
  safeRelease(autoDepth_);
}

void IDirect3DDevice9::resetStates() {
  resetStateValues(state_, autoDepth_ != nullptr);
  state_.softwareVertexProcessing =
      (creation_.BehaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0;
  fullViewport();
}

void IDirect3DDevice9::fullViewport() {
  const PixelStore& s = renderTarget_->store();
  state_.viewport = {0, 0, s.width, s.height, 0.0f, 1.0f};
}

// Drops every binding the device holds and returns to the implicit surfaces.
void IDirect3DDevice9::unbindAll() {
  for (auto*& t : state_.textures) safeRelease(t);
  safeRelease(state_.stream);
  safeRelease(state_.indices);
  safeRelease(state_.vertexShader);
  safeRelease(state_.pixelShader);
  if (backBuffer_ && renderTarget_ != backBuffer_) {
    safeRelease(renderTarget_);
    renderTarget_ = backBuffer_;
    renderTarget_->AddRef();
  }
  if (depthStencil_ != autoDepth_) {
    safeRelease(depthStencil_);
    depthStencil_ = autoDepth_;
    if (depthStencil_) depthStencil_->AddRef();
  }
}

bool IDirect3DDevice9::implicitSurfacesHeld() const {
  const uint32_t backRefs = 1 + (renderTarget_ == backBuffer_ ? 1 : 0);
  if (backBuffer_ && backBuffer_->refCount() > backRefs) return true;
  const uint32_t depthRefs = 1 + (depthStencil_ == autoDepth_ ? 1 : 0);
  return autoDepth_ && autoDepth_->refCount() > depthRefs;
}

HRESULT IDirect3DDevice9::lostOrNot() const {
  return loss_ == Loss::None ? D3D_OK : D3DERR_DEVICELOST;
}

void IDirect3DDevice9::simulateLoss(uint32_t lostTests) {
  loss_ = lostTests ? Loss::Lost : Loss::NotReset;
  lostTestsLeft_ = lostTests;
}

HRESULT IDirect3DDevice9::TestCooperativeLevel() {
  if (loss_ == Loss::Lost) {
    if (lostTestsLeft_ > 0) {
      --lostTestsLeft_;
      return D3DERR_DEVICELOST;
    }
    loss_ = Loss::NotReset;
  }
  return loss_ == Loss::NotReset ? D3DERR_DEVICENOTRESET : D3D_OK;
}

HRESULT IDirect3DDevice9::Reset(D3DPRESENT_PARAMETERS* params) {
  log("Reset", {});
  if (!params) return D3DERR_INVALIDCALL;
  if (loss_ == Loss::Lost) return D3DERR_DEVICELOST;
  unbindAll();
  D3DPRESENT_PARAMETERS pp = *params;
  // Everything of the default pool must be gone: only the caller can release it, so a reset
  // that would leave such objects without storage is refused and leaves the device not reset.
  if (link_->liveDefaultPool > 0 || implicitSurfacesHeld() ||
      FAILED(owner_->validatePresentation(creation_.AdapterOrdinal, pp))) {
    loss_ = Loss::NotReset;
    return D3DERR_INVALIDCALL;
  }
  safeRelease(renderTarget_);
  safeRelease(depthStencil_);
  releaseSwapChain();
  if (!makeSwapChain(pp)) {
    loss_ = Loss::NotReset;
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *params = pp;
  resetStates();
  inScene_ = false;
  loss_ = Loss::None;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::Present(const RECT* source, const RECT* dest, HWND window,
                                   const void* dirty) {
  log("Present", {});
  if (source || dest || dirty) return D3DERR_INVALIDCALL;
  if (loss_ != Loss::None) return D3DERR_DEVICELOST;
  const PixelStore& back = backBuffer_->store();
  const PixelCodec codec = pixelCodec(back.format);
  for (uint32_t y = 0; y < back.height; ++y) {
    codec.decode(back.row(y), back.width, reinterpret_cast<uint32_t*>(front_.row(y)));
  }
  ++front_.version;
  ++presentCount_;
  // The frame appears in the window it is presented to: the one named here, else the device
  // window, else the focus window (a handle that names no window of the window layer is ignored).
  HWND target = window ? window : params_.hDeviceWindow ? params_.hDeviceWindow
                                                        : creation_.hFocusWindow;
  platform::window::presentToWindow(
      target, {front_.bytes.data(), front_.width, front_.height, front_.pitch});
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* status) {
  if (swapChain != 0 || !status || !(adapter_.caps.Caps & D3DCAPS_READ_SCANLINE)) {
    return D3DERR_INVALIDCALL;
  }
  // The beam runs from the first line to the last in one refresh period, then spends a few
  // lines' time in the vertical blank, following the real clock.
  const uint64_t refresh = params_.Windowed || params_.FullScreen_RefreshRateInHz == 0
                               ? adapter_.desktop.RefreshRate
                               : params_.FullScreen_RefreshRateInHz;
  const uint64_t visible = params_.BackBufferHeight;
  const uint64_t total = visible + visible / 20 + 1;
  const uint64_t periodNs = 1000000000ull / (refresh ? refresh : 60);
  const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::steady_clock::now() - rasterEpoch_).count();
  const uint64_t line = uint64_t(elapsed) % periodNs * total / periodNs;
  status->InVBlank = line >= visible;
  status->ScanLine = status->InVBlank ? 0 : UINT(line);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetDeviceCaps(D3DCAPS9* caps) const {
  if (!caps) return D3DERR_INVALIDCALL;
  *caps = adapter_.caps;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* params) const {
  if (!params) return D3DERR_INVALIDCALL;
  *params = creation_;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetDirect3D(IDirect3D9** d3d) {
  if (!d3d) return D3DERR_INVALIDCALL;
  *d3d = owner_;
  owner_->AddRef();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::EvictManagedResources() {
  // Managed resources keep their system-memory copy, which is all the stand-in has.
  log("EvictManagedResources", {});
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetSoftwareVertexProcessing(BOOL software) {
  log("SetSoftwareVertexProcessing", {uint64_t(software)});
  const DWORD flags = creation_.BehaviorFlags;
  if (software ? !(flags & (D3DCREATE_MIXED_VERTEXPROCESSING |
                            D3DCREATE_SOFTWARE_VERTEXPROCESSING))
               : (flags & D3DCREATE_SOFTWARE_VERTEXPROCESSING)) {
    return D3DERR_INVALIDCALL;
  }
  state_.softwareVertexProcessing = software != 0;
  return D3D_OK;
}

}  // namespace d3d9

#include "platform/d3d9/Direct3D9.h"

#include "platform/d3d9/Device.h"
#include "platform/d3d9/Format.h"

#include <cstdio>
#include <cstdlib>

namespace d3d9 {
namespace {

bool hasPair(const std::vector<FormatPair>& pairs, D3DFORMAT display, D3DFORMAT back) {
  for (const auto& p : pairs) {
    if (p.display == display && p.back == back) return true;
  }
  return false;
}

bool isDisplayFormat(const AdapterProfile& a, D3DFORMAT f) {
  if (f == a.desktop.Format) return true;
  for (const auto& p : a.fullscreenPairs) {
    if (p.display == f) return true;
  }
  return false;
}

// Usages that never decide whether a format is taken.
constexpr DWORD kNeutralUsages =
    D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING;

}  // namespace

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  auto profile = currentProfile();
  if (!profile) {
    std::fprintf(stderr, "d3d9: D3D9_PROFILE names no known profile\n");
    return nullptr;
  }
  return createDirect3D(std::move(*profile));
}

IDirect3D9* createDirect3D(SystemProfile profile) {
  if (!profile.direct3dAvailable) return nullptr;
  return new IDirect3D9(std::move(profile));
}

const AdapterProfile* IDirect3D9::adapterAt(UINT adapter, D3DDEVTYPE type) const {
  if (adapter >= profile_.adapters.size() || type != D3DDEVTYPE_HAL) return nullptr;
  return &profile_.adapters[adapter];
}

HRESULT IDirect3D9::GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER9* id) const {
  const AdapterProfile* a = adapterAt(adapter, D3DDEVTYPE_HAL);
  if (!a || !id) return D3DERR_INVALIDCALL;
  *id = a->identifier;
  return D3D_OK;
}

UINT IDirect3D9::GetAdapterModeCount(UINT adapter, D3DFORMAT format) const {
  const AdapterProfile* a = adapterAt(adapter, D3DDEVTYPE_HAL);
  if (!a) return 0;
  UINT n = 0;
  for (const auto& m : a->modes) n += m.Format == format;
  return n;
}

HRESULT IDirect3D9::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                     D3DDISPLAYMODE* out) const {
  const AdapterProfile* a = adapterAt(adapter, D3DDEVTYPE_HAL);
  if (!a || !out) return D3DERR_INVALIDCALL;
  for (const auto& m : a->modes) {
    if (m.Format != format) continue;
    if (mode-- == 0) {
      *out = m;
      return D3D_OK;
    }
  }
  return D3DERR_INVALIDCALL;
}

HRESULT IDirect3D9::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) const {
  const AdapterProfile* a = adapterAt(adapter, D3DDEVTYPE_HAL);
  if (!a || !mode) return D3DERR_INVALIDCALL;
  *mode = a->desktop;
  return D3D_OK;
}

HRESULT IDirect3D9::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT display,
                                    D3DFORMAT back, BOOL windowed) const {
  const AdapterProfile* a = adapterAt(adapter, type);
  if (!a) return D3DERR_INVALIDCALL;
  if (windowed) {
    // A window shows on the desktop as it is: only the desktop's format can be the display.
    if (display != a->desktop.Format) return D3DERR_NOTAVAILABLE;
    return hasPair(a->windowedPairs, display, back) ? D3D_OK : D3DERR_NOTAVAILABLE;
  }
  return hasPair(a->fullscreenPairs, display, back) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT IDirect3D9::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                      DWORD usage, D3DRESOURCETYPE resource,
                                      D3DFORMAT format) const {
  const AdapterProfile* a = adapterAt(adapter, type);
  if (!a) return D3DERR_INVALIDCALL;
  if (!isDisplayFormat(*a, adapterFormat)) return D3DERR_NOTAVAILABLE;
  for (const auto& s : a->formats) {
    if (s.format == format && s.type == resource &&
        (usage & ~(s.usages | kNeutralUsages)) == 0) {
      return D3D_OK;
    }
  }
  return D3DERR_NOTAVAILABLE;
}

HRESULT IDirect3D9::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format,
                                               BOOL, D3DMULTISAMPLE_TYPE samples,
                                               DWORD* qualityLevels) const {
  const AdapterProfile* a = adapterAt(adapter, type);
  if (!a || samples > 16) return D3DERR_INVALIDCALL;
  if (!formatInfo(format)) return D3DERR_NOTAVAILABLE;
  if (samples == D3DMULTISAMPLE_NONE) {
    if (qualityLevels) *qualityLevels = 1;
    return D3D_OK;
  }
  const bool ok = samples == D3DMULTISAMPLE_NONMASKABLE ? a->maxSamples > 1
                                                        : uint32_t(samples) <= a->maxSamples;
  if (!ok) return D3DERR_NOTAVAILABLE;
  if (qualityLevels) *qualityLevels = a->sampleQualityLevels;
  return D3D_OK;
}

HRESULT IDirect3D9::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type,
                                           D3DFORMAT adapterFormat, D3DFORMAT renderTarget,
                                           D3DFORMAT depthStencil) const {
  if (FAILED(CheckDeviceFormat(adapter, type, adapterFormat, D3DUSAGE_DEPTHSTENCIL,
                               D3DRTYPE_SURFACE, depthStencil))) {
    return D3DERR_NOTAVAILABLE;
  }
  const FormatInfo* rt = formatInfo(renderTarget);
  return rt && !rt->depth && !rt->blockBytes ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT IDirect3D9::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) const {
  const AdapterProfile* a = adapterAt(adapter, type);
  if (!a || !caps) return D3DERR_INVALIDCALL;
  *caps = a->caps;
  return D3D_OK;
}

HRESULT IDirect3D9::validatePresentation(UINT adapter, D3DPRESENT_PARAMETERS& pp) const {
  const AdapterProfile* a = adapterAt(adapter, D3DDEVTYPE_HAL);
  if (!a) return D3DERR_INVALIDCALL;
  if (pp.BackBufferCount > 3 || pp.SwapEffect < D3DSWAPEFFECT_DISCARD ||
      pp.SwapEffect > D3DSWAPEFFECT_COPY) {
    return D3DERR_INVALIDCALL;
  }
  if (pp.BackBufferWidth == 0 || pp.BackBufferHeight == 0) return D3DERR_INVALIDCALL;
  D3DFORMAT display = a->desktop.Format;
  if (pp.Windowed) {
    if (pp.BackBufferFormat == D3DFMT_UNKNOWN) pp.BackBufferFormat = a->desktop.Format;
    if (FAILED(CheckDeviceType(adapter, D3DDEVTYPE_HAL, display, pp.BackBufferFormat, TRUE))) {
      return D3DERR_NOTAVAILABLE;
    }
  } else {
    bool found = false;
    for (const auto& m : a->modes) {
      if (m.Width == pp.BackBufferWidth && m.Height == pp.BackBufferHeight &&
          (pp.FullScreen_RefreshRateInHz == 0 || m.RefreshRate == pp.FullScreen_RefreshRateInHz) &&
          hasPair(a->fullscreenPairs, m.Format, pp.BackBufferFormat)) {
        display = m.Format;
        found = true;
        break;
      }
    }
    if (!found) return D3DERR_NOTAVAILABLE;
  }
  if (pp.MultiSampleType != D3DMULTISAMPLE_NONE) {
    DWORD levels = 0;
    if (pp.SwapEffect != D3DSWAPEFFECT_DISCARD ||
        FAILED(CheckDeviceMultiSampleType(adapter, D3DDEVTYPE_HAL, pp.BackBufferFormat,
                                          pp.Windowed, pp.MultiSampleType, &levels)) ||
        pp.MultiSampleQuality >= levels) {
      return D3DERR_INVALIDCALL;
    }
  }
  if (pp.EnableAutoDepthStencil &&
      FAILED(CheckDepthStencilMatch(adapter, D3DDEVTYPE_HAL, display, pp.BackBufferFormat,
                                    pp.AutoDepthStencilFormat))) {
    return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}

HRESULT IDirect3D9::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior,
                                 D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) {
  const AdapterProfile* a = adapterAt(adapter, type);
  if (!a || !params || !device) return D3DERR_INVALIDCALL;
  *device = nullptr;
  const DWORD processing = behavior & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                       D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                       D3DCREATE_MIXED_VERTEXPROCESSING);
  if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
      processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
      processing != D3DCREATE_MIXED_VERTEXPROCESSING) {
    return D3DERR_INVALIDCALL;
  }
  if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
      (!(a->caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) || a->refuseMixedVertexProcessing)) {
    return D3DERR_NOTAVAILABLE;
  }
  D3DPRESENT_PARAMETERS pp = *params;
  if (const HRESULT hr = validatePresentation(adapter, pp); FAILED(hr)) return hr;
  if ((pp.Windowed && a->refuseWindowedDevice) || (!pp.Windowed && a->refuseFullscreenDevice)) {
    return D3DERR_NOTAVAILABLE;
  }
  *params = pp;
  D3DDEVICE_CREATION_PARAMETERS creation{adapter, type, focus, behavior};
  *device = IDirect3DDevice9::create(this, *a, creation, pp, profile_.pitchPadding);
  return *device ? D3D_OK : D3DERR_OUTOFVIDEOMEMORY;
}

}  // namespace d3d9

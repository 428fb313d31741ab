#pragma once

// The global object of the device stand-in: enumerates the adapters of the current profile,
// answers the format, mode and multisample questions and creates devices.

#include "platform/d3d9/Profile.h"
#include "platform/d3d9/Unknown.h"

namespace d3d9 {

class IDirect3DDevice9;

class IDirect3D9 : public IUnknown {
 public:
  explicit IDirect3D9(SystemProfile profile) : profile_(std::move(profile)) {}

  UINT GetAdapterCount() const { return UINT(profile_.adapters.size()); }
  HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* id) const;
  UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) const;
  HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                           D3DDISPLAYMODE* out) const;
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) const;
  HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT display, D3DFORMAT back,
                          BOOL windowed) const;
  HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                            D3DRESOURCETYPE resource, D3DFORMAT format) const;
  HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format,
                                     BOOL windowed, D3DMULTISAMPLE_TYPE samples,
                                     DWORD* qualityLevels) const;
  HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                 D3DFORMAT renderTarget, D3DFORMAT depthStencil) const;
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) const;
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior,
                       D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device);

  const SystemProfile& profile() const { return profile_; }
  // Checks presentation parameters for CreateDevice and Reset; fills a windowed back buffer
  // of unknown format with the desktop format, as the interface does.
  HRESULT validatePresentation(UINT adapter, D3DPRESENT_PARAMETERS& params) const;

 private:
  const AdapterProfile* adapterAt(UINT adapter, D3DDEVTYPE type) const;

  SystemProfile profile_;
};

// The global creation call: null when the SDK version is not the expected one, when the current
// profile says the machine has no Direct3D, or when D3D9_PROFILE names no profile.
IDirect3D9* Direct3DCreate9(UINT sdkVersion);

// The same over a profile built in code (tests).
IDirect3D9* createDirect3D(SystemProfile profile);

}  // namespace d3d9

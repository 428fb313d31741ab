#include "platform/d3d9/WindowedDevice.h"

namespace d3d9 {

D3DPRESENT_PARAMETERS windowedParameters(UINT width, UINT height, bool depth) {
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = width;
  pp.BackBufferHeight = height;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = depth;
  pp.AutoDepthStencilFormat = D3DFMT_D24X8;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  return pp;
}

IDirect3DDevice9* createWindowedDevice(const SystemProfile& profile, UINT width, UINT height,
                                       DWORD behaviour) {
  IDirect3D9* d3d = createDirect3D(profile);
  if (!d3d) return nullptr;
  D3DPRESENT_PARAMETERS pp = windowedParameters(width, height);
  IDirect3DDevice9* device = nullptr;
  d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, behaviour, &pp, &device);
  d3d->Release();  // the device keeps its own reference
  return device;
}

}  // namespace d3d9

#pragma once

// A small fixture for the device tests: a windowed device of the given size on a profile.

#include "platform/d3d9/WindowedDevice.h"

#include <gtest/gtest.h>

#include <string>

namespace d3d9::testing {

struct DeviceDeleter {
  void operator()(IUnknown* p) const {
    if (p) p->Release();
  }
};

template <class T>
using Ref = std::unique_ptr<T, DeviceDeleter>;

inline D3DPRESENT_PARAMETERS windowedParams(uint32_t width, uint32_t height,
                                            bool depth = true) {
  return windowedParameters(width, height, depth);
}

struct TestDevice {
  Ref<IDirect3D9> d3d;
  Ref<IDirect3DDevice9> device;
};

inline TestDevice makeDevice(const std::string& spec, uint32_t width = 64, uint32_t height = 64,
                             DWORD behaviour = D3DCREATE_SOFTWARE_VERTEXPROCESSING) {
  auto profile = profileBySpec(spec);
  EXPECT_TRUE(profile.has_value()) << spec;
  TestDevice t;
  t.d3d.reset(createDirect3D(*profile));
  D3DPRESENT_PARAMETERS pp = windowedParams(width, height);
  IDirect3DDevice9* device = nullptr;
  EXPECT_EQ(t.d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, behaviour, &pp, &device), D3D_OK);
  t.device.reset(device);
  return t;
}

// A render-target texture in A8R8G8B8, one level.
inline Ref<IDirect3DTexture9> makeRenderTexture(IDirect3DDevice9* d, uint32_t width,
                                                uint32_t height) {
  IDirect3DTexture9* rt = nullptr;
  EXPECT_EQ(d->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                             D3DPOOL_DEFAULT, &rt, nullptr), D3D_OK);
  return Ref<IDirect3DTexture9>(rt);
}

// Level 0 of a texture as a surface, with its own reference.
inline Ref<IDirect3DSurface9> levelZero(IDirect3DTexture9* texture) {
  IDirect3DSurface9* level = nullptr;
  EXPECT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
  return Ref<IDirect3DSurface9>(level);
}

inline uint32_t pixelAt(const PixelStore& s, uint32_t x, uint32_t y) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | s.row(y)[x * 4 + i];
  return v;
}

}  // namespace d3d9::testing

#include "platform/d3d9/Direct3D9.h"
#include "platform/d3d9/tests/D3dTestDevice.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace d3d9 {
namespace {

using testing::Ref;

// What the set-up code asks of each profile, side by side with the answer it must get.
struct ProfileCase {
  const char* spec;
  UINT adapters;
  D3DFORMAT desktop;
  bool dxt;
  DWORD textureCapsSet;
  DWORD vertexShader;
  DWORD pixelShader;
  bool fourSamples;
  bool mixedProcessing;
};

TEST(D3dProfile, EachProfileAnswersItsRoad) {
  const ProfileCase cases[] = {
      {"default", 1, D3DFMT_X8R8G8B8, true, D3DPTEXTURECAPS_MIPMAP, D3DVS_VERSION(2, 0),
       D3DPS_VERSION(2, 0), false, true},
      {"desktop16", 1, D3DFMT_R5G6B5, true, 0, D3DVS_VERSION(2, 0), D3DPS_VERSION(2, 0), false,
       true},
      {"pow2", 1, D3DFMT_X8R8G8B8, true, D3DPTEXTURECAPS_POW2, D3DVS_VERSION(2, 0),
       D3DPS_VERSION(2, 0), false, true},
      {"pow2square", 1, D3DFMT_X8R8G8B8, true,
       D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY, D3DVS_VERSION(2, 0),
       D3DPS_VERSION(2, 0), false, true},
      {"novs", 1, D3DFMT_X8R8G8B8, true, 0, 0, D3DPS_VERSION(2, 0), false, false},
      {"ps11", 1, D3DFMT_X8R8G8B8, true, 0, D3DVS_VERSION(1, 1), D3DPS_VERSION(1, 1), false,
       true},
      {"msaa", 1, D3DFMT_X8R8G8B8, true, 0, D3DVS_VERSION(2, 0), D3DPS_VERSION(2, 0), true,
       true},
      {"twoadapters", 2, D3DFMT_X8R8G8B8, true, 0, D3DVS_VERSION(2, 0), D3DPS_VERSION(2, 0),
       false, true},
      {"nodxt", 1, D3DFMT_X8R8G8B8, false, 0, D3DVS_VERSION(2, 0), D3DPS_VERSION(2, 0), false,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.spec);
    Ref<IDirect3D9> d3d(createDirect3D(*profileBySpec(c.spec)));
    ASSERT_TRUE(d3d);
    EXPECT_EQ(d3d->GetAdapterCount(), c.adapters);
    const UINT last = c.adapters - 1;
    D3DDISPLAYMODE desktop{};
    ASSERT_EQ(d3d->GetAdapterDisplayMode(last, &desktop), D3D_OK);
    EXPECT_EQ(desktop.Format, c.desktop);
    EXPECT_EQ(d3d->CheckDeviceType(last, D3DDEVTYPE_HAL, c.desktop, c.desktop, TRUE), D3D_OK);
    const HRESULT dxt = d3d->CheckDeviceFormat(last, D3DDEVTYPE_HAL, c.desktop, 0,
                                               D3DRTYPE_TEXTURE, D3DFMT_DXT1);
    EXPECT_EQ(SUCCEEDED(dxt), c.dxt);
    D3DCAPS9 caps{};
    ASSERT_EQ(d3d->GetDeviceCaps(last, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.AdapterOrdinal, last);
    EXPECT_EQ(caps.TextureCaps & c.textureCapsSet, c.textureCapsSet);
    EXPECT_EQ(caps.VertexShaderVersion, c.vertexShader);
    EXPECT_EQ(caps.PixelShaderVersion, c.pixelShader);
    DWORD quality = 0;
    const HRESULT ms = d3d->CheckDeviceMultiSampleType(
        last, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_TYPE(4), &quality);
    EXPECT_EQ(SUCCEEDED(ms), c.fourSamples);
    D3DPRESENT_PARAMETERS pp = testing::windowedParams(32, 32, false);
    pp.BackBufferFormat = c.desktop;
    IDirect3DDevice9* device = nullptr;
    const HRESULT created = d3d->CreateDevice(last, D3DDEVTYPE_HAL, nullptr,
                                              D3DCREATE_MIXED_VERTEXPROCESSING, &pp, &device);
    EXPECT_EQ(SUCCEEDED(created), c.mixedProcessing);
    if (device) device->Release();
  }
}

TEST(D3dProfile, TwoAdaptersOneLacksTheTextureSize) {
  Ref<IDirect3D9> d3d(createDirect3D(*profileBySpec("twoadapters")));
  D3DCAPS9 first{}, second{};
  d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &first);
  d3d->GetDeviceCaps(1, D3DDEVTYPE_HAL, &second);
  EXPECT_LT(first.MaxTextureWidth, 1024u);
  EXPECT_GE(second.MaxTextureWidth, 1024u);
  D3DADAPTER_IDENTIFIER9 a{}, b{};
  d3d->GetAdapterIdentifier(0, 0, &a);
  d3d->GetAdapterIdentifier(1, 0, &b);
  EXPECT_NE(a.DeviceIdentifier.Data1, b.DeviceIdentifier.Data1);
  EXPECT_EQ(d3d->GetDeviceCaps(2, D3DDEVTYPE_HAL, &first), D3DERR_INVALIDCALL);
}

TEST(D3dProfile, ModesAreListedPerFormatAndMatchedExactly) {
  Ref<IDirect3D9> d3d(createDirect3D(*profileBySpec("default")));
  const UINT count = d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
  ASSERT_GT(count, 0u);
  EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_A2R10G10B10), 0u);
  D3DDISPLAYMODE mode{};
  for (UINT i = 0; i < count; ++i) {
    ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, i, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
  }
  EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, count, &mode), D3DERR_INVALIDCALL);
  // A full-screen device needs a listed mode of exactly its size.
  D3DPRESENT_PARAMETERS pp = testing::windowedParams(1024, 768);
  pp.Windowed = FALSE;
  IDirect3DDevice9* device = nullptr;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                              &pp, &device), D3D_OK);
  device->Release();
  pp.BackBufferWidth = 1000;
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                              &pp, &device), D3DERR_NOTAVAILABLE);
}

TEST(D3dProfile, FormatChecksFollowUsageAndDepthMatch) {
  Ref<IDirect3D9> d3d(createDirect3D(*profileBySpec("default")));
  const D3DFORMAT desk = D3DFMT_X8R8G8B8;
  EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, desk, D3DUSAGE_RENDERTARGET,
                                   D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8), D3D_OK);
  EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, desk, D3DUSAGE_RENDERTARGET,
                                   D3DRTYPE_TEXTURE, D3DFMT_A4R4G4B4), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, desk, 0, D3DRTYPE_TEXTURE,
                                   D3DFMT_R8G8B8), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, desk, D3DUSAGE_DEPTHSTENCIL,
                                   D3DRTYPE_SURFACE, D3DFMT_D24X8), D3D_OK);
  EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, desk, D3DUSAGE_DEPTHSTENCIL,
                                   D3DRTYPE_SURFACE, D3DFMT_D32), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, desk, D3DFMT_X8R8G8B8, D3DFMT_D24S8),
            D3D_OK);
  EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, desk, D3DFMT_X8R8G8B8, D3DFMT_D32),
            D3DERR_NOTAVAILABLE);
  // Only the desktop's format can be a windowed display format.
  EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DFMT_R5G6B5, TRUE),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DFMT_R5G6B5, FALSE),
            D3D_OK);
  EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_REF, desk, desk, TRUE), D3DERR_INVALIDCALL);
}

TEST(D3dProfile, SelectionBySpecAndEnvironment) {
  EXPECT_FALSE(profileBySpec("nosuch"));
  EXPECT_FALSE(profileBySpec("default,pad=x"));
  EXPECT_FALSE(profileBySpec("default,colour=1"));
  EXPECT_EQ(profileBySpec("default,pad=6")->pitchPadding, 8u);
  for (const auto& name : profileNames()) EXPECT_TRUE(profileBySpec(name)) << name;

  ASSERT_EQ(::setenv("D3D9_PROFILE", "none", 1), 0);
  EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
  ASSERT_TRUE(selectProfile("twoadapters"));
  Ref<IDirect3D9> chosen(Direct3DCreate9(D3D_SDK_VERSION));
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->GetAdapterCount(), 2u);
  EXPECT_FALSE(selectProfile("bogus"));
  EXPECT_EQ(currentProfile()->name, "twoadapters");
  ASSERT_TRUE(selectProfile(""));
  ASSERT_EQ(::setenv("D3D9_PROFILE", "bogus", 1), 0);
  EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
  ASSERT_EQ(::unsetenv("D3D9_PROFILE"), 0);
  Ref<IDirect3D9> fallback(Direct3DCreate9(D3D_SDK_VERSION));
  ASSERT_TRUE(fallback);
  EXPECT_EQ(fallback->profile().name, "default");
  EXPECT_EQ(Direct3DCreate9(31), nullptr);
}

}  // namespace
}  // namespace d3d9

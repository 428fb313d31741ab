#include "platform/d3d9/D3d9States.h"
#include "render/device/L3DDevice.h"
#include "testsupport/render/DeviceFixture.h"

#include <algorithm>
#include <chrono>

using namespace d3d9;

namespace {

D3DSURFACE_DESC BackBufferDesc(IDirect3DDevice9& device) {
  IDirect3DSurface9* back = nullptr;
  D3DSURFACE_DESC desc{};
  device.GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  back->GetDesc(&desc);
  back->Release();
  return desc;
}

// A desktop that the full-screen modes do not share: the window cannot be used.
void NoWindow(SystemProfile& p) { p.adapters[0].desktop.Format = D3DFMT_A2R10G10B10; }

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

}  // namespace

TEST_F(DeviceTest, AResizedWindowResetsWithTheNewClientSize) {
  struct Case {
    uint32_t width, height, backWidth, backHeight;
  };
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  for (const Case& c : {Case{400, 300, 400, 300}, Case{0, 0, 1, 1}, Case{320, 240, 320, 240}}) {
    SetClientSize(c.width, c.height);
    ASSERT_TRUE(device.Reset(true));
    EXPECT_EQ(BackBufferDesc(D3d()).Width, c.backWidth);
    EXPECT_EQ(BackBufferDesc(D3d()).Height, c.backHeight);
    EXPECT_EQ(device.GetPresentParameters().BackBufferWidth, c.backWidth);
    EXPECT_EQ(device.GetRenderTargetWidth(), c.backWidth);
  }
  // An unchanged window and a good device reset nothing.
  D3d().callLog().setEnabled(true);
  EXPECT_TRUE(device.Reset(true));
  EXPECT_EQ(D3d().callLog().count("Reset"), 0u);
}

TEST_F(DeviceTest, ModeSwitchesFollowTheWantedModeAndRecomputeVsync) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  EXPECT_FALSE(device.GetFlags() & L3DDEV_FLAG_VSYNC_ACTIVE);
  ASSERT_TRUE(device.Reset(false));
  EXPECT_FALSE(device.IsWindowed());
  EXPECT_EQ(BackBufferDesc(D3d()).Width, 640u);
  EXPECT_TRUE(device.GetFlags() & L3DDEV_FLAG_VSYNC_ACTIVE);
  ASSERT_TRUE(device.ResetCurrentMode());
  ASSERT_TRUE(device.Reset(true));
  EXPECT_TRUE(device.IsWindowed());
  EXPECT_FALSE(device.GetFlags() & L3DDEV_FLAG_VSYNC_ACTIVE);
}

TEST_F(DeviceTest, TheWindowWantedWithoutAWindowModeResetsIntoFullScreen) {
  L3DDevice& device = Open(Profile("default", NoWindow), 0);
  D3d().simulateLoss(0);
  ASSERT_TRUE(device.Reset(true));
  EXPECT_FALSE(device.IsWindowed());
  EXPECT_FALSE(device.IsLost());
}

TEST_F(DeviceTest, ALostDeviceIsResetOnceItCanBe) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  ASSERT_TRUE(device.Present());
  D3d().simulateLoss(2);
  for (int frame = 0; frame < 2; ++frame) {
    EXPECT_FALSE(device.Reset(true));
    EXPECT_TRUE(device.IsLost());
    EXPECT_FALSE(device.Present());
  }
  EXPECT_TRUE(device.Reset(true));
  EXPECT_FALSE(device.IsLost());
  EXPECT_TRUE(device.Present());
  EXPECT_EQ(D3d().presentCount(), 2u);
}

TEST_F(DeviceTest, RenderTargetsShareDepthSurfacesBySize) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  dbtl::rcptr<L3DTexture> a = device.CreateTextureBack(64, 64);
  dbtl::rcptr<L3DTexture> b = device.CreateTextureBack(64, 64);
  dbtl::rcptr<L3DTexture> c = device.CreateTextureBack(128, 32);
  ASSERT_TRUE(device.SetRenderTarget(true, a));
  IDirect3DSurface9* depthOfA = D3d().currentDepthStencil();
  ASSERT_TRUE(device.SetRenderTarget(true, b));
  EXPECT_EQ(D3d().currentDepthStencil(), depthOfA);
  EXPECT_EQ(device.GetDepthSurfaceCount(), 1u);
  ASSERT_TRUE(device.SetRenderTarget(true, c));
  EXPECT_EQ(device.GetDepthSurfaceCount(), 2u);
  EXPECT_EQ(device.GetRenderTargetWidth(), 128u);
  D3DVIEWPORT9 viewport{};
  D3d().GetViewport(&viewport);
  EXPECT_EQ(viewport.Width, 128u);
  EXPECT_EQ(viewport.Height, 32u);
  ASSERT_TRUE(device.SetRenderTarget(false, a));
  EXPECT_EQ(D3d().currentDepthStencil(), nullptr);

  // The cached surfaces come back after a reset, and the back buffer is current again.
  D3d().simulateLoss(0);
  ASSERT_TRUE(device.Reset(true));
  EXPECT_EQ(device.GetDepthSurfaceCount(), 2u);
  ASSERT_TRUE(device.SetRenderTarget(true, c));
  EXPECT_NE(D3d().currentDepthStencil(), nullptr);

  ASSERT_TRUE(device.SetRenderTarget(true, {}));
  D3d().callLog().setEnabled(true);
  EXPECT_TRUE(device.SetRenderTarget(false, {}));
  EXPECT_EQ(D3d().callLog().lines(), std::vector<std::string>{});
  dbtl::rcptr<L3DTexture> managed = device.CreateTexture("plain", 8, 8);
  EXPECT_FALSE(device.SetRenderTarget(true, managed));
}

TEST_F(DeviceTest, ViewportsAreClampedToTheTarget) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  device.SetViewport(1000, 10);
  D3DVIEWPORT9 viewport{};
  D3d().GetViewport(&viewport);
  EXPECT_EQ(viewport.Width, 320u);
  EXPECT_EQ(viewport.Height, 10u);
  device.SetViewport(0, 0);
  D3d().GetViewport(&viewport);
  EXPECT_EQ(viewport.Width, 1u);
  device.ResetViewport();
  D3d().GetViewport(&viewport);
  EXPECT_EQ(viewport.Height, 240u);
  EXPECT_EQ(viewport.MaxZ, 1.0f);
}

TEST_F(DeviceTest, CaptureWritesTheBackBufferAsABitmap) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  D3d().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204080, 1.0f, 0);
  const RECT corner{0, 239, 1, 240};  // the bottom-left pixel comes first in the file
  D3d().Clear(1, &corner, D3DCLEAR_TARGET, 0xFF0A0B0C, 1.0f, 0);
  dbtl::rcptr<DMemorySource> out;
  out.Create(1);
  dbtl::DFile file;
  file.OpenOverride("shot.bmp", out);
  ASSERT_TRUE(device.CaptureBackBuffer(file));
  const std::vector<uint8_t>& bmp = out->data;
  ASSERT_GT(bmp.size(), 60u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(U32(bmp, 18), 320u);
  EXPECT_EQ(U32(bmp, 22), 240u);
  EXPECT_EQ(bmp[28], 24);
  const size_t pixels = U32(bmp, 10);
  EXPECT_EQ((std::vector<uint8_t>(bmp.begin() + pixels, bmp.begin() + pixels + 6)),
            (std::vector<uint8_t>{0x0C, 0x0B, 0x0A, 0x80, 0x40, 0x20}));
}

TEST_F(DeviceTest, ABackBufferWithoutAnImageKindIsNotCaptured) {
  L3DDevice& device = Open(Profile("default", [](SystemProfile& p) {
                             AdapterProfile& a = p.adapters[0];
                             a.desktop.Format = D3DFMT_X4R4G4B4;
                             a.windowedPairs = {{D3DFMT_X4R4G4B4, D3DFMT_X4R4G4B4}};
                           }),
                           L3DDEV_CREATE_WINDOW);
  ASSERT_TRUE(device.IsWindowed());
  ASSERT_EQ(device.GetPresentParameters().BackBufferFormat, D3DFMT_X4R4G4B4);
  dbtl::rcptr<DMemorySource> out;
  out.Create(1);
  dbtl::DFile file;
  file.OpenOverride("shot.bmp", out);
  EXPECT_FALSE(device.CaptureBackBuffer(file));
  EXPECT_TRUE(out->data.empty());
}

TEST_F(DeviceTest, WaitVBlankNeedsTheScanLine) {
  L3DDevice& device = Open(Profile("default", [](SystemProfile& p) { p.adapters[0].caps.Caps = 0; }),
                           L3DDEV_CREATE_WINDOW);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 100; ++i) device.WaitVBlank();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

TEST_F(DeviceTest, WaitVBlankWaitsAtMostAboutOneRefresh) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  device.WaitVBlank();
  // One refresh at 60 Hz is under 17 ms. The shortest of five waits is taken, so that a loaded
  // machine that stalls the process now and then does not count, while a wait that never ends
  // or counts in seconds still fails.
  auto shortest = std::chrono::steady_clock::duration::max();
  for (int i = 0; i < 5; ++i) {
    const auto start = std::chrono::steady_clock::now();
    device.WaitVBlank();
    shortest = std::min(shortest, std::chrono::steady_clock::now() - start);
  }
  EXPECT_LT(shortest, std::chrono::milliseconds(100));
}

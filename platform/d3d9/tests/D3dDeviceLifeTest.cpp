#include "platform/d3d9/tests/D3dTestDevice.h"

#include <gtest/gtest.h>

#include <cstring>

namespace d3d9 {
namespace {

using testing::levelZero;
using testing::makeDevice;
using testing::makeRenderTexture;
using testing::pixelAt;
using testing::Ref;
using testing::windowedParams;

TEST(D3dDeviceLife, ScriptedLossThenNotResetThenReset) {
  auto t = makeDevice("default");
  IDirect3DDevice9* d = t.device.get();
  EXPECT_EQ(d->TestCooperativeLevel(), D3D_OK);
  d->simulateLoss(2);
  EXPECT_EQ(d->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  D3DPRESENT_PARAMETERS pp = windowedParams(64, 64);
  EXPECT_EQ(d->Reset(&pp), D3DERR_DEVICELOST);  // too early: the device is still lost
  EXPECT_EQ(d->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(d->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(d->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  ASSERT_EQ(d->Reset(&pp), D3D_OK);
  EXPECT_EQ(d->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST(D3dDeviceLife, ResetRefusedWhileDefaultPoolObjectsLive) {
  auto t = makeDevice("default");
  IDirect3DDevice9* d = t.device.get();
  D3DPRESENT_PARAMETERS pp = windowedParams(32, 16);
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(d->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                             &target, nullptr), D3D_OK);
  IDirect3DTexture9* managed = nullptr;
  ASSERT_EQ(d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr),
            D3D_OK);
  Ref<IDirect3DTexture9> keep(managed);
  D3DLOCKED_RECT l{};
  managed->LockRect(0, &l, nullptr, 0);
  std::memset(l.pBits, 0x5A, 16);
  managed->UnlockRect(0);

  // A render target bound to the device is one more reason to refuse.
  IDirect3DSurface9* level = nullptr;
  target->GetSurfaceLevel(0, &level);
  d->SetRenderTarget(0, level);
  level->Release();
  EXPECT_EQ(d->Reset(&pp), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  target->Release();

  // Holding the back buffer blocks a reset too.
  IDirect3DSurface9* back = nullptr;
  ASSERT_EQ(d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  EXPECT_EQ(d->Reset(&pp), D3DERR_INVALIDCALL);
  back->Release();
  ASSERT_EQ(d->Reset(&pp), D3D_OK);

  D3DVIEWPORT9 vp{};
  d->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 32u);
  EXPECT_EQ(vp.Height, 16u);
  ASSERT_EQ(d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  D3DSURFACE_DESC desc{};
  back->GetDesc(&desc);
  back->Release();
  EXPECT_EQ(desc.Width, 32u);
  // Managed resources keep their contents across the reset.
  managed->LockRect(0, &l, nullptr, D3DLOCK_READONLY);
  EXPECT_EQ(static_cast<uint8_t*>(l.pBits)[15], 0x5A);
  managed->UnlockRect(0);
}

TEST(D3dDeviceLife, ResetRestoresDefaultStates) {
  auto t = makeDevice("default");
  IDirect3DDevice9* d = t.device.get();
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
  D3DPRESENT_PARAMETERS pp = windowedParams(64, 64);
  ASSERT_EQ(d->Reset(&pp), D3D_OK);
  DWORD v = 0;
  d->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
  EXPECT_EQ(v, 0u);
  d->GetRenderState(D3DRS_ZENABLE, &v);
  EXPECT_EQ(v, 1u);  // an automatic depth buffer turns depth testing on
  d->GetSamplerState(0, D3DSAMP_MINFILTER, &v);
  EXPECT_EQ(v, DWORD(D3DTEXF_POINT));
  d->GetTextureStageState(1, D3DTSS_COLOROP, &v);
  EXPECT_EQ(v, DWORD(D3DTOP_DISABLE));
  EXPECT_EQ(d->SetRenderState(D3DRENDERSTATETYPE(12), 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetSamplerState(0, D3DSAMPLERSTATETYPE(0), 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetTextureStageState(0, D3DTEXTURESTAGESTATETYPE(12), 0), D3DERR_INVALIDCALL);
}

TEST(D3dDeviceLife, FillStretchAndReadBack) {
  auto t = makeDevice("default");
  IDirect3DDevice9* d = t.device.get();
  auto rt = makeRenderTexture(d, 32, 32);
  IDirect3DSurface9* back = nullptr;
  d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  Ref<IDirect3DSurface9> backRef(back);
  const RECT left{0, 0, 32, 64};
  ASSERT_EQ(d->ColorFill(back, &left, 0xFF336699u), D3D_OK);
  ASSERT_EQ(d->ColorFill(back, nullptr, 0xFF000000u) , D3D_OK);
  ASSERT_EQ(d->ColorFill(back, &left, 0xFF336699u), D3D_OK);
  auto levelRef = levelZero(rt.get());
  IDirect3DSurface9* level = levelRef.get();
  // Left half of the back buffer, squeezed to the 32 x 32 target.
  ASSERT_EQ(d->StretchRect(back, &left, level, nullptr, D3DTEXF_NONE), D3D_OK);
  IDirect3DSurface9* sys = nullptr;
  ASSERT_EQ(d->CreateOffscreenPlainSurface(32, 32, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys,
                                           nullptr), D3D_OK);
  Ref<IDirect3DSurface9> sysRef(sys);
  ASSERT_EQ(d->GetRenderTargetData(level, sys), D3D_OK);
  D3DLOCKED_RECT l{};
  ASSERT_EQ(sys->LockRect(&l, nullptr, D3DLOCK_READONLY), D3D_OK);
  for (uint32_t y : {0u, 31u}) {
    for (uint32_t x : {0u, 31u}) EXPECT_EQ(pixelAt(sys->store(), x, y), 0xFF336699u);
  }
  sys->UnlockRect();

  // Conversions between formats go through A8R8G8B8: a 5-6-5 surface reads back widened.
  IDirect3DSurface9* wrongSize = nullptr;
  d->CreateOffscreenPlainSurface(16, 32, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &wrongSize, nullptr);
  EXPECT_EQ(d->GetRenderTargetData(level, wrongSize), D3DERR_INVALIDCALL);
  wrongSize->Release();
  EXPECT_EQ(d->ColorFill(sys, nullptr, 0), D3DERR_INVALIDCALL);  // system memory
  EXPECT_EQ(d->StretchRect(back, &left, back, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
}

TEST(D3dDeviceLife, PresentCountsFramesAndShowsTheBackBuffer) {
  auto t = makeDevice("default", 8, 4);
  IDirect3DDevice9* d = t.device.get();
  EXPECT_EQ(d->presentCount(), 0u);
  ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030u, 1.0f, 0),
            D3D_OK);
  ASSERT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFFu, 1.0f, 0);
  EXPECT_EQ(pixelAt(d->frontBuffer(), 7, 3), 0xFF102030u);  // not yet presented
  ASSERT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(d->presentCount(), 2u);
  EXPECT_EQ(pixelAt(d->frontBuffer(), 0, 0), 0xFFFFFFFFu);
  IDirect3DSurface9* copy = nullptr;
  d->CreateOffscreenPlainSurface(8, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr);
  ASSERT_EQ(d->GetFrontBufferData(0, copy), D3D_OK);
  EXPECT_EQ(pixelAt(copy->store(), 3, 2), 0xFFFFFFFFu);
  copy->Release();
}

TEST(D3dDeviceLife, ClearStaysInsideTheViewport) {
  auto t = makeDevice("default", 8, 8);
  IDirect3DDevice9* d = t.device.get();
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  const D3DVIEWPORT9 vp{2, 2, 4, 4, 0.0f, 1.0f};
  ASSERT_EQ(d->SetViewport(&vp), D3D_OK);
  const RECT r{0, 0, 3, 8};
  ASSERT_EQ(d->Clear(1, &r, D3DCLEAR_TARGET, 0xFFFFFFFFu, 1.0f, 0), D3D_OK);
  const PixelStore& s = d->currentRenderTarget()->store();
  EXPECT_EQ(pixelAt(s, 2, 2) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(pixelAt(s, 1, 2) & 0xFFFFFF, 0u);
  EXPECT_EQ(pixelAt(s, 3, 2) & 0xFFFFFF, 0u);
  EXPECT_EQ(pixelAt(s, 2, 6) & 0xFFFFFF, 0u);
  const D3DVIEWPORT9 tooWide{4, 0, 8, 8, 0.0f, 1.0f};
  EXPECT_EQ(d->SetViewport(&tooWide), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST(D3dDeviceLife, ScenesDoNotNest) {
  auto t = makeDevice("default");
  EXPECT_EQ(t.device->EndScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(t.device->BeginScene(), D3D_OK);
  EXPECT_EQ(t.device->BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(t.device->EndScene(), D3D_OK);
}

TEST(D3dDeviceLife, RasterStatusMovesOverTime) {
  auto t = makeDevice("default", 64, 480);
  D3DRASTER_STATUS a{}, b{};
  ASSERT_EQ(t.device->GetRasterStatus(0, &a), D3D_OK);
  bool moved = false, blank = false;
  // The beam moves and passes through the vertical blank once per refresh period (17 ms); a
  // busy machine may hide a few periods from the polling, so it gets up to half a second.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  while (!(moved && blank) && std::chrono::steady_clock::now() < until) {
    t.device->GetRasterStatus(0, &b);
    moved |= b.ScanLine != a.ScanLine;
    blank |= b.InVBlank != 0;
    EXPECT_LT(b.ScanLine, 480u);
  }
  EXPECT_TRUE(moved);
  EXPECT_TRUE(blank);

  auto profile = *profileBySpec("default");
  profile.adapters[0].caps.Caps = 0;
  Ref<IDirect3D9> d3d(createDirect3D(profile));
  D3DPRESENT_PARAMETERS pp = windowedParams(8, 8);
  IDirect3DDevice9* plain = nullptr;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                              &pp, &plain), D3D_OK);
  EXPECT_EQ(plain->GetRasterStatus(0, &b), D3DERR_INVALIDCALL);
  plain->Release();
}

TEST(D3dDeviceLife, CallLogRecordsStateCallsInOrder) {
  auto t = makeDevice("default");
  IDirect3DDevice9* d = t.device.get();
  d->SetRenderState(D3DRS_ZENABLE, 0);  // before the log is on: not recorded
  d->callLog().setEnabled(true);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  d->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetFVF(0x815E);
  const std::vector<std::string> expected = {
      "SetRenderState(27,1)", "SetSamplerState(1,1,3)", "SetTextureStageState(0,4,4)",
      "SetFVF(33118)"};
  EXPECT_EQ(d->callLog().lines(), expected);
  EXPECT_EQ(d->callLog().count("SetRenderState"), 1u);
  d->callLog().clear();
  EXPECT_TRUE(d->callLog().records().empty());
}

TEST(D3dDeviceLife, DeviceCreationChecksBehaviourAndParameters) {
  Ref<IDirect3D9> d3d(createDirect3D(*profileBySpec("msaa")));
  IDirect3DDevice9* d = nullptr;
  D3DPRESENT_PARAMETERS pp = windowedParams(16, 16);
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &d), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d->CreateDevice(5, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                              &pp, &d), D3DERR_INVALIDCALL);
  pp.MultiSampleType = D3DMULTISAMPLE_TYPE(4);
  pp.MultiSampleQuality = 1;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                              D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &pp, &d),
            D3D_OK);
  D3DDEVICE_CREATION_PARAMETERS cp{};
  d->GetCreationParameters(&cp);
  EXPECT_EQ(cp.BehaviorFlags, DWORD(D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_MULTITHREADED));
  d->Release();
  pp.MultiSampleQuality = 2;  // only two quality levels exist
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                              &pp, &d), D3DERR_INVALIDCALL);
  pp = windowedParams(16, 16);
  pp.BackBufferFormat = D3DFMT_UNKNOWN;  // a window takes the desktop's format
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                              &pp, &d), D3D_OK);
  EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
  d->Release();

  auto profile = *profileBySpec("default");
  profile.adapters[0].refuseWindowedDevice = true;
  Ref<IDirect3D9> refusing(createDirect3D(profile));
  pp = windowedParams(16, 16);
  EXPECT_EQ(refusing->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                                   D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &d),
            D3DERR_NOTAVAILABLE);
}

}  // namespace
}  // namespace d3d9

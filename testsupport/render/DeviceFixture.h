#pragma once

#include "foundation/lerr/lerrText.h"
#include "foundation/math/LMat.h"
#include "platform/d3d9/Profile.h"
#include "platform/text/Utf8.h"
#include "render/device/L3DDevice.h"
#include "render/device/L3DWindow.h"
#include "render/device/l3dInit.h"
#include "render/device/l3dPack.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/LerrCapture.h"
#include "testsupport/MemoryPack.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The projection of the golden scenes: left-handed perspective, near 1, far 20, for a 4:3
// target.
inline LMat goldenPerspective() {
  LMat m;
  std::memset(m.m, 0, sizeof m.m);
  m.m[0][0] = 1.5f;
  m.m[1][1] = 2.0f;
  m.m[2][2] = 20.0f / 19.0f;
  m.m[2][3] = 1.0f;
  m.m[3][2] = -20.0f / 19.0f;
  return m;
}

// A built-in profile changed by the test.
inline d3d9::SystemProfile Profile(const char* name,
                                   const std::function<void(d3d9::SystemProfile&)>& change = {}) {
  d3d9::SystemProfile profile = *d3d9::profileBySpec(name);
  if (change) change(profile);
  return profile;
}

// The 3D library set up on a profile built in code, a main window of a chosen client size, and
// the error module captured. Tests create the device themselves with the options they study.
// The fixture is the device's host: it reports the client size the test chose and the pack of
// the PackScope alive.
class DeviceTest : public ::testing::Test, public L3DWindow, public L3DPack {
 protected:
  void TearDown() override { Close(); }

  void GetClientSize(d3d9::HWND, uint32_t& width, uint32_t& height) const override {
    width = m_clientWidth;
    height = m_clientHeight;
  }
  int32_t GetRegisteredPack() const override { return PackScope::current(); }

  void Init(const d3d9::SystemProfile& profile) {
    // The library keeps its own reference; ours goes also when l3dInit ends in a fatal error.
    std::unique_ptr<d3d9::IDirect3D9, void (*)(d3d9::IDirect3D9*)> d3d(
        d3d9::createDirect3D(profile), [](d3d9::IDirect3D9* p) { p->Release(); });
    ASSERT_NE(d3d, nullptr);
    l3dInit(d3d.get());
  }

  void SetClientSize(uint32_t width, uint32_t height) {
    m_clientWidth = width;
    m_clientHeight = height;
  }

  // Init, a 320 x 240 window and a device made with the options.
  L3DDevice& Open(const d3d9::SystemProfile& profile, uint32_t options, uint32_t width = 640,
                  uint32_t height = 480, uint32_t multisample = 0) {
    Init(profile);
    SetClientSize(320, 240);
    m_device = std::make_unique<L3DDevice>(this, this);
    m_device->Create(0, &m_window, 0, width, height, multisample, options);
    return *m_device;
  }

  // The device and the library gone, for the next row of a table.
  void Close() {
    m_device.reset();
    l3dTerm();
  }

  d3d9::IDirect3DDevice9& D3d() { return *m_device->GetDevice(); }

  // The back buffer as the bytes of a BMP file.
  std::vector<uint8_t> CaptureBackBuffer() {
    dbtl::rcptr<DMemorySource> out;
    out.Create(1);
    dbtl::DFile file;
    file.OpenOverride("frame.bmp", out);
    EXPECT_TRUE(m_device->CaptureBackBuffer(file));
    file.Close();
    return out->data;
  }

  // The message of the fatal error the call ends with, as UTF-8.
  template <class Call>
  std::string Fatal(Call call) {
    return platform::utf16ToUtf8(m_capture.FatalText(call));
  }

  LerrCapture m_capture;
  std::unique_ptr<L3DDevice> m_device;
  int m_window = 0;
  uint32_t m_clientWidth = 320;
  uint32_t m_clientHeight = 240;
};

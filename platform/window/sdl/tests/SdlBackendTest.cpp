// The SDL2 backend under SDL's dummy and offscreen video drivers (no display needed): a window opens,
// shows a frame presented by the Direct3D stand-in, delivers a close and closes.

#include "platform/window/sdl/SdlBackend.h"

#include "platform/d3d9/Device.h"
#include "platform/d3d9/Direct3D9.h"
#include "platform/d3d9/WindowedDevice.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

namespace pw = platform::window;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLeakChecks = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kLeakChecks = true;
#else
constexpr bool kLeakChecks = false;
#endif
#else
constexpr bool kLeakChecks = false;
#endif

// Both of SDL's display-less drivers: "dummy" keeps the window surface in memory, "offscreen"
// also loads the system's EGL libraries.
class SdlBackendTest : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (kLeakChecks && std::string(GetParam()) == "offscreen") {
      GTEST_SKIP() << "the offscreen driver's EGL libraries leak at exit under LeakSanitizer";
    }
    setenv("SDL_VIDEODRIVER", GetParam(), 1);
    backend = pw::createSdlBackend();
    ASSERT_NE(backend, nullptr) << SDL_GetError();
  }

  std::unique_ptr<pw::Backend> backend;
};

TEST_P(SdlBackendTest, ShowsAPresentedFrameAndDeliversTheClose) {
  pw::CreateParams params;
  params.title = u"SDL フレーム";
  params.frame = {10, 20, 74, 68};
  std::unique_ptr<pw::Window> window = backend->create(params);
  ASSERT_NE(window, nullptr) << SDL_GetError();
  window->show();
  pw::WindowState state = window->state();
  EXPECT_EQ(state.title, params.title);
  EXPECT_EQ(state.frame.width(), 64);
  EXPECT_EQ(state.frame.height(), 48);
  EXPECT_TRUE(state.visible);

  // A device presenting to the window's handle: the frame is drawn into the window's surface.
  d3d9::IDirect3D9* direct3d = d3d9::Direct3DCreate9(d3d9::D3D_SDK_VERSION);
  ASSERT_NE(direct3d, nullptr);
  d3d9::D3DPRESENT_PARAMETERS pp = d3d9::windowedParameters(32, 24);
  pp.hDeviceWindow = window->handle();
  d3d9::IDirect3DDevice9* device = nullptr;
  ASSERT_EQ(direct3d->CreateDevice(0, d3d9::D3DDEVTYPE_HAL, window->handle(),
                                   d3d9::D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
            d3d9::D3D_OK);
  ASSERT_EQ(device->Clear(0, nullptr, d3d9::D3DCLEAR_TARGET, 0xFF2040C0, 1.0f, 0), d3d9::D3D_OK);
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), d3d9::D3D_OK);
  state = window->state();
  EXPECT_EQ(state.framesShown, 1u);
  EXPECT_EQ(state.lastFrameWidth, 32u);
  EXPECT_EQ(state.lastFrameHeight, 24u);
  // Read back from the window's own surface, scaled up to its 64 x 48 client area.
  EXPECT_EQ(state.lastFramePixel & 0xFFFFFF, 0x2040C0u);
  device->Release();
  direct3d->Release();

  // The window manager's close reaches the queue as a close message.
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = SDL_WINDOWEVENT_CLOSE;
  // The only SDL window alive is this one.
  for (uint32_t id = 1; id < 64; ++id) {
    if (SDL_GetWindowFromID(id)) event.window.windowID = id;
  }
  ASSERT_EQ(SDL_PushEvent(&event), 1);
  bool closed = false;
  while (window->peekMessage()) {
    pw::Message m;
    if (window->getMessage(m) == pw::ReadResult::Message && m.kind == pw::MessageKind::Close) {
      closed = true;
    }
  }
  EXPECT_TRUE(closed);
  window->hide();
  EXPECT_FALSE(window->state().visible);
  window.reset();
}

TEST_P(SdlBackendTest, PostedMessagesAndQuitKeepTheirOrder) {
  pw::CreateParams params;
  params.title = u"order";
  params.frame = {0, 0, 16, 16};
  std::unique_ptr<pw::Window> window = backend->create(params);
  ASSERT_NE(window, nullptr);
  pw::Message paint;
  paint.kind = pw::MessageKind::Paint;
  window->post(paint);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  pw::Message m;
  // The quit comes only after the waiting message.
  ASSERT_TRUE(window->peekMessage());
  EXPECT_EQ(window->getMessage(m), pw::ReadResult::Message);
  EXPECT_EQ(m.kind, pw::MessageKind::Paint);
  ASSERT_TRUE(window->peekMessage());
  EXPECT_EQ(window->getMessage(m), pw::ReadResult::Quit);
  EXPECT_FALSE(window->peekMessage());
}

INSTANTIATE_TEST_SUITE_P(Drivers, SdlBackendTest, testing::Values("dummy", "offscreen"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace

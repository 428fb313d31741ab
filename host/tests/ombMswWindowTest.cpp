// The main window module over the headless window layer.

#include "host/window/ombMswWindow.h"

#include "foundation/omb/ombCore.h"
#include "platform/window/HeadlessBackend.h"
#include "platform/window/InstanceChannel.h"
#include "testsupport/FakeClock.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <thread>

namespace pw = platform::window;

namespace {

// The framework core comes up before the log capture replaces its output.
struct CoreUp {
  CoreUp() { ombCoreInit(); }
};

pw::Message message(pw::MessageKind kind, uint32_t param = 0) {
  pw::Message m;
  m.kind = kind;
  m.param = param;
  return m;
}

class MainWindowTest : public testing::Test {
 protected:
  MainWindowTest() {
    unsetenv("GAME_WINDOW_SCRIPT");
    pw::selectBackend("headless");
    ombMswWindowInit();
  }
  ~MainWindowTest() override {
    ombMswWindowDestroy(window);
    ombMswWindowUninit();
    unsetenv("GAME_WINDOW_SCRIPT");
  }

  OMB_MSW_WINDOW* create(int32_t width, int32_t height, bool fullScreen = false) {
    OMB_MSW_WINDOW_DESC description;
    description.title = u"タイトル";
    description.width = width;
    description.height = height;
    description.fullScreen = fullScreen;
    description.flags = OMB_MSW_WINDOW_KEY_HOOK;
    window = ombMswWindowCreate(&description);
    return window;
  }
  pw::WindowState state() const { return window->window->state(); }
  void post(const pw::Message& m) { window->window->post(m); }

  CoreUp core;
  LogCapture log;
  OMB_MSW_WINDOW* window = nullptr;
};

TEST_F(MainWindowTest, SizesAndPlacesTheWindow) {
  struct Case {
    int32_t width, height;
    bool fullScreen;
    pw::Rect frame;
  };
  const int32_t b = pw::kHeadlessBorder;
  const int32_t c = pw::kHeadlessCaption;
  const pw::Point s = pw::kHeadlessScreen;
  const Case cases[] = {
      // 0 x 0 is a 320 x 240 client area, framed and centred.
      {0, 0, false, {(s.x - 320 - 2 * b) / 2, (s.y - 240 - 2 * b - c) / 2,
                     (s.x - 320 - 2 * b) / 2 + 320 + 2 * b, (s.y - 240 - 2 * b - c) / 2 + 240 + 2 * b + c}},
      {640, 480, true, {(s.x - 640) / 2, (s.y - 480) / 2, (s.x - 640) / 2 + 640, (s.y - 480) / 2 + 480}},
      // Larger than the screen: placed at 0, 0.
      {2000, 1500, false, {0, 0, 2000 + 2 * b, 1500 + 2 * b + c}},
  };
  for (const Case& k : cases) {
    ASSERT_NE(create(k.width, k.height, k.fullScreen), nullptr);
    const pw::WindowState st = state();
    EXPECT_EQ(st.title, u"タイトル");
    EXPECT_EQ(st.frame.left, k.frame.left);
    EXPECT_EQ(st.frame.top, k.frame.top);
    EXPECT_EQ(st.frame.right, k.frame.right);
    EXPECT_EQ(st.frame.bottom, k.frame.bottom);
    EXPECT_TRUE(st.visible);
    EXPECT_EQ(st.topMost, k.fullScreen);
    EXPECT_EQ(window->windowed, !k.fullScreen);
    ombMswWindowDestroy(window);
    window = nullptr;
  }
}

TEST_F(MainWindowTest, CloseCommandsBecomeACloseRequest) {
  ASSERT_NE(create(64, 48), nullptr);
  for (const pw::Message& m : {message(pw::MessageKind::Close),
                               message(pw::MessageKind::SysCommand, pw::kScClose),
                               message(pw::MessageKind::SysCommand, pw::kScDefault)}) {
    window->closeRequested = false;
    post(m);
    ombMswWindowUpdate(window);
    EXPECT_TRUE(window->closeRequested);
    // The window stays for the game loop to decide.
    EXPECT_TRUE(state().visible);
  }
  window->closeRequested = false;
  for (uint32_t command : {pw::kScMinimize, pw::kScMaximize, pw::kScScreenSave, pw::kScMonitorPower,
                           pw::kScRestore, pw::kScKeyMenu}) {
    post(message(pw::MessageKind::SysCommand, command));
  }
  ombMswWindowUpdate(window);
  EXPECT_FALSE(window->closeRequested);
}

TEST_F(MainWindowTest, SuspendQueriesAreRefused) {
  ASSERT_NE(create(64, 48), nullptr);
  const struct {
    uint32_t event;
    intptr_t answer;
  } cases[] = {{pw::kPbtQuerySuspend, pw::kBroadcastQueryDeny},
               {pw::kPbtQueryStandby, pw::kBroadcastQueryDeny},
               {pw::kPbtResumeSuspend, 1}};
  for (const auto& c : cases) {
    post(message(pw::MessageKind::PowerBroadcast, c.event));
    ombMswWindowUpdate(window);
    EXPECT_EQ(state().lastAnswer, c.answer) << c.event;
  }
}

TEST_F(MainWindowTest, DraggingTheCaptionMovesTheWindowUntilTheButtonIsReleased) {
  FakeClock clock(1000);
  setenv("GAME_WINDOW_SCRIPT", "0 cursor 100 100; 0 syscommand move; 20 cursor 130 90", 1);
  ASSERT_NE(create(64, 48), nullptr);
  const pw::Rect start = state().frame;
  ombMswWindowUpdate(window);
  EXPECT_TRUE(window->dragging);
  EXPECT_TRUE(state().mouseCaptured);
  EXPECT_EQ(state().frame.left, start.left);
  // The next frames follow the cursor, which moved by (30, -10).
  clock.advanceMilliseconds(20);
  ombMswWindowUpdate(window);
  EXPECT_EQ(state().frame.left, start.left + 30);
  EXPECT_EQ(state().frame.top, start.top - 10);
  post(message(pw::MessageKind::LButtonUp));
  ombMswWindowUpdate(window);
  EXPECT_FALSE(window->dragging);
  EXPECT_FALSE(state().mouseCaptured);
  EXPECT_EQ(state().frame.left, start.left + 30);
}

TEST_F(MainWindowTest, WindowsKeysAreSwallowedOnlyWhileActive) {
  ASSERT_NE(create(64, 48), nullptr);
  EXPECT_EQ(ombMswWindowKeyboardHook(OMB_HC_ACTION, OMB_WM_KEYDOWN, OMB_VK_LWIN), 1);
  EXPECT_EQ(ombMswWindowKeyboardHook(OMB_HC_ACTION, OMB_WM_KEYUP, OMB_VK_RWIN), 1);
  EXPECT_EQ(ombMswWindowKeyboardHook(OMB_HC_ACTION, OMB_WM_KEYDOWN, 0x41), 0);
  EXPECT_EQ(ombMswWindowKeyboardHook(1, OMB_WM_KEYDOWN, OMB_VK_LWIN), 0);
  post(message(pw::MessageKind::ActivateApp, 0));
  ombMswWindowUpdate(window);
  EXPECT_FALSE(ombMswWindowIsAppActive());
  EXPECT_EQ(ombMswWindowKeyboardHook(OMB_HC_ACTION, OMB_WM_KEYDOWN, OMB_VK_LWIN), 0);
  post(message(pw::MessageKind::ActivateApp, 1));
  ombMswWindowUpdate(window);
  EXPECT_EQ(ombMswWindowKeyboardHook(OMB_HC_ACTION, OMB_WM_KEYDOWN, OMB_VK_LWIN), 1);
}

TEST_F(MainWindowTest, AFailedReadIsNeverDispatchedAndAQuitIsKept) {
  setenv("GAME_WINDOW_SCRIPT", "0 fail; 0 close; 0 quit", 1);
  ASSERT_NE(create(64, 48), nullptr);
  // The failed read ends this frame's pump: the close behind it waits for the next frame.
  ombMswWindowUpdate(window);
  EXPECT_FALSE(window->closeRequested);
  EXPECT_FALSE(window->quitRequested);
  // The quit comes after the waiting close, ends the pump and is kept for the game loop.
  ombMswWindowUpdate(window);
  EXPECT_TRUE(window->closeRequested);
  EXPECT_TRUE(window->quitRequested);
}

TEST_F(MainWindowTest, CopyDataReachesTheCallbackWithItsIdentifierOnly) {
  std::string received;
  OMB_MSW_WINDOW_DESC description;
  description.copyData = [](const void* data, uint32_t size, void* user) {
    static_cast<std::string*>(user)->append(static_cast<const char*>(data), size).append(";");
  };
  description.copyDataUser = &received;
  window = ombMswWindowCreate(&description);
  ASSERT_NE(window, nullptr);
  pw::Message m = message(pw::MessageKind::CopyData);
  m.data = {'o', 'k'};
  m.dataId = OMB_MSW_COPYDATA_ID;
  post(m);
  m.dataId = 1;
  post(m);
  ombMswWindowUpdate(window);
  EXPECT_EQ(received, "ok;");
}

TEST_F(MainWindowTest, ClassNameIsFixedByTheFirstWindowThatHoldsTheInstance) {
  const std::string runtime = "/main-window-test/" + std::to_string(getpid());
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  EXPECT_EQ(std::u16string(ombMswWindowGetClassName()), u"DARURA_ZOR_IDUVAZ_ARARU");
  ombMswWindowSetClassName(
      u"DARURA_ZOR_IDUVAZ_ARARU_RERADI_VUVODO_ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
  EXPECT_EQ(std::u16string(ombMswWindowGetClassName()).size(), 63u);
  ombMswWindowSetClassName(u"Test_Class");
  EXPECT_FALSE(ombMswWindowBringRunningToFront(u"Test_Class"));
  ASSERT_NE(create(64, 48), nullptr);
  ombMswWindowSetClassName(u"Other");
  EXPECT_EQ(std::u16string(ombMswWindowGetClassName()), u"Test_Class");
  ASSERT_FALSE(LogCapture::messages().empty());
  EXPECT_EQ(LogCapture::messages().back().text,
            u"Information: [ombMswWindowSetClassName] can't set class name after window creation");

  // Another start finds this window: it comes to the front and the application is active.
  post(message(pw::MessageKind::ActivateApp, 0));
  ombMswWindowUpdate(window);
  EXPECT_TRUE(ombMswWindowBringRunningToFront(u"Test_Class"));
  for (int i = 0; i < 500 && state().frontRequests == 0; ++i) {
    ombMswWindowUpdate(window);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(state().frontRequests, 1u);
  EXPECT_TRUE(ombMswWindowIsAppActive());
  ombMswWindowDestroy(window);
  window = nullptr;
  ombMswWindowUninit();
  EXPECT_FALSE(ombMswWindowBringRunningToFront(u"Test_Class"));
  unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace

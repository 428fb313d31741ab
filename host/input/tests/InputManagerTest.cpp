// The input manager over scripted devices: the fixed mapping, the session rule and the bounds of
// the mapping natives.

#include "host/input/InputManager.h"

#include "foundation/omb/ombCore.h"
#include "host/input/tests/InputTestSupport.h"
#include "platform/text/Utf8.h"
#include "script/ScriptManager.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

namespace {

using inputtest::ScriptedDevices;

// Keyboard: button 0 on key 0x1E, button 2 on 0x1F. Pads 0 and 1: button 0 on pad button 0,
// button 1 on pad button 1.
ConfigInputSettings twoPads() {
  ConfigInputSettings settings = inputtest::padSettings(0);
  const ConfigInputSettings second = inputtest::padSettings(1);
  settings.padValid[1] = 1;
  std::memcpy(settings.padInstance[1], second.padInstance[1], sizeof settings.padInstance[1]);
  settings.keyboardKeys[0] = 0x1E;
  settings.keyboardKeys[2] = 0x1F;
  for (uint32_t pad = 0; pad < 2; ++pad) {
    settings.padButtons[pad][0] = 29;
    settings.padButtons[pad][1] = 30;
    settings.padType[pad] = pad + 1;
  }
  return settings;
}

TEST(InputManager, PadsArePlayersAndTheKeyboardJoinsPlayerZero) {
  ScriptedDevices devices(
      "pad a; pad b; 0 pad0 button 1 1; 0 pad1 button 0 1; 0 key 0x1E 1; 0 key 0x1F 1;"
      "1 pad0 button 1 0; 1 key 0x1F 0");
  LogCapture log;
  int window = 0;
  InputManager manager;
  manager.init(twoPads(), &window, InputSession::None, nullptr);
  ASSERT_NE(manager.pad(0), nullptr);
  ASSERT_NE(manager.pad(1), nullptr);
  EXPECT_EQ(manager.pad(2), nullptr);

  manager.update();
  EXPECT_EQ(manager.state(0, 0), 1.0f);  // keyboard
  EXPECT_EQ(manager.state(0, 1), 1.0f);  // pad 0
  EXPECT_EQ(manager.state(0, 2), 1.0f);  // keyboard
  EXPECT_EQ(manager.state(1, 0), 1.0f);  // pad 1
  EXPECT_EQ(manager.state(1, 2), 0.0f);  // the keyboard reaches player 0 only
  manager.update();
  EXPECT_EQ(manager.state(0, 1), 0.0f);
  EXPECT_EQ(manager.state(0, 2), 0.0f);
  EXPECT_EQ(manager.state(0, 0), 1.0f);

  InputSource source;
  ASSERT_TRUE(manager.getControllerSource(1, source));
  EXPECT_EQ(source.count(source.context), 16u);
  EXPECT_EQ(source.value(source.context, 0), 1.0f);
  EXPECT_EQ(source.value(source.context, 16), 0.0f);
  EXPECT_TRUE(manager.getControllerSource(0, source));
  EXPECT_FALSE(manager.getControllerSource(2, source));
  EXPECT_FALSE(manager.getControllerSource(4, source));
}

TEST(InputManager, WithANetworkSessionOnlyPadZeroIsOpened) {
  ScriptedDevices devices("pad a; pad b");
  LogCapture log;
  int window = 0;
  InputManager manager;
  manager.init(twoPads(), &window, InputSession::Network, nullptr);
  EXPECT_NE(manager.pad(0), nullptr);
  EXPECT_EQ(manager.pad(1), nullptr);
  for (const LogCapture::Message& m : LogCapture::messages()) {
    EXPECT_NE(m.text, u"2番目の入力デバイスの作成に失敗しました。");
  }
}

TEST(InputManager, MappingNativesIgnoreWritesAndReadZeroOutsideTheirIndices) {
  ScriptedDevices devices("pad a; 0 pad0 button 0 1");
  LogCapture log;
  int window = 0;
  InputManager manager;
  manager.init(twoPads(), &window, InputSession::None, nullptr);
  manager.update();
  EXPECT_EQ(manager.deviceKeyboard(), 0);
  EXPECT_EQ(manager.devicePad(0), 1);
  EXPECT_EQ(manager.devicePad(1), -1);  // configured, not attached
  EXPECT_EQ(manager.devicePad(-1), -1);
  EXPECT_EQ(manager.devicePad(4), -1);
  EXPECT_EQ(manager.deviceButtonCount(1), 2);
  EXPECT_EQ(manager.deviceButtonCount(-7), 3);  // at or below 0: the keyboard
  EXPECT_EQ(manager.deviceButtonCount(2), 0);
  EXPECT_EQ(manager.deviceButtonCount(5), 0);
  EXPECT_EQ(manager.deviceType(1), 1);
  EXPECT_EQ(manager.deviceButtonState(1, 0), 1.0f);
  EXPECT_EQ(manager.deviceButtonState(1, -1), 0.0f);
  EXPECT_EQ(manager.deviceButtonState(1, 16), 0.0f);
  EXPECT_EQ(manager.deviceButtonState(9, 0), 0.0f);

  const struct {
    int32_t player, button;
  } outside[] = {{-1, 0}, {4, 0}, {0, -1}, {0, 16}, {INT32_MAX, INT32_MAX}};
  for (const auto& c : outside) manager.setButtonState(c.player, c.button, 0.75f);
  for (uint32_t p = 0; p < INPUT_PLAYERS; ++p) {
    for (uint32_t b = 0; b < INPUT_PLAYER_BUTTONS; ++b) {
      EXPECT_EQ(manager.state(p, b), p == 0 && b == 0 ? 1.0f : 0.0f);
    }
  }
  manager.setButtonState(3, 15, 0.75f);
  EXPECT_EQ(manager.state(3, 15), 0.75f);
}

TEST(InputManager, AMappingScriptWritesThePlayersStatesEachFrame) {
  ombCoreInit();
  ScriptedDevices devices("pad a; 0 pad0 button 0 1; 1 pad0 button 0 0");
  LogCapture log;
  ScriptManager scripts;
  int window = 0;
  InputManager manager;
  manager.init(twoPads(), &window, InputSession::None, &scripts);
  const std::u16string path = platform::utf8ToUtf16(std::string(TEST_SCRIPTS_DIR) + "/map");
  manager.setScript(path.c_str());
  ASSERT_NE(manager.script(), nullptr);

  manager.update();
  // The script owns the states: pad 0 no longer reaches player 0 by the fixed rule, and the
  // state its init wrote was cleared with the frame.
  EXPECT_EQ(manager.state(0, 0), 0.0f);
  EXPECT_EQ(manager.state(0, 15), 0.0f);
  EXPECT_EQ(manager.state(1, 0), 1.0f);
  EXPECT_FLOAT_EQ(manager.state(0, 5), 0.3f);
  EXPECT_EQ(manager.state(2, 3), 1.0f);
  manager.update();
  EXPECT_EQ(manager.state(1, 0), 0.0f);
  EXPECT_FLOAT_EQ(manager.state(0, 5), 0.3f);
  for (const LogCapture::Message& m : LogCapture::messages()) {
    EXPECT_GT(m.level, 0) << platform::utf16ToUtf8(m.text);
  }

  // An empty name goes back to the fixed rule.
  manager.setScript(u"");
  EXPECT_EQ(manager.script(), nullptr);
  manager.update();
  EXPECT_EQ(manager.state(1, 0), 0.0f);
}

}  // namespace

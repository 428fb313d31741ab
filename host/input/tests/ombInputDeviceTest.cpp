// Input devices over scripted DirectInput devices: assignments, axis calibration, point of view.

#include "host/input/ombInputDevice.h"

#include "host/input/tests/InputTestSupport.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using inputtest::ScriptedDevices;

TEST(InputAxis, DeadZoneAndFullRangeByDirection) {
  const OMB_INPUT_AXIS_CALIBRATION axis{0.0f, 1000.0f};
  struct Case {
    int32_t reading;
    bool positive;
    float expected;
  } cases[] = {
      {100, true, 0.0f},     {200, true, 0.0f},    {500, true, 0.42857146f},
      {900, true, (0.9f - 0.2f) * 1.4285715f},     {950, true, 1.0f},
      {-950, false, 1.0f},   {-500, false, 0.42857146f}, {-100, false, 0.0f},
      {500, false, 0.0f},    {-950, true, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reading);
    EXPECT_NEAR(ombInputAxisValue(c.reading, axis, c.positive), c.expected, 1e-6f);
  }
  // An axis whose range could not be read has no half range and never divides by it.
  EXPECT_EQ(ombInputAxisValue(1000, {0.0f, 0.0f}, true), 0.0f);
}

TEST(InputPov, SectorsOfEachDirection) {
  struct Case {
    uint32_t pov;
    bool up, down, left, right;
  } cases[] = {
      {0, true, false, false, false},       {4500, true, false, false, true},
      {9000, false, false, false, true},    {13500, false, true, false, true},
      {18000, false, true, false, false},   {27000, false, false, true, false},
      {31500, true, false, true, false},    {6800, true, false, false, true},
      {6801, false, false, false, true},    {0xFFFFFFFFu, false, false, false, false},
      {0x0000FFFFu, false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pov);
    EXPECT_EQ(ombInputPovPressed(c.pov, 0), c.up);
    EXPECT_EQ(ombInputPovPressed(c.pov, 1), c.down);
    EXPECT_EQ(ombInputPovPressed(c.pov, 2), c.left);
    EXPECT_EQ(ombInputPovPressed(c.pov, 3), c.right);
  }
}

TEST(InputKeyboard, ButtonCountFollowsTheHighestAssignedKey) {
  ScriptedDevices devices("0 key 0x1C 1; 2 key 0x1C 0");
  LogCapture log;
  ConfigInputSettings settings{};
  settings.keyboardType = 2;
  settings.keyboardKeys[3] = 0x1C;
  int window = 0;
  OMB_INPUT_DEVICE* keyboard = ombInputCreateKeyboard(&settings, &window);
  ASSERT_NE(keyboard, nullptr);
  EXPECT_EQ(keyboard->buttonCount, 4u);
  EXPECT_EQ(keyboard->type, 2);
  EXPECT_EQ(LogCapture::messages().back().text, u"キーボードの作成に成功しました。");
  const float expected[] = {1.0f, 1.0f, 0.0f};
  for (float value : expected) {
    ombInputPollDevice(keyboard);
    EXPECT_EQ(ombInputGetButtonValue(keyboard, 3), value);
    EXPECT_EQ(ombInputGetButtonValue(keyboard, 0), 0.0f);
  }
  EXPECT_EQ(ombInputGetButtonFlag(keyboard, 3), 0);
  ombInputDestroyDevice(keyboard);
  // Without a window there is no keyboard.
  EXPECT_EQ(ombInputCreateKeyboard(&settings, nullptr), nullptr);
  EXPECT_EQ(LogCapture::messages().back().text, u"キーボードの作成に失敗しました。");
}

TEST(InputPad, AssignmentsOfEveryKindFromTheSettingsCodes) {
  ScriptedDevices devices(
      "pad one; 0 pad0 button 4 1; 0 pad0 axis x 500; 0 pad0 pov 0 4500;"
      "1 pad0 lost 1");
  LogCapture log;
  ConfigInputSettings settings = inputtest::padSettings(0);
  settings.padType[0] = 3;
  const uint32_t codes[] = {29 + 4, 2, 2, 1, 13, 16, 14, 29 + 5, 61};
  const uint32_t flags[] = {0, 1, 0, 0, 0, 0, 0, 0, 0};
  for (uint32_t b = 0; b < std::size(codes); ++b) {
    settings.padButtons[0][b] = codes[b];
    settings.padButtonFlags[0][b] = flags[b];
  }
  int window = 0;
  OMB_INPUT_DEVICE* pad = ombInputCreatePad(&window, &settings, 0);
  ASSERT_NE(pad, nullptr);
  EXPECT_EQ(LogCapture::messages().back().text, u"1番目の入力デバイスの作成に成功しました。");
  // Code 61 is no assignment: the count ends at the last valid one.
  EXPECT_EQ(pad->buttonCount, 8u);
  EXPECT_EQ(pad->type, 3);
  EXPECT_EQ(ombInputGetButtonFlag(pad, 1), 1);
  ombInputPollDevice(pad);
  // button 4; X+ analog 0.43 and digital 0; X- 0; POV up; POV right; POV down; button 5.
  const float expected[] = {1.0f, 0.42857146f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f};
  for (uint32_t b = 0; b < 8; ++b) {
    SCOPED_TRACE(b);
    EXPECT_NEAR(ombInputGetButtonValue(pad, b), expected[b], 1e-6f);
  }
  // A lost device reads nothing for the frame.
  ombInputPollDevice(pad);
  for (uint32_t b = 0; b < 8; ++b) EXPECT_EQ(ombInputGetButtonValue(pad, b), 0.0f);
  ombInputDestroyDevice(pad);
}

TEST(InputPad, UnreadableRangeGivesZeroAndUnconfiguredSlotsAreLeftOut) {
  ScriptedDevices devices("pad one norange x; 0 pad0 axis x 1000");
  LogCapture log;
  ConfigInputSettings settings = inputtest::padSettings(0);
  settings.padButtons[0][0] = 2;  // X+
  settings.padButtonFlags[0][0] = 1;
  int window = 0;
  OMB_INPUT_DEVICE* pad = ombInputCreatePad(&window, &settings, 0);
  ASSERT_NE(pad, nullptr);
  ombInputPollDevice(pad);
  EXPECT_EQ(ombInputGetButtonValue(pad, 0), 0.0f);
  EXPECT_FALSE(std::isnan(ombInputGetButtonValue(pad, 0)));
  ombInputDestroyDevice(pad);

  settings.padValid[0] = 0;
  EXPECT_EQ(ombInputCreatePad(&window, &settings, 0), nullptr);
  EXPECT_EQ(LogCapture::messages().back().text, u"1番目の入力デバイスの作成に失敗しました。");
  EXPECT_EQ(ombInputCreatePad(&window, &settings, 4), nullptr);
  EXPECT_EQ(LogCapture::messages().back().text, u"5番目の入力デバイスの作成に失敗しました。");
  // A configured slot whose pad is not attached.
  ConfigInputSettings other = inputtest::padSettings(1);
  EXPECT_EQ(ombInputCreatePad(&window, &other, 1), nullptr);
}

}  // namespace

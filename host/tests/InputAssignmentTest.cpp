// The controller page's automatic assignment, completion of required buttons and input codes.

#include "host/settings/InputAssignment.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

char16_t kUp[] = u"上", kDown[] = u"下", kLeft[] = u"左", kRight[] = u"右", kA[] = u"A",
         kB[] = u"B", kC[] = u"C", kD[] = u"D", kType[] = u"Normal";
constexpr int32_t kOpt = CONFIG_BUTTON_OPTIONAL, kDir = CONFIG_BUTTON_DIRECTION,
                  kAnalog = CONFIG_BUTTON_ANALOG;

ConfigInputButton kButtons[] = {
    {kUp, kDir, 200},  {kDown, kDir, 208}, {kLeft, kDir, 203},       {kRight, kDir, 205},
    {kA, 0, 44},       {kB, 0, 45},        {kC, kOpt, 46},           {kD, kOpt | kAnalog, 47},
};
ConfigInputType kNormal{kType, kButtons, 8};

InputController controller(uint32_t axes, uint32_t povs, uint32_t buttons) {
  InputController c;
  dinput::DIDEVICEOBJECTS objects;
  objects.axes = (1u << axes) - 1;
  objects.povs = povs;
  objects.buttons = buttons;
  inputDescribeController(c, objects);
  return c;
}

std::vector<uint32_t> codes(const InputAssignment& a) {
  return std::vector<uint32_t>(a.buttons, a.buttons + 8);
}

TEST(InputAssignmentTest, AutomaticAssignmentByControllerShape) {
  struct Case {
    uint32_t axes, povs, buttons;
    std::vector<uint32_t> expected;
  };
  const Case cases[] = {
      // Arrows on the Y and X directions, required buttons on buttons 1 and 2, the rest after.
      {2, 0, 8, {3, 4, 1, 2, 29, 30, 31, 32}},
      // Without axes the directions come from the first hat, in its order up, down, left, right.
      {0, 1, 4, {13, 14, 15, 16, 29, 30, 31, 32}},
      // Too few inputs: required buttons first; what is left over stays empty.
      {0, 0, 3, {29, 30, 31, 0, 0, 0, 0, 0}},
      // One axis and two buttons: Up and Down find no Y axis and take the X directions, Left and
      // Right fall back to the buttons, and nothing is left for the other buttons.
      {1, 0, 2, {1, 2, 29, 30, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    InputAssignment a;
    inputAutoAssign(a, kNormal, controller(c.axes, c.povs, c.buttons));
    EXPECT_EQ(codes(a), c.expected) << c.axes << " axes " << c.povs << " hats " << c.buttons;
  }
}

TEST(InputAssignmentTest, AutomaticAssignmentKeepsWhatIsAlreadySet) {
  InputAssignment a;
  a.buttons[4] = 31;  // A already on button 3
  inputAutoAssign(a, kNormal, controller(2, 0, 8));
  EXPECT_EQ(codes(a), (std::vector<uint32_t>{3, 4, 1, 2, 31, 29, 30, 32}));
}

TEST(InputAssignmentTest, EmptyRequiredButtonTakesTheLastOptionalInput) {
  InputAssignment a;
  const uint32_t start[8] = {3, 4, 1, 2, 0, 30, 31, 32};
  std::copy(start, start + 8, a.buttons);
  a.flags[7] = 1;
  // D was just set: C's input moves to A.
  inputCompleteRequired(a, kNormal, 7);
  EXPECT_EQ(codes(a), (std::vector<uint32_t>{3, 4, 1, 2, 31, 30, 0, 32}));
  EXPECT_EQ(a.flags[7], 1u);
  // Nothing was just set: the last optional (D) moves with its analog flag.
  a.buttons[4] = 0;
  inputCompleteRequired(a, kNormal, -1);
  EXPECT_EQ(codes(a), (std::vector<uint32_t>{3, 4, 1, 2, 32, 30, 0, 0}));
  EXPECT_EQ(a.flags[4], 1u);
  EXPECT_EQ(a.flags[7], 0u);
}

TEST(InputAssignmentTest, CodeTexts) {
  struct Case {
    uint32_t code;
    const char16_t* list;
    const char16_t* window;
  };
  const Case cases[] = {{0, u"なし", u"なし"},           {1, u"方向1", u"方向ボタン1"},
                        {12, u"方向12", u"方向ボタン12"}, {13, u"視点1", u"視点ボタン1"},
                        {28, u"視点16", u"視点ボタン16"}, {29, u"ボタン1", u"ボタン1"},
                        {60, u"ボタン32", u"ボタン32"},   {61, u"なし", u"なし"}};
  for (const Case& c : cases) {
    EXPECT_EQ(inputCodeText(c.code, InputCodeStyle::List), c.list) << c.code;
    EXPECT_EQ(inputCodeText(c.code, InputCodeStyle::Window), c.window) << c.code;
  }
}

TEST(InputAssignmentTest, PressedInputsUseQuarterMarksAndHatWindows) {
  InputController c = controller(2, 1, 4);
  c.lower[0] = c.lower[1] = -500;
  c.upper[0] = c.upper[1] = 500;
  dinput::DIJOYSTATE s{};
  for (uint32_t& pov : s.rgdwPOV) pov = 0xFFFFFFFFu;
  s.lX = -501;  // past the lower mark: X minimum
  s.lY = 500;   // on the upper mark: not pressed
  s.rgdwPOV[0] = 4500;  // up and right
  s.rgbButtons[3] = 0x80;
  s.rgbButtons[4] = 0x80;  // the controller has only four buttons
  const InputCodeSet pressed = inputPressedCodes(c, s);
  std::vector<uint32_t> on;
  for (uint32_t code = 1; code <= INPUT_CODE_LAST; ++code) {
    if (pressed[code]) on.push_back(code);
  }
  EXPECT_EQ(on, (std::vector<uint32_t>{1, 13, 16, 32}));
  // Hat windows, diagonals included; a centred hat presses nothing.
  EXPECT_TRUE(inputHatPressed(35999, 0));
  EXPECT_TRUE(inputHatPressed(22500, 1) && inputHatPressed(22500, 2));
  EXPECT_FALSE(inputHatPressed(0xFFFF, 0));
  EXPECT_FALSE(inputHatPressed(18000, 3));
}

}  // namespace

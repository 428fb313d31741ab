// The SDL2 input backend over SDL's virtual joystick: identities, axes, buttons and the d-pad.

#include "platform/input/sdl/SdlInput.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace {

using namespace dinput;

class SdlInputTest : public testing::Test {
 protected:
  void SetUp() override {
    di_ = createSdlDirectInput();
    ASSERT_NE(di_, nullptr) << SDL_GetError();
  }
  void TearDown() override {
    for (int index : virtuals_) SDL_JoystickDetachVirtual(index);
    if (di_ != nullptr) di_->Release();
  }
  // A virtual game controller: 6 axes and 15 buttons, which SDL maps in the order of its
  // controller axes and buttons (the d-pad is buttons 11 to 14).
  int attach() {
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0);
    EXPECT_GE(index, 0) << SDL_GetError();
    virtuals_.push_back(index);
    return index;
  }

  IDirectInput8* di_ = nullptr;
  std::vector<int> virtuals_;
};

TEST_F(SdlInputTest, TwoPadsOfOneModelGetDistinctStableIdentities) {
  attach();
  attach();
  std::vector<DIDEVICEINSTANCE> pads = di_->EnumDevices(DI8DEVCLASS_GAMECTRL);
  ASSERT_EQ(pads.size(), 2u);
  EXPECT_FALSE(pads[0].guidInstance == pads[1].guidInstance);
  // A second enumeration gives the same identities.
  std::vector<DIDEVICEINSTANCE> again = di_->EnumDevices(DI8DEVCLASS_GAMECTRL);
  ASSERT_EQ(again.size(), 2u);
  EXPECT_TRUE(again[0].guidInstance == pads[0].guidInstance);
  EXPECT_TRUE(again[1].guidInstance == pads[1].guidInstance);
  IDirectInputDevice8* device = nullptr;
  EXPECT_EQ(di_->CreateDevice(GUID{1, 2, 3, {}}, &device), DIERR_DEVICENOTREG);
}

TEST_F(SdlInputTest, ControllerStateReachesTheJoystickState) {
  const int index = attach();
  std::vector<DIDEVICEINSTANCE> pads = di_->EnumDevices(DI8DEVCLASS_GAMECTRL);
  ASSERT_EQ(pads.size(), 1u);
  IDirectInputDevice8* pad = nullptr;
  ASSERT_EQ(di_->CreateDevice(pads[0].guidInstance, &pad), DI_OK);
  int window = 0;
  ASSERT_EQ(pad->SetDataFormat(DataFormat::Joystick), DI_OK);
  ASSERT_EQ(pad->SetCooperativeLevel(&window, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
  DIPROPRANGE range;
  ASSERT_EQ(pad->GetRange(DIJOFS_X, &range), DI_OK);
  EXPECT_EQ(range.lMin, -32768);
  EXPECT_EQ(range.lMax, 32767);

  SDL_Joystick* joystick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
  ASSERT_NE(joystick, nullptr);
  ASSERT_EQ(SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, 30000), 0);
  ASSERT_EQ(SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_B, 1), 0);
  ASSERT_EQ(SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_DPAD_UP, 1), 0);
  ASSERT_EQ(SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 1), 0);
  ASSERT_EQ(pad->Acquire(), DI_OK);
  ASSERT_EQ(pad->Poll(), DI_OK);
  DIJOYSTATE state{};
  ASSERT_EQ(pad->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_EQ(state.lX, 30000);
  EXPECT_EQ(state.rgbButtons[SDL_CONTROLLER_BUTTON_B], 0x80);
  EXPECT_EQ(state.rgbButtons[SDL_CONTROLLER_BUTTON_A], 0);
  // The d-pad is the first point of view, not buttons.
  EXPECT_EQ(state.rgdwPOV[0], 4500u);
  EXPECT_EQ(state.rgbButtons[SDL_CONTROLLER_BUTTON_DPAD_UP], 0);
  EXPECT_EQ(state.rgdwPOV[1], 0xFFFFFFFFu);
  pad->Release();
}

}  // namespace

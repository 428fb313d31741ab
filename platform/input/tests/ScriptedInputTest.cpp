// The scripted input backend: the text description and the device rules the input code relies on.

#include "platform/input/ScriptedInput.h"

#include <gtest/gtest.h>

namespace {

using namespace dinput;

TEST(ScriptedInput, DescriptionTextIsParsedOrRefusedWithItsEntry) {
  std::optional<ScriptedInputDescription> d =
      parseScriptedInput("pad one range 0 255 norange rz\n3 pad0 axis y 17; 0x2 key 0x1C 1");
  ASSERT_TRUE(d);
  ASSERT_EQ(d->pads.size(), 1u);
  EXPECT_EQ(d->pads[0].name, u"one");
  EXPECT_EQ(d->pads[0].ranges[0].lMax, 255);
  EXPECT_FALSE(d->pads[0].hasRange[5]);
  ASSERT_EQ(d->timeline.size(), 2u);
  EXPECT_EQ(d->timeline[0].device, 1);
  EXPECT_EQ(d->timeline[0].index, 1u);
  EXPECT_EQ(d->timeline[1].frame, 2u);
  EXPECT_EQ(d->timeline[1].index, 0x1Cu);

  const char* bad[] = {"pad", "1 pad0 button 1 1", "x key 1 1", "1 mouse button 1 1",
                       "pad a; 1 pad0 axis w 3", "pad a bogus"};
  for (const char* text : bad) {
    std::string error;
    EXPECT_FALSE(parseScriptedInput(text, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(ScriptedInput, DevicesNeedFormatLevelAndAcquisitionAndFollowTheTimeline) {
  IDirectInput8* di = createScriptedDirectInput(
      *parseScriptedInput("pad a; 1 pad0 button 2 1; 1 pad0 pov 0 9000; 2 pad0 lost 1"));
  IDirectInputDevice8* pad = nullptr;
  EXPECT_EQ(di->CreateDevice(scriptedPadInstance(1), &pad), DIERR_DEVICENOTREG);
  ASSERT_EQ(di->CreateDevice(scriptedPadInstance(0), &pad), DI_OK);
  DIJOYSTATE state{};
  EXPECT_EQ(pad->Acquire(), DIERR_INVALIDPARAM);  // no data format yet
  EXPECT_EQ(pad->SetDataFormat(DataFormat::Keyboard), DIERR_INVALIDPARAM);
  ASSERT_EQ(pad->SetDataFormat(DataFormat::Joystick), DI_OK);
  EXPECT_EQ(pad->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_FOREGROUND),
            DIERR_INVALIDPARAM);
  EXPECT_EQ(pad->GetDeviceState(sizeof state, &state), DIERR_NOTACQUIRED);
  ASSERT_EQ(pad->Acquire(), DI_OK);
  EXPECT_EQ(pad->GetDeviceState(12, &state), DIERR_INVALIDPARAM);
  ASSERT_EQ(pad->GetDeviceState(sizeof state, &state), DI_OK);  // frame 0
  EXPECT_EQ(state.rgbButtons[2], 0);
  EXPECT_EQ(state.rgdwPOV[0], 0xFFFFFFFFu);
  ASSERT_EQ(pad->GetDeviceState(sizeof state, &state), DI_OK);  // frame 1
  EXPECT_EQ(state.rgbButtons[2], 0x80);
  EXPECT_EQ(state.rgdwPOV[0], 9000u);
  EXPECT_EQ(pad->GetDeviceState(sizeof state, &state), DIERR_INPUTLOST);  // frame 2
  EXPECT_EQ(pad->Poll(), DIERR_NOTACQUIRED);
  DIPROPRANGE range;
  ASSERT_EQ(pad->GetRange(DIJOFS_RZ, &range), DI_OK);
  EXPECT_EQ(range.lMin, -1000);
  EXPECT_EQ(pad->GetRange(24, &range), DIERR_UNSUPPORTED);
  pad->Release();
  ASSERT_EQ(di->EnumDevices(DI8DEVCLASS_GAMECTRL).size(), 1u);
  EXPECT_EQ(di->EnumDevices(0).size(), 2u);
  di->Release();
}

}  // namespace

#pragma once

// The framework's input devices over the DirectInput layer (platform/input): the keyboard and
// up to four pads, each delivering up to 16 button values between 0.0 and 1.0 after the key and
// button assignments of the input settings.

#include "host/input/InputSettings.h"
#include "host/input/InputSource.h"
#include "platform/input/DirectInput.h"

#include <cstdint>

inline constexpr uint32_t OMB_INPUT_BUTTONS = 16;
inline constexpr uint32_t OMB_INPUT_AXIS_DIRECTIONS = 12;

// Assignment kinds.
inline constexpr int32_t OMB_INPUT_NONE = 0;
inline constexpr int32_t OMB_INPUT_BUTTON = 1;  // pad button 0-31
inline constexpr int32_t OMB_INPUT_AXIS = 2;    // axis direction 0-11
inline constexpr int32_t OMB_INPUT_POV = 3;     // point-of-view direction 0-15
inline constexpr int32_t OMB_INPUT_FLAG_ANALOG = 1;

struct OMB_INPUT_ASSIGN {
  int32_t kind;
  int32_t number;
  int32_t flags;
};

struct OMB_INPUT_AXIS_CALIBRATION {
  float centre;
  float halfRange;  // 0 when the axis range could not be read
};

struct OMB_INPUT_DEVICE {
  int32_t type;
  uint32_t buttonCount;
  float values[OMB_INPUT_BUTTONS];
  dinput::IDirectInputDevice8* keyboard;
  int32_t keys[OMB_INPUT_BUTTONS];
  dinput::IDirectInputDevice8* pad;
  OMB_INPUT_AXIS_CALIBRATION axes[OMB_INPUT_AXIS_DIRECTIONS];
  OMB_INPUT_ASSIGN assigns[OMB_INPUT_BUTTONS];
};

// The DirectInput object of the process, made at the first call; null when the layer gives none.
dinput::IDirectInput8* ombInputDirectInput();
// Releases it (the next call makes a new one).
void ombInputReleaseDirectInput();

OMB_INPUT_DEVICE* ombInputCreateKeyboard(const ConfigInputSettings* settings, void* window);
OMB_INPUT_DEVICE* ombInputCreatePad(void* window, const ConfigInputSettings* settings,
                                    uint32_t index);
bool ombInputReadDeviceState(dinput::IDirectInputDevice8* device, void* buffer, uint32_t size);
void ombInputPollDevice(OMB_INPUT_DEVICE* device);
int32_t ombInputGetButtonFlag(OMB_INPUT_DEVICE* device, uint32_t index);
float ombInputGetButtonValue(OMB_INPUT_DEVICE* device, uint32_t index);
void ombInputDestroyDevice(OMB_INPUT_DEVICE* device);
// A source over the device: poll, button count, flag and value of the record.
InputSource ombInputDeviceSource(OMB_INPUT_DEVICE* device);

// The value of an axis direction for the axis reading and its calibration (dead zone 0.2, full
// from 0.9); 0 for an axis whose range is unknown.
float ombInputAxisValue(int32_t axis, const OMB_INPUT_AXIS_CALIBRATION& calibration,
                        bool positive);
// Whether a point-of-view reading presses the direction (0 up, 1 down, 2 left, 3 right).
bool ombInputPovPressed(uint32_t pov, uint32_t direction);

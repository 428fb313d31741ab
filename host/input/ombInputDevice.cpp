#include "host/input/ombInputDevice.h"

#include "foundation/omb/ombLog.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

dinput::IDirectInput8*& directInput() {
  static dinput::IDirectInput8* object = nullptr;
  return object;
}

bool madeDirectInput = false;

constexpr float kDeadZone = 0.2f;
constexpr float kFull = 0.9f;
constexpr float kScale = 1.4285715f;
constexpr uint32_t kPovCentred = 0xFFFF;

// Assignment codes of the settings: 1-12 axis directions, 13-28 point-of-view directions,
// 29-60 pad buttons.
OMB_INPUT_ASSIGN decodeAssignment(uint32_t code, uint32_t flags) {
  if (code >= 29 && code <= 60) return {OMB_INPUT_BUTTON, int32_t(code - 29), int32_t(flags)};
  if (code >= 1 && code <= 12) return {OMB_INPUT_AXIS, int32_t(code - 1), int32_t(flags)};
  if (code >= 13 && code <= 28) return {OMB_INPUT_POV, int32_t(code - 13), int32_t(flags)};
  return {OMB_INPUT_NONE, 0, 0};
}

dinput::GUID padInstance(const uint32_t (&words)[4]) {
  dinput::GUID guid;
  static_assert(sizeof guid == sizeof words);
  std::memcpy(&guid, words, sizeof guid);
  return guid;
}

OMB_INPUT_DEVICE* newRecord() {
  auto* device = new OMB_INPUT_DEVICE;
  std::memset(device, 0, sizeof *device);
  return device;
}

int32_t axisReading(const dinput::DIJOYSTATE& state, uint32_t axis) {
  const int32_t axes[6] = {state.lX, state.lY, state.lZ, state.lRx, state.lRy, state.lRz};
  return axes[axis];
}

}  // namespace

dinput::IDirectInput8* ombInputDirectInput() {
  if (!madeDirectInput) {
    madeDirectInput = true;
    directInput() = dinput::createDirectInput();
  }
  return directInput();
}

void ombInputReleaseDirectInput() {
  if (directInput() != nullptr) directInput()->Release();
  directInput() = nullptr;
  madeDirectInput = false;
}

OMB_INPUT_DEVICE* ombInputCreateKeyboard(const ConfigInputSettings* settings, void* window) {
  dinput::IDirectInput8* di = window != nullptr && settings != nullptr ? ombInputDirectInput()
                                                                      : nullptr;
  dinput::IDirectInputDevice8* keyboard = nullptr;
  if (di == nullptr || dinput::failed(di->CreateDevice(dinput::GUID_SysKeyboard, &keyboard)) ||
      dinput::failed(keyboard->SetDataFormat(dinput::DataFormat::Keyboard)) ||
      dinput::failed(keyboard->SetCooperativeLevel(
          window, dinput::DISCL_NONEXCLUSIVE | dinput::DISCL_FOREGROUND))) {
    if (keyboard != nullptr) keyboard->Release();
    ombLogPrintf(OMB_LOG_INFORMATION, u"キーボードの作成に失敗しました。");
    return nullptr;
  }
  OMB_INPUT_DEVICE* device = newRecord();
  device->keyboard = keyboard;
  device->type = int32_t(settings->keyboardType);
  for (uint32_t b = 0; b < OMB_INPUT_BUTTONS; ++b) {
    device->keys[b] = int32_t(settings->keyboardKeys[b]);
    if (settings->keyboardKeys[b] != 0) device->buttonCount = b + 1;
  }
  ombLogPrintf(OMB_LOG_INFORMATION, u"キーボードの作成に成功しました。");
  return device;
}

OMB_INPUT_DEVICE* ombInputCreatePad(void* window, const ConfigInputSettings* settings,
                                    uint32_t index) {
  const bool usable = window != nullptr && settings != nullptr && index < CONFIG_PAD_SLOTS &&
                      (settings->padValid[index] & 1) != 0;
  dinput::IDirectInput8* di = usable ? ombInputDirectInput() : nullptr;
  dinput::IDirectInputDevice8* pad = nullptr;
  if (di == nullptr ||
      dinput::failed(di->CreateDevice(padInstance(settings->padInstance[index]), &pad)) ||
      dinput::failed(pad->SetDataFormat(dinput::DataFormat::Joystick)) ||
      dinput::failed(
          pad->SetCooperativeLevel(window, dinput::DISCL_EXCLUSIVE | dinput::DISCL_FOREGROUND))) {
    if (pad != nullptr) pad->Release();
    ombLogPrintf(OMB_LOG_INFORMATION, u"%d番目の入力デバイスの作成に失敗しました。",
                 int(index + 1));
    return nullptr;
  }
  OMB_INPUT_DEVICE* device = newRecord();
  device->pad = pad;
  device->type = int32_t(settings->padType[index]);
  for (uint32_t b = 0; b < OMB_INPUT_BUTTONS; ++b) {
    device->assigns[b] =
        decodeAssignment(settings->padButtons[index][b], settings->padButtonFlags[index][b]);
    if (device->assigns[b].kind != OMB_INPUT_NONE) device->buttonCount = b + 1;
  }
  pad->Unacquire();
  for (uint32_t direction = 0; direction < OMB_INPUT_AXIS_DIRECTIONS; ++direction) {
    dinput::DIPROPRANGE range;
    // Both directions of an axis share its range, asked for by the axis's offset.
    if (dinput::failed(pad->GetRange((direction / 2) * 4, &range))) continue;
    const float centre = (float(range.lMin) + float(range.lMax)) * 0.5f;
    device->axes[direction] = {centre, float(range.lMax) - centre};
  }
  ombLogPrintf(OMB_LOG_INFORMATION, u"%d番目の入力デバイスの作成に成功しました。", int(index + 1));
  return device;
}

bool ombInputReadDeviceState(dinput::IDirectInputDevice8* device, void* buffer, uint32_t size) {
  return !dinput::failed(device->Acquire()) && !dinput::failed(device->Poll()) &&
         !dinput::failed(device->GetDeviceState(size, buffer));
}

float ombInputAxisValue(int32_t axis, const OMB_INPUT_AXIS_CALIBRATION& calibration,
                        bool positive) {
  // An axis whose range could not be read has no half range: it never presses its directions.
  if (calibration.halfRange == 0.0f) return 0.0f;
  const float f = (float(axis) - calibration.centre) / calibration.halfRange;
  if (positive) return f > kFull ? 1.0f : (std::max(f, kDeadZone) - kDeadZone) * kScale;
  return f < -kFull ? 1.0f : (std::min(f, -kDeadZone) + kDeadZone) * -kScale;
}

bool ombInputPovPressed(uint32_t pov, uint32_t direction) {
  if ((pov & 0xFFFF) == kPovCentred) return false;
  switch (direction) {
    case 0: return pov >= 29300 || pov <= 6800;
    case 1: return pov >= 11300 && pov <= 24800;
    case 2: return pov >= 20300 && pov <= 33800;
    case 3: return pov >= 2300 && pov <= 15800;
    default: return false;
  }
}

void ombInputPollDevice(OMB_INPUT_DEVICE* device) {
  std::fill(std::begin(device->values), std::end(device->values), 0.0f);
  if (device->keyboard != nullptr) {
    uint8_t keys[dinput::kKeyboardStateSize];
    if (!ombInputReadDeviceState(device->keyboard, keys, sizeof keys)) return;
    for (uint32_t b = 0; b < OMB_INPUT_BUTTONS; ++b) {
      const int32_t key = device->keys[b];
      if (key > 0 && key < int32_t(sizeof keys) && (keys[key] & 0x80) != 0) {
        device->values[b] = 1.0f;
      }
    }
    return;
  }
  if (device->pad == nullptr) return;
  dinput::DIJOYSTATE state;
  if (!ombInputReadDeviceState(device->pad, &state, sizeof state)) return;
  for (uint32_t b = 0; b < device->buttonCount; ++b) {
    const OMB_INPUT_ASSIGN& assign = device->assigns[b];
    float x = 0.0f;
    switch (assign.kind) {
      case OMB_INPUT_BUTTON:
        x = (state.rgbButtons[assign.number & 31] & 0x80) != 0 ? 1.0f : 0.0f;
        break;
      case OMB_INPUT_AXIS: {
        const uint32_t direction = uint32_t(assign.number) % OMB_INPUT_AXIS_DIRECTIONS;
        x = ombInputAxisValue(axisReading(state, direction / 2), device->axes[direction],
                              direction % 2 == 1);
        break;
      }
      case OMB_INPUT_POV: {
        const uint32_t n = uint32_t(assign.number) % 16;
        x = ombInputPovPressed(state.rgdwPOV[n / 4], n % 4) ? 1.0f : 0.0f;
        break;
      }
      default:
        break;
    }
    if ((assign.flags & OMB_INPUT_FLAG_ANALOG) == 0) x = x > 0.5f ? 1.0f : 0.0f;
    device->values[b] = std::max(device->values[b], x);
  }
}

int32_t ombInputGetButtonFlag(OMB_INPUT_DEVICE* device, uint32_t index) {
  if (device->pad == nullptr || index >= OMB_INPUT_BUTTONS) return 0;
  return device->assigns[index].flags;
}

float ombInputGetButtonValue(OMB_INPUT_DEVICE* device, uint32_t index) {
  return index < OMB_INPUT_BUTTONS ? device->values[index] : 0.0f;
}

void ombInputDestroyDevice(OMB_INPUT_DEVICE* device) {
  if (device == nullptr) return;
  if (device->keyboard != nullptr) device->keyboard->Release();
  if (device->pad != nullptr) device->pad->Release();
  delete device;
}

InputSource ombInputDeviceSource(OMB_INPUT_DEVICE* device) {
  InputSource source;
  source.context = device;
  source.poll = [](void* c) { ombInputPollDevice(static_cast<OMB_INPUT_DEVICE*>(c)); };
  source.count = [](void* c) { return static_cast<OMB_INPUT_DEVICE*>(c)->buttonCount; };
  source.flag = [](void* c, uint32_t i) {
    return ombInputGetButtonFlag(static_cast<OMB_INPUT_DEVICE*>(c), i);
  };
  source.value = [](void* c, uint32_t i) {
    return ombInputGetButtonValue(static_cast<OMB_INPUT_DEVICE*>(c), i);
  };
  return source;
}

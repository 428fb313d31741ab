#pragma once

// The project's DirectInput 8-shaped input layer: one object that creates devices by instance
// identifier, and devices that are given a data format and a cooperative level, acquired,
// polled and read as one state block (the 256-byte keyboard state or the 80-byte joystick
// state). Results are DirectInput-style codes. The object comes from the backend in force
// (createDirectInput); the code above never knows which backend answers.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dinput {

using HRESULT = int32_t;
inline constexpr HRESULT DI_OK = 0;
inline constexpr HRESULT DIERR_INVALIDPARAM = int32_t(0x80070057u);
inline constexpr HRESULT DIERR_NOTACQUIRED = int32_t(0x8007000Cu);
inline constexpr HRESULT DIERR_INPUTLOST = int32_t(0x8007001Eu);
inline constexpr HRESULT DIERR_DEVICENOTREG = int32_t(0x80040154u);
inline constexpr HRESULT DIERR_UNSUPPORTED = int32_t(0x80004001u);
inline constexpr HRESULT DIERR_NOTINITIALIZED = int32_t(0x80070015u);

inline bool failed(HRESULT hr) { return hr < 0; }

struct GUID {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0;
  uint16_t Data3 = 0;
  uint8_t Data4[8] = {};
  bool operator==(const GUID&) const = default;
};

// The system keyboard's identifier.
inline constexpr GUID GUID_SysKeyboard{0x6F1D2B61u, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// Cooperative levels.
inline constexpr uint32_t DISCL_EXCLUSIVE = 0x1;
inline constexpr uint32_t DISCL_NONEXCLUSIVE = 0x2;
inline constexpr uint32_t DISCL_FOREGROUND = 0x4;
inline constexpr uint32_t DISCL_BACKGROUND = 0x8;

// The two standard data formats.
enum class DataFormat { None, Keyboard, Joystick };
inline constexpr uint32_t kKeyboardStateSize = 256;

// The joystick state of the standard joystick format: 80 bytes.
struct DIJOYSTATE {
  int32_t lX, lY, lZ;
  int32_t lRx, lRy, lRz;
  int32_t rglSlider[2];
  uint32_t rgdwPOV[4];
  uint8_t rgbButtons[32];
};
static_assert(sizeof(DIJOYSTATE) == 80);

// Byte offsets of the axes in DIJOYSTATE, by which a range is asked for.
inline constexpr uint32_t DIJOFS_X = 0;
inline constexpr uint32_t DIJOFS_Y = 4;
inline constexpr uint32_t DIJOFS_Z = 8;
inline constexpr uint32_t DIJOFS_RX = 12;
inline constexpr uint32_t DIJOFS_RY = 16;
inline constexpr uint32_t DIJOFS_RZ = 20;

struct DIPROPRANGE {
  int32_t lMin = 0;
  int32_t lMax = 0;
};

// Device types reported by enumeration.
inline constexpr uint32_t DI8DEVCLASS_KEYBOARD = 3;
inline constexpr uint32_t DI8DEVCLASS_GAMECTRL = 4;

struct DIDEVICEINSTANCE {
  GUID guidInstance;
  uint32_t deviceClass = 0;
  std::u16string instanceName;
  std::u16string productName;
};

// The objects of a game controller: which axes it has (bit i for X, Y, Z, Rx, Ry, Rz), how many
// points of view and buttons (the first of the joystick state's four and 32).
struct DIDEVICEOBJECTS {
  uint32_t axes = 0;
  uint32_t povs = 0;
  uint32_t buttons = 0;
};

class IDirectInputDevice8 {
 public:
  virtual ~IDirectInputDevice8() = default;
  virtual HRESULT SetDataFormat(DataFormat format) = 0;
  virtual HRESULT SetCooperativeLevel(void* window, uint32_t flags) = 0;
  virtual HRESULT Acquire() = 0;
  virtual HRESULT Unacquire() = 0;
  virtual HRESULT Poll() = 0;
  // size must be the data format's state size.
  virtual HRESULT GetDeviceState(uint32_t size, void* data) = 0;
  // DIPROP_RANGE of the axis at that byte offset of the joystick state.
  virtual HRESULT GetRange(uint32_t offset, DIPROPRANGE* range) = 0;
  // The controller's objects. A backend that cannot tell reports the axes with a range and every
  // point of view and button of the joystick state.
  virtual HRESULT GetObjects(DIDEVICEOBJECTS* objects) {
    if (objects == nullptr) return DIERR_INVALIDPARAM;
    *objects = {};
    for (uint32_t axis = 0; axis < 6; ++axis) {
      DIPROPRANGE range;
      if (!failed(GetRange(axis * 4, &range))) objects->axes |= 1u << axis;
    }
    objects->povs = 4;
    objects->buttons = 32;
    return DI_OK;
  }
  // Destroys the device.
  virtual void Release() = 0;
};

class IDirectInput8 {
 public:
  virtual ~IDirectInput8() = default;
  virtual HRESULT CreateDevice(const GUID& instance, IDirectInputDevice8** device) = 0;
  // The attached devices of the class (0: all), in a stable order.
  virtual std::vector<DIDEVICEINSTANCE> EnumDevices(uint32_t deviceClass) = 0;
  virtual void Release() = 0;
};

// The object of the backend in force, chosen at each call: the scripted backend when
// GAME_INPUT_SCRIPT describes devices; else the backend GAME_INPUT names (or, without it, the
// one named like the window backend in force) when it is registered and starts; else the
// scripted backend without devices beyond a keyboard that is never pressed. Null when the
// description is malformed.
IDirectInput8* createDirectInput();

// A backend linked only into some programs (SDL2) registers itself by name; its factory returns
// null when it cannot start.
using InputBackendFactory = IDirectInput8* (*)();
void registerInputBackend(const std::string& name, InputBackendFactory factory);

}  // namespace dinput

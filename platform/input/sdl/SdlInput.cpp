#include "platform/input/sdl/SdlInput.h"

#include <SDL.h>

#include <cstring>
#include <vector>

namespace dinput {
namespace {

// DirectInput key codes of SDL scancodes; 0 where the keyboard has no such key.
uint8_t keyCodeOf(SDL_Scancode scancode) {
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
    static const uint8_t kLetters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                         0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                         0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    return kLetters[scancode - SDL_SCANCODE_A];
  }
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_0) {
    return uint8_t(0x02 + (scancode - SDL_SCANCODE_1));
  }
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F10) {
    return uint8_t(0x3B + (scancode - SDL_SCANCODE_F1));
  }
  switch (scancode) {
    case SDL_SCANCODE_ESCAPE: return 0x01;
    case SDL_SCANCODE_MINUS: return 0x0C;
    case SDL_SCANCODE_EQUALS: return 0x0D;
    case SDL_SCANCODE_BACKSPACE: return 0x0E;
    case SDL_SCANCODE_TAB: return 0x0F;
    case SDL_SCANCODE_LEFTBRACKET: return 0x1A;
    case SDL_SCANCODE_RIGHTBRACKET: return 0x1B;
    case SDL_SCANCODE_RETURN: return 0x1C;
    case SDL_SCANCODE_LCTRL: return 0x1D;
    case SDL_SCANCODE_SEMICOLON: return 0x27;
    case SDL_SCANCODE_APOSTROPHE: return 0x28;
    case SDL_SCANCODE_GRAVE: return 0x29;
    case SDL_SCANCODE_LSHIFT: return 0x2A;
    case SDL_SCANCODE_BACKSLASH: return 0x2B;
    case SDL_SCANCODE_COMMA: return 0x33;
    case SDL_SCANCODE_PERIOD: return 0x34;
    case SDL_SCANCODE_SLASH: return 0x35;
    case SDL_SCANCODE_RSHIFT: return 0x36;
    case SDL_SCANCODE_KP_MULTIPLY: return 0x37;
    case SDL_SCANCODE_LALT: return 0x38;
    case SDL_SCANCODE_SPACE: return 0x39;
    case SDL_SCANCODE_CAPSLOCK: return 0x3A;
    case SDL_SCANCODE_NUMLOCKCLEAR: return 0x45;
    case SDL_SCANCODE_SCROLLLOCK: return 0x46;
    case SDL_SCANCODE_KP_7: return 0x47;
    case SDL_SCANCODE_KP_8: return 0x48;
    case SDL_SCANCODE_KP_9: return 0x49;
    case SDL_SCANCODE_KP_MINUS: return 0x4A;
    case SDL_SCANCODE_KP_4: return 0x4B;
    case SDL_SCANCODE_KP_5: return 0x4C;
    case SDL_SCANCODE_KP_6: return 0x4D;
    case SDL_SCANCODE_KP_PLUS: return 0x4E;
    case SDL_SCANCODE_KP_1: return 0x4F;
    case SDL_SCANCODE_KP_2: return 0x50;
    case SDL_SCANCODE_KP_3: return 0x51;
    case SDL_SCANCODE_KP_0: return 0x52;
    case SDL_SCANCODE_KP_PERIOD: return 0x53;
    case SDL_SCANCODE_F11: return 0x57;
    case SDL_SCANCODE_F12: return 0x58;
    case SDL_SCANCODE_KP_ENTER: return 0x9C;
    case SDL_SCANCODE_RCTRL: return 0x9D;
    case SDL_SCANCODE_KP_DIVIDE: return 0xB5;
    case SDL_SCANCODE_RALT: return 0xB8;
    case SDL_SCANCODE_HOME: return 0xC7;
    case SDL_SCANCODE_UP: return 0xC8;
    case SDL_SCANCODE_PAGEUP: return 0xC9;
    case SDL_SCANCODE_LEFT: return 0xCB;
    case SDL_SCANCODE_RIGHT: return 0xCD;
    case SDL_SCANCODE_END: return 0xCF;
    case SDL_SCANCODE_DOWN: return 0xD0;
    case SDL_SCANCODE_PAGEDOWN: return 0xD1;
    case SDL_SCANCODE_INSERT: return 0xD2;
    case SDL_SCANCODE_DELETE: return 0xD3;
    case SDL_SCANCODE_LGUI: return 0xDB;
    case SDL_SCANCODE_RGUI: return 0xDC;
    default: return 0;
  }
}

// Axes of the joystick state: X and Y the left stick, Z and Rz the right stick, Rx and Ry the
// triggers (which SDL reports from 0 up).
constexpr SDL_GameControllerAxis kAxes[6] = {
    SDL_CONTROLLER_AXIS_LEFTX,        SDL_CONTROLLER_AXIS_LEFTY,
    SDL_CONTROLLER_AXIS_RIGHTX,       SDL_CONTROLLER_AXIS_TRIGGERLEFT,
    SDL_CONTROLLER_AXIS_TRIGGERRIGHT, SDL_CONTROLLER_AXIS_RIGHTY};

uint32_t povOf(SDL_GameController* pad) {
  const bool up = SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_UP);
  const bool down = SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
  const bool left = SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
  const bool right = SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
  const int x = int(right) - int(left);
  const int y = int(up) - int(down);
  static const uint32_t kAngles[3][3] = {
      {22500, 27000, 31500},  // down-left, left, up-left
      {18000, 0xFFFFFFFFu, 0},
      {13500, 9000, 4500}};
  return kAngles[x + 1][y + 1];
}

// One attached controller: its instance identifier and its SDL instance id.
struct Attached {
  GUID instance;
  SDL_JoystickID id;
  std::u16string name;
};

std::vector<Attached> attachedControllers() {
  std::vector<Attached> out;
  std::vector<SDL_JoystickGUID> seen;
  for (int i = 0; i < SDL_NumJoysticks(); ++i) {
    if (!SDL_IsGameController(i)) continue;
    const SDL_JoystickGUID model = SDL_JoystickGetDeviceGUID(i);
    uint8_t occurrence = 0;
    for (const SDL_JoystickGUID& other : seen) {
      occurrence += std::memcmp(&other, &model, sizeof model) == 0 ? 1 : 0;
    }
    seen.push_back(model);
    Attached a{};
    static_assert(sizeof a.instance == sizeof model);
    std::memcpy(static_cast<void*>(&a.instance), &model, sizeof model);
    a.instance.Data4[7] ^= occurrence;
    a.id = SDL_JoystickGetDeviceInstanceID(i);
    const char* name = SDL_GameControllerNameForIndex(i);
    for (const char* c = name != nullptr ? name : "controller"; *c != '\0'; ++c) {
      a.name.push_back(char16_t(uint8_t(*c)));
    }
    out.push_back(std::move(a));
  }
  return out;
}

class SdlDevice : public IDirectInputDevice8 {
 public:
  explicit SdlDevice(SDL_GameController* pad) : pad_(pad) {}
  ~SdlDevice() override {
    if (pad_ != nullptr) SDL_GameControllerClose(pad_);
  }

  HRESULT SetDataFormat(DataFormat format) override {
    if (acquired_) return DIERR_INVALIDPARAM;
    if (format != (pad_ == nullptr ? DataFormat::Keyboard : DataFormat::Joystick)) {
      return DIERR_INVALIDPARAM;
    }
    format_ = format;
    return DI_OK;
  }
  HRESULT SetCooperativeLevel(void* window, uint32_t flags) override {
    if (((flags & DISCL_EXCLUSIVE) != 0) == ((flags & DISCL_NONEXCLUSIVE) != 0) ||
        ((flags & DISCL_FOREGROUND) != 0) == ((flags & DISCL_BACKGROUND) != 0) ||
        ((flags & DISCL_FOREGROUND) != 0 && window == nullptr)) {
      return DIERR_INVALIDPARAM;
    }
    return DI_OK;
  }
  HRESULT Acquire() override {
    if (format_ == DataFormat::None) return DIERR_INVALIDPARAM;
    if (pad_ != nullptr && !SDL_GameControllerGetAttached(pad_)) return DIERR_INPUTLOST;
    acquired_ = true;
    return DI_OK;
  }
  HRESULT Unacquire() override {
    acquired_ = false;
    return DI_OK;
  }
  HRESULT Poll() override {
    if (!acquired_) return DIERR_NOTACQUIRED;
    if (pad_ != nullptr) SDL_GameControllerUpdate();
    return DI_OK;
  }
  HRESULT GetDeviceState(uint32_t size, void* data) override {
    if (!acquired_) return DIERR_NOTACQUIRED;
    if (data == nullptr) return DIERR_INVALIDPARAM;
    if (pad_ == nullptr) {
      if (size != kKeyboardStateSize) return DIERR_INVALIDPARAM;
      auto* keys = static_cast<uint8_t*>(data);
      std::memset(keys, 0, size);
      int count = 0;
      const uint8_t* state = SDL_GetKeyboardState(&count);
      for (int s = 0; s < count; ++s) {
        const uint8_t code = keyCodeOf(SDL_Scancode(s));
        if (state[s] != 0 && code != 0) keys[code] = 0x80;
      }
      return DI_OK;
    }
    if (size != sizeof(DIJOYSTATE)) return DIERR_INVALIDPARAM;
    if (!SDL_GameControllerGetAttached(pad_)) {
      acquired_ = false;
      return DIERR_INPUTLOST;
    }
    DIJOYSTATE state{};
    int32_t* axes[6] = {&state.lX, &state.lY, &state.lZ, &state.lRx, &state.lRy, &state.lRz};
    for (int i = 0; i < 6; ++i) *axes[i] = SDL_GameControllerGetAxis(pad_, kAxes[i]);
    for (uint32_t& pov : state.rgdwPOV) pov = 0xFFFFFFFFu;
    state.rgdwPOV[0] = povOf(pad_);
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX && b < 32; ++b) {
      if (b >= SDL_CONTROLLER_BUTTON_DPAD_UP && b <= SDL_CONTROLLER_BUTTON_DPAD_RIGHT) continue;
      state.rgbButtons[b] =
          SDL_GameControllerGetButton(pad_, SDL_GameControllerButton(b)) ? 0x80 : 0;
    }
    std::memcpy(data, &state, size);
    return DI_OK;
  }
  HRESULT GetRange(uint32_t offset, DIPROPRANGE* range) override {
    if (pad_ == nullptr || range == nullptr || offset % 4 != 0 || offset / 4 >= 6) {
      return DIERR_UNSUPPORTED;
    }
    const SDL_GameControllerAxis axis = kAxes[offset / 4];
    const bool trigger =
        axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT || axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT;
    *range = trigger ? DIPROPRANGE{0, 32767} : DIPROPRANGE{-32768, 32767};
    return DI_OK;
  }
  void Release() override { delete this; }

 private:
  SDL_GameController* pad_;
  DataFormat format_ = DataFormat::None;
  bool acquired_ = false;
};

class SdlDirectInput : public IDirectInput8 {
 public:
  ~SdlDirectInput() override { SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER); }

  HRESULT CreateDevice(const GUID& instance, IDirectInputDevice8** device) override {
    if (device == nullptr) return DIERR_INVALIDPARAM;
    *device = nullptr;
    if (instance == GUID_SysKeyboard) {
      *device = new SdlDevice(nullptr);
      return DI_OK;
    }
    SDL_GameControllerUpdate();
    for (const Attached& a : attachedControllers()) {
      if (!(a.instance == instance)) continue;
      for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) != a.id) continue;
        SDL_GameController* pad = SDL_GameControllerOpen(i);
        if (pad == nullptr) return DIERR_DEVICENOTREG;
        *device = new SdlDevice(pad);
        return DI_OK;
      }
    }
    return DIERR_DEVICENOTREG;
  }
  std::vector<DIDEVICEINSTANCE> EnumDevices(uint32_t deviceClass) override {
    std::vector<DIDEVICEINSTANCE> out;
    if (deviceClass == 0 || deviceClass == DI8DEVCLASS_KEYBOARD) {
      out.push_back({GUID_SysKeyboard, DI8DEVCLASS_KEYBOARD, u"Keyboard", u"Keyboard"});
    }
    if (deviceClass == 0 || deviceClass == DI8DEVCLASS_GAMECTRL) {
      SDL_GameControllerUpdate();
      for (const Attached& a : attachedControllers()) {
        out.push_back({a.instance, DI8DEVCLASS_GAMECTRL, a.name, a.name});
      }
    }
    return out;
  }
  void Release() override { delete this; }
};

}  // namespace

IDirectInput8* createSdlDirectInput() {
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return nullptr;
  return new SdlDirectInput;
}

void registerSdlInputBackend() { registerInputBackend("sdl", &createSdlDirectInput); }

}  // namespace dinput

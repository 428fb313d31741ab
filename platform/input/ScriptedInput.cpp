#include "platform/input/ScriptedInput.h"

#include <cstdlib>
#include <cstring>
#include <sstream>

namespace dinput {

namespace {

struct DeviceState {
  uint8_t keys[kKeyboardStateSize] = {};
  DIJOYSTATE joy{};
  bool lost = false;
};

class ScriptedDevice : public IDirectInputDevice8 {
 public:
  ScriptedDevice(const ScriptedInputDescription& description, int32_t device)
      : description_(description), device_(device) {
    for (uint32_t& pov : state_.joy.rgdwPOV) pov = 0xFFFFFFFFu;
    if (device_ > 0) {
      const ScriptedPad& pad = description_.pads[size_t(device_ - 1)];
      int32_t* axes[6] = {&state_.joy.lX,  &state_.joy.lY,  &state_.joy.lZ,
                          &state_.joy.lRx, &state_.joy.lRy, &state_.joy.lRz};
      // Axes rest at the centre of their range.
      for (int i = 0; i < 6; ++i) *axes[i] = (pad.ranges[i].lMin + pad.ranges[i].lMax) / 2;
    }
  }

  HRESULT SetDataFormat(DataFormat format) override {
    if (acquired_) return DIERR_INVALIDPARAM;
    const DataFormat own = device_ == 0 ? DataFormat::Keyboard : DataFormat::Joystick;
    if (format != own) return DIERR_INVALIDPARAM;
    format_ = format;
    return DI_OK;
  }
  HRESULT SetCooperativeLevel(void* window, uint32_t flags) override {
    const bool exclusive = (flags & DISCL_EXCLUSIVE) != 0;
    const bool shared = (flags & DISCL_NONEXCLUSIVE) != 0;
    const bool fore = (flags & DISCL_FOREGROUND) != 0;
    const bool back = (flags & DISCL_BACKGROUND) != 0;
    if (exclusive == shared || fore == back) return DIERR_INVALIDPARAM;
    if (fore && window == nullptr) return DIERR_INVALIDPARAM;
    cooperative_ = flags;
    return DI_OK;
  }
  HRESULT Acquire() override {
    if (format_ == DataFormat::None) return DIERR_INVALIDPARAM;
    acquired_ = true;
    return DI_OK;
  }
  HRESULT Unacquire() override {
    acquired_ = false;
    return DI_OK;
  }
  HRESULT Poll() override { return acquired_ ? DI_OK : DIERR_NOTACQUIRED; }
  HRESULT GetDeviceState(uint32_t size, void* data) override {
    if (!acquired_) return DIERR_NOTACQUIRED;
    const uint32_t expected =
        format_ == DataFormat::Keyboard ? kKeyboardStateSize : uint32_t(sizeof(DIJOYSTATE));
    if (size != expected || data == nullptr) return DIERR_INVALIDPARAM;
    applyFrame(reads_++);
    if (state_.lost) {
      acquired_ = false;
      return DIERR_INPUTLOST;
    }
    if (format_ == DataFormat::Keyboard) {
      std::memcpy(data, state_.keys, size);
    } else {
      std::memcpy(data, &state_.joy, size);
    }
    return DI_OK;
  }
  HRESULT GetRange(uint32_t offset, DIPROPRANGE* range) override {
    if (device_ == 0 || range == nullptr || offset % 4 != 0 || offset / 4 >= 6) {
      return DIERR_UNSUPPORTED;
    }
    const ScriptedPad& pad = description_.pads[size_t(device_ - 1)];
    if (!pad.hasRange[offset / 4]) return DIERR_UNSUPPORTED;
    *range = pad.ranges[offset / 4];
    return DI_OK;
  }
  HRESULT GetObjects(DIDEVICEOBJECTS* objects) override {
    if (device_ == 0 || objects == nullptr) return DIERR_UNSUPPORTED;
    const ScriptedPad& pad = description_.pads[size_t(device_ - 1)];
    objects->axes = (1u << pad.axes) - 1;
    objects->povs = pad.povs;
    objects->buttons = pad.buttons;
    return DI_OK;
  }
  void Release() override { delete this; }

 private:
  void applyFrame(uint32_t frame) {
    for (const ScriptedChange& change : description_.timeline) {
      if (change.frame != frame || change.device != device_) continue;
      switch (change.control) {
        case ScriptedControl::Key:
          if (change.index < kKeyboardStateSize) state_.keys[change.index] = change.value ? 0x80 : 0;
          break;
        case ScriptedControl::Button:
          if (change.index < 32) state_.joy.rgbButtons[change.index] = change.value ? 0x80 : 0;
          break;
        case ScriptedControl::Axis: {
          int32_t* axes[6] = {&state_.joy.lX,  &state_.joy.lY,  &state_.joy.lZ,
                              &state_.joy.lRx, &state_.joy.lRy, &state_.joy.lRz};
          if (change.index < 6) *axes[change.index] = change.value;
          break;
        }
        case ScriptedControl::Pov:
          if (change.index < 4) state_.joy.rgdwPOV[change.index] = uint32_t(change.value);
          break;
        case ScriptedControl::Lost:
          state_.lost = change.value != 0;
          break;
      }
    }
  }

  const ScriptedInputDescription& description_;
  int32_t device_;
  DataFormat format_ = DataFormat::None;
  uint32_t cooperative_ = 0;
  bool acquired_ = false;
  uint32_t reads_ = 0;
  DeviceState state_;
};

class ScriptedDirectInput : public IDirectInput8 {
 public:
  explicit ScriptedDirectInput(ScriptedInputDescription description)
      : description_(std::move(description)) {}

  HRESULT CreateDevice(const GUID& instance, IDirectInputDevice8** device) override {
    if (device == nullptr) return DIERR_INVALIDPARAM;
    *device = nullptr;
    if (instance == GUID_SysKeyboard) {
      *device = new ScriptedDevice(description_, 0);
      return DI_OK;
    }
    for (uint32_t n = 0; n < description_.pads.size(); ++n) {
      if (instance == scriptedPadInstance(n)) {
        *device = new ScriptedDevice(description_, int32_t(n + 1));
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
      for (uint32_t n = 0; n < description_.pads.size(); ++n) {
        const std::u16string& name = description_.pads[n].name;
        out.push_back({scriptedPadInstance(n), DI8DEVCLASS_GAMECTRL, name, name});
      }
    }
    return out;
  }
  void Release() override { delete this; }

 private:
  ScriptedInputDescription description_;
};

bool parseNumber(const std::string& word, int32_t& out) {
  if (word.empty()) return false;
  char* end = nullptr;
  const long long value = std::strtoll(word.c_str(), &end, 0);
  if (*end != '\0' || value < INT32_MIN || value > int64_t(UINT32_MAX)) return false;
  out = int32_t(value);
  return true;
}

int axisIndex(const std::string& name) {
  static const char* const kNames[6] = {"x", "y", "z", "rx", "ry", "rz"};
  for (int i = 0; i < 6; ++i) {
    if (name == kNames[i]) return i;
  }
  return -1;
}

}  // namespace

GUID scriptedPadInstance(uint32_t pad) {
  return GUID{0x50414430u + pad, 0x5343, 0x5250, {'s', 'c', 'r', 'i', 'p', 't', 'e', 'd'}};
}

IDirectInput8* createScriptedDirectInput(ScriptedInputDescription description) {
  return new ScriptedDirectInput(std::move(description));
}

std::optional<ScriptedInputDescription> parseScriptedInput(const std::string& text,
                                                           std::string* error) {
  ScriptedInputDescription out;
  std::string entry;
  std::string normalised = text;
  for (char& c : normalised) {
    if (c == '\n') c = ';';
  }
  std::istringstream entries(normalised);
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why + ": \"" + entry + "\"";
    return std::nullopt;
  };
  while (std::getline(entries, entry, ';')) {
    std::istringstream in(entry);
    std::vector<std::string> w;
    for (std::string word; in >> word;) w.push_back(word);
    if (w.empty()) continue;
    if (w[0] == "pad") {
      if (w.size() < 2) return fail("pad without a name");
      ScriptedPad pad;
      pad.name.assign(w[1].begin(), w[1].end());
      for (size_t i = 2; i < w.size();) {
        int32_t a = 0, b = 0;
        if (w[i] == "range" && i + 2 < w.size() && parseNumber(w[i + 1], a) &&
            parseNumber(w[i + 2], b)) {
          for (DIPROPRANGE& r : pad.ranges) r = {a, b};
          i += 3;
        } else if ((w[i] == "axes" || w[i] == "buttons" || w[i] == "povs") && i + 1 < w.size() &&
                   parseNumber(w[i + 1], a)) {
          const int32_t most = w[i] == "axes" ? 6 : w[i] == "buttons" ? 32 : 4;
          if (a < 0 || a > most) return fail("bad object count");
          (w[i] == "axes" ? pad.axes : w[i] == "buttons" ? pad.buttons : pad.povs) = uint32_t(a);
          i += 2;
        } else if (w[i] == "norange" && i + 1 < w.size() && axisIndex(w[i + 1]) >= 0) {
          pad.hasRange[axisIndex(w[i + 1])] = false;
          i += 2;
        } else {
          return fail("unknown pad option");
        }
      }
      out.pads.push_back(std::move(pad));
      continue;
    }
    ScriptedChange change;
    int32_t frame = 0;
    if (!parseNumber(w[0], frame) || frame < 0 || w.size() < 3) return fail("bad change");
    change.frame = uint32_t(frame);
    size_t next = 2;
    if (w[1] == "key") {
      change.device = 0;
      change.control = ScriptedControl::Key;
      next = 2;
      int32_t code = 0, value = 0;
      if (w.size() != 4 || !parseNumber(w[2], code) || !parseNumber(w[3], value)) {
        return fail("bad key change");
      }
      change.index = uint32_t(code);
      change.value = value;
      out.timeline.push_back(change);
      continue;
    }
    if (w[1] == "keyboard") {
      change.device = 0;
    } else if (w[1].rfind("pad", 0) == 0) {
      int32_t pad = 0;
      if (!parseNumber(w[1].substr(3), pad) || pad < 0) return fail("bad pad number");
      change.device = pad + 1;
    } else {
      return fail("unknown device");
    }
    const std::string& what = w[next];
    int32_t index = 0, value = 0;
    if (what == "lost" && w.size() == 4 && parseNumber(w[3], value)) {
      change.control = ScriptedControl::Lost;
    } else if (what == "button" && w.size() == 5 && parseNumber(w[3], index) &&
               parseNumber(w[4], value)) {
      change.control = ScriptedControl::Button;
    } else if (what == "axis" && w.size() == 5 && axisIndex(w[3]) >= 0 &&
               parseNumber(w[4], value)) {
      change.control = ScriptedControl::Axis;
      index = axisIndex(w[3]);
    } else if (what == "pov" && w.size() == 5 && parseNumber(w[3], index) &&
               parseNumber(w[4], value)) {
      change.control = ScriptedControl::Pov;
    } else {
      return fail("bad change");
    }
    change.index = uint32_t(index);
    change.value = value;
    out.timeline.push_back(change);
  }
  for (const ScriptedChange& change : out.timeline) {
    if (change.device > int32_t(out.pads.size())) {
      entry.clear();
      return fail("change of an undeclared pad");
    }
  }
  return out;
}

}  // namespace dinput

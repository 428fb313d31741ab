#include "host/settings/ombInput.h"

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "host/input/ombInputDevice.h"
#include "host/settings/ombMswConfig.h"
#include "platform/kernel/IniFile.h"
#include "platform/text/Utf8.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

bool ready = false;
// Stands for the DirectInput object until the input devices exist.
const char directInputToken = 0;

constexpr const char16_t* kPadSection = u"configInputPadButtonSetting";
// Controller input codes run from 1 to 60; 0 is none.
constexpr uint32_t kLastPadCode = 60;

std::u16string key(const char* format, uint32_t a, uint32_t b = 0) {
  char text[48];
  std::snprintf(text, sizeof text, format, a, b);
  return platform::utf8ToUtf16(text);
}

std::u16string number(uint32_t value) { return platform::utf8ToUtf16(std::to_string(value)); }

std::u16string guidText(const uint32_t (&guid)[4]) {
  char text[48];
  std::snprintf(text, sizeof text, "%x_%x_%x_%x", guid[0], guid[1], guid[2], guid[3]);
  return platform::utf8ToUtf16(text);
}

bool parseGuid(const std::u16string& text, uint32_t (&guid)[4]) {
  return !text.empty() && std::sscanf(platform::utf16ToUtf8(text).c_str(), "%x_%x_%x_%x",
                                      &guid[0], &guid[1], &guid[2], &guid[3]) == 4;
}

// The last assignment of a controller for an input type, kept across runs.
struct Remembered {
  uint32_t guid[4];
  uint32_t type;
  uint32_t buttons[CONFIG_INPUT_BUTTONS];
  uint32_t flags[CONFIG_INPUT_BUTTONS];
};

class InputPage final : public OmbMswConfigPlugin {
 public:
  InputPage(ConfigInputSettings* settings, const OMB_INPUT_LAYOUT& layout)
      : settings_(settings), layout_(layout) {}

  const char16_t* label() const override { return u"コントローラ"; }

  void init(const OMB_MSW_CONFIG_CONTEXT& context, bool useDefaults) override {
    context_ = context;
    if (!ombInputGetDirectInput()) {
      ombLogPrintf(OMB_LOG_WARNING,
                   u"Warning: [%s] 使用可能なDirectInput8が見つかりません。\r\n"
                   u"最新のDirectXをインストールしてください。",
                   "pluginOnInit");
      return;
    }
    if (useDefaults) {
      applyDefaults();
    } else {
      load();
    }
    initialised_ = true;
  }

  void end(bool confirmed) override {
    if (confirmed && initialised_) save();
  }

  std::u16string report() const override;

 private:
  std::u16string read(const std::u16string& section, const std::u16string& name) const {
    char16_t text[128];
    platform::getPrivateProfileString(section, name, u"", text, 128, context_.iniPath);
    return text;
  }
  uint32_t readNumber(const std::u16string& section, const std::u16string& name,
                      uint32_t fallback) const {
    return static_cast<uint32_t>(platform::getPrivateProfileInt(
        section, name, static_cast<int32_t>(fallback), context_.iniPath));
  }
  void write(const std::u16string& section, const std::u16string& name,
             const std::u16string& value) const {
    platform::writePrivateProfileString(section, name, value, context_.iniPath);
  }

  uint32_t defaultKey(uint32_t type, uint32_t button) const {
    if (type >= layout_.typeCount || button >= layout_.types[type].buttonCount) return 0;
    return static_cast<uint32_t>(layout_.types[type].buttons[button].key);
  }

  void applyDefaults() {
    *settings_ = {};
    for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) settings_->keyboardKeys[b] = defaultKey(0, b);
  }

  void load() {
    applyDefaults();
    const std::u16string& section = context_.section;
    const uint32_t type = readNumber(section, u"inputKeyType", layout_.typeCount);
    if (type < layout_.typeCount) {
      settings_->keyboardType = type;
      for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) {
        const uint32_t fallback = defaultKey(type, b);
        const uint32_t value = readNumber(section, key("inputKey%u", b), fallback);
        settings_->keyboardKeys[b] = value > 255 ? fallback : value;
      }
    }
    for (uint32_t n = 0;; ++n) {
      Remembered r{};
      if (!parseGuid(read(kPadSection, key("guid%u", n)), r.guid)) break;
      r.type = readNumber(kPadSection, key("type%u", n), layout_.typeCount);
      if (r.type >= layout_.typeCount) continue;
      for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) {
        const uint32_t code = readNumber(kPadSection, key("button%u_%u", n, b), 0);
        r.buttons[b] = code >= 1 && code <= kLastPadCode ? code : 0;
        if (r.buttons[b]) r.flags[b] = readNumber(kPadSection, key("buttonFlag%u_%u", n, b), 0);
      }
      remember(r);
    }
    // A saved slot is bound again when its controller is attached and an assignment for its
    // controller and type is remembered.
    std::vector<dinput::DIDEVICEINSTANCE> attached;
    if (dinput::IDirectInput8* di = ombInputDirectInput()) {
      attached = di->EnumDevices(dinput::DI8DEVCLASS_GAMECTRL);
    }
    bool missing = false;
    for (uint32_t slot = 0; slot < CONFIG_PAD_SLOTS; ++slot) {
      const std::u16string instance = read(section, key("inputPad%uInstance", slot));
      if (instance.empty()) continue;
      uint32_t guid[4] = {};
      const uint32_t type = readNumber(section, key("inputPad%uType", slot), layout_.typeCount);
      const Remembered* found = nullptr;
      if (parseGuid(instance, guid) && type < layout_.typeCount && isAttached(attached, guid)) {
        for (const Remembered& r : remembered_) {
          if (r.type == type && std::memcmp(r.guid, guid, sizeof guid) == 0) found = &r;
        }
      }
      if (found == nullptr) {
        missing = true;
        continue;
      }
      settings_->padValid[slot] = 1;
      std::memcpy(settings_->padInstance[slot], guid, sizeof guid);
      settings_->padType[slot] = type;
      std::memcpy(settings_->padButtons[slot], found->buttons, sizeof found->buttons);
      std::memcpy(settings_->padButtonFlags[slot], found->flags, sizeof found->flags);
    }
    if (missing) {
      ombLogPrintf(OMB_LOG_WARNING, u"Warning: [%s] 前回使用したコントローラが見つかりませんでした。",
                   "loadSetting");
    }
  }

  static bool isAttached(const std::vector<dinput::DIDEVICEINSTANCE>& attached,
                         const uint32_t (&guid)[4]) {
    for (const dinput::DIDEVICEINSTANCE& device : attached) {
      if (std::memcmp(&device.guidInstance, guid, sizeof device.guidInstance) == 0) return true;
    }
    return false;
  }

  void remember(const Remembered& r) {
    for (Remembered& old : remembered_) {
      if (old.type == r.type && std::memcmp(old.guid, r.guid, sizeof r.guid) == 0) {
        old = r;
        return;
      }
    }
    remembered_.push_back(r);
  }

  void save() const {
    const std::u16string& section = context_.section;
    write(section, u"inputKeyType", number(settings_->keyboardType));
    for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) {
      write(section, key("inputKey%u", b), number(settings_->keyboardKeys[b]));
    }
    uint32_t n = 0;
    for (const Remembered& r : remembered_) {
      write(kPadSection, key("guid%u", n), guidText(r.guid));
      write(kPadSection, key("type%u", n), number(r.type));
      for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) {
        write(kPadSection, key("button%u_%u", n, b), number(r.buttons[b]));
        write(kPadSection, key("buttonFlag%u_%u", n, b), number(r.flags[b]));
      }
      ++n;
    }
    write(kPadSection, key("guid%u", n), u"");
    for (uint32_t slot = 0; slot < CONFIG_PAD_SLOTS; ++slot) {
      write(section, key("inputPad%uInstance", slot), u"");
      if (settings_->padValid[slot] & 1) {
        write(section, key("inputPad%uInstance", slot), guidText(settings_->padInstance[slot]));
      }
      write(section, key("inputPad%uType", slot), number(settings_->padType[slot]));
    }
  }

  ConfigInputSettings* settings_;
  OMB_INPUT_LAYOUT layout_;
  OMB_MSW_CONFIG_CONTEXT context_;
  std::vector<Remembered> remembered_;
  bool initialised_ = false;
};

std::u16string InputPage::report() const {
  if (!ombInputGetDirectInput()) {
    return u"-----\r\nController Setting\r\n  DirectInput8が見つかりません。\r\n\r\n";
  }
  if (!initialised_) return u"-----\r\nController Setting\r\n  初期化に失敗しました。\r\n\r\n";
  std::u16string text = u"-----\r\nController Setting\r\n  Keyboard: \r\n";
  const uint32_t type = settings_->keyboardType;
  if (type < layout_.typeCount) {
    const ConfigInputType& t = layout_.types[type];
    text += u"    Type: " + std::u16string(t.name) + u"\r\n";
    for (uint32_t b = 0; b < t.buttonCount; ++b) {
      text += u"    " + std::u16string(t.buttons[b].name) + u": unknown\r\n";
    }
  } else {
    text += u"    Type: Invalid\r\n";
  }
  for (uint32_t slot = 0; slot < layout_.padCount && slot < CONFIG_PAD_SLOTS; ++slot) {
    text += key("  Controller%u: \r\n", slot + 1) + u"    Invalid.\r\n";
  }
  return text + u"\r\n";
}

}  // namespace

void ombInputInit() {
  if (ready) return;
  ready = true;
  ombRegisterUninit(ombInputUninit);
}

void ombInputUninit() { ready = false; }

const void* ombInputGetDirectInput() { return ready ? &directInputToken : nullptr; }

void ombInputAddConfigPlugin(ConfigInputSettings* settings, OMB_MSW_CONFIG* dialog,
                             const OMB_INPUT_LAYOUT& layout) {
  *settings = {};
  dialog->pages.push_back(std::make_unique<InputPage>(settings, layout));
}

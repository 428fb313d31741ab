#include "host/settings/ombInput.h"

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/text/ombFormat.h"
#include "host/input/ombInputDevice.h"
#include "host/settings/InputPage.h"
#include "platform/input/KeyNames.h"
#include "platform/kernel/IniFile.h"
#include "platform/text/Utf8.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

bool ready = false;
// Stands for the DirectInput object while the module is initialised.
const char directInputToken = 0;

constexpr const char16_t* kPadSection = u"configInputPadButtonSetting";

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

}  // namespace

void inputGuidWords(const dinput::GUID& guid, uint32_t (&words)[4]) {
  static_assert(sizeof guid == sizeof words);
  std::memcpy(words, &guid, sizeof words);
}

bool inputSameGuid(const uint32_t (&a)[4], const uint32_t (&b)[4]) {
  return std::memcmp(a, b, sizeof a) == 0;
}

std::u16string inputKeyName(uint32_t key) {
  const char16_t* name = dinput::keyName(key);
  return name != nullptr ? name : u"unknown";
}

InputPage::InputPage(ConfigInputSettings* settings, const OMB_INPUT_LAYOUT& layout)
    : settings_(settings), layout_(layout) {
  // The settings record has four pad slots; a larger count from the script would index past
  // them.
  if (layout_.padCount > CONFIG_PAD_SLOTS) layout_.padCount = CONFIG_PAD_SLOTS;
  if (layout_.typeCount > CONFIG_INPUT_TYPES) layout_.typeCount = CONFIG_INPUT_TYPES;
}

InputPage::~InputPage() { releaseDevices(); }

void InputPage::releaseDevices() {
  for (InputController& c : controllers_) {
    if (c.device) c.device->Release();
  }
  controllers_.clear();
  if (keyboard_) keyboard_->Release();
  keyboard_ = nullptr;
}

uint32_t InputPage::defaultKey(uint32_t t, uint32_t button) const {
  if (t >= layout_.typeCount || button >= layout_.types[t].buttonCount) return 0;
  return static_cast<uint32_t>(layout_.types[t].buttons[button].key);
}

void InputPage::applyDefaults() {
  *settings_ = {};
  for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) settings_->keyboardKeys[b] = defaultKey(0, b);
}

void InputPage::init(bool useDefaults) {
  dinput::IDirectInput8* di = ombInputGetDirectInput() ? ombInputDirectInput() : nullptr;
  if (!di) {
    ombLogPrintf(OMB_LOG_WARNING,
                 u"Warning: [%s] 使用可能なDirectInput8が見つかりません。\r\n"
                 u"最新のDirectXをインストールしてください。",
                 "pluginOnInit");
    return;
  }
  if (!dinput::failed(di->CreateDevice(dinput::GUID_SysKeyboard, &keyboard_))) {
    keyboard_->SetDataFormat(dinput::DataFormat::Keyboard);
    keyboard_->SetCooperativeLevel(window, dinput::DISCL_NONEXCLUSIVE | dinput::DISCL_BACKGROUND);
  } else {
    keyboard_ = nullptr;
  }
  for (const dinput::DIDEVICEINSTANCE& instance : di->EnumDevices(dinput::DI8DEVCLASS_GAMECTRL)) {
    InputController c;
    c.instance = instance;
    dinput::DIDEVICEOBJECTS objects;
    if (dinput::failed(di->CreateDevice(instance.guidInstance, &c.device))) continue;
    if (dinput::failed(c.device->SetDataFormat(dinput::DataFormat::Joystick)) ||
        dinput::failed(c.device->SetCooperativeLevel(
            window, dinput::DISCL_EXCLUSIVE | dinput::DISCL_BACKGROUND)) ||
        dinput::failed(c.device->GetObjects(&objects))) {
      c.device->Release();
      continue;
    }
    inputDescribeController(c, objects);
    controllers_.push_back(c);
  }

  const int32_t gap = ombMswConfigUnit() * 4 / 8;
  labels_[0] = _ombMswConfigAddLabel(this, 1, u"キーボード");
  _ombMswConfigAddEditButton(this, &buttons_[0], &edits_[0]);
  edits_[0]->text = u"（コントローラ1として機能します）";
  buttons_[0]->text = u"設定";
  layout.currentY += gap;
  for (uint32_t slot = 0; slot < layout_.padCount; ++slot) {
    char16_t text[32];
    ombStrPrintf(text, 32, u"コントローラ%u", slot + 1);
    labels_[1 + slot] = _ombMswConfigAddLabel(this, 1, text);
    _ombMswConfigAddEditButton(this, &buttons_[1 + slot], &edits_[1 + slot]);
    buttons_[1 + slot]->text = u"設定";
    layout.currentY += gap;
  }
  for (uint32_t i = 0; i <= layout_.padCount; ++i) {
    rows_.insert(rows_.end(), {labels_[i], edits_[i], buttons_[i]});
  }
  if (useDefaults) {
    applyDefaults();
  } else {
    load();
  }
  initialised_ = true;
}

void InputPage::load() {
  applyDefaults();
  if (!ombInputGetDirectInput()) return;
  auto read = [&](const std::u16string& s, const std::u16string& name) {
    char16_t text[128];
    platform::getPrivateProfileString(s, name, u"", text, 128, iniPath);
    return std::u16string(text);
  };
  auto readNumber = [&](const std::u16string& s, const std::u16string& name, uint32_t fallback) {
    return static_cast<uint32_t>(
        platform::getPrivateProfileInt(s, name, static_cast<int32_t>(fallback), iniPath));
  };
  const uint32_t keyType = readNumber(section, u"inputKeyType", layout_.typeCount);
  if (keyType < layout_.typeCount) {
    settings_->keyboardType = keyType;
    for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) {
      const uint32_t fallback = defaultKey(keyType, b);
      const uint32_t value = readNumber(section, key("inputKey%u", b), fallback);
      settings_->keyboardKeys[b] = value > 255 ? fallback : value;
    }
  }
  for (uint32_t n = 0;; ++n) {
    InputRemembered r;
    if (!parseGuid(read(kPadSection, key("guid%u", n)), r.guid)) break;
    r.type = readNumber(kPadSection, key("type%u", n), layout_.typeCount);
    if (r.type >= layout_.typeCount) continue;
    for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) {
      const uint32_t code = readNumber(kPadSection, key("button%u_%u", n, b), 0);
      r.assignment.buttons[b] = code >= 1 && code <= INPUT_CODE_LAST ? code : 0;
      if (r.assignment.buttons[b]) {
        r.assignment.flags[b] = readNumber(kPadSection, key("buttonFlag%u_%u", n, b), 0);
      }
    }
    remember(r);
  }
  bool missing = false;
  for (uint32_t slot = 0; slot < CONFIG_PAD_SLOTS; ++slot) {
    const std::u16string instance = read(section, key("inputPad%uInstance", slot));
    if (instance.empty()) continue;
    uint32_t guid[4] = {};
    const uint32_t t = readNumber(section, key("inputPad%uType", slot), layout_.typeCount);
    const InputRemembered* found = nullptr;
    if (parseGuid(instance, guid) && t < layout_.typeCount && controllerOf(guid)) {
      found = remembered(guid, t);
    }
    if (!found) {
      missing = true;
      continue;
    }
    settings_->padValid[slot] = 1;
    std::memcpy(settings_->padInstance[slot], guid, sizeof guid);
    settings_->padType[slot] = t;
    std::memcpy(settings_->padButtons[slot], found->assignment.buttons, sizeof found->assignment.buttons);
    std::memcpy(settings_->padButtonFlags[slot], found->assignment.flags, sizeof found->assignment.flags);
  }
  if (missing) {
    ombLogPrintf(OMB_LOG_WARNING, u"Warning: [%s] 前回使用したコントローラが見つかりませんでした。",
                 "loadSetting");
  }
}

InputController* InputPage::controllerOf(const uint32_t (&guid)[4]) {
  for (InputController& c : controllers_) {
    uint32_t words[4];
    inputGuidWords(c.instance.guidInstance, words);
    if (inputSameGuid(words, guid)) return &c;
  }
  return nullptr;
}

const InputRemembered* InputPage::remembered(const uint32_t (&guid)[4], uint32_t t) const {
  for (const InputRemembered& r : remembered_) {
    if (r.type == t && inputSameGuid(r.guid, guid)) return &r;
  }
  return nullptr;
}

void InputPage::remember(const InputRemembered& r) {
  for (InputRemembered& old : remembered_) {
    if (old.type == r.type && inputSameGuid(old.guid, r.guid)) {
      old = r;
      return;
    }
  }
  remembered_.push_back(r);
}

void InputPage::save() const {
  auto write = [&](const std::u16string& s, const std::u16string& name,
                   const std::u16string& value) {
    platform::writePrivateProfileString(s, name, value, iniPath);
  };
  write(section, u"inputKeyType", number(settings_->keyboardType));
  for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) {
    write(section, key("inputKey%u", b), number(settings_->keyboardKeys[b]));
  }
  uint32_t n = 0;
  for (const InputRemembered& r : remembered_) {
    write(kPadSection, key("guid%u", n), guidText(r.guid));
    write(kPadSection, key("type%u", n), number(r.type));
    for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) {
      write(kPadSection, key("button%u_%u", n, b), number(r.assignment.buttons[b]));
      write(kPadSection, key("buttonFlag%u_%u", n, b), number(r.assignment.flags[b]));
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

void InputPage::end(bool confirmed) {
  if (confirmed && initialised_) save();
  remembered_.clear();
  releaseDevices();
}

void InputPage::refreshRows() {
  for (uint32_t slot = 0; slot < layout_.padCount; ++slot) {
    std::u16string name = u"なし";
    if (settings_->padValid[slot] & 1) {
      if (const InputController* c = controllerOf(settings_->padInstance[slot])) {
        name = c->instance.productName;
      }
    }
    edits_[1 + slot]->text = name;
  }
}

void InputPage::show() {
  if (!initialised_) return;
  for (dlg::Control* c : rows_) c->visible = true;
  refreshRows();
}

void InputPage::hide() {
  for (dlg::Control* c : rows_) c->visible = false;
}

bool InputPage::ownsLabel(const dlg::Control* control) const {
  for (const dlg::Control* l : labels_) {
    if (l && l == control) return true;
  }
  return false;
}

void InputPage::command(dlg::Event event, dlg::Control* control) {
  if (!initialised_ || event != dlg::Event::Click) return;
  for (uint32_t i = 0; i <= layout_.padCount; ++i) {
    if (control == buttons_[i]) {
      runControllerWindow(static_cast<int32_t>(i) - 1);
      refreshRows();
      return;
    }
  }
}

std::u16string InputPage::report() const {
  if (!ombInputGetDirectInput()) {
    return u"-----\r\nController Setting\r\n  DirectInput8が見つかりません。\r\n\r\n";
  }
  if (!initialised_) return u"-----\r\nController Setting\r\n  初期化に失敗しました。\r\n\r\n";
  std::u16string text = u"-----\r\nController Setting\r\n  Keyboard: \r\n";
  const uint32_t keyType = settings_->keyboardType;
  if (keyType < layout_.typeCount) {
    const ConfigInputType& t = layout_.types[keyType];
    text += u"    Type: " + std::u16string(t.name) + u"\r\n";
    for (uint32_t b = 0; b < t.buttonCount && b < CONFIG_INPUT_BUTTONS; ++b) {
      text += u"    " + std::u16string(t.buttons[b].name) + u": " +
              inputKeyName(settings_->keyboardKeys[b]) + u"\r\n";
    }
  } else {
    text += u"    Type: Invalid\r\n";
  }
  for (uint32_t slot = 0; slot < layout_.padCount; ++slot) {
    text += key("  Controller%u: \r\n", slot + 1);
    if (!(settings_->padValid[slot] & 1)) {
      text += u"    Invalid.\r\n";
      continue;
    }
    const uint32_t t = settings_->padType[slot];
    if (t >= layout_.typeCount) {
      text += u"    Type: Invalid\r\n";
      continue;
    }
    text += u"    Type: " + std::u16string(layout_.types[t].name) + u"\r\n";
    std::u16string product;
    for (const InputController& c : controllers_) {
      uint32_t words[4];
      inputGuidWords(c.instance.guidInstance, words);
      if (inputSameGuid(words, settings_->padInstance[slot])) product = c.instance.productName;
    }
    text += u"    Device: " + product + u"\r\n";
    for (uint32_t b = 0; b < layout_.types[t].buttonCount && b < CONFIG_INPUT_BUTTONS; ++b) {
      text += u"    " + std::u16string(layout_.types[t].buttons[b].name) + u": " +
              inputCodeText(settings_->padButtons[slot][b], InputCodeStyle::List) +
              ((settings_->padButtonFlags[slot][b] & 1) ? u"(アナログ)" : u"") + u"\r\n";
    }
  }
  return text + u"\r\n";
}

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

// The controller page's modal windows: the controller window over a copy of the input
// settings, and the device, key and pad-button windows that poll the devices ten times a second
// and take the newly pressed key or input.

#include "foundation/omb/text/ombFormat.h"
#include "host/input/ombInputDevice.h"
#include "host/settings/InputPage.h"
#include "platform/ui/MessageService.h"

#include <cstring>
#include <memory>

namespace {

constexpr uint32_t kPollTimer = 12345;
constexpr uint32_t kPollMilliseconds = 100;
using dlg::Control;
using dlg::Event;
using dlg::Notification;
using dlg::Window;

bool readJoy(InputController& c, dinput::DIJOYSTATE& state) {
  return c.device && ombInputReadDeviceState(c.device, &state, sizeof state);
}

std::u16string format(const char16_t* f, uint32_t a) {
  char16_t text[512];
  ombStrPrintf(text, 512, f, a);
  return text;
}

std::u16string formatName(const char16_t* f, const char16_t* name) {
  char16_t text[512];
  ombStrPrintf(text, 512, f, name, name);
  return text;
}

}  // namespace

// The windows share the page's state; one object per controller window.
class InputWindows {
 public:
  InputWindows(InputPage& page, int32_t slot)
      : page_(page), slot_(slot), copy_(*page.settings_) {}

  void run() {
    const std::u16string title =
        slot_ < 0 ? u"キーボードの設定" : format(u"コントローラ%uの設定", slot_ + 1);
    _ombMswConfigRunModal(&page_, title, 256, 256,
                          [this](Window& w, const Notification& n) { controllerProc(w, n); });
  }

 private:
  uint32_t currentType() const {
    return slot_ < 0 ? copy_.keyboardType : copy_.padType[slot_];
  }
  bool slotBound() const { return slot_ >= 0 && (copy_.padValid[slot_] & 1); }
  InputController* slotController() {
    return slotBound() ? page_.controllerOf(copy_.padInstance[slot_]) : nullptr;
  }
  InputAssignment slotAssignment() const {
    InputAssignment a;
    std::memcpy(a.buttons, copy_.padButtons[slot_], sizeof a.buttons);
    std::memcpy(a.flags, copy_.padButtonFlags[slot_], sizeof a.flags);
    return a;
  }
  void setSlotAssignment(const InputAssignment& a) {
    std::memcpy(copy_.padButtons[slot_], a.buttons, sizeof a.buttons);
    std::memcpy(copy_.padButtonFlags[slot_], a.flags, sizeof a.flags);
  }
  void unbind(uint32_t slot) {
    copy_.padValid[slot] = 0;
    std::memset(copy_.padInstance[slot], 0, sizeof copy_.padInstance[slot]);
    std::memset(copy_.padButtons[slot], 0, sizeof copy_.padButtons[slot]);
    std::memset(copy_.padButtonFlags[slot], 0, sizeof copy_.padButtonFlags[slot]);
  }

  // ---- The controller window.
  void controllerProc(Window& w, const Notification& n) {
    switch (n.event) {
      case Event::Create: createController(w); break;
      case Event::Click:
        if (n.control == ok_) {
          confirmController();
          w.post({Event::Close, nullptr, 0});
        } else if (n.control == cancel_) {
          w.post({Event::Close, nullptr, 0});
        } else if (n.control == deviceButton_) {
          runDeviceWindow();
          refreshController();
        } else {
          for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) {
            if (n.control != entryButtons_[b]) continue;
            if (slot_ < 0) {
              runKeyWindow(b);
            } else {
              runPadButtonWindow(b);
            }
            refreshController();
          }
        }
        break;
      case Event::SelectionChange:
        if (n.control == typeCombo_) typeChanged();
        break;
      case Event::Close: w.quit(); break;
      default: break;
    }
  }

  void createController(Window&) {
    InputPage* p = &page_;
    if (page_.typeCount() >= 2) {
      _ombMswConfigAddLabel(p, 1, u"入力方法の種類");
      typeCombo_ = _ombMswConfigAddCombo(p);
      for (uint32_t t = 0; t < page_.typeCount(); ++t) {
        _ombMswConfigComboAdd(page_.type(t).name, typeCombo_, t);
      }
      _ombMswConfigComboSelectData(typeCombo_, currentType());
    }
    if (slot_ < 0) {
      _ombMswConfigAddLabel(p, 2, u"キーボードはコントローラ1として機能します。");
    } else {
      _ombMswConfigAddLabel(p, 1, u"使用するコントローラ");
      _ombMswConfigAddEditButton(p, &deviceButton_, &deviceEdit_);
      deviceButton_->text = u"設定";
    }
    _ombMswConfigAddLabel(p, 2, u"使用するボタン\r\n(*印は必須ボタンです)");
    for (uint32_t row = 0; row < 8; ++row) {
      _ombMswConfigAddKeyRow(p, &entryButtons_[2 * row], &entryEdits_[2 * row],
                             &entryButtons_[2 * row + 1], &entryEdits_[2 * row + 1]);
    }
    _ombMswConfigAddOkCancel(p, &ok_, &cancel_);
    refreshController();
  }

  void refreshController() {
    const uint32_t t = currentType();
    const bool validType = t < page_.typeCount();
    const ConfigInputType* type = validType ? &page_.type(t) : nullptr;
    InputController* controller = slotController();
    if (deviceEdit_) deviceEdit_->text = controller ? controller->instance.productName : u"なし";
    const bool spare =
        controller && type && controller->usableCount > inputRequiredCount(*type);
    for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) {
      const bool shown = type && b < type->buttonCount;
      entryButtons_[b]->visible = entryEdits_[b]->visible = shown;
      if (!shown) continue;
      const ConfigInputButton& button = type->buttons[b];
      const bool optional = button.flags & CONFIG_BUTTON_OPTIONAL;
      entryButtons_[b]->text = formatName(optional ? u"%ls" : u"%ls*", button.name);
      if (slot_ < 0) {
        entryEdits_[b]->text = inputKeyName(copy_.keyboardKeys[b]);
        entryButtons_[b]->enabled = true;
      } else if (!controller) {
        entryEdits_[b]->text = u"なし";
        entryButtons_[b]->enabled = false;
      } else {
        entryEdits_[b]->text = inputCodeText(copy_.padButtons[slot_][b], InputCodeStyle::Window);
        if (copy_.padButtonFlags[slot_][b] & 1) entryEdits_[b]->text += u"(アナログ)";
        entryButtons_[b]->enabled = !optional || spare;
      }
    }
  }

  void typeChanged() {
    const auto t = static_cast<uint32_t>(_ombMswConfigComboGetData(typeCombo_));
    if (t >= page_.typeCount()) return;
    if (slot_ < 0) {
      copy_.keyboardType = t;
      for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) {
        copy_.keyboardKeys[b] = page_.defaultKey(t, b);
      }
    } else if (slotBound()) {
      const InputRemembered* r = page_.remembered(copy_.padInstance[slot_], t);
      if (r) {
        copy_.padType[slot_] = t;
        setSlotAssignment(r->assignment);
      } else {
        unbind(static_cast<uint32_t>(slot_));
        copy_.padType[slot_] = t;
      }
    } else {
      copy_.padType[slot_] = t;
    }
    refreshController();
  }

  void confirmController() {
    const uint32_t t = currentType();
    const uint32_t count = t < page_.typeCount() ? page_.type(t).buttonCount : 0;
    for (uint32_t b = count; b < CONFIG_INPUT_BUTTONS; ++b) {
      if (slot_ < 0) {
        copy_.keyboardKeys[b] = 0;
      } else {
        copy_.padButtons[slot_][b] = copy_.padButtonFlags[slot_][b] = 0;
      }
    }
    if (slotBound()) {
      InputRemembered r;
      std::memcpy(r.guid, copy_.padInstance[slot_], sizeof r.guid);
      r.type = t;
      r.assignment = slotAssignment();
      page_.remember(r);
    }
    *page_.settings_ = copy_;
  }

  // ---- The device window.
  void runDeviceWindow() {
    candidate_ = slotController();
    _ombMswConfigRunModal(&page_, u"コントローラの設定", 248, 128,
                          [this](Window& w, const Notification& n) { deviceProc(w, n); });
  }

  void deviceProc(Window& w, const Notification& n) {
    InputPage* p = &page_;
    switch (n.event) {
      case Event::Create: {
        _ombMswConfigAddLabel(p, 5, twice(slot_ + 1));
        statusLabel_ = _ombMswConfigAddLabel(p, 1, u"現在設定されているコントローラ");
        nameEdit_ = _ombMswConfigAddEdit(p);
        noneButton_ = _ombMswConfigAddButton(p, u"コントローラを使わない");
        _ombMswConfigAddOkCancel(p, &deviceOk_, &deviceCancel_);
        for (InputController& c : page_.controllers_) {
          if (!c.device) continue;
          c.device->Unacquire();
          c.device->SetCooperativeLevel(&w, dinput::DISCL_EXCLUSIVE | dinput::DISCL_BACKGROUND);
          readJoy(c, c.last);
        }
        w.setTimer(kPollTimer, kPollMilliseconds);
        refreshDevice();
        break;
      }
      case Event::Timer: {
        for (InputController& c : page_.controllers_) {
          dinput::DIJOYSTATE now{};
          if (!readJoy(c, now)) continue;
          const InputCodeSet before = inputPressedCodes(c, c.last);
          const InputCodeSet after = inputPressedCodes(c, now);
          for (uint32_t code = 1; code <= INPUT_CODE_LAST; ++code) {
            if (after[code] && !before[code]) candidate_ = &c;
          }
          c.last = now;
        }
        refreshDevice();
        break;
      }
      case Event::Click:
        if (n.control == noneButton_) {
          candidate_ = nullptr;
          refreshDevice();
        } else if (n.control == deviceOk_) {
          confirmDevice();
          w.post({Event::Close, nullptr, 0});
        } else if (n.control == deviceCancel_) {
          w.post({Event::Close, nullptr, 0});
        }
        break;
      case Event::Close:
        w.killTimer(kPollTimer);
        for (InputController& c : page_.controllers_) {
          if (!c.device) continue;
          c.device->Unacquire();
          c.device->SetCooperativeLevel(page_.window,
                                        dinput::DISCL_EXCLUSIVE | dinput::DISCL_BACKGROUND);
        }
        w.quit();
        break;
      default: break;
    }
  }

  std::u16string twice(int32_t number) const {
    char16_t text[512];
    ombStrPrintf(text, 512,
                 u"コントローラ%uとして使用するコントローラのボタンを押してください。\r\n"
                 u"コントローラ%uを使用しない場合、「コントローラを使わない」を押してください。\r\n"
                 u"(ボタン数が足りないコントローラなどは使用できません)\r\n",
                 number, number);
    return text;
  }

  void refreshDevice() {
    nameEdit_->text = candidate_ ? candidate_->instance.productName : u"なし";
    const uint32_t t = currentType();
    const uint32_t required = t < page_.typeCount() ? inputRequiredCount(page_.type(t)) : 0;
    const bool tooFew = candidate_ && candidate_->usableCount < required;
    deviceOk_->enabled = !tooFew;
    statusLabel_->text = tooFew ? u"現在設定されているコントローラ(ボタンが足りません)"
                                : u"現在設定されているコントローラ";
  }

  void confirmDevice() {
    const auto slot = static_cast<uint32_t>(slot_);
    if (!candidate_) {
      unbind(slot);
      return;
    }
    uint32_t guid[4];
    inputGuidWords(candidate_->instance.guidInstance, guid);
    for (uint32_t other = 0; other < CONFIG_PAD_SLOTS; ++other) {
      if (other != slot && (copy_.padValid[other] & 1) &&
          inputSameGuid(copy_.padInstance[other], guid)) {
        unbind(other);
      }
    }
    const uint32_t t = currentType();
    unbind(slot);
    copy_.padValid[slot] = 1;
    std::memcpy(copy_.padInstance[slot], guid, sizeof guid);
    copy_.padType[slot] = t;
    if (t >= page_.typeCount()) return;
    InputAssignment a;
    if (const InputRemembered* r = page_.remembered(guid, t)) {
      a = r->assignment;
    } else {
      inputAutoAssign(a, page_.type(t), *candidate_);
    }
    inputCompleteRequired(a, page_.type(t), -1);
    setSlotAssignment(a);
  }

  // ---- The key window.
  void runKeyWindow(uint32_t button) {
    button_ = button;
    keyCandidate_ = copy_.keyboardKeys[button];
    _ombMswConfigRunModal(&page_, u"ボタンの設定", 248, 128,
                          [this](Window& w, const Notification& n) { keyProc(w, n); });
  }

  void keyProc(Window& w, const Notification& n) {
    InputPage* p = &page_;
    dinput::IDirectInputDevice8* keyboard = page_.keyboard_;
    switch (n.event) {
      case Event::Create:
        _ombMswConfigAddLabel(
            p, 2, formatName(u"「%ls」として使用するキーボードのキーを押してください。\r\n",
                             buttonName(button_)));
        _ombMswConfigAddLabel(p, 1, u"現在設定されているキー");
        nameEdit_ = _ombMswConfigAddEdit(p);
        _ombMswConfigAddOkCancel(p, &deviceOk_, &deviceCancel_);
        if (keyboard) {
          keyboard->Unacquire();
          keyboard->SetCooperativeLevel(&w, dinput::DISCL_NONEXCLUSIVE | dinput::DISCL_BACKGROUND);
          ombInputReadDeviceState(keyboard, lastKeys_, sizeof lastKeys_);
        }
        w.setTimer(kPollTimer, kPollMilliseconds);
        nameEdit_->text = inputKeyName(keyCandidate_);
        break;
      case Event::Timer: {
        uint8_t keys[dinput::kKeyboardStateSize];
        if (keyboard && ombInputReadDeviceState(keyboard, keys, sizeof keys)) {
          for (uint32_t k = 0; k < sizeof keys; ++k) {
            if ((keys[k] & 0x80) && !(lastKeys_[k] & 0x80)) keyCandidate_ = k;
          }
          std::memcpy(lastKeys_, keys, sizeof keys);
        }
        nameEdit_->text = inputKeyName(keyCandidate_);
        break;
      }
      case Event::Click:
        if (n.control == deviceOk_) {
          const uint32_t old = copy_.keyboardKeys[button_];
          for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) {
            if (b != button_ && copy_.keyboardKeys[b] == keyCandidate_) copy_.keyboardKeys[b] = old;
          }
          copy_.keyboardKeys[button_] = keyCandidate_;
          w.post({Event::Close, nullptr, 0});
        } else if (n.control == deviceCancel_) {
          w.post({Event::Close, nullptr, 0});
        }
        break;
      case Event::Close:
        w.killTimer(kPollTimer);
        if (keyboard) {
          keyboard->Unacquire();
          keyboard->SetCooperativeLevel(page_.window,
                                        dinput::DISCL_NONEXCLUSIVE | dinput::DISCL_BACKGROUND);
        }
        w.quit();
        break;
      default: break;
    }
  }

  // ---- The pad button window.
  void runPadButtonWindow(uint32_t button) {
    InputController* c = slotController();
    if (!c) return;
    button_ = button;
    padCandidate_ = copy_.padButtons[slot_][button];
    padFlag_ = copy_.padButtonFlags[slot_][button];
    _ombMswConfigRunModal(&page_, u"ボタンの設定", 248, 128,
                          [this, c](Window& w, const Notification& n) { padProc(w, n, *c); });
  }

  void padProc(Window& w, const Notification& n, InputController& c) {
    InputPage* p = &page_;
    const uint32_t t = currentType();
    const ConfigInputButton& button = page_.type(t).buttons[button_];
    const bool optional = button.flags & CONFIG_BUTTON_OPTIONAL;
    switch (n.event) {
      case Event::Create:
        _ombMswConfigAddLabel(
            p, optional ? 3 : 2,
            formatName(optional ? u"「%ls」として使用するコントローラのボタンを押してください。\r\n"
                                  u"「%ls」を使用しない場合、「このボタンを使わない」を押してください。\r\n"
                                : u"「%ls」として使用するコントローラのボタンを押してください。\r\n",
                       button.name));
        _ombMswConfigAddLabel(p, 1, u"現在設定されているボタン");
        nameEdit_ = _ombMswConfigAddEdit(p);
        noneButton_ = optional ? _ombMswConfigAddButton(p, u"このボタンを使わない") : nullptr;
        _ombMswConfigAddOkCancel(p, &deviceOk_, &deviceCancel_);
        c.device->Unacquire();
        c.device->SetCooperativeLevel(&w, dinput::DISCL_EXCLUSIVE | dinput::DISCL_BACKGROUND);
        readJoy(c, c.last);
        w.setTimer(kPollTimer, kPollMilliseconds);
        nameEdit_->text = inputCodeText(padCandidate_, InputCodeStyle::Window);
        break;
      case Event::Timer: {
        dinput::DIJOYSTATE now{};
        if (readJoy(c, now)) {
          const InputCodeSet before = inputPressedCodes(c, c.last);
          const InputCodeSet after = inputPressedCodes(c, now);
          for (uint32_t code = 1; code <= INPUT_CODE_LAST; ++code) {
            if (after[code] && !before[code]) {
              padCandidate_ = code;
              padFlag_ = 0;
            }
          }
          c.last = now;
        }
        nameEdit_->text = inputCodeText(padCandidate_, InputCodeStyle::Window);
        break;
      }
      case Event::Click:
        if (noneButton_ && n.control == noneButton_) {
          padCandidate_ = 0;
          padFlag_ = 0;
          nameEdit_->text = inputCodeText(0, InputCodeStyle::Window);
        } else if (n.control == deviceOk_) {
          confirmPadButton(t);
          w.post({Event::Close, nullptr, 0});
        } else if (n.control == deviceCancel_) {
          w.post({Event::Close, nullptr, 0});
        }
        break;
      case Event::Close:
        w.killTimer(kPollTimer);
        c.device->Unacquire();
        c.device->SetCooperativeLevel(page_.window,
                                      dinput::DISCL_EXCLUSIVE | dinput::DISCL_BACKGROUND);
        w.quit();
        break;
      default: break;
    }
  }

  void confirmPadButton(uint32_t t) {
    const ConfigInputButton& button = page_.type(t).buttons[button_];
    if ((button.flags & CONFIG_BUTTON_ANALOG) && padCandidate_ >= 1 &&
        padCandidate_ < INPUT_CODE_FIRST_HAT) {
      const int answer = dlg::Layer::messageBox(
          u"選んだボタンはアナログ対応ですか？\r\n\r\n"
          u"(アナログ非対応のコントローラで「アナログ対応」を選択した場合、\r\n"
          u" 移動が常にダッシュになってしまうなどの不具合が発生するので注意してください)",
          u"ボタンの種類選択", platform::kMessageBoxYesNo | platform::kMessageBoxIconQuestion);
      padFlag_ = answer == platform::kAnswerYes ? 1 : 0;
    }
    InputAssignment a = slotAssignment();
    for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) {
      if (b != button_ && padCandidate_ != 0 && a.buttons[b] == padCandidate_) {
        a.buttons[b] = a.buttons[button_];
        a.flags[b] = a.flags[button_];
      }
    }
    a.buttons[button_] = padCandidate_;
    a.flags[button_] = padFlag_;
    inputCompleteRequired(a, page_.type(t), static_cast<int32_t>(button_));
    setSlotAssignment(a);
  }

  const char16_t* buttonName(uint32_t b) const {
    const uint32_t t = currentType();
    return t < page_.typeCount() && b < page_.type(t).buttonCount ? page_.type(t).buttons[b].name
                                                                  : u"";
  }

  InputPage& page_;
  int32_t slot_;
  ConfigInputSettings copy_;
  Control* typeCombo_ = nullptr;
  Control* deviceButton_ = nullptr;
  Control* deviceEdit_ = nullptr;
  Control* entryButtons_[CONFIG_INPUT_BUTTONS] = {};
  Control* entryEdits_[CONFIG_INPUT_BUTTONS] = {};
  Control* ok_ = nullptr;
  Control* cancel_ = nullptr;
  // The sub-window in progress.
  Control* statusLabel_ = nullptr;
  Control* nameEdit_ = nullptr;
  Control* noneButton_ = nullptr;
  Control* deviceOk_ = nullptr;
  Control* deviceCancel_ = nullptr;
  InputController* candidate_ = nullptr;
  uint32_t button_ = 0;
  uint32_t keyCandidate_ = 0;
  uint8_t lastKeys_[dinput::kKeyboardStateSize] = {};
  uint32_t padCandidate_ = 0;
  uint32_t padFlag_ = 0;
};

void InputPage::runControllerWindow(int32_t slot) {
  InputWindows windows(*this, slot);
  windows.run();
}

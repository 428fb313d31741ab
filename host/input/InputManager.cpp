#include "host/input/InputManager.h"

#include "script/ScriptContext.h"
#include "script/ScriptManager.h"
#include "script/ScriptNative.h"
#include "script/ScriptThread.h"

#include <algorithm>

namespace {

InputManager* managerOf(HSQUIRRELVM vm) {
  return static_cast<InputManager*>(scriptGetContext(vm)->engine);
}

int32_t nativeGetDeviceKeyboard(HSQUIRRELVM vm) { return managerOf(vm)->deviceKeyboard(); }
int32_t nativeGetDevicePad(HSQUIRRELVM vm, int32_t pad) { return managerOf(vm)->devicePad(pad); }
int32_t nativeGetDeviceButtonCount(HSQUIRRELVM vm, int32_t device) {
  return managerOf(vm)->deviceButtonCount(device);
}
float nativeGetDeviceButtonState(HSQUIRRELVM vm, int32_t device, int32_t button) {
  return managerOf(vm)->deviceButtonState(device, button);
}
int32_t nativeGetDeviceType(HSQUIRRELVM vm, int32_t device) {
  return managerOf(vm)->deviceType(device);
}
void nativeSetButtonState(HSQUIRRELVM vm, int32_t player, int32_t button, float value) {
  managerOf(vm)->setButtonState(player, button, value);
}

void pollSource(const InputSource& source) {
  if (source.context != nullptr) source.poll(source.context);
}

}  // namespace

InputManager::~InputManager() {
  delete script_;
  script_ = nullptr;
  for (InputSource& pad : pads_) {
    ombInputDestroyDevice(static_cast<OMB_INPUT_DEVICE*>(pad.context));
    pad = {};
  }
  ombInputDestroyDevice(static_cast<OMB_INPUT_DEVICE*>(keyboard_.context));
  keyboard_ = {};
}

void InputManager::init(const ConfigInputSettings& settings, void* window, InputSession session,
                        ScriptManager* scripts) {
  scripts_ = scripts;
  std::fill(&states_[0][0], &states_[0][0] + INPUT_PLAYERS * INPUT_PLAYER_BUTTONS, 0.0f);
  if (OMB_INPUT_DEVICE* keyboard = ombInputCreateKeyboard(&settings, window)) {
    keyboard_ = ombInputDeviceSource(keyboard);
    keyboardType_ = keyboard->type;
  }
  const uint32_t padCount = session == InputSession::Network ? 1 : CONFIG_PAD_SLOTS;
  for (uint32_t n = 0; n < padCount; ++n) {
    if (OMB_INPUT_DEVICE* pad = ombInputCreatePad(window, &settings, n)) {
      pads_[n] = ombInputDeviceSource(pad);
      padTypes_[n] = pad->type;
    }
  }
}

void InputManager::update() {
  std::fill(&states_[0][0], &states_[0][0] + INPUT_PLAYERS * INPUT_PLAYER_BUTTONS, 0.0f);
  if (script_ != nullptr) {
    for (const InputSource& pad : pads_) pollSource(pad);
    pollSource(keyboard_);
    script_->resume();
    return;
  }
  for (uint32_t n = 0; n < CONFIG_PAD_SLOTS; ++n) {
    const InputSource& pad = pads_[n];
    if (pad.context == nullptr) continue;
    pad.poll(pad.context);
    const uint32_t count = std::min(pad.count(pad.context), INPUT_PLAYER_BUTTONS);
    for (uint32_t b = 0; b < count; ++b) states_[n][b] = pad.value(pad.context, b);
  }
  if (keyboard_.context != nullptr) {
    keyboard_.poll(keyboard_.context);
    const uint32_t count = std::min(keyboard_.count(keyboard_.context), INPUT_PLAYER_BUTTONS);
    for (uint32_t b = 0; b < count; ++b) {
      states_[0][b] = std::max(states_[0][b], keyboard_.value(keyboard_.context, b));
    }
  }
}

bool InputManager::getControllerSource(uint32_t slot, InputSource& source) {
  if (slot >= INPUT_PLAYERS) return false;
  if (slot != 0 && pads_[slot].context == nullptr) return false;
  source.context = states_[slot];
  source.poll = [](void*) {};
  source.count = [](void*) { return INPUT_PLAYER_BUTTONS; };
  source.flag = [](void*, uint32_t) { return int32_t(0); };
  source.value = getButtonValue;
  return true;
}

float InputManager::getButtonValue(void* states, uint32_t index) {
  return index < INPUT_PLAYER_BUTTONS ? static_cast<const float*>(states)[index] : 0.0f;
}

void InputManager::setScript(const char16_t* name) {
  delete script_;
  script_ = nullptr;
  if (name == nullptr || name[0] == u'\0' || scripts_ == nullptr) return;
  ScriptObject table = scripts_->newTable(&scripts_->rootTable);
  table.registerFunction(u"inputGetDeviceKeyboard", nativeGetDeviceKeyboard)
      .registerFunction(u"inputGetDevicePad", nativeGetDevicePad)
      .registerFunction(u"inputGetDeviceButtonCount", nativeGetDeviceButtonCount)
      .registerFunction(u"inputGetDeviceButtonState", nativeGetDeviceButtonState)
      .registerFunction(u"inputGetDeviceType", nativeGetDeviceType)
      .registerFunction(u"inputSetButtonState", nativeSetButtonState);
  script_ = new ScriptThread(scripts_, table);
  script_->loadWithInit(name, this, this);
}

OMB_INPUT_DEVICE* InputManager::device(int32_t number) const {
  if (number <= 0) return keyboard();
  if (number > int32_t(CONFIG_PAD_SLOTS)) return nullptr;
  return pad(uint32_t(number - 1));
}

int32_t InputManager::deviceKeyboard() const { return keyboard() != nullptr ? 0 : -1; }

int32_t InputManager::devicePad(int32_t n) const {
  return n >= 0 && n < int32_t(CONFIG_PAD_SLOTS) && pad(uint32_t(n)) != nullptr ? n + 1 : -1;
}

int32_t InputManager::deviceButtonCount(int32_t number) const {
  const OMB_INPUT_DEVICE* d = device(number);
  return d != nullptr ? int32_t(d->buttonCount) : 0;
}

float InputManager::deviceButtonState(int32_t number, int32_t button) const {
  OMB_INPUT_DEVICE* d = device(number);
  if (d == nullptr || button < 0) return 0.0f;
  return ombInputGetButtonValue(d, uint32_t(button));
}

int32_t InputManager::deviceType(int32_t number) const {
  const OMB_INPUT_DEVICE* d = device(number);
  return d != nullptr ? d->type : 0;
}

void InputManager::setButtonState(int32_t player, int32_t button, float value) {
  if (player < 0 || player >= int32_t(INPUT_PLAYERS) || button < 0 ||
      button >= int32_t(INPUT_PLAYER_BUTTONS)) {
    return;
  }
  states_[player][button] = value;
}

#pragma once

// The input manager: polls the keyboard and the pads once a frame and produces four players'
// 16 button values, by the fixed rule (pad i is player i, the keyboard merged into player 0 by
// the larger value) or by an input-mapping script with its natives.

#include "host/input/InputSettings.h"
#include "host/input/InputSource.h"
#include "host/input/ombInputDevice.h"

#include <cstdint>

class ScriptManager;
struct ScriptThread;

inline constexpr uint32_t INPUT_PLAYERS = 4;
inline constexpr uint32_t INPUT_PLAYER_BUTTONS = 16;

// Whether a network session runs: then only pad 0 is opened.
enum class InputSession { None, Network };

class InputManager {
 public:
  InputManager() = default;
  ~InputManager();
  InputManager(const InputManager&) = delete;
  InputManager& operator=(const InputManager&) = delete;

  // Creates the keyboard and the pads of the settings on the window; scripts is the manager the
  // mapping script runs on (it outlives this object).
  void init(const ConfigInputSettings& settings, void* window, InputSession session,
            ScriptManager* scripts);
  void update();
  // A source over the player's 16 states; false for a slot above 3 and for slots 1 to 3 without
  // a pad.
  bool getControllerSource(uint32_t slot, InputSource& source);
  // Replaces the mapping script; an empty or null name goes back to the fixed rule.
  void setScript(const char16_t* name);
  static float getButtonValue(void* states, uint32_t index);

  // The natives of the mapping script (device 0 the keyboard, 1 to 4 pads 0 to 3). Indices
  // outside the devices, players and buttons read 0 (or -1 for a device) and write nothing.
  int32_t deviceKeyboard() const;
  int32_t devicePad(int32_t pad) const;
  int32_t deviceButtonCount(int32_t device) const;
  float deviceButtonState(int32_t device, int32_t button) const;
  int32_t deviceType(int32_t device) const;
  void setButtonState(int32_t player, int32_t button, float value);

  float state(uint32_t player, uint32_t button) const { return states_[player][button]; }
  OMB_INPUT_DEVICE* keyboard() const { return static_cast<OMB_INPUT_DEVICE*>(keyboard_.context); }
  OMB_INPUT_DEVICE* pad(uint32_t n) const { return static_cast<OMB_INPUT_DEVICE*>(pads_[n].context); }
  ScriptThread* script() const { return script_; }

 private:
  // The record of a device number; null when it does not exist.
  OMB_INPUT_DEVICE* device(int32_t number) const;

  float states_[INPUT_PLAYERS][INPUT_PLAYER_BUTTONS] = {};
  InputSource keyboard_;
  int32_t keyboardType_ = 0;
  InputSource pads_[CONFIG_PAD_SLOTS];
  int32_t padTypes_[CONFIG_PAD_SLOTS] = {};
  ScriptManager* scripts_ = nullptr;
  ScriptThread* script_ = nullptr;
};

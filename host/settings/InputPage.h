#pragma once

// The controller page of the settings dialog (inside the settings library only): keyboard keys
// and pad slots, the attached controllers, remembered layouts per controller and type, and the
// modal windows that assign them by pressing.

#include "host/settings/InputAssignment.h"
#include "host/settings/ombInput.h"
#include "host/settings/ombMswConfig.h"

#include <vector>

// The last assignment of a controller for an input type, kept across runs.
struct InputRemembered {
  uint32_t guid[4] = {};
  uint32_t type = 0;
  InputAssignment assignment;
};

class InputPage final : public OmbMswConfigPlugin {
 public:
  InputPage(ConfigInputSettings* settings, const OMB_INPUT_LAYOUT& layout);
  ~InputPage() override;

  const char16_t* label() const override { return u"コントローラ"; }
  void init(bool useDefaults) override;
  void end(bool confirmed) override;
  void show() override;
  void hide() override;
  bool ownsLabel(const dlg::Control* control) const override;
  void command(dlg::Event event, dlg::Control* control) override;
  std::u16string report() const override;

  void load();

 private:
  friend class InputWindows;
  uint32_t typeCount() const { return layout_.typeCount; }
  const ConfigInputType& type(uint32_t t) const { return layout_.types[t]; }
  uint32_t defaultKey(uint32_t type, uint32_t button) const;
  void applyDefaults();
  void save() const;
  void refreshRows();
  void releaseDevices();
  InputController* controllerOf(const uint32_t (&guid)[4]);
  const InputRemembered* remembered(const uint32_t (&guid)[4], uint32_t type) const;
  void remember(const InputRemembered& record);
  // Opens the controller window for the keyboard (-1) or a pad slot.
  void runControllerWindow(int32_t slot);

  ConfigInputSettings* settings_;
  OMB_INPUT_LAYOUT layout_;
  bool initialised_ = false;
  std::vector<InputRemembered> remembered_;
  std::vector<InputController> controllers_;
  dinput::IDirectInputDevice8* keyboard_ = nullptr;
  std::vector<dlg::Control*> rows_;  // every control of the page
  dlg::Control* labels_[1 + CONFIG_PAD_SLOTS] = {};
  dlg::Control* edits_[1 + CONFIG_PAD_SLOTS] = {};
  dlg::Control* buttons_[1 + CONFIG_PAD_SLOTS] = {};
};

// Copies a device instance identifier to the settings' four words and compares them.
void inputGuidWords(const dinput::GUID& guid, uint32_t (&words)[4]);
bool inputSameGuid(const uint32_t (&a)[4], const uint32_t (&b)[4]);
// The key's name from the input layer, "unknown" when it has none.
std::u16string inputKeyName(uint32_t key);

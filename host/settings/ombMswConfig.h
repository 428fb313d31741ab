#pragma once

#include "platform/dialog/Dialog.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The settings dialog: a window with a tab control (an information tab with the configuration
// report, then one tab per page), OK and Cancel. Pages place their controls with the factories
// below, measured in the layout unit u (the text height of the user-interface font), keep their
// values in the settings file under the dialog's section and may open modal windows of their
// own. Run unseen, the dialog never shows itself and confirms at once.

struct OMB_MSW_CONFIG;

// Where a page's next control goes.
struct OMB_MSW_CONFIG_LAYOUT {
  dlg::Window* parent = nullptr;
  int32_t x = 0, y = 0, width = 0, height = 0;
  int32_t indent = 0;    // x offset of new controls
  int32_t currentY = 0;  // offset of the next control from y
};

class OmbMswConfigPlugin {
 public:
  virtual ~OmbMswConfigPlugin() = default;
  virtual const char16_t* label() const = 0;
  // Creates the controls and loads the saved values, or the defaults.
  virtual void init(bool useDefaults) = 0;
  // Saves when confirmed (and initialised); the page is freed afterwards.
  virtual void end(bool confirmed) = 0;
  virtual void show() = 0;
  virtual void hide() = 0;
  // Whether a label or check box is the page's (drawn without a background on the tab).
  virtual bool ownsLabel(const dlg::Control* control) const = 0;
  // A control sent a click or a selection change.
  virtual void command(dlg::Event event, dlg::Control* control) = 0;
  // The page's part of the configuration report (at most 1023 units are used).
  virtual std::u16string report() const = 0;

  // Filled in by the dialog.
  OMB_MSW_CONFIG* dialog = nullptr;
  int32_t tabIndex = 0;
  std::string iniPath;     // native path of the settings file
  std::u16string section;  // the section in use
  dlg::Window* window = nullptr;  // the dialog window
  dlg::Control* tab = nullptr;    // its tab control
  OMB_MSW_CONFIG_LAYOUT layout;
};

struct OMB_MSW_CONFIG {
  uint16_t icon = 0;
  const char16_t* title = nullptr;
  const char16_t* section = nullptr;  // null or empty: "Config"
  const char16_t* header = nullptr;   // the report's header text, or null
  std::vector<std::unique_ptr<OmbMswConfigPlugin>> pages;
};

inline constexpr int32_t OMB_MSW_CONFIG_CONFIRMED = 1;
inline constexpr int32_t OMB_MSW_CONFIG_CANCELLED = static_cast<int32_t>(0x8000000bu);
inline constexpr int32_t OMB_MSW_CONFIG_NO_WINDOW = static_cast<int32_t>(0x80000004u);

// Runs the dialog: 1 when confirmed, 0x8000000b when closed or cancelled, 0x80000004 when the
// window cannot be created. Afterwards the page list is empty (every page has ended).
int32_t ombMswConfigRun(OMB_MSW_CONFIG* dialog, bool shown);

// The configuration report: "Configuration Lists.\r\n" when it goes to the log, the header, the
// platform block and each page's part.
std::u16string ombMswConfigReport(const OMB_MSW_CONFIG& dialog, bool forLog);

// The layout unit u in pixels.
int32_t ombMswConfigUnit();

// Control factories: at the page's layout (parent, x + indent, y + current y, width), id 1000;
// each moves the current y past what it placed.
dlg::Control* _ombMswConfigAddLabel(OmbMswConfigPlugin* page, int32_t lines,
                                    const std::u16string& text);
dlg::Control* _ombMswConfigAddEdit(OmbMswConfigPlugin* page);
dlg::Control* _ombMswConfigAddCombo(OmbMswConfigPlugin* page);
dlg::Control* _ombMswConfigAddCheck(OmbMswConfigPlugin* page, const std::u16string& text);
void _ombMswConfigAddEditButton(OmbMswConfigPlugin* page, dlg::Control** button,
                                dlg::Control** edit);
void _ombMswConfigAddKeyRow(OmbMswConfigPlugin* page, dlg::Control** button1,
                            dlg::Control** edit1, dlg::Control** button2, dlg::Control** edit2);
dlg::Control* _ombMswConfigAddButton(OmbMswConfigPlugin* page, const std::u16string& text);
void _ombMswConfigAddOkCancel(OmbMswConfigPlugin* page, dlg::Control** ok, dlg::Control** cancel);

// Combo boxes: add an item with its data (returns its index), the selected item's data (-1 for
// none), select the first item carrying the data (nothing when none does).
int32_t _ombMswConfigComboAdd(const std::u16string& text, dlg::Control* combo, intptr_t data);
intptr_t _ombMswConfigComboGetData(const dlg::Control* combo);
void _ombMswConfigComboSelectData(dlg::Control* combo, intptr_t data);

// A modal window of the page (client w x h in u/8): the page's layout points into it while it
// runs and is restored afterwards; the owner is disabled meanwhile. The procedure receives
// every notification (Create first, when the page's factories place the controls). False when
// the window cannot be created.
bool _ombMswConfigRunModal(OmbMswConfigPlugin* page, const std::u16string& title, int32_t width,
                           int32_t height, dlg::Window::Handler procedure);

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The settings dialog's frame: pages that load the video and controller settings from the
// settings file (or take their defaults), keep them in the host's records and save them when
// the dialog is confirmed, and the configuration report written to the log at confirmation.
//
// FIXME: the dialog window itself (tabs, controls, the assignment windows) is not built yet;
// until it is, every run confirms the stored or default settings without showing anything, as
// the dialog does when it is run unseen.

// What a page is told when the dialog starts it.
struct OMB_MSW_CONFIG_CONTEXT {
  std::string iniPath;    // native path of the settings file
  std::u16string section; // the section in use
};

class OmbMswConfigPlugin {
 public:
  virtual ~OmbMswConfigPlugin() = default;
  virtual const char16_t* label() const = 0;
  // Loads the saved values, or the defaults when the section was never confirmed.
  virtual void init(const OMB_MSW_CONFIG_CONTEXT& context, bool useDefaults) = 0;
  // Saves when confirmed (and initialised).
  virtual void end(bool confirmed) = 0;
  // The page's part of the configuration report (at most 1023 units are used).
  virtual std::u16string report() const = 0;
};

struct OMB_MSW_CONFIG {
  uint16_t icon = 0;
  const char16_t* title = nullptr;
  const char16_t* section = nullptr;  // null or empty: "Config"
  const char16_t* header = nullptr;   // the report's header text, or null
  std::vector<std::unique_ptr<OmbMswConfigPlugin>> pages;
};

// Runs the dialog: 1 when confirmed (negative codes for a cancelled dialog or one that cannot be
// created, which cannot happen while it is confirmed unseen). Afterwards the page list is empty.
int32_t ombMswConfigRun(OMB_MSW_CONFIG* dialog, bool shown);

// The configuration report: "Configuration Lists.\r\n" when it goes to the log, the header, the
// platform block and each page's part.
std::u16string ombMswConfigReport(const OMB_MSW_CONFIG& dialog, bool forLog);

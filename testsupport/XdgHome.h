#pragma once

#include "testsupport/TempDir.h"

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A fresh temporary folder holding the roots of the framework's paths: $XDG_DATA_HOME,
// $XDG_CONFIG_HOME and $TMPDIR point into it while the object lives; the folder is removed and
// the variables restored afterwards. `set` points another variable somewhere for as long.
class XdgHome {
 public:
  XdgHome();
  ~XdgHome();
  XdgHome(const XdgHome&) = delete;
  XdgHome& operator=(const XdgHome&) = delete;

  void set(const std::string& name, const std::filesystem::path& value);

 private:
  TempDir folder_{{}, "xdg-home"};
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;

 public:
  const std::filesystem::path root = folder_.path();
};

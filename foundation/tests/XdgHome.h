#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A fresh temporary folder holding the roots of the framework's paths: $XDG_DATA_HOME,
// $XDG_CONFIG_HOME and $TMPDIR point into it while the object lives; the folder is removed and
// the variables restored afterwards.
class XdgHome {
 public:
  XdgHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "xdg-home-XXXXXX").string();
    root = mkdtemp(pattern.data());
    set("XDG_DATA_HOME", root / "data");
    set("XDG_CONFIG_HOME", root / "config");
    set("TMPDIR", root / "tmp");
    std::filesystem::create_directories(root / "tmp");
  }
  ~XdgHome() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        unsetenv(it->first.c_str());
      }
    }
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  XdgHome(const XdgHome&) = delete;
  XdgHome& operator=(const XdgHome&) = delete;

  void set(const std::string& name, const std::filesystem::path& value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    setenv(name.c_str(), value.c_str(), 1);
  }

  std::filesystem::path root;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

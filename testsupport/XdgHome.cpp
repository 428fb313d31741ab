#include "testsupport/XdgHome.h"

#include <cstdlib>

XdgHome::XdgHome() {
  set("XDG_DATA_HOME", root / "data");
  set("XDG_CONFIG_HOME", root / "config");
  set("TMPDIR", root / "tmp");
  std::filesystem::create_directories(root / "tmp");
}

XdgHome::~XdgHome() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) {
      setenv(it->first.c_str(), it->second->c_str(), 1);
    } else {
      unsetenv(it->first.c_str());
    }
  }
}

void XdgHome::set(const std::string& name, const std::filesystem::path& value) {
  const char* old = std::getenv(name.c_str());
  saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  setenv(name.c_str(), value.c_str(), 1);
}

#pragma once

// Shared by the tools that play game data from a folder: the pack override that serves the
// files of one directory by their relative names.

#include "foundation/dbtl/DFile.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lfm/LFmOverride.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

namespace tools {

class DirectoryPack : public LFmOverride {
 public:
  void SetRoot(std::string root) { m_root = std::move(root); }
  bool IsDataExist(const char* name) override {
    std::error_code error;
    return std::filesystem::is_regular_file(m_root + "/" + name, error);
  }
  void OpenData(dbtl::DFile& file, const char* name, uint32_t flags) override {
    file.Close();
    if (!file.Open((m_root + "/" + name).c_str(), flags)) lerrFatal("cannot open %s", name);
  }

 private:
  std::string m_root;
};

}  // namespace tools

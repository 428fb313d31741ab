#include "testsupport/TempDir.h"

#include "testsupport/FileBytes.h"

#include <gtest/gtest.h>
#include <stdlib.h>

TempDir::TempDir(const std::filesystem::path& parent, const std::string& prefix) {
  const std::filesystem::path base =
      parent.empty() ? std::filesystem::temp_directory_path() : parent;
  std::string pattern = (base / (prefix + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "mkdtemp failed for " << pattern;
  }
  m_path = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
  const std::filesystem::path path = m_path / name;
  writeFileBytes(path, bytes);
  return path.string();
}

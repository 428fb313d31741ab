#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// A fresh directory under the test build folder, removed with everything in it at the end.
class DTempDir {
 public:
  DTempDir() {
    std::string pattern = std::string(TEST_BINARY_DIR) + "/dbtl-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    m_path = pattern;
  }
  DTempDir(const DTempDir&) = delete;
  DTempDir& operator=(const DTempDir&) = delete;
  ~DTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }

  std::string Path(const std::string& name) const { return m_path + "/" + name; }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    const std::string path = Path(name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  static std::vector<uint8_t> Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::string m_path;
};

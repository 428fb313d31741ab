#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A fresh folder "<prefix>-XXXXXX" under a parent folder (the system's temporary folder when none
// is given), removed with everything in it when the object goes. Tests that need paths relative
// to the test program pass its build folder as the parent.
class TempDir {
 public:
  explicit TempDir(const std::filesystem::path& parent = {}, const std::string& prefix = "test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  // The path of a name inside the folder.
  std::string Path(const std::string& name) const { return (m_path / name).string(); }
  // Writes the bytes as a file inside the folder (making its folders) and returns its path.
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;

 private:
  std::filesystem::path m_path;
};

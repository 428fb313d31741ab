#include "testsupport/FileBytes.h"

#include <fstream>
#include <iterator>

std::vector<uint8_t> readFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string readFileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFileText(const std::filesystem::path& path, std::string_view text) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void writeFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  writeFileText(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

#pragma once

// Shared by the fixture tools: writes a whole output file so that a failed run never leaves a
// partial file in place of a good one.

#include <cstddef>
#include <cstdio>
#include <fstream>
#include <string>

namespace tools {

// Writes the bytes to "<path>.tmp" and renames it over path. On failure the message
// "<tool>: cannot write <file>" goes to standard error, the temporary is removed and the result
// is false.
inline bool replaceFile(const char* tool, const std::string& path, const void* bytes, std::size_t size) {
  const std::string temporary = path + ".tmp";
  bool written;
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    written = static_cast<bool>(file.flush());
  }
  if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "%s: cannot write %s\n", tool, path.c_str());
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace tools

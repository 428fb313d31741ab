#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The edits the model-library fuzz targets make to a valid sample file, so the loaders' deep
// paths are reached from the first run: three input bytes an edit, a 16-bit offset and the byte
// to put there; an offset past the end cuts the file there instead.
inline std::vector<uint8_t> fuzzEdited(std::vector<uint8_t> bytes, const uint8_t* data, size_t size) {
  for (size_t i = 0; i + 3 <= size; i += 3) {
    const size_t at = static_cast<size_t>(data[i]) | static_cast<size_t>(data[i + 1]) << 8;
    if (at >= bytes.size()) {
      bytes.resize(at % (bytes.size() + 1));
      if (bytes.empty()) break;
      continue;
    }
    bytes[at] = data[i + 2];
  }
  return bytes;
}

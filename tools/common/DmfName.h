#pragma once

// Entry names of "DMF " containers as their reader compares them, for the tools that write such
// containers: the reader refuses a container with two names that are equal once folded.

#include <string>

namespace tools {

// 'A' to 'Z' become lower case; two-byte code page 932 characters are kept whole, so their trail
// bytes are never folded.
inline std::string foldDmfName(const std::string& name) {
  std::string out = name;
  for (size_t i = 0; i < out.size(); ++i) {
    const auto byte = static_cast<unsigned char>(out[i]);
    if (((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC)) && i + 1 < out.size()) {
      ++i;
    } else if (byte >= 'A' && byte <= 'Z') {
      out[i] = static_cast<char>(byte - 'A' + 'a');
    }
  }
  return out;
}

}  // namespace tools

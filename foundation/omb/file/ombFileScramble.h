#pragma once

#include <cstddef>
#include <cstdint>

// The position XOR of the archive and of scrambled files: each byte of data that lies at
// absolute offset `offset` + i is XORed with the low 8 bits of that offset. Applying it twice
// restores the bytes.
inline void ombFileScramble(uint8_t* data, std::size_t n, uint64_t offset) {
  auto low = static_cast<uint8_t>(offset);
  for (std::size_t i = 0; i < n; ++i, ++low) {
    data[i] ^= low;
  }
}

#pragma once

#include "foundation/dbtl/DFile.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

// Small file and log helpers shared by the image readers and the writer.

// Reads exactly n bytes at the file's position. False on a short read or a failure; an
// exception of a file in throw mode is caught and also gives false, so the callbacks that
// libpng and libjpeg call never let one pass through the library's C frames.
bool DimgReadExact(dbtl::DFile& file, void* bytes, size_t n) noexcept;

// Reads up to n bytes; 0 at the end, on a failure or on an exception.
size_t DimgReadSome(dbtl::DFile& file, void* bytes, size_t n) noexcept;

// The file's position, or -1 on a failure or an exception.
int64_t DimgTell(dbtl::DFile& file) noexcept;

// Writes each piece to the debug log in turn, the way the image functions report.
void DimgDebugPrint(std::initializer_list<const char*> pieces);

// Little-endian fields of the file formats.
inline uint16_t DimgGetU16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t DimgGetU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void DimgPutU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void DimgPutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

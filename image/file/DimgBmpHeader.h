#pragma once

#include "foundation/dbtl/DFile.h"

#include <cstdint>

// The two headers at the start of a Windows bitmap file, little-endian on disk whatever the
// layout of these structures in memory.

constexpr uint32_t DimgBmpFileHeaderSize = 14;
constexpr uint32_t DimgBmpInfoHeaderSize = 40;
constexpr uint16_t DimgBmpType = 0x4D42;  // "BM"

struct DimgBmpFileHeader {
  uint16_t type = 0;
  uint32_t size = 0;
  uint16_t reserved1 = 0;
  uint16_t reserved2 = 0;
  uint32_t offset = 0;  // where the pixel data start
};

struct DimgBmpInfoHeader {
  uint32_t size = 0;         // header bytes; a reader finds the palette or the pixels after them
  int32_t width = 0;
  int32_t height = 0;        // negative: rows stored top-down
  uint16_t planes = 0;
  uint16_t bitCount = 0;
  uint32_t compression = 0;  // 0 none, 3 bit fields
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};

// Read or write exactly 14 or 40 bytes at the file's position; a short transfer throws
// dbtl::DExceptFile (also when the file is not in throw mode).
void DimgReadBmpFileHeader(dbtl::DFile& file, DimgBmpFileHeader& header);
void DimgReadBmpInfoHeader(dbtl::DFile& file, DimgBmpInfoHeader& header);
void DimgWriteBmpFileHeader(dbtl::DFile& file, const DimgBmpFileHeader& header);
void DimgWriteBmpInfoHeader(dbtl::DFile& file, const DimgBmpInfoHeader& header);

// The same layouts over bytes in memory.
DimgBmpInfoHeader DimgDecodeBmpInfoHeader(const uint8_t* bytes);

#include "image/file/DimgBmpHeader.h"

#include "foundation/dbtl/DExceptFile.h"
#include "image/file/DimgFileIo.h"

namespace {

void readExact(dbtl::DFile& file, uint8_t* bytes, size_t n) {
  if (file.Read(bytes, n) != static_cast<int64_t>(n)) throw dbtl::DExceptFile();
}

void writeExact(dbtl::DFile& file, const uint8_t* bytes, size_t n) {
  if (file.Write(bytes, n) != static_cast<int64_t>(n)) throw dbtl::DExceptFile();
}

}  // namespace

DimgBmpInfoHeader DimgDecodeBmpInfoHeader(const uint8_t* b) {
  DimgBmpInfoHeader h;
  h.size = DimgGetU32(b);
  h.width = static_cast<int32_t>(DimgGetU32(b + 4));
  h.height = static_cast<int32_t>(DimgGetU32(b + 8));
  h.planes = DimgGetU16(b + 12);
  h.bitCount = DimgGetU16(b + 14);
  h.compression = DimgGetU32(b + 16);
  h.sizeImage = DimgGetU32(b + 20);
  h.xPelsPerMeter = static_cast<int32_t>(DimgGetU32(b + 24));
  h.yPelsPerMeter = static_cast<int32_t>(DimgGetU32(b + 28));
  h.clrUsed = DimgGetU32(b + 32);
  h.clrImportant = DimgGetU32(b + 36);
  return h;
}

void DimgReadBmpFileHeader(dbtl::DFile& file, DimgBmpFileHeader& header) {
  uint8_t b[DimgBmpFileHeaderSize];
  readExact(file, b, sizeof b);
  header.type = DimgGetU16(b);
  header.size = DimgGetU32(b + 2);
  header.reserved1 = DimgGetU16(b + 6);
  header.reserved2 = DimgGetU16(b + 8);
  header.offset = DimgGetU32(b + 10);
}

void DimgReadBmpInfoHeader(dbtl::DFile& file, DimgBmpInfoHeader& header) {
  uint8_t b[DimgBmpInfoHeaderSize];
  readExact(file, b, sizeof b);
  header = DimgDecodeBmpInfoHeader(b);
}

void DimgWriteBmpFileHeader(dbtl::DFile& file, const DimgBmpFileHeader& header) {
  uint8_t b[DimgBmpFileHeaderSize];
  DimgPutU16(b, header.type);
  DimgPutU32(b + 2, header.size);
  DimgPutU16(b + 6, header.reserved1);
  DimgPutU16(b + 8, header.reserved2);
  DimgPutU32(b + 10, header.offset);
  writeExact(file, b, sizeof b);
}

void DimgWriteBmpInfoHeader(dbtl::DFile& file, const DimgBmpInfoHeader& header) {
  uint8_t b[DimgBmpInfoHeaderSize];
  DimgPutU32(b, header.size);
  DimgPutU32(b + 4, static_cast<uint32_t>(header.width));
  DimgPutU32(b + 8, static_cast<uint32_t>(header.height));
  DimgPutU16(b + 12, header.planes);
  DimgPutU16(b + 14, header.bitCount);
  DimgPutU32(b + 16, header.compression);
  DimgPutU32(b + 20, header.sizeImage);
  DimgPutU32(b + 24, static_cast<uint32_t>(header.xPelsPerMeter));
  DimgPutU32(b + 28, static_cast<uint32_t>(header.yPelsPerMeter));
  DimgPutU32(b + 32, header.clrUsed);
  DimgPutU32(b + 36, header.clrImportant);
  writeExact(file, b, sizeof b);
}

#include "image/file/DimgBmpHeader.h"

#include "foundation/bytes/ByteReader.h"
#include "foundation/bytes/ByteWriter.h"
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
  ByteReader r(b, DimgBmpInfoHeaderSize);
  DimgBmpInfoHeader h;
  h.size = r.u32le();
  h.width = r.i32le();
  h.height = r.i32le();
  h.planes = r.u16le();
  h.bitCount = r.u16le();
  h.compression = r.u32le();
  h.sizeImage = r.u32le();
  h.xPelsPerMeter = r.i32le();
  h.yPelsPerMeter = r.i32le();
  h.clrUsed = r.u32le();
  h.clrImportant = r.u32le();
  return h;
}

void DimgReadBmpFileHeader(dbtl::DFile& file, DimgBmpFileHeader& header) {
  uint8_t b[DimgBmpFileHeaderSize];
  readExact(file, b, sizeof b);
  ByteReader r(b, sizeof b);
  header.type = r.u16le();
  header.size = r.u32le();
  header.reserved1 = r.u16le();
  header.reserved2 = r.u16le();
  header.offset = r.u32le();
}

void DimgReadBmpInfoHeader(dbtl::DFile& file, DimgBmpInfoHeader& header) {
  uint8_t b[DimgBmpInfoHeaderSize];
  readExact(file, b, sizeof b);
  header = DimgDecodeBmpInfoHeader(b);
}

void DimgWriteBmpFileHeader(dbtl::DFile& file, const DimgBmpFileHeader& header) {
  ByteWriter w;
  w.u16le(header.type).u32le(header.size).u16le(header.reserved1).u16le(header.reserved2);
  w.u32le(header.offset);
  writeExact(file, w.bytes().data(), w.size());
}

void DimgWriteBmpInfoHeader(dbtl::DFile& file, const DimgBmpInfoHeader& header) {
  ByteWriter w;
  w.u32le(header.size).i32le(header.width).i32le(header.height).u16le(header.planes);
  w.u16le(header.bitCount).u32le(header.compression).u32le(header.sizeImage);
  w.i32le(header.xPelsPerMeter).i32le(header.yPelsPerMeter).u32le(header.clrUsed);
  w.u32le(header.clrImportant);
  writeExact(file, w.bytes().data(), w.size());
}

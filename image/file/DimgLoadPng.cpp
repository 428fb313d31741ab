#include "image/file/DimgLoadPng.h"

#include "image/DImageKind.h"
#include "image/file/DimgFileIo.h"
#include "image/file/DimgLoad.h"
#include "image/file/DimgPixelLimit.h"
#include "image/file/DimgPngReader.h"

#include <cstring>

namespace {

constexpr uint8_t kSignatureStart[4] = {0x89, 'P', 'N', 'G'};
constexpr uint8_t kPlainHeader[8] = {0x44, 0x43, 0x49, 0x88, 0x99, 0xAA, 0xBB, 0xCC};
constexpr uint8_t kScrambledHeader[8] = {0x44, 0x43, 0x49, 0xCC, 0xBB, 0xAA, 0x99, 0x88};

enum class PngStream { None, Plain, Scrambled };

struct PngStart {
  PngStream stream = PngStream::None;
  int signatureBytes = 0;
};

// Which of the three starts the file has. Only the 4 bytes that tell them apart are checked
// before libpng takes over; libpng checks the rest of a real signature itself.
PngStart readStart(dbtl::DFile& file) {
  uint8_t bytes[8];
  try {
    if (!file.Seek(0, dbtl::DSEEK_BEGIN)) return {};
  } catch (...) {
    return {};
  }
  if (!DimgReadExact(file, bytes, 4)) return {};
  if (std::memcmp(bytes, kSignatureStart, 4) == 0) return {PngStream::Plain, 4};
  if (std::memcmp(bytes, kPlainHeader, 4) != 0 && std::memcmp(bytes, kScrambledHeader, 4) != 0) {
    return {};
  }
  if (!DimgReadExact(file, bytes + 4, 4)) return {};
  if (std::memcmp(bytes, kPlainHeader, 8) == 0) return {PngStream::Plain, 8};
  if (std::memcmp(bytes, kScrambledHeader, 8) == 0) return {PngStream::Scrambled, 8};
  return {};
}

struct PngShape {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  bool alpha = false;
  int passes = 1;
  size_t rowBytes = 0;
};

// Header and transformations: whatever the file holds arrives as 8-bit R, G, B or R, G, B, A
// with the alpha inverted.
void prepare(png_structp png, png_infop info, PngShape& shape) {
  png_read_info(png, info);
  shape.width = png_get_image_width(png, info);
  shape.height = png_get_image_height(png, info);
  shape.alpha = DimgPngExpandTo8Bit(png, info);
  if (shape.alpha) png_set_invert_alpha(png);
  shape.passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  shape.rowBytes = png_get_rowbytes(png, info);
}

// Every pass decodes into the image rows themselves, so a pass adds its pixels to those of
// the earlier ones.
void readRows(png_structp png, png_infop info, const PngShape& shape, dbtl::DImage& image) {
  for (int pass = 0; pass < shape.passes; ++pass) {
    uint8_t* row = image.GetBits();
    for (png_uint_32 y = 0; y < shape.height; ++y) {
      png_read_row(png, row, nullptr);
      row = image.NextRow(row);
    }
    image.EndAccess();
  }
  png_read_end(png, info);
}

}  // namespace

void DimgPngError(png_structp, png_const_charp message) {
  DimgDebugPrint({"[Error] ", message != nullptr ? message : "", "\n"});
}

void DimgPngRead(png_structp png, png_bytep buffer, size_t n) {
  auto* file = static_cast<dbtl::DFile*>(png_get_io_ptr(png));
  if (!DimgReadExact(*file, buffer, n)) png_error(png, "can't read data");
}

void DimgPngReadScrambled(png_structp png, png_bytep buffer, size_t n) {
  auto* file = static_cast<dbtl::DFile*>(png_get_io_ptr(png));
  const int64_t position = DimgTell(*file);
  if (position < 0) png_error(png, "can't read data.");
  if (!DimgReadExact(*file, buffer, n)) png_error(png, "can't read data");
  for (size_t i = 0; i < n; ++i) buffer[i] ^= static_cast<uint8_t>(position + static_cast<int64_t>(i));
}

bool DimgLoadPng(dbtl::DFile& file, dbtl::DImage& image) {
  const PngStart start = readStart(file);
  if (start.stream == PngStream::None) return false;

  DimgPngReader reader(&DimgPngError);
  if (!reader.IsValid()) return false;
  png_set_read_fn(reader.Png(), &file,
                  start.stream == PngStream::Plain ? &DimgPngRead : &DimgPngReadScrambled);
  png_set_sig_bytes(reader.Png(), start.signatureBytes);

  PngShape shape;
  if (!reader.Step([&](png_structp png, png_infop info) { prepare(png, info, shape); })) {
    return false;
  }
  // A few bytes of compressed data can announce a picture of gigabytes.
  if (!DimgPixelCountAllowed(shape.width, shape.height)) return false;
  const uint32_t kind = shape.alpha ? DImageKindRGBA8 : DImageKindRGB8;
  if (!image.CreateDefaultPitch(shape.width, shape.height, kind)) return false;
  // libpng writes whole decoded rows; the transformations make that width × 4 or × 3 bytes,
  // which the pitch holds, but a row that would not fit is refused rather than trusted.
  const bool fits = shape.rowBytes <= image.GetPitch();
  if (!fits ||
      !reader.Step([&](png_structp png, png_infop info) { readRows(png, info, shape, image); })) {
    image.EndAccess();
    image.Release();
    return false;
  }
  return true;
}

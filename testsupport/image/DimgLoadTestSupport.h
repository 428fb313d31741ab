#pragma once

// Fixtures of the image file tests: files over memory, the debug log captured in a file, and
// writers for BMP bytes, PNG streams (libpng's writer plus raw chunks) and JPEG data
// (libjpeg's compressor). Everything a test reads is made here or in the test itself.

#include "foundation/dbtl/DDebug.h"
#include "foundation/dbtl/DFile.h"
#include "image/DImage.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/JpegFixture.h"

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace filetest {

using Bytes = std::vector<uint8_t>;
using Rgba = std::array<uint8_t, 4>;

inline std::string TempPath(const std::string& stem) {
  const char* base = std::getenv("TMPDIR");
  return std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/" + stem + "." +
         std::to_string(::getpid());
}

// A dbtl::DFile over bytes in memory, as the host hands a pack entry to the loader.
struct MemoryFile {
  explicit MemoryFile(const Bytes& bytes, const char* name = "data/picture.img") {
    source.Create(1);
    source->data = bytes;
    // DMemorySource copies with memcpy even when empty; a buffer keeps that defined.
    source->data.reserve(bytes.size() + 1);
    opened = file.OpenOverride(name, source);
  }
  dbtl::rcptr<DMemorySource> source;
  dbtl::DFile file;
  bool opened = false;
};

// Everything the debug log receives while the capture lives, with its line ends back as "\n".
class DebugLogCapture {
 public:
  DebugLogCapture() : m_path(TempPath("dimg-debug-log")) {
    std::remove(m_path.c_str());
    dbtl::DDebug& log = dbtl::DDebug::Global();
    if (log.GetFile().Open(m_path.c_str(), dbtl::DFILE_WRITE | dbtl::DFILE_CREATE | dbtl::DFILE_NEW)) {
      log.SetFileOpen(true);
    } else {
      ADD_FAILURE() << "cannot open " << m_path;
    }
  }
  ~DebugLogCapture() {
    dbtl::DDebug::Global().SetFileOpen(false);
    dbtl::DDebug::Global().GetFile().Close();
    std::remove(m_path.c_str());
  }
  std::string Text() const {
    std::ifstream in(m_path, std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string text;
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
      text += raw[i];
    }
    return text;
  }

 private:
  std::string m_path;
};

inline void Put16(Bytes& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
inline void Put32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// A BMP file: the 14-byte file header (pixel offset 0: readers must not need it), a 40-byte
// info header with the given fields, then `body` (palette, masks, rows) as the test lays it out.
struct BmpHeader {
  int32_t width = 1;
  int32_t height = 1;
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t clrUsed = 0;
  uint32_t headerSize = 40;
};

inline Bytes MakeBmp(const BmpHeader& h, const Bytes& body) {
  Bytes out = {'B', 'M'};
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, h.headerSize);
  Put32(out, uint32_t(h.width));
  Put32(out, uint32_t(h.height));
  Put16(out, 1);
  Put16(out, h.bits);
  Put32(out, h.compression);
  for (int i = 0; i < 3; ++i) Put32(out, 0);  // image size, resolutions
  Put32(out, h.clrUsed);
  Put32(out, 0);
  out.resize(14 + h.headerSize, 0);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

// A PNG stream written by libpng. `rows` holds the rows as PNG stores them before filtering
// (rowbytes each, 16-bit samples big-endian).
struct PngPicture {
  uint32_t width = 1;
  uint32_t height = 1;
  int colour = PNG_COLOR_TYPE_RGB;
  int depth = 8;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;  // tRNS of a palette image
  bool transparentColour = false;      // tRNS of a grey or RGB image
  png_color_16 transparent{};
  Bytes rows;
};

inline Bytes WritePng(const PngPicture& p) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "libpng could not write the fixture";
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp s, png_bytep data, size_t n) {
        auto* o = static_cast<Bytes*>(png_get_io_ptr(s));
        o->insert(o->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, p.width, p.height, p.depth, p.colour,
               p.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!p.palette.empty()) png_set_PLTE(png, info, p.palette.data(), int(p.palette.size()));
  if (!p.paletteAlpha.empty()) {
    png_set_tRNS(png, info, p.paletteAlpha.data(), int(p.paletteAlpha.size()), nullptr);
  }
  if (p.transparentColour) png_set_tRNS(png, info, nullptr, 0, &p.transparent);
  png_write_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<png_bytep> rows(p.height);
  for (uint32_t y = 0; y < p.height; ++y) {
    rows[y] = const_cast<png_bytep>(p.rows.data() + y * rowBytes);
  }
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

// One chunk (length, name, data, CRC) inserted at byte `at` (by default right after IHDR); a
// wrong CRC on request.
inline Bytes InsertChunk(const Bytes& png, const char* name, const Bytes& data, bool badCrc = false,
                         size_t at = 33) {
  Bytes chunk;
  const uint32_t n = uint32_t(data.size());
  for (int i = 3; i >= 0; --i) chunk.push_back(uint8_t(n >> (8 * i)));
  chunk.insert(chunk.end(), name, name + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  uint32_t crc = uint32_t(crc32(0, chunk.data() + 4, uInt(4 + data.size())));
  if (badCrc) crc ^= 1;
  for (int i = 3; i >= 0; --i) chunk.push_back(uint8_t(crc >> (8 * i)));
  Bytes out = png;
  out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), chunk.begin(), chunk.end());
  return out;
}

// The stream behind one of the private headers: plain, or scrambled with each byte at file
// offset k exclusive-or'ed with k mod 256.
enum class PngWrap { Plain, Scrambled };

inline Bytes WrapPng(const Bytes& png, PngWrap wrap) {
  Bytes out = wrap == PngWrap::Plain ? Bytes{0x44, 0x43, 0x49, 0x88, 0x99, 0xAA, 0xBB, 0xCC}
                                     : Bytes{0x44, 0x43, 0x49, 0xCC, 0xBB, 0xAA, 0x99, 0x88};
  for (size_t i = 8; i < png.size(); ++i) {
    const size_t k = out.size();
    out.push_back(wrap == PngWrap::Plain ? png[i] : uint8_t(png[i] ^ (k & 0xFF)));
  }
  return out;
}

// A JPEG of R, G, B pixels (rows top-down) made by libjpeg's compressor.
inline Bytes WriteJpeg(uint32_t width, uint32_t height, const Bytes& rgb, int quality,
                       bool progressive = false) {
  JpegPicture p;
  p.width = width;
  p.height = height;
  p.quality = quality;
  p.progressive = progressive;
  p.samples = rgb.data();
  p.sampleCount = rgb.size();
  return CompressJpeg(p);
}

// An image whose allocations a test can see.
class CountingImage : public dbtl::DImage {
 public:
  bool Create(uint32_t width, uint32_t height, uint32_t pitch, uint32_t kind) override {
    ++creates;
    return DImage::Create(width, height, pitch, kind);
  }
  int creates = 0;
};

// The pixel at (x, y) as R, G, B, A for the kinds the readers produce (0, 1 and 3).
inline Rgba PixelOf(const dbtl::DImage& image, uint32_t x, uint32_t y) {
  const uint8_t* p = image.GetPixelAddress(x, y);
  switch (image.GetKind()) {
    case 0: return {p[0], p[1], p[2], p[3]};
    case 1: return {p[0], p[1], p[2], 255};
    case 3: return {p[2], p[1], p[0], 255};
    default: ADD_FAILURE() << "unexpected kind " << image.GetKind(); return {};
  }
}

// Every pixel, row by row from the top.
inline std::vector<Rgba> PixelsOf(const dbtl::DImage& image) {
  std::vector<Rgba> out;
  for (uint32_t y = 0; y < image.GetHeight(); ++y) {
    for (uint32_t x = 0; x < image.GetWidth(); ++x) out.push_back(PixelOf(image, x, y));
  }
  return out;
}

}  // namespace filetest

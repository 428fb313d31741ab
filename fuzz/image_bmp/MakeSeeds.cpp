// Writes the seeds of the BMP target with the image tests' BMP builder: every layout the reader
// takes (24 and 32 bits, bit fields with and without masks after the header, 8 bits with short
// and full palettes, bottom-up and top-down rows, long headers) and a few it refuses.
//   fuzz_image_bmp_seeds FOLDER

#include "testsupport/image/DimgLoadTestSupport.h"

#include <cstdio>
#include <string>

namespace {

using filetest::BmpHeader;
using filetest::Bytes;

struct Layout {
  uint16_t bits;
  bool topDown;
  uint32_t compression;
  uint32_t clrUsed;
  uint32_t paletteWritten;
  bool masks;  // 12 mask bytes after the header
  uint32_t headerSize;
};

const Layout kLayouts[] = {
    {24, false, 0, 0, 0, false, 40},  {24, true, 0, 0, 0, false, 40},
    {24, false, 0, 0, 0, false, 108}, {32, false, 0, 0, 0, false, 40},
    {32, true, 3, 0, 0, true, 40},    {32, false, 3, 0, 0, false, 108},
    {32, false, 3, 0, 0, false, 124}, {8, false, 0, 0, 256, false, 40},
    {8, true, 0, 300, 256, false, 40}, {8, false, 0, 16, 16, false, 40},
    {8, true, 0, 6, 6, false, 40},    {16, false, 0, 0, 0, false, 40},
    {8, false, 1, 4, 4, false, 40},   {4, false, 0, 4, 4, false, 40},
};

// Five by three pixels, rows padded to four bytes.
Bytes bodyFor(const Layout& l) {
  Bytes body;
  for (uint32_t i = 0; i < l.paletteWritten; ++i) {
    body.insert(body.end(), {uint8_t(i * 40), uint8_t(255 - i), uint8_t(i * 7), 0});
  }
  if (l.masks) {
    filetest::Put32(body, 0xFF0000);
    filetest::Put32(body, 0xFF00);
    filetest::Put32(body, 0xFF);
  }
  for (uint32_t y = 0; y < 3; ++y) {
    Bytes row;
    for (uint32_t x = 0; x < 5; ++x) {
      const uint8_t v = uint8_t(x * 50 + y * 20);
      switch (l.bits) {
        case 4:
          if (x % 2 == 0) row.push_back(uint8_t((x % 4) << 4));
          break;
        case 8: row.push_back(uint8_t((x + y) % (l.paletteWritten ? l.paletteWritten : 1))); break;
        case 16: row.insert(row.end(), {v, uint8_t(v >> 1)}); break;
        default:
          row.insert(row.end(), {v, uint8_t(255 - v), uint8_t(y * 80)});
          if (l.bits == 32) row.push_back(uint8_t(x * 60));
      }
    }
    row.resize((row.size() + 3) & ~size_t{3}, 0);
    body.insert(body.end(), row.begin(), row.end());
  }
  return body;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  int index = 0;
  for (const Layout& l : kLayouts) {
    BmpHeader h;
    h.width = 5;
    h.height = l.topDown ? -3 : 3;
    h.bits = l.bits;
    h.compression = l.compression;
    h.clrUsed = l.clrUsed;
    h.headerSize = l.headerSize;
    const Bytes bytes = filetest::MakeBmp(h, bodyFor(l));
    const std::string path = std::string(argv[1]) + "/bmp" + std::to_string(index++) + ".bmp";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const bool written = f != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f != nullptr) std::fclose(f);
    if (!written) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}

// PNG data through DimgLoadPng. Random bytes rarely get past the chunk checksums, so the first
// byte chooses between the input as a file and a small PNG that libpng writes from the input's
// parameters and pixels, then damaged (cut or changed with its checksums made right again) and
// put behind one of the three starts.
#include "image/file/DimgLoad.h"

#include "../image_common/ImageFuzz.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>

namespace {

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

void PutBe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

struct Recipe {
  uint32_t width;
  uint32_t height;
  int colour;
  int depth;
  bool interlaced;
  bool transparency;
  const uint8_t* pixels;
  size_t pixelBytes;
};

void Append(png_structp png, png_bytep data, size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

// Only plain values live in this frame, so libpng's jump out of it skips nothing.
bool Write(const Recipe& r, std::vector<uint8_t>* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_bytep rows[24];
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, &Append, nullptr);
  png_set_IHDR(png, info, r.width, r.height, r.depth, r.colour,
               r.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color palette[256];
  png_byte alpha[256];
  // A full palette: every index the pixels can hold is valid, as the writer insists.
  const int entries = r.colour == PNG_COLOR_TYPE_PALETTE ? 1 << r.depth : 0;
  for (int i = 0; i < 256; ++i) {
    palette[i] = {uint8_t(i * 3), uint8_t(255 - i), uint8_t(i * 7)};
    alpha[i] = uint8_t(i * 5);
  }
  if (entries != 0) png_set_PLTE(png, info, palette, entries);
  if (r.transparency && entries != 0) png_set_tRNS(png, info, alpha, entries / 2 + 1, nullptr);
  png_color_16 key{0, 1, 2, 3, 4};
  if (r.transparency && entries == 0 && (r.colour & PNG_COLOR_MASK_ALPHA) == 0) {
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  png_write_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  static uint8_t storage[24 * 24 * 8];
  for (size_t i = 0; i < rowBytes * r.height; ++i) {
    storage[i] = r.pixelBytes != 0 ? r.pixels[i % r.pixelBytes] : uint8_t(i);
  }
  for (uint32_t y = 0; y < r.height; ++y) rows[y] = storage + y * rowBytes;
  png_write_image(png, rows);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

void FixChecksums(std::vector<uint8_t>& png) {
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const uint32_t length = Be32(&png[at]);
    if (length > png.size() - at - 12) break;
    PutBe32(&png[at + 8 + length], uint32_t(crc32(0, &png[at + 4], uInt(4 + length))));
    at += 12 + length;
  }
}

std::vector<uint8_t> Wrap(const std::vector<uint8_t>& png, int wrap) {
  static const uint8_t headers[2][8] = {{0x44, 0x43, 0x49, 0x88, 0x99, 0xAA, 0xBB, 0xCC},
                                        {0x44, 0x43, 0x49, 0xCC, 0xBB, 0xAA, 0x99, 0x88}};
  if (wrap == 0 || png.size() < 8) return png;
  std::vector<uint8_t> out(headers[wrap - 1], headers[wrap - 1] + 8);
  for (size_t k = 8; k < png.size(); ++k) out.push_back(wrap == 2 ? uint8_t(png[k] ^ k) : png[k]);
  return out;
}

bool TooLarge(const std::vector<uint8_t>& file) {
  if (file.size() < 24) return false;
  const bool scrambled = file[3] == 0xCC;
  uint8_t ihdr[8];
  for (size_t k = 16; k < 24; ++k) ihdr[k - 16] = scrambled ? uint8_t(file[k] ^ k) : file[k];
  return uint64_t{Be32(ihdr)} * Be32(ihdr + 4) > imagefuzz::kMaxFuzzPixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 10) return 0;
  std::vector<uint8_t> file;
  if ((data[0] & 1) == 0) {
    file.assign(data + 1, data + size);
  } else {
    static const int colours[5] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_PALETTE,
                                   PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB_ALPHA};
    Recipe r{};
    r.width = 1 + data[1] % 24;
    r.height = 1 + data[2] % 24;
    r.colour = colours[data[3] % 5];
    static const int anyDepth[5] = {1, 2, 4, 8, 16};
    static const int wideDepth[2] = {8, 16};
    r.depth = r.colour == PNG_COLOR_TYPE_GRAY      ? anyDepth[data[4] % 5]
              : r.colour == PNG_COLOR_TYPE_PALETTE ? anyDepth[data[4] % 4]
                                                   : wideDepth[data[4] % 2];
    r.interlaced = (data[5] & 1) != 0;
    r.transparency = (data[5] & 8) != 0;
    r.pixels = data + 10;
    r.pixelBytes = size - 10;
    std::vector<uint8_t> png;
    if (!Write(r, &png)) return 0;
    const size_t at = (size_t(data[7]) << 8 | data[8]) % png.size();
    switch (data[6] % 3) {
      case 1: png.resize(at); break;
      case 2:
        png[at] ^= data[9] != 0 ? data[9] : 1;
        FixChecksums(png);
        break;
      default: break;
    }
    file = Wrap(png, (data[5] >> 1) % 3);
  }
  if (TooLarge(file)) return 0;
  imagefuzz::MemoryFile f(std::move(file));
  dbtl::DImage image;
  imagefuzz::Check(DimgLoadPng(f.file, image), image, {0, 1});
  return 0;
}

// The image module over a file made of the input. The first byte picks the pixel format, the
// pitch padding and how the file is made: the rest of the input as it is, behind a container
// magic and version 0 (random bytes seldom start with them), or a whole container built from
// the input's values (a PNG written by libpng, block rows from the input) with one of its
// header or table bytes then changed. A record that describes an image is loaded into a buffer
// of exactly the size the module asked for, so any write past it is caught.
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/ombCore.h"
#include "image/omb/ombImage.h"
#include "image/omb/ombImageFormat.h"

#include <png.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Larger pictures are sound but would spend the run's seconds on one buffer.
constexpr uint64_t kMaxBufferBytes = uint64_t{1} << 22;

const std::string& FilePath() {
  static const std::string path = [] {
    const char* base = std::getenv("TMPDIR");
    return std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/image-caib-fuzz." +
           std::to_string(::getpid());
  }();
  return path;
}

std::u16string Utf16(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

void PutBe32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(value >> (24 - 8 * i));
}

void Append(png_structp png, png_bytep data, size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

// An 8-bit RGBA picture of the pixel bytes, repeated. Only plain values live in this frame, so
// libpng's jump out of it skips nothing.
bool WritePng(uint32_t width, uint32_t height, const uint8_t* pixels, size_t count,
              std::vector<uint8_t>* out) {
  static uint8_t storage[16 * 16 * 4];
  png_bytep rows[16];
  for (size_t i = 0; i < sizeof storage; ++i) storage[i] = count != 0 ? pixels[i % count] : uint8_t(i);
  for (uint32_t y = 0; y < height; ++y) rows[y] = storage + y * width * 4;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, &Append, nullptr);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

// A container from data[0..6] (size, flags, levels, the byte to change) and the rest (pixels
// and block rows); empty when the input is too short.
std::vector<uint8_t> BuildContainer(const uint8_t* data, size_t size) {
  if (size < 8) return {};
  const uint32_t width = 1 + data[0] % 16;
  const uint32_t height = 1 + data[1] % 16;
  const uint32_t flags = uint32_t(data[2] & 0x7F) << 16;
  const uint32_t levels = data[3] % 3;
  const uint8_t* rest = data + 8;
  const size_t restSize = size - 8;
  std::vector<uint32_t> formats{0};
  if ((flags & 0x10000) == 0) {
    for (uint32_t f = 5; f <= 9; ++f) {
      if ((flags & (0x20000u << (f - 5))) != 0) formats.push_back(f);
    }
  }
  std::vector<uint8_t> out(40 + formats.size() * (levels + 1) * 4);
  const uint32_t header[10] = {0x43414942, 0, width, height, flags, levels, 0, 0, 0x3F800000, 3};
  for (size_t i = 0; i < 10; ++i) PutBe32(out, i * 4, header[i]);
  for (size_t l = 0; l < formats.size(); ++l) {
    const size_t table = 40 + l * (levels + 1) * 4;
    for (uint32_t level = 0; level <= levels; ++level) PutBe32(out, table + level * 4, uint32_t(out.size()));
    if (formats[l] == 0) {
      if (!WritePng(width, height, rest, restSize, &out)) return {};
    } else {
      // One byte of the input shortens the last layer, so that cut block rows come up.
      const size_t bytes = ombImageFormatRowBytes(formats[l], width) * ombImageFormatRows(formats[l], height);
      const size_t cut = l + 1 == formats.size() ? data[6] % 8 : 0;
      for (size_t i = 0; i + cut < bytes; ++i) out.push_back(restSize != 0 ? rest[i % restSize] : 0);
    }
  }
  const size_t at = data[4] % out.size();
  if (data[5] != 0 && at < 40 + formats.size() * (levels + 1) * 4) out[at] ^= data[5];
  return out;
}

void Setup() {
  static const bool ready = [] {
    ombCoreInit();
    ombImageInit();
    std::atexit([] { std::remove(FilePath().c_str()); });
    return true;
  }();
  (void)ready;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  Setup();
  const uint8_t options = data[0];
  const uint32_t format = options % 11;
  const uint32_t padding = (options >> 4) & 3;
  std::vector<uint8_t> bytes;
  if ((options & 0xC0) == 0xC0) {
    bytes = BuildContainer(data + 1, size - 1);
  } else {
    if ((options & 0x80) != 0) bytes.assign({'C', 'A', 'I', 'B', 0, 0, 0, 0});
    bytes.insert(bytes.end(), data + 1, data + size);
  }
  {
    std::ofstream out(FilePath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  const std::u16string path = Utf16(FilePath());
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_READ_DISK, path.c_str(), 0);
  if (file == nullptr) return 0;
  OMB_IMAGE_INFO info{};
  if (ombImageGetInfo(&info, file) == OMB_OK) {
    if (info.width == 0 || info.height == 0) __builtin_trap();
    const uint64_t rowBytes = ombImageFormatRowBytes(format, info.width) + padding;
    const uint64_t rows = ombImageFormatRows(format, info.height);
    if (rowBytes <= UINT32_MAX && rows <= UINT32_MAX && rowBytes * rows <= kMaxBufferBytes) {
      std::vector<uint8_t> buffer(rowBytes * rows);
      ombImageLoad(&info, file, uint32_t(rowBytes), format, buffer.data(), uint32_t(rows));
    }
  } else if (info.layers != nullptr) {
    __builtin_trap();
  }
  std::free(info.layers);
  ombFileClose(file);
  return 0;
}

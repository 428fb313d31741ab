#pragma once

// JPEG data made by libjpeg's compressor, for the reader's tests and its fuzz target.

#include <jpeglib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace filetest {

struct JpegPicture {
  uint32_t width = 1;
  uint32_t height = 1;
  int quality = 90;
  bool progressive = false;
  bool grey = false;
  // Samples row by row from the top (3 a pixel, or 1 for grey), repeated when shorter.
  const uint8_t* samples = nullptr;
  size_t sampleCount = 0;
};

inline std::vector<uint8_t> CompressJpeg(const JpegPicture& p) {
  jpeg_compress_struct c{};
  jpeg_error_mgr errors;
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = p.width;
  c.image_height = p.height;
  c.input_components = p.grey ? 1 : 3;
  c.in_color_space = p.grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, p.quality, TRUE);
  if (p.progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(size_t{p.width} * c.input_components);
  size_t at = 0;
  while (c.next_scanline < p.height) {
    for (uint8_t& b : row) {
      b = p.sampleCount != 0 ? p.samples[at % p.sampleCount] : uint8_t(at);
      ++at;
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&c);
  std::free(buffer);
  return out;
}

}  // namespace filetest

#include "image/omb/ombImageFormat.h"

#include "image/omb/ombImage.h"

#include <cstddef>
#include <cstring>

namespace {

// A channel's field in a 16-bit word: lowest bit and width; width 0 for a missing channel.
struct Field {
  uint8_t shift;
  uint8_t bits;
};

// Rows: formats 2, 3 and 4; columns: R, G, B, A.
constexpr Field kFields[3][4] = {
    {{8, 4}, {4, 4}, {0, 4}, {12, 4}},
    {{10, 5}, {5, 5}, {0, 5}, {15, 1}},
    {{11, 5}, {5, 6}, {0, 5}, {0, 0}},
};

// Byte of each channel in format 1 (B, G, R, A).
constexpr uint32_t kBgraIndex[4] = {2, 1, 0, 3};

uint16_t setField(uint16_t word, Field field, uint8_t value) {
  if (field.bits == 0) {
    return word;
  }
  const uint32_t mask = ((1u << field.bits) - 1) << field.shift;
  const uint32_t bits = uint32_t(value >> (8 - field.bits)) << field.shift;
  return uint16_t((word & ~mask) | bits);
}

}  // namespace

uint64_t ombImageFormatRowBytes(uint32_t format, uint32_t width) {
  const uint64_t w = width;
  switch (format) {
    case OMB_IMAGE_FORMAT_RGBA8:
    case OMB_IMAGE_FORMAT_BGRA8:
      return w * 4;
    case OMB_IMAGE_FORMAT_ARGB4444:
    case OMB_IMAGE_FORMAT_ARGB1555:
    case OMB_IMAGE_FORMAT_RGB565:
      return w * 2;
    case OMB_IMAGE_FORMAT_DXT1:
      return (w + 3) / 4 * 8;
    case OMB_IMAGE_FORMAT_DXT2:
    case OMB_IMAGE_FORMAT_DXT3:
    case OMB_IMAGE_FORMAT_DXT4:
    case OMB_IMAGE_FORMAT_DXT5:
      return (w + 3) / 4 * 16;
    default:
      return 0;
  }
}

uint64_t ombImageFormatRows(uint32_t format, uint32_t height) {
  if (format <= OMB_IMAGE_FORMAT_RGB565) {
    return height;
  }
  if (format <= OMB_IMAGE_FORMAT_DXT5) {
    return (uint64_t{height} + 3) / 4;
  }
  return 0;
}

uint32_t ombImagePixelBytes(uint32_t format) {
  return format <= OMB_IMAGE_FORMAT_RGB565 ? static_cast<uint32_t>(ombImageFormatRowBytes(format, 1))
                                            : 0;
}

void ombImageSetChannel(uint8_t* pixel, uint32_t format, uint32_t channel, uint8_t value) {
  switch (format) {
    case OMB_IMAGE_FORMAT_RGBA8:
      pixel[channel] = value;
      return;
    case OMB_IMAGE_FORMAT_BGRA8:
      pixel[kBgraIndex[channel]] = value;
      return;
    case OMB_IMAGE_FORMAT_ARGB4444:
    case OMB_IMAGE_FORMAT_ARGB1555:
    case OMB_IMAGE_FORMAT_RGB565: {
      // The words are stored little-endian, as the textures that receive them expect.
      const uint16_t word = uint16_t(pixel[0] | pixel[1] << 8);
      const uint16_t out = setField(word, kFields[format - OMB_IMAGE_FORMAT_ARGB4444][channel], value);
      pixel[0] = uint8_t(out);
      pixel[1] = uint8_t(out >> 8);
      return;
    }
    default:
      return;
  }
}

void ombImagePackRow(uint8_t* destination, uint32_t format, const uint8_t* rgba, uint32_t count) {
  const uint32_t step = ombImagePixelBytes(format);
  if (format == OMB_IMAGE_FORMAT_RGBA8) {
    std::memcpy(destination, rgba, size_t{count} * 4);
    return;
  }
  for (uint32_t x = 0; x < count; ++x, destination += step, rgba += 4) {
    // Every field of the word is written, so it starts from 0.
    destination[0] = 0;
    destination[1] = 0;
    for (uint32_t c = 0; c < 4; ++c) {
      ombImageSetChannel(destination, format, c, rgba[c]);
    }
  }
}

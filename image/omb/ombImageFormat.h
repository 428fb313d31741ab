#pragma once

#include <cstdint>

// Geometry and pixel layout of the framework's pixel formats (ombImage.h).

// Bytes of one row and number of rows of a picture in the format; both 0 for an unknown
// format. 64-bit, since a container may announce any 32-bit width.
uint64_t ombImageFormatRowBytes(uint32_t format, uint32_t width);
uint64_t ombImageFormatRows(uint32_t format, uint32_t height);

// Channels of a decoded pixel (bytes R, G, B, A).
inline constexpr uint32_t OMB_IMAGE_CHANNEL_R = 0;
inline constexpr uint32_t OMB_IMAGE_CHANNEL_G = 1;
inline constexpr uint32_t OMB_IMAGE_CHANNEL_B = 2;
inline constexpr uint32_t OMB_IMAGE_CHANNEL_A = 3;

// Bytes per pixel of formats 0 to 4; 0 for the others.
uint32_t ombImagePixelBytes(uint32_t format);

// Writes the 8-bit value into one channel of the pixel at `pixel` (formats 0 to 4), keeping every
// other field. The 16-bit formats take the value's top bits, unrounded; format 4 has no alpha,
// so an alpha value is dropped there.
void ombImageSetChannel(uint8_t* pixel, uint32_t format, uint32_t channel, uint8_t value);

// Packs `count` pixels of bytes R, G, B, A into the format (0 to 4; others write nothing).
void ombImagePackRow(uint8_t* destination, uint32_t format, const uint8_t* rgba, uint32_t count);

// The alpha value after an alpha mode: 0 forces 255, 1 keeps only the top bit (0 or 255), every
// other mode keeps the value.
inline uint8_t ombImageAlphaByMode(uint32_t alphaMode, uint8_t alpha) {
  if (alphaMode == 0) {
    return 255;
  }
  if (alphaMode == 1) {
    return (alpha & 0x80) != 0 ? 255 : 0;
  }
  return alpha;
}

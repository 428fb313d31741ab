#pragma once

#include <cstdint>

// The eight pixel kinds of an image. The numbers are stored in images and passed between the
// libraries as plain u32 values (a kind above 7 is refused everywhere), so this is an unscoped
// enum over u32 rather than an enum class.
enum DImageKind : uint32_t {
  DImageKindRGBA8 = 0,     // bytes R, G, B, A
  DImageKindRGB8 = 1,      // bytes R, G, B
  DImageKindBGRA8 = 2,     // bytes B, G, R, A
  DImageKindBGR8 = 3,      // bytes B, G, R
  DImageKindA1R5G5B5 = 4,  // little-endian word: A 15, R 10-14, G 5-9, B 0-4
  DImageKindA4R4G4B4 = 5,  // little-endian word: A 12-15, R 8-11, G 4-7, B 0-3
  DImageKindR5G6B5 = 6,    // little-endian word: R 11-15, G 5-10 (bit 5 carries nothing), B 0-4
  DImageKindYCrCb = 7,     // bytes Y, Cr, Cb
};

constexpr uint32_t DImageKindCount = 8;

constexpr bool DimgKindValid(uint32_t kind) { return kind < DImageKindCount; }

// 32, 24 or 16; 0 for a kind that does not exist.
constexpr uint32_t DimgBitsPerPixel(uint32_t kind) {
  switch (kind) {
    case DImageKindRGBA8:
    case DImageKindBGRA8:
      return 32;
    case DImageKindRGB8:
    case DImageKindBGR8:
    case DImageKindYCrCb:
      return 24;
    case DImageKindA1R5G5B5:
    case DImageKindA4R4G4B4:
    case DImageKindR5G6B5:
      return 16;
    default:
      return 0;
  }
}

constexpr uint32_t DimgBytesPerPixel(uint32_t kind) { return (DimgBitsPerPixel(kind) + 7) / 8; }

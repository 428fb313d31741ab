#pragma once

// What the stand-in knows of each surface format: its storage size, whether it is a depth or a
// block-compressed format, and how its pixels convert to and from 32-bit A8R8G8B8, the form in
// which the rasteriser, the copies and the fills work.

#include "platform/d3d9/D3d9Types.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace d3d9 {

struct FormatInfo {
  D3DFORMAT format;
  const char* name;
  uint32_t bytesPerPixel;  // 0 for block formats
  uint32_t blockBytes;     // bytes of one 4x4 block, 0 for pixel formats
  bool depth;
  bool alpha;
};

// Null for a format the stand-in cannot store.
const FormatInfo* formatInfo(D3DFORMAT format);

// Bytes of one row of pixels (one row of blocks for block formats), and the number of such rows.
std::optional<size_t> formatRowBytes(D3DFORMAT format, uint32_t width);
uint32_t formatRowCount(D3DFORMAT format, uint32_t height);

// Row converters between a colour format and A8R8G8B8 words. Formats without alpha read as
// opaque; narrow channels widen by repeating their high bits (so 5-bit 31 reads as 255) and
// narrow by truncation.
using DecodeRowFn = void (*)(const uint8_t* src, uint32_t count, uint32_t* argb);
using EncodeRowFn = void (*)(const uint32_t* argb, uint32_t count, uint8_t* dst);
struct PixelCodec {
  DecodeRowFn decode = nullptr;
  EncodeRowFn encode = nullptr;
};
// Empty codec for depth, block and unknown formats.
PixelCodec pixelCodec(D3DFORMAT format);

// Decodes one 4x4 block of DXT1, DXT3 or DXT5 into 16 A8R8G8B8 words, row by row.
void decodeDxtBlock(D3DFORMAT format, const uint8_t* block, uint32_t out[16]);

}  // namespace d3d9

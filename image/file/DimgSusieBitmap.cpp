#include "image/file/DimgSusieBitmap.h"

#include "foundation/bytes/ByteReader.h"
#include "image/DImageKind.h"
#include "image/file/DimgBmpHeader.h"
#include "image/file/DimgFileIo.h"
#include "image/file/DimgPixelLimit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr uint32_t kPlain = 0;
constexpr uint32_t kBitFields = 3;

// One colour field of a 16- or 32-bit pixel.
struct Field {
  uint32_t mask = 0;
  int shift = 0;
  int width = 0;

  static Field Of(uint32_t mask) {
    Field f;
    f.mask = mask;
    if (mask != 0) {
      f.shift = __builtin_ctz(mask);
      f.width = __builtin_popcount(mask);
    }
    return f;
  }

  uint8_t Expand(uint32_t pixel) const {
    if (width == 0) return 0;
    const uint32_t v = (pixel & mask) >> shift;
    if (width >= 8) return uint8_t(v >> (width - 8));
    uint32_t repeated = 0;
    int filled = 0;
    while (filled < 8) {
      repeated = repeated << width | v;
      filled += width;
    }
    return uint8_t(repeated >> (filled - 8));
  }
};

struct DibLayout {
  uint32_t width;
  uint32_t rows;
  bool bottomUp;
  uint32_t bits;
  uint64_t stride;
  std::array<Field, 3> fields;  // R, G, B for 16 and 32 bits
  std::array<std::array<uint8_t, 3>, 256> palette{};  // B, G, R; entries not given stay black
};

bool validDepth(uint32_t bits, uint32_t compression) {
  switch (bits) {
    case 1: case 4: case 8: case 24: return compression == kPlain;
    case 16: case 32: return compression == kPlain || compression == kBitFields;
    default: return false;
  }
}

std::optional<DibLayout> layoutOf(const uint8_t* info, size_t infoSize) {
  if (info == nullptr || infoSize < DimgBmpInfoHeaderSize) return std::nullopt;
  const DimgBmpInfoHeader header = DimgDecodeBmpInfoHeader(info);
  if (header.size < DimgBmpInfoHeaderSize || header.size > infoSize) return std::nullopt;
  if (header.planes != 1 || !validDepth(header.bitCount, header.compression)) return std::nullopt;
  const int64_t height = header.height;
  if (header.width <= 0 || height == 0) return std::nullopt;

  DibLayout layout;
  layout.width = uint32_t(header.width);
  layout.rows = uint32_t(height < 0 ? -height : height);
  layout.bottomUp = height > 0;
  layout.bits = header.bitCount;
  if (!DimgPixelCountAllowed(layout.width, layout.rows)) return std::nullopt;
  layout.stride = (uint64_t{layout.bits} * layout.width + 31) / 32 * 4;

  if (header.compression == kBitFields) {
    // After a 40-byte header the three masks follow it; longer headers hold them.
    if (infoSize < DimgBmpInfoHeaderSize + 12) return std::nullopt;
    const uint8_t* masks = info + DimgBmpInfoHeaderSize;
    for (int i = 0; i < 3; ++i) layout.fields[i] = Field::Of(loadU32le(masks + 4 * i));
  } else if (layout.bits == 16) {
    layout.fields = {Field::Of(0x7C00), Field::Of(0x03E0), Field::Of(0x001F)};
  } else {
    layout.fields = {Field::Of(0xFF0000), Field::Of(0xFF00), Field::Of(0xFF)};
  }

  if (layout.bits <= 8) {
    const uint32_t most = 1u << layout.bits;
    uint32_t entries = header.clrUsed == 0 ? most : std::min(header.clrUsed, most);
    entries = uint32_t(std::min<size_t>(entries, (infoSize - header.size) / 4));
    const uint8_t* table = info + header.size;
    for (uint32_t i = 0; i < entries; ++i) {
      layout.palette[i] = {table[4 * i], table[4 * i + 1], table[4 * i + 2]};
    }
  }
  return layout;
}

uint32_t pixelAt(const uint8_t* row, uint32_t x, uint32_t bits) {
  switch (bits) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xF;
    case 8: return row[x];
    case 16: return loadU16le(row + 2 * x);
    default: return loadU32le(row + 4 * x);
  }
}

void convertRow(const uint8_t* in, uint8_t* out, const DibLayout& layout) {
  for (uint32_t x = 0; x < layout.width; ++x, out += 3) {
    if (layout.bits == 24) {
      std::memcpy(out, in + 3 * x, 3);
      continue;
    }
    const uint32_t pixel = pixelAt(in, x, layout.bits);
    if (layout.bits <= 8) {
      std::memcpy(out, layout.palette[pixel].data(), 3);
    } else {
      out[0] = layout.fields[2].Expand(pixel);
      out[1] = layout.fields[1].Expand(pixel);
      out[2] = layout.fields[0].Expand(pixel);
    }
  }
}

}  // namespace

bool DimgSusieBitmapToImage(const uint8_t* info, size_t infoSize, const uint8_t* pixels,
                            size_t pixelSize, dbtl::DImage& image) {
  const std::optional<DibLayout> layout = layoutOf(info, infoSize);
  if (!layout) return false;
  // The rows as the plug-in's block holds them, black where the block ends early.
  std::vector<uint8_t> rows(layout->stride * layout->rows, 0);
  if (pixels != nullptr) std::memcpy(rows.data(), pixels, std::min(rows.size(), pixelSize));
  if (!image.Create(layout->width, layout->rows, 0, DImageKindBGR8)) return false;
  image.GetBits();
  for (uint32_t y = 0; y < layout->rows; ++y) {
    const uint32_t stored = layout->bottomUp ? layout->rows - 1 - y : y;
    convertRow(rows.data() + stored * layout->stride, image.GetPixelAddress(0, y), *layout);
  }
  image.EndAccess();
  return true;
}

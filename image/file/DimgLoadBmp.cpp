#include "foundation/dbtl/DExceptFile.h"
#include "image/DImageKind.h"
#include "image/file/DimgBmpHeader.h"
#include "image/file/DimgFileIo.h"
#include "image/file/DimgLoad.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace {

struct BmpLayout {
  uint32_t width;
  uint32_t rows;
  bool topDown;
  uint32_t bytesPerPixel;
  uint64_t fileRowBytes;  // a row in the file, padded to 4 bytes
  uint32_t paletteEntries;
  uint32_t maskBytes;     // bit masks after a 40-byte header, read and not used
};

// The geometry of the pixel data, or nothing for a depth this reader does not read or a size
// that no image can have. Sizes are 64-bit: a width such as 0x40000001 must not wrap a row
// into a few bytes.
std::optional<BmpLayout> layoutOf(const DimgBmpInfoHeader& info) {
  if (info.bitCount != 8 && info.bitCount != 24 && info.bitCount != 32) return std::nullopt;
  if (info.width <= 0 || info.height == 0) return std::nullopt;
  BmpLayout layout{};
  layout.width = static_cast<uint32_t>(info.width);
  const int64_t height = info.height;
  layout.rows = static_cast<uint32_t>(height < 0 ? -height : height);
  layout.topDown = height < 0;
  layout.bytesPerPixel = info.bitCount / 8u;
  layout.fileRowBytes = (uint64_t{layout.width} * layout.bytesPerPixel + 3) & ~uint64_t{3};
  if (info.bitCount == 8) {
    layout.paletteEntries = info.clrUsed == 0 || info.clrUsed > 256 ? 256 : info.clrUsed;
  }
  if (info.bitCount == 32 && info.compression == 3 && info.size == DimgBmpInfoHeaderSize) {
    layout.maskBytes = 12;
  }
  return layout;
}

// True when the file can hold what the headers announce from position `start` on; a file that
// cannot is refused before the image is allocated (its size cannot be known for some sources:
// then the row reads find the end).
bool fileHolds(dbtl::DFile& file, int64_t start, const BmpLayout& layout) {
  const int64_t size = file.GetSize();
  if (size < 0) return true;
  const uint64_t needed = uint64_t{layout.paletteEntries} * 4 + layout.maskBytes +
                          uint64_t{layout.rows} * layout.fileRowBytes;
  return start <= size && needed <= static_cast<uint64_t>(size - start);
}

using Palette = std::array<std::array<uint8_t, 3>, 256>;

void convertRow(const uint8_t* in, uint8_t* out, const BmpLayout& layout, const Palette& palette) {
  for (uint32_t x = 0; x < layout.width; ++x, out += 4) {
    switch (layout.bytesPerPixel) {
      case 1: {
        const auto& entry = palette[in[x]];
        out[0] = entry[0];
        out[1] = entry[1];
        out[2] = entry[2];
        out[3] = 255;
        break;
      }
      case 3:
        out[0] = in[3 * x + 2];
        out[1] = in[3 * x + 1];
        out[2] = in[3 * x];
        out[3] = 255;
        break;
      default:
        out[0] = in[4 * x + 2];
        out[1] = in[4 * x + 1];
        out[2] = in[4 * x];
        out[3] = in[4 * x + 3];
        break;
    }
  }
}

// Reads the palette, the masks and the rows into the created image; false or DExceptFile on
// a short read.
bool readPixels(dbtl::DImage& image, dbtl::DFile& file, const BmpLayout& layout) {
  // Entries the file does not list stay black, so an index past a short palette reads black
  // rather than whatever lies beyond the table.
  Palette palette{};
  if (layout.paletteEntries != 0) {
    std::vector<uint8_t> bytes(size_t{layout.paletteEntries} * 4);
    if (!DimgReadExact(file, bytes.data(), bytes.size())) return false;
    for (uint32_t i = 0; i < layout.paletteEntries; ++i) {
      palette[i] = {bytes[4 * i + 2], bytes[4 * i + 1], bytes[4 * i]};
    }
  }
  if (layout.maskBytes != 0) {
    uint8_t masks[12];
    if (!DimgReadExact(file, masks, layout.maskBytes)) return false;
  }
  std::vector<uint8_t> row(layout.fileRowBytes);
  image.GetBits();
  for (uint32_t i = 0; i < layout.rows; ++i) {
    if (!DimgReadExact(file, row.data(), row.size())) return false;
    const uint32_t y = layout.topDown ? i : layout.rows - 1 - i;
    convertRow(row.data(), image.GetPixelAddress(0, y), layout, palette);
  }
  image.EndAccess();
  return true;
}

bool loadBmp(dbtl::DImage& image, dbtl::DFile& file) {
  DimgBmpFileHeader fileHeader;
  DimgBmpInfoHeader info;
  if (!file.Seek(0, dbtl::DSEEK_BEGIN)) return false;
  DimgReadBmpFileHeader(file, fileHeader);
  DimgReadBmpInfoHeader(file, info);
  if (fileHeader.type != DimgBmpType || (info.compression != 0 && info.compression != 3)) {
    return false;
  }
  const int64_t start = int64_t{DimgBmpFileHeaderSize} + info.size;
  if (!file.Seek(start, dbtl::DSEEK_BEGIN)) return false;
  const std::optional<BmpLayout> layout = layoutOf(info);
  if (!layout || !fileHolds(file, start, *layout)) return false;
  if (!image.CreateDefaultPitch(layout->width, layout->rows, DImageKindRGBA8)) return false;
  bool done = false;
  try {
    done = readPixels(image, file, *layout);
  } catch (const dbtl::DExceptFile&) {
  }
  if (!done) {
    image.EndAccess();
    image.Release();
  }
  return done;
}

}  // namespace

bool DimgLoadBmp(dbtl::DImage& image, dbtl::DFile& file) {
  try {
    return loadBmp(image, file);
  } catch (const dbtl::DExceptFile&) {
    return false;
  }
}

#include "platform/d3d9/Format.h"

#include <gtest/gtest.h>

#include <vector>

namespace d3d9 {
namespace {

// One pixel in each format: its stored bytes and what it reads as.
struct CodecCase {
  D3DFORMAT format;
  std::vector<uint8_t> bytes;
  uint32_t argb;
};

TEST(D3dFormat, PixelsReadAndWriteThroughA8R8G8B8) {
  const CodecCase cases[] = {
      {D3DFMT_A8R8G8B8, {0x33, 0x22, 0x11, 0x80}, 0x80112233u},
      {D3DFMT_X8R8G8B8, {0x33, 0x22, 0x11, 0xFF}, 0xFF112233u},
      {D3DFMT_A8B8G8R8, {0x11, 0x22, 0x33, 0x80}, 0x80112233u},
      {D3DFMT_R8G8B8, {0x33, 0x22, 0x11}, 0xFF112233u},
      // Narrow channels widen by repeating their high bits: 5-bit 31 reads as 255.
      {D3DFMT_R5G6B5, {0xFF, 0xFF}, 0xFFFFFFFFu},
      {D3DFMT_R5G6B5, {0x00, 0xF8}, 0xFFFF0000u},
      {D3DFMT_R5G6B5, {0x20, 0x00}, 0xFF000400u},
      {D3DFMT_A1R5G5B5, {0x1F, 0x80}, 0xFF0000FFu},
      {D3DFMT_A1R5G5B5, {0x1F, 0x00}, 0x000000FFu},
      // Unused bits are written as ones, like the alpha byte of X8R8G8B8.
      {D3DFMT_X1R5G5B5, {0x00, 0xFC}, 0xFFFF0000u},
      {D3DFMT_A4R4G4B4, {0x21, 0x83}, 0x88332211u},
      {D3DFMT_X4R4G4B4, {0x21, 0xF3}, 0xFF332211u},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(formatInfo(c.format)->name);
    const PixelCodec codec = pixelCodec(c.format);
    ASSERT_TRUE(codec.decode && codec.encode);
    uint32_t read = 0;
    codec.decode(c.bytes.data(), 1, &read);
    EXPECT_EQ(read, c.argb);
    std::vector<uint8_t> written(c.bytes.size());
    codec.encode(&c.argb, 1, written.data());
    EXPECT_EQ(written, c.bytes);
  }
  // Narrowing truncates.
  uint8_t packed[2];
  const uint32_t almostWhite = 0xFFF8FCF7u;
  pixelCodec(D3DFMT_R5G6B5).encode(&almostWhite, 1, packed);
  EXPECT_EQ(packed[0] | packed[1] << 8, 0xFFFE);
  EXPECT_FALSE(pixelCodec(D3DFMT_DXT1).decode);
  EXPECT_FALSE(pixelCodec(D3DFMT_D24X8).decode);
}

TEST(D3dFormat, SizesOfRowsAndBlocks) {
  EXPECT_EQ(*formatRowBytes(D3DFMT_A8R8G8B8, 5), 20u);
  EXPECT_EQ(*formatRowBytes(D3DFMT_R8G8B8, 5), 15u);
  EXPECT_EQ(*formatRowBytes(D3DFMT_DXT1, 5), 16u);  // two blocks of 8 bytes
  EXPECT_EQ(*formatRowBytes(D3DFMT_DXT3, 8), 32u);
  EXPECT_EQ(formatRowCount(D3DFMT_DXT3, 5), 2u);
  EXPECT_EQ(formatRowCount(D3DFMT_A8R8G8B8, 5), 5u);
  EXPECT_FALSE(formatRowBytes(D3DFORMAT(12345), 4));
  EXPECT_FALSE(formatRowBytes(D3DFMT_A8R8G8B8, 0xFFFFFFFFu).value_or(0) < 0xFFFFFFFFull);
}

TEST(D3dFormat, DxtAlphaBlocks) {
  // Colour part: both end points white, so every pixel is white; alpha varies.
  uint8_t dxt3[16] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                      0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
  uint32_t out[16];
  decodeDxtBlock(D3DFMT_DXT3, dxt3, out);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], uint32_t(i * 17) << 24 | 0xFFFFFF) << i;

  // DXT5: end points 255 and 0 interpolate in sevenths; index 2 is 6/7 of the way to 255.
  uint8_t dxt5[16] = {255, 0, 0x02, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
  decodeDxtBlock(D3DFMT_DXT5, dxt5, out);
  EXPECT_EQ(out[0] >> 24, (6 * 255u) / 7);
  EXPECT_EQ(out[1] >> 24, 255u);

  // DXT1 with the first end point not above the second: index 3 is transparent black.
  uint8_t dxt1[8] = {0x00, 0x00, 0xFF, 0xFF, 0x03, 0x00, 0x00, 0x00};
  decodeDxtBlock(D3DFMT_DXT1, dxt1, out);
  EXPECT_EQ(out[0], 0u);
  EXPECT_EQ(out[1], 0xFF000000u);
}

}  // namespace
}  // namespace d3d9

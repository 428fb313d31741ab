#include "image/omb/ombImageContainer.h"

#include "image/omb/ombImage.h"
#include "image/tests/ombImageTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace ombimagetest;

class OmbImageContainerTest : public OmbImageTest {};

// Distinct bytes, so that a block row taken from the wrong place shows.
Bytes Blocks(size_t size, uint8_t seed) {
  Bytes out(size);
  for (size_t i = 0; i < size; ++i) out[i] = uint8_t(seed + i * 7);
  return out;
}

// 10 × 6 pixels: 3 blocks across, 2 block rows.
Caib TwoLayerContainer() {
  Caib c;
  c.width = 10;
  c.height = 6;
  c.flags = 0x20000 | 0x80000;
  c.levels = 1;
  c.values[0] = 5;
  c.values[1] = -6;
  c.gamma = 1.0f;
  c.alphaMode = 0;
  c.png = RgbaPng(10, 6, std::vector<Pixel>(60, {200, 100, 50, 127}));
  c.compressed[5] = Blocks(3 * 8 * 2, 1);
  c.compressed[7] = Blocks(3 * 16 * 2, 101);
  return c;
}

TEST_F(OmbImageContainerTest, HeaderAndLayerTableDescribeTheContainer) {
  const Caib caib = TwoLayerContainer();
  const Bytes bytes = caib.Build();
  write("pic.caib", bytes);
  OMB_IMAGE_INFO info{};
  ASSERT_EQ(GetInfo("pic.caib", &info), OMB_OK);
  EXPECT_EQ(info.width, 10u);
  EXPECT_EQ(info.height, 6u);
  EXPECT_EQ(info.flags, 0xA0000u);
  EXPECT_EQ(info.levels, 1u);
  EXPECT_EQ(info.values[0], 5);
  EXPECT_EQ(info.values[1], -6);
  EXPECT_EQ(info.gammaMode, 3u);
  EXPECT_EQ(info.gamma, 1.0f);
  EXPECT_EQ(info.alphaMode, 0u);
  EXPECT_EQ(info.source, OMB_IMAGE_SOURCE_CONTAINER);
  ASSERT_NE(info.layers, nullptr);
  ASSERT_EQ(info.layers->count, 3u);
  const uint64_t pngAt = 40 + 3 * 2 * 4;
  const uint64_t dxt1At = pngAt + caib.png.size();
  const uint64_t dxt3At = dxt1At + 48;
  const struct {
    uint32_t format;
    uint64_t first;
  } want[] = {{0, pngAt}, {5, dxt1At}, {7, dxt3At}};
  for (uint32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const OMB_IMAGE_LAYER& layer = info.layers->layers[i];
    EXPECT_EQ(layer.format, want[i].format);
    ASSERT_EQ(layer.offsetCount, 2u);
    EXPECT_EQ(layer.offsets[0], want[i].first);
    EXPECT_EQ(layer.offsets[1], bytes.size());
  }
}

// The block rows land at the pitch, exactly as stored; a format without a layer is not there;
// formats 0 to 4 decode the embedded PNG without the header's gamma or alpha mode.
TEST_F(OmbImageContainerTest, EachFormatReadsItsOwnLayer) {
  const Caib caib = TwoLayerContainer();
  write("pic.caib", caib.Build());
  for (const uint32_t format : {5u, 7u}) {
    SCOPED_TRACE(format);
    const Bytes& stored = caib.compressed.at(format);
    const uint32_t rowBytes = uint32_t(stored.size() / 2);
    const Loaded loaded = Load("pic.caib", format, rowBytes + 5, 2);
    ASSERT_EQ(loaded.result, OMB_OK);
    EXPECT_EQ(Rows(loaded.buffer, rowBytes + 5, rowBytes, 2), stored);
    EXPECT_EQ(Bytes(loaded.buffer.begin() + rowBytes, loaded.buffer.begin() + rowBytes + 5),
              Bytes(5, 0xA5));
  }
  for (const uint32_t format : {6u, 8u, 9u}) {
    SCOPED_TRACE(format);
    EXPECT_EQ(Load("pic.caib", format, 48, 2).result, OMB_ERR_NOT_FOUND);
  }
  const Loaded bgra = Load("pic.caib", 1, 40, 6);
  ASSERT_EQ(bgra.result, OMB_OK);
  Bytes want;
  for (int i = 0; i < 60; ++i) want.insert(want.end(), {50, 100, 200, 127});
  EXPECT_EQ(bgra.buffer, want);
}

TEST_F(OmbImageContainerTest, FlagBit16LeavesOnlyTheEmbeddedPicture) {
  Caib caib = TwoLayerContainer();
  caib.flags |= 0x10000;
  caib.compressed.clear();
  write("pic.caib", caib.Build());
  OMB_IMAGE_INFO info{};
  ASSERT_EQ(GetInfo("pic.caib", &info), OMB_OK);
  EXPECT_EQ(info.flags, 0xB0000u);
  ASSERT_EQ(info.layers->count, 1u);
  EXPECT_EQ(info.layers->layers[0].format, 0u);
  EXPECT_EQ(Load("pic.caib", 5, 24, 2).result, OMB_ERR_NOT_FOUND);
  EXPECT_EQ(Load("pic.caib", 0, 40, 6).result, OMB_OK);
}

TEST_F(OmbImageContainerTest, BufferTooSmallForTheBlockRows) {
  write("pic.caib", TwoLayerContainer().Build());
  EXPECT_EQ(Load("pic.caib", 7, 47, 2).result, OMB_ERR_CREATE);
  EXPECT_EQ(Load("pic.caib", 7, 48, 1).result, OMB_ERR_CREATE);
  EXPECT_EQ(Load("pic.caib", 5, 23, 2).result, OMB_ERR_CREATE);
}

// Headers and tables that cannot describe the file are not containers; none of these bytes
// is a PNG either, so the file is no image.
TEST_F(OmbImageContainerTest, BrokenContainersAreRefused) {
  const Caib caib = TwoLayerContainer();
  const Bytes good = caib.Build();
  auto with = [&](size_t at, uint32_t value) {
    Bytes bytes = good;
    SetBe32(bytes, at, value);
    return bytes;
  };
  const uint32_t fileSize = uint32_t(good.size());
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"another magic", with(0, 0x43414943)},
      {"version 1", with(4, 1)},
      {"width 0", with(8, 0)},
      {"height 0", with(12, 0)},
      {"levels 0xFFFFFFFF", with(20, 0xFFFFFFFF)},
      {"levels whose tables run past the end", with(20, (fileSize - 40) / 12)},
      {"a first offset past the end", with(caib.TableAt(1), fileSize + 1)},
      {"a further level's offset past the end", with(caib.TableAt(2) + 4, 0xFFFFFFF0)},
      {"header cut short", Bytes(good.begin(), good.begin() + 39)},
      {"tables cut short", Bytes(good.begin(), good.begin() + 60)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write("pic.caib", c.bytes);
    OMB_IMAGE_INFO info{};
    EXPECT_EQ(GetInfo("pic.caib", &info), OMB_ERR_NOT_FOUND);
    EXPECT_EQ(info.layers, nullptr);
  }
}

TEST_F(OmbImageContainerTest, LayersCutShortFailTheLoad) {
  Caib caib = TwoLayerContainer();
  caib.compressed.erase(7);
  // The format 7 layer then starts at the very end of the file: the table is sound, the data
  // is missing.
  write("nodata.caib", caib.Build());
  EXPECT_EQ(Load("nodata.caib", 7, 48, 2).result, OMB_ERR_NOT_FOUND);
  Caib cut = TwoLayerContainer();
  cut.compressed[7].resize(60);
  write("cut.caib", cut.Build());
  EXPECT_EQ(Load("cut.caib", 7, 48, 2).result, OMB_ERR_NOT_FOUND);
  Caib badPng = TwoLayerContainer();
  badPng.png.resize(40);
  write("badpng.caib", badPng.Build());
  EXPECT_EQ(Load("badpng.caib", 0, 40, 6).result, OMB_ERR_NOT_FOUND);
}

// The parsers over bytes, on what the file-level tests cannot reach: a table too large for any
// allocation must be refused by its size alone.
TEST(OmbCaibParseTest, TableSizeIsBoundByTheFile) {
  Bytes header;
  // All five compressed layers, 2^32 levels.
  for (uint32_t v : {0x43414942u, 0u, 1u, 1u, 0x3E0000u, 0xFFFFFFFFu, 0u, 0u, 0u, 0u}) {
    PutBe32(header, v);
  }
  const std::optional<OmbCaibHeader> parsed = ombCaibParseHeader(header.data(), 40);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->layerCount, 6u);
  // 2^32 × 6 × 4 bytes: counted in 32 bits, levels + 1 would wrap to 0 and pass any file.
  EXPECT_FALSE(ombCaibTableBytes(*parsed, uint64_t{1} << 36));
  EXPECT_EQ(ombCaibTableBytes(*parsed, (uint64_t{24} << 32) + 40), std::optional<size_t>(size_t{24} << 32));
  EXPECT_FALSE(ombCaibTableBytes(*parsed, 39));
  OmbCaibHeader small = *parsed;
  small.levels = 1;
  ASSERT_EQ(ombCaibTableBytes(small, 88), std::optional<size_t>(48));
  EXPECT_FALSE(ombCaibTableBytes(small, 87));
  // Fewer table bytes than the header needs are refused, not read past.
  const Bytes tables(47, 0);
  EXPECT_EQ(ombCaibMakeLayerTable(small, tables.data(), tables.size(), 88), nullptr);
}

}  // namespace

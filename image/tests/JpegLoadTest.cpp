#include "image/DImageKind.h"
#include "image/file/DimgLoad.h"
#include "testsupport/image/DimgLoadTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace filetest;

constexpr uint32_t W = 40;
constexpr uint32_t H = 24;

// Smooth colour ramps: what a JPEG keeps well, so the decoded pixels stay close.
Bytes Picture() {
  Bytes rgb;
  for (uint32_t y = 0; y < H; ++y) {
    for (uint32_t x = 0; x < W; ++x) {
      rgb.insert(rgb.end(), {uint8_t(x * 6), uint8_t(y * 10), uint8_t(200 - x * 2 - y * 3)});
    }
  }
  return rgb;
}

// The largest difference of any channel in rows [0, rows) between the image and the picture.
int MaxDifference(const dbtl::DImage& image, const Bytes& rgb, uint32_t rows) {
  int most = 0;
  for (uint32_t y = 0; y < rows; ++y) {
    for (uint32_t x = 0; x < W; ++x) {
      const Rgba p = PixelOf(image, x, y);
      for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(int(p[c]) - rgb[(y * W + x) * 3 + c]));
    }
  }
  return most;
}

// An application segment (APP5) of `length` bytes after the start marker: libjpeg skips it.
Bytes WithSegment(const Bytes& jpeg, uint32_t length) {
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  out.insert(out.end(), {0xFF, 0xE5, uint8_t((length + 2) >> 8), uint8_t(length + 2)});
  for (uint32_t i = 0; i < length; ++i) out.push_back(uint8_t(i * 7));
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

TEST(JpegLoadTest, DecodesToKind1CloseToThePicture) {
  const Bytes rgb = Picture();
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {{"baseline", WriteJpeg(W, H, rgb, 95)},
               {"progressive", WriteJpeg(W, H, rgb, 95, true)},
               {"segment larger than the input buffer", WithSegment(WriteJpeg(W, H, rgb, 95), 10000)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFile f(c.bytes);
    dbtl::DImage image;
    DebugLogCapture log;
    ASSERT_TRUE(DimgLoadJpeg(image, f.file));
    EXPECT_EQ(image.GetKind(), DImageKindRGB8);
    ASSERT_EQ(image.GetWidth(), W);
    ASSERT_EQ(image.GetHeight(), H);
    EXPECT_LE(MaxDifference(image, rgb, H), 12);
    EXPECT_EQ(log.Text(), "");
  }
}

// Where the data is cut: three quarters into the scan data, past the first row of 16 × 16
// blocks. The rows near that row's lower edge take their colour from the missing row below,
// so only the upper 12 are compared.
size_t CutInScan(const Bytes& jpeg) {
  for (size_t i = 2; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) return i + (jpeg.size() - i) * 3 / 4;
  }
  ADD_FAILURE() << "no scan";
  return jpeg.size();
}

TEST(JpegLoadTest, DataCutInTheScanStillLoadsItsUpperRows) {
  const Bytes rgb = Picture();
  const Bytes jpeg = WriteJpeg(W, H, rgb, 95);
  MemoryFile f(Bytes(jpeg.begin(), jpeg.begin() + CutInScan(jpeg)));
  dbtl::DImage image;
  ASSERT_TRUE(DimgLoadJpeg(image, f.file));
  ASSERT_EQ(image.GetHeight(), H);
  EXPECT_LE(MaxDifference(image, rgb, 12), 12);
}

// In a bounded window a read at the end fails, and in throw mode it throws: the reader must
// take that as the end of the data and not let the exception run through libjpeg.
TEST(JpegLoadTest, AThrowingFileAtTheEndOfAWindowEndsTheDataInstead) {
  const Bytes jpeg = WriteJpeg(W, H, Picture(), 95);
  Bytes outer = jpeg;
  outer.insert(outer.end(), 64, 0);
  MemoryFile whole(outer);
  dbtl::DFile window;
  ASSERT_TRUE(window.OpenRange(whole.file, 0, int64_t(CutInScan(jpeg))));
  window.SetThrowMode(true);
  dbtl::DImage image;
  EXPECT_TRUE(DimgLoadJpeg(image, window));
  EXPECT_EQ(image.GetHeight(), H);
}

TEST(JpegLoadTest, EmptyOrForeignDataFailsWithoutABuffer) {
  const Bytes jpeg = WriteJpeg(W, H, Picture(), 95);
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {{"empty", {}},
               {"not a JPEG", {'B', 'M', 1, 2, 3, 4, 5, 6}},
               {"headers cut before the frame", Bytes(jpeg.begin(), jpeg.begin() + 20)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFile f(c.bytes);
    dbtl::DImage image;
    DebugLogCapture log;
    EXPECT_FALSE(DimgLoadJpeg(image, f.file));
    EXPECT_EQ(image.GetBuffer(), nullptr);
    EXPECT_EQ(log.Text(), "");
  }
}

TEST(JpegLoadTest, AHeaderFarLargerThanItsDataIsRefusedBeforeAllocating) {
  Bytes jpeg = WriteJpeg(W, H, Picture(), 95);
  // The baseline frame header: FF C0, length, precision, then height and width.
  size_t sof = 0;
  for (size_t i = 2; i + 8 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      sof = i;
      break;
    }
  }
  ASSERT_NE(sof, 0u);
  const uint8_t size[4] = {0xEA, 0x60, 0xEA, 0x60};  // 60000 × 60000
  std::copy_n(size, 4, jpeg.begin() + sof + 5);
  MemoryFile f(jpeg);
  CountingImage image;
  EXPECT_FALSE(DimgLoadJpeg(image, f.file));
  EXPECT_EQ(image.creates, 0);
}

}  // namespace

#include "image/file/DimgWriteBitmap.h"

#include "foundation/dbtl/DExceptFile.h"
#include "image/DImageKind.h"
#include "image/file/DimgLoad.h"
#include "image/tests/ImageTestSupport.h"
#include "testsupport/image/DimgLoadTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace filetest;

// 3 × 2, top row first; multiples of 16, which every kind from 0 to 6 stores exactly.
const imgtest::Rgba kPicture[2][3] = {
    {{0x10, 0x20, 0x30, 255}, {0x40, 0x50, 0x60, 255}, {0x70, 0x80, 0x90, 255}},
    {{0xA0, 0xB0, 0xC0, 255}, {0xD0, 0xE0, 0xF0, 255}, {0xF0, 0x00, 0x10, 255}},
};

// The file the writer must produce for that picture, spelled out byte by byte.
Bytes ExpectedFile() {
  Bytes out = {'B', 'M'};
  Put32(out, 78);  // 54 + 2 rows × 12 bytes
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, 3);
  Put32(out, 2);
  Put16(out, 1);
  Put16(out, 24);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  for (int y = 1; y >= 0; --y) {  // bottom row first
    for (int x = 0; x < 3; ++x) {
      const imgtest::Rgba& c = kPicture[y][x];
      out.insert(out.end(), {uint8_t(c[2]), uint8_t(c[1]), uint8_t(c[0])});
    }
    out.insert(out.end(), 3, 0);  // row filler up to 12 bytes
  }
  return out;
}

struct Source {
  uint32_t kind;
  imgtest::RowOrder order;
};

void PrintTo(const Source& s, std::ostream* os) {
  *os << "kind " << s.kind << (s.order == imgtest::RowOrder::BottomUp ? " bottom-up" : "");
}

class DimgWriteBitmapTest : public ::testing::TestWithParam<Source> {};

TEST_P(DimgWriteBitmapTest, WritesTheExactFileFromEveryKind) {
  imgtest::TestImage source(GetParam().kind, 3, 2, 5, GetParam().order);
  ASSERT_TRUE(source.created);
  for (uint32_t y = 0; y < 2; ++y) {
    for (uint32_t x = 0; x < 3; ++x) imgtest::RefEncode(source.kind, kPicture[y][x], source.Pixel(x, y));
  }
  MemoryFile f({});
  ASSERT_TRUE(DimgWriteBitmap(f.file, *source.image));
  EXPECT_EQ(f.source->data, ExpectedFile());
  EXPECT_FALSE(f.file.GetThrowMode());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DimgWriteBitmapTest,
    ::testing::Values(Source{0, imgtest::RowOrder::TopDown}, Source{1, imgtest::RowOrder::TopDown},
                      Source{2, imgtest::RowOrder::TopDown}, Source{3, imgtest::RowOrder::TopDown},
                      Source{4, imgtest::RowOrder::TopDown}, Source{5, imgtest::RowOrder::TopDown},
                      Source{6, imgtest::RowOrder::TopDown}, Source{0, imgtest::RowOrder::BottomUp},
                      Source{3, imgtest::RowOrder::BottomUp}));

// A screenshot written to disk reads back through the BMP reader as the same picture.
TEST(DimgWriteBitmapFileTest, ADiskFileReadsBackAsThePicture) {
  const std::string path = TempPath("dimg-write.bmp");
  std::remove(path.c_str());
  imgtest::TestImage source(0, 5, 3, 0, imgtest::RowOrder::TopDown);
  for (uint32_t y = 0; y < 3; ++y) {
    for (uint32_t x = 0; x < 5; ++x) {
      imgtest::RefEncode(0, {int(x * 50), int(y * 100), int(x * y * 9), 255}, source.Pixel(x, y));
    }
  }
  {
    dbtl::DFile out;
    ASSERT_TRUE(out.Open(path.c_str(), dbtl::DFILE_WRITE | dbtl::DFILE_CREATE | dbtl::DFILE_NEW));
    ASSERT_TRUE(DimgWriteBitmap(out, *source.image));
  }
  dbtl::DFile in;
  ASSERT_TRUE(in.Open(path.c_str(), dbtl::DFILE_READ));
  EXPECT_EQ(in.GetSize(), 54 + 3 * 16);
  dbtl::DImage back;
  ASSERT_TRUE(DimgLoadBmp(back, in));
  EXPECT_EQ(PixelsOf(back), PixelsOf(*source.image));
  std::remove(path.c_str());
}

TEST(DimgWriteBitmapFileTest, AFailedWriteIsLoggedOrThrownAsTheCallerChose) {
  const std::string path = TempPath("dimg-readonly.bmp");
  std::ofstream(path) << "old";
  imgtest::TestImage source(3, 2, 2, 0, imgtest::RowOrder::TopDown);
  for (const bool throwing : {false, true}) {
    SCOPED_TRACE(throwing ? "throw mode" : "no throw mode");
    dbtl::DFile file;
    ASSERT_TRUE(file.Open(path.c_str(), dbtl::DFILE_READ));
    file.SetThrowMode(throwing);
    DebugLogCapture log;
    if (throwing) {
      EXPECT_THROW(DimgWriteBitmap(file, *source.image), dbtl::DExceptFile);
      EXPECT_EQ(log.Text(), "");
    } else {
      EXPECT_FALSE(DimgWriteBitmap(file, *source.image));
      EXPECT_EQ(log.Text(), "[DimgWriteBitmap] \"" + path + "\": Write Error\n");
    }
    EXPECT_EQ(file.GetThrowMode(), throwing);
  }
  std::remove(path.c_str());
}

TEST(DimgWriteBitmapFileTest, AnImageWithoutPixelsIsAWriteError) {
  MemoryFile f({}, "shots/empty.bmp");
  dbtl::DImage empty;
  DebugLogCapture log;
  EXPECT_FALSE(DimgWriteBitmap(f.file, empty));
  EXPECT_EQ(log.Text(), "[DimgWriteBitmap] \"shots/empty.bmp\": Write Error\n");
}

}  // namespace

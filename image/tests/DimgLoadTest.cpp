#include "image/file/DimgLoad.h"

#include "image/DImageKind.h"
#include "testsupport/image/DimgLoadTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace filetest;

struct Format {
  const char* name;
  Bytes bytes;
  uint32_t kind;
};

std::vector<Format> Formats() {
  BmpHeader bmp;
  bmp.width = 2;
  bmp.height = 2;
  PngPicture png;
  png.width = 2;
  png.height = 2;
  png.colour = PNG_COLOR_TYPE_RGBA;
  png.rows.assign(16, 0x80);
  Bytes rgb(4 * 3, 0x80);
  return {{"bmp", MakeBmp(bmp, Bytes(16, 0x80)), DImageKindRGBA8},
          {"png", WritePng(png), DImageKindRGBA8},
          {"png behind the scrambling header", WrapPng(WritePng(png), PngWrap::Scrambled), DImageKindRGBA8},
          {"jpeg", WriteJpeg(2, 2, rgb, 90), DImageKindRGB8}};
}

// Disk files, as the renderer opens textures, and windows into a larger file, as pack entries
// arrive: every reader starts at the window's offset 0.
TEST(DimgLoadTest, EachFormatLoadsFromADiskFileAndFromAWindow) {
  const std::string path = TempPath("dimg-load.bin");
  for (const Format& format : Formats()) {
    SCOPED_TRACE(format.name);
    Bytes outer(123, 0xFF);
    outer.insert(outer.end(), format.bytes.begin(), format.bytes.end());
    outer.insert(outer.end(), 50, 0xD9);
    for (const bool windowed : {false, true}) {
      std::ofstream(path, std::ios::binary | std::ios::trunc)
          .write(reinterpret_cast<const char*>(windowed ? outer.data() : format.bytes.data()),
                 std::streamsize(windowed ? outer.size() : format.bytes.size()));
      dbtl::DFile disk;
      ASSERT_TRUE(disk.Open(path.c_str(), dbtl::DFILE_READ));
      dbtl::DFile window;
      if (windowed) {
        ASSERT_TRUE(window.OpenRange(disk, 123, int64_t(format.bytes.size())));
      }
      dbtl::DImage image;
      ASSERT_TRUE(DimgLoad(windowed ? window : disk, image)) << (windowed ? "window" : "disk");
      EXPECT_EQ(image.GetKind(), format.kind);
      EXPECT_EQ(image.GetWidth(), 2u);
      EXPECT_EQ(image.GetHeight(), 2u);
    }
  }
  std::remove(path.c_str());
}

TEST(DimgLoadTest, WhenEveryReaderFailsOneLineNamesTheFile) {
  const std::string path = TempPath("dimg-unreadable.tex");
  std::ofstream(path, std::ios::binary) << "BM this is no picture at all";
  dbtl::DFile disk;
  ASSERT_TRUE(disk.Open(path.c_str(), dbtl::DFILE_READ));
  dbtl::DImage image;
  DebugLogCapture log;
  EXPECT_FALSE(DimgLoad(disk, image));
  EXPECT_EQ(image.GetBuffer(), nullptr);
  EXPECT_EQ(log.Text(), "[DimgLoad] \"" + path + "\": Load Error\n");
  std::remove(path.c_str());
}

}  // namespace

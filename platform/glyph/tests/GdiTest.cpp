// The glyph layer over the Japanese gothic font of the set-up script: metrics, grey glyph
// bitmaps in GDI's layout, ABC widths, and the failures callers test for.

#include "platform/glyph/Gdi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace gdi;

constexpr char16_t kGothic[] = u"ＭＳ ゴシック";

LOGFONTW Logfont(int32_t height, const char16_t* face = kGothic) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfQuality = PROOF_QUALITY;
  lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  for (size_t i = 0; face[i] != 0 && i < 31; ++i) lf.lfFaceName[i] = face[i];
  return lf;
}

class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    const LOGFONTW lf = Logfont(-16);
    font = CreateFontIndirectW(&lf);
    ASSERT_NE(font, nullptr) << "no gothic font: run tools/setup.sh";
    EXPECT_EQ(SelectObject(dc, font), nullptr);
  }
  void TearDown() override {
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(font));
  }

  HDC dc = nullptr;
  HFONT font = nullptr;
};

TEST_F(GdiTest, TheGothicFaceIsTheDebianJapaneseFont) {
  const std::string file = FontFileForFace(kGothic);
  EXPECT_NE(file.find("ipag"), std::string::npos) << file;
}

TEST_F(GdiTest, MetricsOfANegativeHeightHaveThatEmSize) {
  TEXTMETRICW tm{};
  ASSERT_TRUE(GetTextMetricsW(dc, &tm));
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 16);
  EXPECT_GT(tm.tmAscent, tm.tmDescent);
  EXPECT_GE(tm.tmExternalLeading, 0);
  EXPECT_EQ(tm.tmCharSet, SHIFTJIS_CHARSET);
}

TEST_F(GdiTest, AGlyphBitmapHasSeventeenGreyLevelsInDwordRows) {
  GLYPHMETRICS gm{};
  const uint32_t size = GetGlyphOutlineW(dc, u'確', GGO_GRAY4_BITMAP, &gm, 0, nullptr,
                                         &kIdentityMat2);
  ASSERT_NE(size, kGdiError);
  const uint32_t pitch = (gm.gmBlackBoxX + 3) & ~3u;
  EXPECT_EQ(size, pitch * gm.gmBlackBoxY);
  EXPECT_GT(gm.gmBlackBoxX, 8u);
  EXPECT_LE(gm.gmBlackBoxX, 16u);
  EXPECT_GT(gm.gmBlackBoxY, 8u);
  EXPECT_EQ(gm.gmCellIncX, 16);
  EXPECT_GT(gm.gmptGlyphOrigin.y, 0);

  std::vector<uint8_t> bits(size + 8, 0xEE);
  ASSERT_EQ(GetGlyphOutlineW(dc, u'確', GGO_GRAY4_BITMAP, &gm, size, bits.data(),
                             &kIdentityMat2),
            size);
  uint32_t full = 0, empty = 0;
  for (uint32_t y = 0; y < gm.gmBlackBoxY; ++y) {
    for (uint32_t x = 0; x < pitch; ++x) {
      const uint8_t g = bits[y * pitch + x];
      ASSERT_LE(g, 16) << x << "," << y;
      if (x >= gm.gmBlackBoxX) {
        EXPECT_EQ(g, 0) << "padding " << x << "," << y;
      }
      full += g == 16;
      empty += g == 0;
    }
  }
  EXPECT_GT(full, 10u);
  EXPECT_GT(empty, 10u);
  EXPECT_EQ(bits[size], 0xEE) << "written past the bitmap";

  // The cached glyph hands out the same bytes.
  std::vector<uint8_t> again(size);
  GetGlyphOutlineW(dc, u'確', GGO_GRAY4_BITMAP, &gm, size, again.data(), &kIdentityMat2);
  EXPECT_TRUE(std::equal(again.begin(), again.end(), bits.begin()));
}

TEST_F(GdiTest, ABlankGlyphHasNoBitsAndAOnePixelBox) {
  GLYPHMETRICS gm{};
  EXPECT_EQ(GetGlyphOutlineW(dc, u' ', GGO_GRAY4_BITMAP, &gm, 0, nullptr, &kIdentityMat2), 0u);
  EXPECT_EQ(gm.gmBlackBoxX, 1u);
  EXPECT_EQ(gm.gmBlackBoxY, 1u);
  EXPECT_EQ(gm.gmCellIncX, 8);
}

TEST_F(GdiTest, AbcWidthsAddUpToTheFixedPitchAdvance) {
  struct Row {
    char16_t c;
    int32_t advance;
  };
  for (const Row& row : {Row{u'W', 8}, Row{u'i', 8}, Row{u'確', 16}, Row{u'\u3000', 16}}) {
    ABC abc{};
    ASSERT_TRUE(GetCharABCWidthsW(dc, row.c, row.c, &abc));
    EXPECT_EQ(abc.abcA + static_cast<int32_t>(abc.abcB) + abc.abcC, row.advance)
        << static_cast<int>(row.c);
  }
  ABC three[3] = {};
  ASSERT_TRUE(GetCharABCWidthsW(dc, u'A', u'C', three));
  for (const ABC& abc : three) EXPECT_GT(abc.abcB, 1u);
}

TEST_F(GdiTest, RefusedCallsReturnTheError) {
  GLYPHMETRICS gm{};
  const MAT2 doubled{{0, 2}, {0, 0}, {0, 0}, {0, 2}};
  HDC bare = CreateCompatibleDC(nullptr);
  uint8_t small[4] = {};
  struct Row {
    const char* what;
    HDC dc;
    uint32_t format;
    uint32_t bufferSize;
    void* buffer;
    const MAT2* matrix;
  };
  const Row rows[] = {
      {"no context", nullptr, GGO_GRAY4_BITMAP, 0, nullptr, &kIdentityMat2},
      {"no font selected", bare, GGO_GRAY4_BITMAP, 0, nullptr, &kIdentityMat2},
      {"another format", dc, 6, 0, nullptr, &kIdentityMat2},
      {"no matrix", dc, GGO_GRAY4_BITMAP, 0, nullptr, nullptr},
      {"a scaling matrix", dc, GGO_GRAY4_BITMAP, 0, nullptr, &doubled},
      {"a buffer too small", dc, GGO_GRAY4_BITMAP, sizeof small, small, &kIdentityMat2},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(GetGlyphOutlineW(row.dc, u'確', row.format, &gm, row.bufferSize, row.buffer,
                               row.matrix),
              kGdiError)
        << row.what;
  }
  TEXTMETRICW tm{};
  EXPECT_FALSE(GetTextMetricsW(bare, &tm));
  ABC abc{};
  EXPECT_FALSE(GetCharABCWidthsW(bare, u'A', u'A', &abc));
  EXPECT_FALSE(GetCharABCWidthsW(dc, u'B', u'A', &abc));
  EXPECT_TRUE(DeleteDC(bare));
}

TEST_F(GdiTest, FontsAreKeptWhileSelectedAndRefusedWithoutAHeight) {
  EXPECT_FALSE(DeleteObject(font)) << "the context still holds it";
  const LOGFONTW none = Logfont(0);
  EXPECT_EQ(CreateFontIndirectW(&none), nullptr);
  EXPECT_EQ(CreateCompatibleDC(dc), nullptr);

  const LOGFONTW big = Logfont(-32);
  HFONT other = CreateFontIndirectW(&big);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(SelectObject(dc, other), font);
  ABC abc{};
  ASSERT_TRUE(GetCharABCWidthsW(dc, u'確', u'確', &abc));
  EXPECT_EQ(abc.abcA + static_cast<int32_t>(abc.abcB) + abc.abcC, 32);
  EXPECT_EQ(SelectObject(dc, font), other);
  EXPECT_TRUE(DeleteObject(other));
  EXPECT_FALSE(DeleteObject(other)) << "a freed font is not freed twice";
}

}  // namespace

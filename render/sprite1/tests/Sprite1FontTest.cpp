// Texts written into dynamic images with the gothic GDI font: white texels whose alpha is the
// glyph coverage scaled to a byte, line breaks, spaces, glyphs that do not fit, and glyphs
// that reach above their destination.

#include "render/sprite1/tests/Sprite1Fixture.h"
#include "testsupport/Text.h"

#include <cmath>

namespace {

using namespace sprite1;

class Sprite1FontTest : public Sprite1Test {
 protected:
  void SetUp() override {
    Sprite1Test::SetUp();
    font = fontHandleCreate(&system, 16);
    ASSERT_NE(font->context, nullptr);
    lineHeight = font->context->lineHeight;
  }

  // A texel of a 32-bit texture as A, R, G, B.
  static uint32_t Texel(L3DTexture* t, uint32_t x, uint32_t y) {
    int32_t pitch = 0;
    const uint8_t* p = static_cast<const uint8_t*>(t->Lock(0, 0, t->width, t->height, pitch)) +
                       static_cast<ptrdiff_t>(y) * pitch + x * 4;
    const uint32_t argb = t->kind == 2 ? uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 |
                                             uint32_t(p[1]) << 8 | p[0]
                                       : uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 |
                                             uint32_t(p[1]) << 8 | p[2];
    t->texture->UnlockRect(0);
    return argb;
  }

  // The glyph's grey bitmap and metrics from the font's own context.
  std::vector<uint8_t> Glyph(char16_t c, gdi::GLYPHMETRICS& gm) {
    const uint32_t size = gdi::GetGlyphOutlineW(font->context->dc, c, gdi::GGO_GRAY4_BITMAP, &gm,
                                                0, nullptr, &gdi::kIdentityMat2);
    std::vector<uint8_t> bits(size);
    gdi::GetGlyphOutlineW(font->context->dc, c, gdi::GGO_GRAY4_BITMAP, &gm, size, bits.data(),
                          &gdi::kIdentityMat2);
    return bits;
  }

  Font* font = nullptr;
  int32_t lineHeight = 0;
};

TEST_F(Sprite1FontTest, AlphaIsTheCoverageTimes15Point9375AndColourIsWhite) {
  ASSERT_TRUE(font->context->eightBit) << "the default profile's alpha textures are 32-bit";
  EXPECT_FLOAT_EQ(font->context->scale, 15.9375f);
  Image* image = imageCreateDynamic(&system, 64, 64);
  const auto [width, height] = imageDrawText(image, font, u"A確\nA");
  EXPECT_EQ(width, 24) << "the wider of the two lines";
  EXPECT_EQ(height, 2 * lineHeight);

  gdi::GLYPHMETRICS gm{};
  const std::vector<uint8_t> bits = Glyph(u'確', gm);
  const uint32_t pitch = (gm.gmBlackBoxX + 3) & ~3u;
  const int32_t left = 8 + gm.gmptGlyphOrigin.x;
  const int32_t top = font->context->metrics.tmAscent - gm.gmptGlyphOrigin.y;
  ASSERT_GE(top, 0);
  uint32_t opaque = 0;
  for (uint32_t row = 0; row < gm.gmBlackBoxY; ++row) {
    for (uint32_t col = 0; col < gm.gmBlackBoxX; ++col) {
      const uint8_t g = bits[row * pitch + col];
      const uint32_t texel = Texel(image->texture.Get(), left + col, top + row);
      ASSERT_EQ(texel >> 24, static_cast<uint32_t>(std::lround(g * 15.9375f)))
          << "grey " << int(g) << " at " << col << "," << row;
      ASSERT_EQ(texel & 0xFFFFFFu, 0xFFFFFFu);
      opaque += g == 16;
    }
  }
  EXPECT_GT(opaque, 0u);
  // The second line starts one line height down; nothing is written right of the text.
  uint32_t second = 0;
  for (int32_t y = lineHeight; y < 2 * lineHeight; ++y) {
    for (uint32_t x = 0; x < 8; ++x) second += (Texel(image->texture.Get(), x, y) >> 24) != 0;
  }
  EXPECT_GT(second, 0u);
  for (uint32_t y = 0; y < 64; ++y) {
    EXPECT_EQ(Texel(image->texture.Get(), 40, y), 0x00FFFFFFu) << y;
  }
}

TEST_F(Sprite1FontTest, TextSizesFollowAdvancesAndLines) {
  Image* image = imageCreateDynamic(&system, 64, 64);
  struct Row {
    const char16_t* text;
    int32_t width, lines;
  };
  const Row rows[] = {
      {u"", 0, 1},          {u" ", 8, 1},        {u"\u3000", 16, 1},   {u"AB", 16, 1},
      {u"A\r\nAA", 16, 2},  {u"A\nAA\n", 16, 3}, {u"確 確", 40, 1},   {u"\n\n", 0, 3},
  };
  for (const Row& row : rows) {
    const auto [width, height] = imageDrawText(image, font, row.text);
    EXPECT_EQ(width, row.width) << testsupport::u8(row.text);
    EXPECT_EQ(height, row.lines * lineHeight) << testsupport::u8(row.text);
  }
}

TEST_F(Sprite1FontTest, AGlyphThatDoesNotFitIsSkippedAndTheTextGoesOn) {
  Image* image = imageCreateDynamic(&system, 24, 16);
  L3DTexture* t = image->texture.Get();
  const int32_t fitting = static_cast<int32_t>(t->width) / 16;
  const auto [width, height] = imageDrawText(image, font, u"確確確確確確確確確");
  EXPECT_EQ(width, fitting * 16);
  for (uint32_t x = static_cast<uint32_t>(fitting) * 16; x < t->width; ++x) {
    for (uint32_t y = 0; y < t->height; ++y) {
      EXPECT_EQ(Texel(t, x, y) >> 24, 0u) << x << "," << y;
    }
  }
  // Lines below the texture's end draw nothing but still count.
  const auto [w2, h2] = imageDrawText(image, font, u"A\nA\nA\nA");
  EXPECT_EQ(w2, 8);
  EXPECT_EQ(h2, 4 * lineHeight);
  (void)height;
}

TEST_F(Sprite1FontTest, AGlyphReachingAboveItsDestinationIsClipped) {
  // A context whose ascent is smaller than the glyph's height puts the glyph's top above the
  // destination's first row.
  FontContext* context = font->context;
  context->metrics.tmAscent = 2;
  constexpr int32_t kPitch = 32 * 4;
  constexpr int32_t kGuardRows = 32;
  std::vector<uint8_t> pixels(static_cast<size_t>(kPitch) * (kGuardRows + 32), 0);
  uint8_t* destination = pixels.data() + kGuardRows * kPitch;
  const int32_t advance = fontRender(context, destination, 32, 32, kPitch, u'確');
  EXPECT_EQ(advance, 16);
  ASSERT_LT(context->top, 0);
  for (size_t i = 0; i < static_cast<size_t>(kGuardRows) * kPitch; ++i) {
    ASSERT_EQ(pixels[i], 0) << "written " << (kGuardRows * kPitch - i) << " bytes before";
  }
  uint32_t drawn = 0;
  for (size_t i = static_cast<size_t>(kGuardRows) * kPitch; i < pixels.size(); ++i) {
    drawn += pixels[i] != 0;
  }
  EXPECT_GT(drawn, 0u) << "the rows inside the destination are drawn";
}

TEST_F(Sprite1FontTest, SixteenBitTexturesTakeTheCoverageInTheTopNibble) {
  FontContext* context = fontCreate(16, false);
  ASSERT_NE(context, nullptr);
  EXPECT_FLOAT_EQ(context->scale, 0.9375f);
  std::vector<uint16_t> pixels(32 * 32, 0x0FFF);
  ASSERT_EQ(fontRender(context, pixels.data(), 32, 32, 64, u'確'), 16);
  gdi::GLYPHMETRICS gm{};
  const std::vector<uint8_t> bits = Glyph(u'確', gm);
  const uint32_t pitch = (gm.gmBlackBoxX + 3) & ~3u;
  for (uint32_t row = 0; row < gm.gmBlackBoxY; ++row) {
    for (uint32_t col = 0; col < gm.gmBlackBoxX; ++col) {
      const uint16_t p = pixels[(context->top + row) * 32 + context->originX + col];
      EXPECT_EQ(p & 0x0FFF, 0x0FFF) << col << "," << row;
      EXPECT_EQ(static_cast<uint32_t>(p >> 12), static_cast<uint32_t>(std::lround(bits[row * pitch + col] * 0.9375f)));
    }
  }
  fontContextDestroy(context);
}

}  // namespace

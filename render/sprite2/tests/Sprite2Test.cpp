// Sprite layer 2 on the software rasteriser: shared image textures, the states of the blend
// and alpha-test codes, vertex colours, glyph placement, and a sprite scene compared with a
// golden picture.

#include "render/sprite2/tests/Sprite2Fixture.h"
#include "testsupport/LogCapture.h"

#include <algorithm>
#include <cstdlib>

namespace {

using namespace d3d9;

TEST_F(Sprite2Test, SurfacesOfOneNameShareTheirTexture) {
  dbtl::rcptr<L3DTexture> held = m_device->CreateTexture("pic/a.png", 16, 8);
  ASSERT_TRUE(held);
  OmbSpriteDeviceOps other{};
  sprite2CreateDeviceSet(&other, sprite2::DeviceSetConfig{m_device.get(), kWidth, kHeight, 2});
  auto* a = static_cast<sprite2::Surface*>(ops.loadImage(ops.context, 0, u"pic/a.png"));
  auto* b = static_cast<sprite2::Surface*>(other.loadImage(other.context, 0, u"pic/a.png"));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->texture.Get(), held.Get());
  EXPECT_EQ(b->texture.Get(), held.Get());
  EXPECT_EQ(a->width, 16u);
  EXPECT_EQ(b->width, 32u);  // the small resource set doubles the logical size
  EXPECT_EQ(b->height, 16u);
  ops.destroySurface(a);
  sprite2DestroyDeviceSet(&other);  // destroys b with a debug line
  EXPECT_EQ(other.context, nullptr);
}

TEST_F(Sprite2Test, BlendAndAlphaTestCodesBecomeRenderStates) {
  struct Case {
    uint32_t blend, alphaTest;
    float threshold;
    DWORD enable, source, destination, testEnable, func, ref;
  };
  const Case cases[] = {
      {0, 0, 0.0f, FALSE, 0, 0, FALSE, 0, 0},
      {1, 0, 0.0f, TRUE, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, TRUE, D3DCMP_GREATER, 0},
      {2, 0, 0.0f, TRUE, D3DBLEND_SRCALPHA, D3DBLEND_ONE, TRUE, D3DCMP_GREATER, 0},
      {3, 0, 0.0f, TRUE, D3DBLEND_ONE, D3DBLEND_ONE, FALSE, 0, 0},
      {4, 2, 0.5f, TRUE, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA, TRUE, D3DCMP_LESS, 128},
      {5, 3, 1.0f, TRUE, D3DBLEND_DESTCOLOR, D3DBLEND_SRCALPHA, TRUE, D3DCMP_EQUAL, 255},
      {6, 4, 0.0f, TRUE, D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, TRUE, D3DCMP_NOTEQUAL, 0},
      {7, 1, 0.25f, TRUE, D3DBLEND_INVDESTCOLOR, D3DBLEND_SRCALPHA, TRUE, D3DCMP_GREATER, 64},
      {8, 0, 0.0f, TRUE, D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, FALSE, 0, 0},
  };
  for (const Case& c : cases) {
    OmbSpriteBatch batch{};
    batch.filter = 1;
    batch.blend = c.blend;
    batch.alphaTest = c.alphaTest;
    batch.threshold = c.threshold;
    ops.begin(ops.context);
    ops.render(ops.context, &batch, 1);
    DWORD value = 0;
    D3d().GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, c.enable) << c.blend;
    if (c.enable) {
      D3d().GetRenderState(D3DRS_SRCBLEND, &value);
      EXPECT_EQ(value, c.source) << c.blend;
      D3d().GetRenderState(D3DRS_DESTBLEND, &value);
      EXPECT_EQ(value, c.destination) << c.blend;
    }
    D3d().GetRenderState(D3DRS_ALPHATESTENABLE, &value);
    EXPECT_EQ(value, c.testEnable) << c.blend << "/" << c.alphaTest;
    if (c.testEnable) {
      D3d().GetRenderState(D3DRS_ALPHAFUNC, &value);
      EXPECT_EQ(value, c.func) << c.blend << "/" << c.alphaTest;
      D3d().GetRenderState(D3DRS_ALPHAREF, &value);
      EXPECT_EQ(value, c.ref) << c.blend << "/" << c.alphaTest;
    }
  }
}

TEST_F(Sprite2Test, VertexColoursAreClampedAndPositionsShiftedByHalfAPixel) {
  OmbSpriteBatch batch{};
  batch.filter = 1;
  batch.vertexCount = 4;
  for (OmbSpriteVertex& v : batch.vertices) {
    v = OmbSpriteVertex{10.0f, 20.0f, 0.0f, 0.0f, 1.2f, 0.5f, -3.0f, -0.5f};
  }
  // The collected vertices are drawn and forgotten at the end; look at them through a batch
  // that fills the whole buffer, whose last quad stays in the arrays after the draw.
  ops.render(ops.context, &batch, 1);
  const sprite2::Vertex& v = layer().vertices[0];
  EXPECT_EQ(v.diffuse, 0x00FF8000u);
  EXPECT_EQ(v.x, 9.5f);
  EXPECT_EQ(v.y, 19.5f);
  EXPECT_EQ(v.z, 0.0f);
  EXPECT_EQ(v.rhw, 1.0f);
  EXPECT_EQ(layer().vertexCount, 0u);
}

// Columns of a text surface that hold any coverage.
std::vector<uint32_t> inkedColumns(L3DTexture* t, uint32_t width, uint32_t height) {
  std::vector<uint32_t> columns;
  int32_t pitch = 0;
  const uint8_t* bits = static_cast<const uint8_t*>(t->Lock(0, 0, width, height, pitch));
  for (uint32_t x = 0; x < width; ++x) {
    for (uint32_t y = 0; y < height; ++y) {
      if (bits[static_cast<std::size_t>(y) * pitch + x * 4 + 3] != 0) {
        columns.push_back(x);
        break;
      }
    }
  }
  t->texture->UnlockRect(0);
  return columns;
}

TEST_F(Sprite2Test, AFullWidthAndAHalfWidthGlyphLandAtTheirPens) {
  LogCapture capture;
  OmbSpriteRenderer* r = ombSpriteCreateRenderer(set, 0, 0, 1);
  OmbSpriteTextFormatParams p{};
  p.fontSize = 16;
  p.gamma = 1.0f;
  p.red = p.green = p.blue = 1.0f;
  OmbSpriteTextFormat* format = ombSpriteCreateTextFormat(r, p);
  ASSERT_NE(format, nullptr);
  // Each text on its own surface; the ink columns show where the glyphs went.
  const auto write = [&](const char16_t* text, uint32_t& drawnWidth) {
    OmbSpriteImage* image = ombSpriteCreateTextImage(64, 32, set);
    OmbSpriteRect* rect = ombSpriteCreateRect(image, r, 0, 0, 64, 32, 0, 0);
    ombSpriteDrawText(rect, format, text);
    ombSpriteUpdateRenderer(r);
    drawnWidth = rect->drawnWidth;
    auto* surface = static_cast<sprite2::Surface*>(image->surface);
    return inkedColumns(surface->texture.Get(), 64, 32);
  };
  uint32_t widthKanji = 0, widthA = 0, widthBoth = 0;
  const std::vector<uint32_t> kanji = write(u"確", widthKanji);
  const std::vector<uint32_t> a = write(u"A", widthA);
  const std::vector<uint32_t> both = write(u"確A", widthBoth);
  // IPA Gothic: a full-width character advances 16 pixels at size 16, a Latin letter 8.
  EXPECT_EQ(widthKanji, 16u);
  EXPECT_EQ(widthA, 8u);
  EXPECT_EQ(widthBoth, 24u);
  ASSERT_FALSE(kanji.empty());
  ASSERT_FALSE(a.empty());
  EXPECT_LT(kanji.back(), 16u);
  std::vector<uint32_t> expected = kanji;
  for (uint32_t x : a) {
    if (std::find(expected.begin(), expected.end(), x + 16) == expected.end()) {
      expected.push_back(x + 16);
    }
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(both, expected);
  EXPECT_TRUE(capture.messages().empty() || capture.messages()[0].level > OMB_LOG_ERROR);
}

TEST(Sprite2AdvanceTest, FractionsOfAdvancesAddUpInsteadOfBeingLost) {
  struct Case {
    int64_t advance;  // 16.16
    std::vector<uint32_t> pens;
  };
  const Case cases[] = {
      {12 * 65536 + 32768, {12, 13, 12, 13}},
      {10 * 65536 + 16384, {10, 10, 10, 11}},
      {16 * 65536, {16, 16, 16, 16}},
      {0, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    uint32_t carry = 0;
    std::vector<uint32_t> pens;
    for (int i = 0; i < 4; ++i) {
      pens.push_back(sprite2::takeAdvance(carry, c.advance));
    }
    EXPECT_EQ(pens, c.pens) << c.advance;
  }
}

TEST_F(Sprite2Test, AGlyphBeyondTheSurfaceDrawsNothing) {
  OmbSpriteRenderer* r = ombSpriteCreateRenderer(set, 0, 0, 1);
  OmbSpriteImage* image = ombSpriteCreateTextImage(32, 32, set);
  OmbSpriteTextFormatParams p{};
  p.fontSize = 16;
  OmbSpriteTextFormat* format = ombSpriteCreateTextFormat(r, p);
  void* font = format->font->font;
  ASSERT_EQ(ops.renderGlyph(font, u'A'), 1);
  EXPECT_EQ(ops.drawGlyph(image->surface, 40, 0, 16, 16, 1, 1, 1, font, format->gamma), 1);
  auto* surface = static_cast<sprite2::Surface*>(image->surface);
  EXPECT_TRUE(inkedColumns(surface->texture.Get(), 32, 32).empty());
  // A character the font lacks cannot be rendered; drawing then has no glyph.
  EXPECT_EQ(ops.renderGlyph(font, u'\uE000'), static_cast<int32_t>(0x80000006u));
  EXPECT_EQ(ops.drawGlyph(image->surface, 0, 0, 16, 16, 1, 1, 1, font, format->gamma),
            static_cast<int32_t>(0x80000002u));
}

}  // namespace

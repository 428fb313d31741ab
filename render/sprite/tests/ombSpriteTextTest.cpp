// Texts written into a rect's text surface over a recording device: timing by budget and
// wait, clear flags, line feeds, clipping at the rect, cancelling and flushing.

#include "render/sprite/ombSpriteText.h"

#include "render/sprite/tests/FakeSpriteDevice.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using spritetest::FakeDevice;

class OmbSpriteTextTest : public testing::Test {
 protected:
  OmbSpriteTextTest() {
    set = ombSpriteCreateDeviceSet(&ops);
    renderer = ombSpriteCreateRenderer(set, 0, 0, 1);
    image = ombSpriteCreateTextImage(256, 64, set);
    // The rect covers x 16 .. 76 and y 8 .. 48 of the surface.
    rect = ombSpriteCreateRect(image, renderer, 16, 8, 60, 40, 0, 0);
  }
  ~OmbSpriteTextTest() override { ombSpriteDestroyDeviceSet(set); }

  OmbSpriteTextFormat* format(uint32_t speed, uint32_t clear = 0, int32_t marginY = 0) {
    OmbSpriteTextFormatParams p{};
    p.clearFlags = clear;
    p.fontSize = 16;
    p.gamma = 1.0f;
    p.speed = speed;
    p.red = p.green = p.blue = 1.0f;
    p.penX = 2;
    p.penY = 1;
    p.marginX = 1;
    p.marginY = marginY;
    return ombSpriteCreateTextFormat(renderer, p);
  }
  std::u16string written() const {
    std::u16string out;
    for (const auto& g : device.glyphs) {
      out.push_back(g.character);
    }
    return out;
  }

  LogCapture capture;
  FakeDevice device;
  OmbSpriteDeviceOps ops = device.ops();
  OmbSpriteDeviceSet* set;
  OmbSpriteRenderer* renderer;
  OmbSpriteImage* image;
  OmbSpriteRect* rect;
};

TEST_F(OmbSpriteTextTest, SpeedZeroWritesEverythingInOneUpdate) {
  ombSpriteDrawText(rect, format(0), u"abc");
  EXPECT_NE(rect->text, nullptr);
  ombSpriteUpdateRenderer(renderer);
  EXPECT_EQ(written(), u"abc");
  EXPECT_EQ(rect->text, nullptr);
  EXPECT_EQ(renderer->pendingTexts.count, 0u);
  ASSERT_EQ(device.glyphs.size(), 3u);
  EXPECT_EQ(device.glyphs[0].x, 18u);
  EXPECT_EQ(device.glyphs[0].y, 9u);
  EXPECT_EQ(device.glyphs[0].boxWidth, 58u);
  EXPECT_EQ(device.glyphs[0].boxHeight, 39u);
  EXPECT_EQ(device.glyphs[1].x, 29u);  // advance 10 plus margin 1
  EXPECT_EQ(rect->drawnWidth, 32u);    // from the pen start to the end of the last advance
  EXPECT_EQ(rect->drawnHeight, 16u);
}

TEST_F(OmbSpriteTextTest, EachCharacterWaitsItsSpeedInUpdates) {
  ombSpriteDrawText(rect, format(2), u"abc");
  std::vector<size_t> counts;
  for (int i = 0; i < 6; ++i) {
    ombSpriteUpdateRenderer(renderer);
    counts.push_back(device.glyphs.size());
  }
  // What the first update leaves of its budget after the first character counts toward the
  // second one.
  EXPECT_EQ(counts, (std::vector<size_t>{1, 2, 2, 3, 3, 3}));
  EXPECT_EQ(rect->text, nullptr);

  // Twice the renderer speed halves the delays.
  device.glyphs.clear();
  ombSpriteSetRendererSpeed(renderer, 2.0f);
  ombSpriteDrawText(rect, format(2), u"abc");
  counts.clear();
  for (int i = 0; i < 3; ++i) {
    ombSpriteUpdateRenderer(renderer);
    counts.push_back(device.glyphs.size());
  }
  EXPECT_EQ(counts, (std::vector<size_t>{2, 3, 3}));
}

TEST_F(OmbSpriteTextTest, ClearFlagOneClearsAloneAndFlagTwoGoesOnWriting) {
  struct Case {
    uint32_t flags;
    size_t glyphsAfterFirst;
  };
  for (const Case c : {Case{1, 0}, Case{2, 2}, Case{3, 0}}) {
    device.glyphs.clear();
    device.fills.clear();
    ombSpriteDrawText(rect, format(0, c.flags), u"ab");
    ombSpriteUpdateRenderer(renderer);
    ASSERT_EQ(device.fills.size(), 1u) << c.flags;
    EXPECT_EQ(device.fills[0].x, 16u);
    EXPECT_EQ(device.fills[0].width, 60u);
    EXPECT_EQ(device.glyphs.size(), c.glyphsAfterFirst) << c.flags;
    ombSpriteUpdateRenderer(renderer);
    EXPECT_EQ(device.glyphs.size(), 2u) << c.flags;
    EXPECT_EQ(device.fills.size(), 1u) << c.flags;
  }
}

TEST_F(OmbSpriteTextTest, LineFeedsAndTheRightEdge) {
  // Six characters start inside the rect (pens 2, 13, 24, 35, 46 and 57, which has 3 pixels
  // left); at pen 68 nothing is left, and the pen stays there until the line feed.
  ombSpriteDrawText(rect, format(0, 0, 2), u"abcdefgh\nij");
  ombSpriteUpdateRenderer(renderer);
  EXPECT_EQ(written(), u"abcdefij");
  ASSERT_EQ(device.glyphs.size(), 8u);
  EXPECT_EQ(device.glyphs[5].x, 73u);
  EXPECT_EQ(device.glyphs[5].boxWidth, 3u);
  EXPECT_EQ(device.glyphs[6].x, 18u);
  EXPECT_EQ(device.glyphs[6].y, 9u + 16u + 2u);
  EXPECT_EQ(rect->drawnHeight, 34u);
}

TEST_F(OmbSpriteTextTest, ANewTextCancelsTheOldAndANullFormatOnlyCancels) {
  OmbSpriteTextFormat* slow = format(5);
  ombSpriteDrawText(rect, slow, u"abc");
  ombSpriteUpdateRenderer(renderer);
  ombSpriteReleaseTextFormat(slow);  // the pending text still holds it
  EXPECT_EQ(renderer->formats.count, 1u);
  ombSpriteDrawText(rect, nullptr, u"xyz");
  EXPECT_EQ(rect->text, nullptr);
  EXPECT_EQ(renderer->formats.count, 0u);
  ombSpriteUpdateRenderer(renderer);
  EXPECT_EQ(written(), u"a");
}

TEST_F(OmbSpriteTextTest, FlushingWritesEveryPendingTextAtOnce) {
  OmbSpriteRect* second = ombSpriteCreateRect(image, renderer, 100, 0, 100, 20, 0, 0);
  // A text longer than one chunk of 64 units.
  std::u16string longText(70, u'x');
  longText += u"yz";
  ombSpriteDrawText(rect, format(100), u"ab");
  ombSpriteDrawText(second, format(100), longText.c_str());
  ombSpriteFlushAllTexts(renderer);
  EXPECT_EQ(renderer->pendingTexts.count, 0u);
  // The second rect has room for nine characters on its line.
  EXPECT_EQ(device.glyphs.size(), 2u + 9u);
  EXPECT_EQ(device.glyphs.back().character, u'x');
}

TEST_F(OmbSpriteTextTest, FormatsShareOneFontPerSizeAndFailWithoutOne) {
  format(0);
  format(3);
  EXPECT_EQ(device.fontsMade, 1);
  device.failFonts = true;
  OmbSpriteTextFormatParams p{};
  p.fontSize = 24;
  EXPECT_EQ(ombSpriteCreateTextFormat(renderer, p), nullptr);
}

}  // namespace

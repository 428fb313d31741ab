// Frames of the test scene drawn through each effect type with the fixture shaders by the
// software rasteriser must match the reviewed pictures golden/<name>.bmp byte for byte;
// RENDER_WRITE_GOLDEN=1 writes them anew (on purpose only). The other cases check what an
// effect must do whatever the shaders compute.

#include "render/post/tests/PostEffectFixture.h"

#include <cmath>
#include <functional>

namespace {

struct GoldenCase {
  const char* name;
  std::function<void(PostEffectTest&, PostEffect&)> setup;
  int updates;  // PostEffect::update calls before the frame
};

class PostEffectGoldenTest : public PostEffectTest {
 protected:
  // Blue of a back-buffer pixel (0..255).
  static int Blue(uint32_t rgb) { return int(rgb & 0xFF); }
};

TEST_F(PostEffectGoldenTest, EachEffectMatchesItsGoldenPicture) {
  const GoldenCase cases[] = {
      {"glow",
       [](PostEffectTest&, PostEffect& fx) {
         const int32_t levels[4] = {1, 2, 3, 0};
         const float alphas[4] = {0.8f, 0.6f, 0.5f, 0.4f};
         fx.addBright(0.5f, levels, alphas);
       },
       0},
      {"glow_alpha",
       [](PostEffectTest&, PostEffect& fx) {
         const int32_t levels[4] = {2, 2, 2, 2};
         const float alphas[4] = {1.0f, 0.5f, 0.0f, 0.0f};
         fx.addAlpha(levels, alphas);
       },
       0},
      {"glow_diffuse",
       [](PostEffectTest&, PostEffect& fx) {
         const int32_t levels[4] = {3, 1, 0, 0};
         const float alphas[4] = {0.7f, 0.7f, 0.7f, 0.002f};
         fx.addDiffuse(levels, alphas, 0.1f);
       },
       0},
      {"colour",
       [](PostEffectTest&, PostEffect& fx) {
         fx.addHardlightColor(0.8f, 0.3f, 0.5f, 0.75f);
         fx.addOverlayColor(0.2f, 0.6f, 0.9f, 0.5f);
         fx.addSoftlightColor(0.3f, 0.7f, 0.5f, 1.0f);
       },
       0},
      {"zoom",
       [](PostEffectTest&, PostEffect& fx) {
         fx.setZoomBlur(0.3f, 0.4f, 0.05f, 0.6f, 0.1f, 3, 20, 30);
       },
       2},
      {"shimmer",
       [](PostEffectTest&, PostEffect& fx) {
         fx.setShimmer(u"shimmer", 32, 24, 0.05f, 0.08f, 0.125f, 0.0625f, 0.75f);
       },
       3},
  };
  PaintNoise(u"shimmer", 16, 16, 7);
  for (const GoldenCase& c : cases) {
    SCOPED_TRACE(c.name);
    m_effect.clearEffects();
    c.setup(*this, m_effect);
    for (int i = 0; i < c.updates; ++i) m_effect.update();
    Frame();
    ExpectGolden(c.name);
  }
}

// The bright pass lets only the bright parts through: the glow brightens the ground around
// the white square far more than the corner away from everything bright.
TEST_F(PostEffectGoldenTest, GlowBrightensAroundBrightPartsOnly) {
  const int32_t levels[4] = {2, 2, 2, 2};
  const float alphas[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  m_effect.addBright(0.5f, levels, alphas);
  Frame();
  const int near = Blue(Pixel(26, 16)) - 0x60;  // beside the white square
  const int far = Blue(Pixel(2, 46)) - 0x60;    // far from anything bright
  EXPECT_GT(near, 8);
  EXPECT_GE(far, 0);
  EXPECT_GT(near, 2 * far);
  EXPECT_EQ(Pixel(10, 10), 0xFFFFFFu);
}

// A glow whose four alphas are all below 0.003 still runs its copies and adds black.
TEST_F(PostEffectGoldenTest, AGlowWithoutLevelsLeavesTheSceneAsItWas) {
  const int32_t levels[4] = {0, 0, 0, 0};
  const float alphas[4] = {0.002f, 0.0f, -1.0f, 0.0029f};
  m_effect.addBright(0.0f, levels, alphas);
  Frame();
  EXPECT_EQ(Pixel(10, 10), 0xFFFFFFu);
  EXPECT_EQ(Pixel(26, 16), 0x202860u);
  EXPECT_EQ(Pixel(34, 30), 0xE02020u);
}

// Each colour effect swaps the scene and copy targets, so the second reads the first one's
// result: two soft lights of exponent 1.5 make one of 2.25.
TEST_F(PostEffectGoldenTest, ColourEffectsReadTheResultOfTheOneBefore) {
  const L3DTexture* sceneBefore = m_effect.sceneTarget().Get();
  m_effect.addSoftlightColor(0.25f, 0.25f, 0.25f, 1.0f);
  Frame();
  EXPECT_NE(m_effect.sceneTarget().Get(), sceneBefore);  // the swap outlasts the frame
  const double ground = 0x60 / 255.0;
  EXPECT_NEAR(Blue(Pixel(2, 2)), std::pow(ground, 1.5) * 255.0, 1.5);

  m_effect.addSoftlightColor(0.25f, 0.25f, 0.25f, 1.0f);
  Frame();
  EXPECT_NEAR(Blue(Pixel(2, 2)), std::pow(ground, 2.25) * 255.0, 1.5);
  EXPECT_EQ(Pixel(10, 10), 0xFFFFFFu);  // white stays white
}

// A shimmer of alpha 0 still runs its pass but the blended copy has no weight.
TEST_F(PostEffectGoldenTest, AShimmerOfAlphaZeroLeavesTheSceneUnchanged) {
  PaintNoise(u"n");
  ASSERT_NE(m_effect.setShimmer(u"n", 16, 16, 0.2f, 0.2f, 0.1f, 0.1f, 0.0f), nullptr);
  m_effect.update();
  Frame();
  const uint32_t expected[][3] = {{10, 10, 0xFFFFFF}, {2, 2, 0x202860}, {34, 30, 0xE02020},
                                  {50, 22, 0x20C040}, {63, 47, 0x202860}};
  for (const auto& e : expected) EXPECT_EQ(Pixel(e[0], e[1]), e[2]) << e[0] << "," << e[1];
}

// A zoom blur keeps the picture at its centre and smears it elsewhere; at weight 0 (before the
// first update) it leaves the scene alone.
TEST_F(PostEffectGoldenTest, ZoomBlurWeighsInByItsWeight) {
  m_effect.setZoomBlur(0.25f, 0.33f, 0.05f, 0.8f, 0.0f, 0, 10, 20);
  Frame();
  EXPECT_EQ(Pixel(36, 30), 0x202860u);  // weight 0: beside the red bar, still ground
  m_effect.update();
  Frame();
  EXPECT_NE(Pixel(36, 30), 0x202860u);  // now the bar smears outward
  EXPECT_EQ(Pixel(16, 16), 0xFFFFFFu);  // the centre is sharp
}

}  // namespace

// The post-effect object: the gates of init, the effect list with its pooled entries and the
// zoom-blur and shimmer slots, the per-frame update, and begin/apply around the 3D pass.

#include "render/post/tests/PostEffectFixture.h"

#include <functional>

namespace {

using namespace d3d9;

const int32_t kLevels[4] = {0, 1, 2, 3};
const float kAlphas[4] = {1.0f, 1.0f, 1.0f, 1.0f};

std::vector<PostEffectEntry*> List(const PostEffect& effect) {
  std::vector<PostEffectEntry*> out;
  for (PostEffectEntry* e = effect.firstEntry(); e != nullptr; e = e->next) out.push_back(e);
  return out;
}

// Each refusal leaves the object released: no targets, no shaders, nothing registers.
TEST_F(PostEffectTest, InitRefusesWhatCannotCarryPostEffects) {
  struct Case {
    const char* name;
    std::function<void(SystemProfile&)> change;
    bool compatible;
  };
  const Case cases[] = {
      {"compatible rendering asked", {}, true},
      {"no pixel shaders", [](SystemProfile& p) { p.adapters[0].caps.PixelShaderVersion = 0; },
       false},
      {"no vertex shaders",
       [](SystemProfile& p) { p.adapters[0].caps.VertexShaderVersion = 0; }, false},
      {"X8R8G8B8 back buffer",
       [](SystemProfile& p) {
         p.adapters[0].windowedPairs = {{D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8}};
       },
       false},
      {"no separate alpha blending",
       [](SystemProfile& p) {
         p.adapters[0].caps.PrimitiveMiscCaps &= ~D3DPMISCCAPS_SEPARATEALPHABLEND;
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_effect.release();
    m_renderer.reset();
    Close();
    OpenWith(Profile("default", c.change), 0, WithRenderer::kNo);
    if (std::string(c.name) == "X8R8G8B8 back buffer") {
      ASSERT_EQ(m_device->GetPresentParameters().BackBufferFormat, D3DFMT_X8R8G8B8);
    }
    PostEffectConfig config = Config();
    config.compatible = c.compatible;
    EXPECT_FALSE(m_effect.init(config));
    EXPECT_FALSE(m_effect.initialised());
    EXPECT_FALSE(m_effect.sceneTarget());
    EXPECT_EQ(m_effect.addBright(0.5f, kLevels, kAlphas), nullptr);
    EXPECT_EQ(m_effect.firstEntry(), nullptr);
  }
}

TEST_F(PostEffectTest, InitFailsWhenAShaderIsMissingOrRefusedAndSucceedsAgainLater) {
  m_effect.release();
  // A game without the last shader file: no post effects, and no fatal error.
  m_pack.Remove("sys/posteffect/alphaDown4.psh");
  EXPECT_FALSE(m_effect.init(Config()));
  EXPECT_FALSE(m_effect.sceneTarget());
  AddShaders();
  // A vertex shader where a pixel shader belongs: the device refuses it.
  m_pack.Add("sys/posteffect/zoomblur.psh",
             readFileBytes(std::string(POST_SHADER_DIR) + "/vsh/through1.bin"));
  EXPECT_FALSE(m_effect.init(Config()));
  EXPECT_FALSE(m_effect.sceneTarget());
  AddShaders();
  EXPECT_TRUE(m_effect.init(Config()));
  // Every target is a render target of the configured size (or larger).
  ASSERT_TRUE(m_effect.sceneTarget());
  EXPECT_EQ(m_effect.sceneTarget()->type, L3DTEX_TYPE_RENDER);
  EXPECT_GE(m_effect.sceneTarget()->width, kWidth);
}

TEST_F(PostEffectTest, EntriesKeepRegistrationOrderAndDerivedValues) {
  const int32_t levels[4] = {12, -1, 7, 3};
  PostEffectEntry* bright = m_effect.addBright(0.25f, levels, kAlphas);
  PostEffectEntry* overlay = m_effect.addOverlayColor(0.25f, 0.5f, 0.75f, 1.0f);
  PostEffectEntry* soft = m_effect.addSoftlightColor(0.25f, 0.5f, 1.0f, 0.5f);
  PostEffectEntry* hard = m_effect.addHardlightColor(0.25f, 0.5f, 0.75f, 0.0f);
  PostEffectEntry* alpha = m_effect.addAlpha(levels, kAlphas);
  EXPECT_EQ(List(m_effect),
            (std::vector<PostEffectEntry*>{bright, overlay, soft, hard, alpha}));

  // Levels are clamped as unsigned values: 12 and -1 both become 7.
  for (PostEffectEntry* e : {bright, alpha}) {
    EXPECT_EQ(e->gaussLevel[0], 7u);
    EXPECT_EQ(e->gaussLevel[1], 7u);
    EXPECT_EQ(e->gaussLevel[2], 7u);
    EXPECT_EQ(e->gaussLevel[3], 3u);
  }
  EXPECT_FLOAT_EQ(overlay->factor[0], 1.5f);
  EXPECT_FLOAT_EQ(overlay->factor[2], 0.5f);
  EXPECT_FLOAT_EQ(overlay->factor[3], 0.0f);
  // Soft light: (1 - c) x 2 below one half, 1 / (c x 2) from it on; alpha as given.
  EXPECT_FLOAT_EQ(soft->colour[0], 1.5f);
  EXPECT_FLOAT_EQ(soft->colour[1], 1.0f);
  EXPECT_FLOAT_EQ(soft->colour[2], 0.5f);
  EXPECT_FLOAT_EQ(soft->colour[3], 0.5f);
  EXPECT_EQ(hard->step[0], 0.0f);
  EXPECT_EQ(hard->step[1], 1.0f);
  EXPECT_EQ(hard->step[2], 1.0f);
  EXPECT_FLOAT_EQ(hard->factor[2], 0.5f);

  m_effect.removeEffect(overlay);
  EXPECT_EQ(List(m_effect), (std::vector<PostEffectEntry*>{bright, soft, hard, alpha}));
  m_effect.removeEffect(overlay);  // no longer in the list: nothing happens
  PostEffect other;
  m_effect.removeEffect(reinterpret_cast<PostEffectEntry*>(&other));
  EXPECT_EQ(List(m_effect).size(), 4u);

  // More than one chunk of pool blocks: the list stays whole.
  std::vector<PostEffectEntry*> many;
  for (int i = 0; i < 40; ++i) many.push_back(m_effect.addOverlayColor(0, 0, 0, float(i)));
  const std::vector<PostEffectEntry*> all = List(m_effect);
  ASSERT_EQ(all.size(), 44u);
  EXPECT_EQ(all.back()->colour[3], 39.0f);
}

TEST_F(PostEffectTest, ZoomBlurWeightsRiseHoldFallAndTheEntryGoes) {
  PostEffectEntry* zoom = m_effect.setZoomBlur(0.5f, 0.25f, 0.1f, 0.2f, 0.5f, 9, 20, 29);
  ASSERT_EQ(m_effect.zoomBlur(), zoom);
  // The centre lives in work4 [0]'s texture coordinates.
  EXPECT_FLOAT_EQ(zoom->centerX, 0.5f * 16.0f / 16.0f);
  EXPECT_EQ(zoom->frame, -1);

  std::vector<float> expected;
  for (int f = 0; f <= 8; ++f) expected.push_back(float(f + 1) / 10.0f);
  for (int f = 9; f <= 19; ++f) expected.push_back(1.0f);
  for (int f = 20; f <= 28; ++f) expected.push_back(1.0f - float(f - 20 + 1) / 10.0f);
  for (size_t i = 0; i < expected.size(); ++i) {
    m_effect.update();
    ASSERT_EQ(m_effect.zoomBlur(), zoom) << "frame " << i;
    EXPECT_EQ(zoom->frame, int32_t(i));
    EXPECT_FLOAT_EQ(zoom->weight, expected[i]) << "frame " << i;
    EXPECT_FLOAT_EQ(zoom->phase, 0.5f * float(i + 1));
  }
  m_effect.update();  // frame 29
  EXPECT_EQ(m_effect.zoomBlur(), nullptr);
  EXPECT_EQ(m_effect.firstEntry(), nullptr);
}

TEST_F(PostEffectTest, ASecondZoomBlurRestartsTheFirstInItsPlace) {
  PostEffectEntry* first = m_effect.setZoomBlur(0.5f, 0.5f, 0.1f, 0.2f, 1.0f, 2, 4, 6);
  PostEffectEntry* colour = m_effect.addOverlayColor(1, 1, 1, 1);
  m_effect.update();
  m_effect.update();
  PostEffectEntry* second = m_effect.setZoomBlur(0.25f, 0.5f, 0.3f, 0.4f, 2.0f, 1, 2, 3);
  EXPECT_EQ(second, first);
  EXPECT_EQ(List(m_effect), (std::vector<PostEffectEntry*>{first, colour}));
  EXPECT_EQ(second->frame, -1);
  EXPECT_EQ(second->phase, 0.0f);
  EXPECT_EQ(second->weight, 0.0f);
  EXPECT_EQ(second->frameDead, 3);
  EXPECT_FLOAT_EQ(second->range, 0.3f);
}

TEST_F(PostEffectTest, ShimmerKeepsItsNoiseUntilItIsRemoved) {
  // A missing noise texture registers nothing.
  EXPECT_EQ(m_effect.setShimmer(u"none", 16, 16, 1, 1, 0.5f, 0.25f, 1), nullptr);
  EXPECT_EQ(m_noiseRequests.back(), u"sys/posteffect/none");
  PaintNoise(u"n1", 16, 8);
  PostEffectEntry* shimmer = m_effect.setShimmer(u"n1", 32, 4, 1, 1, 0.5f, 0.25f, 1);
  ASSERT_NE(shimmer, nullptr);
  EXPECT_EQ(m_effect.noise()->width, 16u);
  EXPECT_FLOAT_EQ(shimmer->scaleX, 0.5f);
  EXPECT_FLOAT_EQ(shimmer->scaleY, 2.0f);
  EXPECT_FLOAT_EQ(shimmer->stepX, 8.0f);
  EXPECT_FLOAT_EQ(shimmer->offsetX, -8.0f);
  EXPECT_FLOAT_EQ(shimmer->offsetY, -2.0f);
  // A refused second call keeps the entry and the texture.
  EXPECT_EQ(m_effect.setShimmer(u"none", 16, 16, 1, 1, 1, 1, 1), nullptr);
  EXPECT_EQ(m_effect.shimmer(), shimmer);
  EXPECT_TRUE(m_effect.noise());

  // Offsets wrap within one texture: -8, 0, 8, 16 - 16 = 0 ...
  const float xs[] = {0.0f, 8.0f, 0.0f, 8.0f};
  const float ys[] = {0.0f, 2.0f, 4.0f, 6.0f};
  for (size_t i = 0; i < 4; ++i) {
    m_effect.update();
    EXPECT_FLOAT_EQ(shimmer->offsetX, xs[i]) << i;
    EXPECT_FLOAT_EQ(shimmer->offsetY, ys[i]) << i;
  }
  m_effect.update();
  EXPECT_FLOAT_EQ(shimmer->offsetY, 0.0f);  // 8 reduced by the height

  PostEffectEntry* other = m_effect.addOverlayColor(1, 1, 1, 1);
  m_effect.removeEffect(other);
  EXPECT_TRUE(m_effect.noise());
  m_effect.removeEffect(shimmer);
  EXPECT_EQ(m_effect.shimmer(), nullptr);
  EXPECT_FALSE(m_effect.noise());
}

TEST_F(PostEffectTest, ClearingEffectsKeepsWaterAndClearingWaterKeepsEffects) {
  PaintNoise(u"n0");
  PaintNoise(u"n1");
  ASSERT_NE(m_effect.setWater(0, 0, 0, 0, 0, 0, 0, 1, u"n0", 1, 1, 0, 0, u"n1", 1, 1, 0, 0),
            nullptr);
  ASSERT_NE(m_effect.setShimmer(u"n0", 16, 16, 1, 1, 0, 0, 1), nullptr);
  m_effect.setZoomBlur(0.5f, 0.5f, 0, 0, 0, 1, 2, 3);
  m_effect.clearEffects();
  EXPECT_EQ(m_effect.firstEntry(), nullptr);
  EXPECT_EQ(m_effect.zoomBlur(), nullptr);
  EXPECT_EQ(m_effect.shimmer(), nullptr);
  EXPECT_FALSE(m_effect.noise());
  EXPECT_NE(m_effect.water(), nullptr);

  m_effect.addOverlayColor(1, 1, 1, 1);
  m_effect.clearWater();
  EXPECT_EQ(m_effect.water(), nullptr);
  EXPECT_NE(m_effect.firstEntry(), nullptr);
}

// With nothing registered the 3D pass goes straight to the back buffer: begin clears only the
// depth buffer (to 1.0) and apply draws nothing.
TEST_F(PostEffectTest, AnEmptyListClearsDepthOnly) {
  D3d().Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF112233u, 0.25f, 0);
  D3d().BeginScene();
  m_effect.begin();
  // A pre-transformed quad at depth 0.5 passes the depth test only where the depth was cleared.
  struct V {
    float x, y, z, rhw;
    uint32_t colour;
  };
  const V quad[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xFF445566u},
                     {-0.5f, 7.5f, 0.5f, 1, 0xFF445566u},
                     {7.5f, -0.5f, 0.5f, 1, 0xFF445566u},
                     {7.5f, 7.5f, 0.5f, 1, 0xFF445566u}};
  m_device->ResetState();
  m_device->SetVShader(false, nullptr);
  m_device->SetPShader(nullptr);
  m_device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
  m_device->SetStateRender(D3DRS_CULLMODE, D3DCULL_NONE);
  m_device->ApplyState();
  ASSERT_EQ(D3d().DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(V)), D3D_OK);
  m_effect.apply();
  D3d().EndScene();
  EXPECT_EQ(Pixel(1, 1), 0x445566u);    // drawn: the depth was cleared past 0.5
  EXPECT_EQ(Pixel(30, 30), 0x112233u);  // and the colour was not cleared
}

// With an effect registered the 3D pass is drawn into the scene target; after apply the back
// buffer is the target again and holds the effect's result.
TEST_F(PostEffectTest, RegisteredEffectsRedirectTheScenePass) {
  m_effect.addSoftlightColor(1.0f, 1.0f, 1.0f, 0.0f);  // alpha 0: the scene unchanged
  D3d().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  D3d().BeginScene();
  m_effect.begin();
  DrawScene();
  EXPECT_EQ(Pixel(10, 10), 0x000000u);  // nothing reached the back buffer yet
  m_effect.apply();
  D3d().EndScene();
  EXPECT_EQ(Pixel(10, 10), 0xFFFFFFu);
  EXPECT_EQ(Pixel(34, 30), 0xE02020u);
  EXPECT_EQ(Pixel(2, 2), 0x202860u);
}

// A multisampled mode keeps the 3D pass in the back buffer; apply starts by copying it into
// the scene target. (Screenshots of a multisampled back buffer fail, so the scene is read.)
TEST_F(PostEffectTest, AMultisampledModeCopiesTheBackBufferIntoTheScene) {
  m_effect.release();
  m_renderer.reset();
  Close();
  OpenWith(Profile("msaa"), 1);
  ASSERT_NE(m_device->GetPresentParameters().MultiSampleType, D3DMULTISAMPLE_NONE);
  ASSERT_TRUE(m_effect.init(Config()));
  m_effect.addSoftlightColor(1.0f, 1.0f, 1.0f, 0.0f);
  D3d().BeginScene();
  m_effect.begin();
  EXPECT_EQ(m_device->GetRenderTarget(), BackBuffer());
  DrawScene();
  m_effect.apply();
  D3d().EndScene();
  EXPECT_EQ(TexturePixel(m_effect.sceneTarget(), 10, 10), 0xFFFFFFu);
  EXPECT_EQ(TexturePixel(m_effect.sceneTarget(), 50, 22), 0x20C040u);
}

// New render targets start with lost contents: the first begin fills them opaque black.
TEST_F(PostEffectTest, LostTargetsAreFilledBlackAtTheNextBegin) {
  ASSERT_TRUE(m_effect.sceneTarget()->contentsLost);
  D3d().BeginScene();
  m_effect.begin();
  D3d().EndScene();
  EXPECT_FALSE(m_effect.sceneTarget()->contentsLost);
  EXPECT_FALSE(m_effect.copyTarget()->contentsLost);
}

}  // namespace

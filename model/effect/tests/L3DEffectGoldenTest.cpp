// Effects from effect files played a few frames and drawn by the software rasteriser through the
// real renderer and its textured "nolight" shader, assembled at build time from tests/shaders: a
// billboard, two images of one texture with two blend modes, and a trail. The frame must match
// the reviewed picture in golden/effect3d.bmp; RENDER_WRITE_GOLDEN=1 writes it anew (on purpose
// only).

#include "foundation/dbtl/DFile.h"
#include "foundation/lfm/lfmPack.h"
#include "model/effect/L3DEffectManager.h"
#include "model/effect/tests/EffectManagerFixture.h"
#include "render/L3DRenderer.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/FileBytes.h"
#include "testsupport/GoldenPicture.h"
#include "testsupport/render/DeviceFixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace effecttest;
using effectfile::Part;
using namespace d3d9;

const std::string kGolden = std::string(TEST_SOURCE_DIR) + "/effect/tests/golden/effect3d.bmp";

// Texture 0: a soft round spot, white with alpha falling off from the centre. Texture 1: a
// four-by-four checker of opaque white and half-transparent grey.
uint32_t SpotTexel(uint32_t x, uint32_t y) {
  const float dx = (float(x) + 0.5f) / 16.0f - 1.0f;
  const float dy = (float(y) + 0.5f) / 16.0f - 1.0f;
  const float r = std::sqrt(dx * dx + dy * dy);
  const float a = r >= 1.0f ? 0.0f : 1.0f - r;
  return uint32_t(a * 255.0f + 0.5f) << 24 | 0xFFFFFFu;
}
uint32_t CheckerTexel(uint32_t x, uint32_t y) {
  return ((x / 8 + y / 8) % 2 == 0) ? 0xFFFFFFFFu : 0x80808080u;
}

// Effect numbers of the data set.
enum : uint32_t { kBillboard, kAlphaQuad, kAddedQuad, kTrail };

class EffectGoldenTest : public DeviceTest {
 protected:
  void SetUp() override {
    const std::vector<uint8_t> archive =
        readFileBytes(std::string(TEST_BINARY_DIR) + "/effect_shaders/renderer.csa");
    ASSERT_FALSE(archive.empty()) << "the build makes effect_shaders/renderer.csa";
    Open(Profile("default"), L3DDEV_CREATE_WINDOW, 128, 96);
    // A small window keeps the golden picture small: the back buffer follows its client.
    SetClientSize(128, 96);
    ASSERT_TRUE(m_device->ResetCurrentMode());
    m_pack.pack.Add("sys/renderer.csa", archive);  // the archive as it is, not scrambled
    dbtl::DFile file;
    lfmOpenPackData(PackScope::current(), file, "sys/renderer.csa");
    m_renderer = std::make_unique<L3DRenderer>();
    m_renderer->Create(dbtl::rcptr<L3DDevice>::Borrow(m_device.get()), {}, file);
    LMat view;
    view.SetTranslation(0.0f, 0.0f, 4.0f);
    m_renderer->SetViewProjection(view, goldenPerspective());
    m_renderer->GetRandom().Seed(77);
    m_manager = std::make_unique<L3DEffectManager>();
    m_manager->Create(m_renderer.get());
    // The definition's textures load in order: the spot first, then the checker.
    m_manager->SetTextureLoader([this](int32_t, const char* name, uint8_t) {
      return MakeTexture(name, m_texturesMade++ == 0 ? SpotTexel : CheckerTexel);
    });
    m_manager->SetDrawObserver(&m_draws);
  }
  void TearDown() override {
    m_manager.reset();
    m_renderer.reset();
    DeviceTest::TearDown();
  }

  dbtl::rcptr<L3DTexture> MakeTexture(const char* name, uint32_t (*texel)(uint32_t, uint32_t)) {
    dbtl::rcptr<L3DTexture> t = m_device->_CreateTexture(name, 32, 32, true, false);
    D3DSURFACE_DESC desc{};
    t->texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);  // the texels below are written as such
    int32_t pitch = 0;
    auto* bytes = static_cast<uint8_t*>(t->Lock(0, 0, 32, 32, pitch));
    for (uint32_t y = 0; y < 32; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(bytes + int64_t(y) * pitch);
      for (uint32_t x = 0; x < 32; ++x) row[x] = texel(x, y);
    }
    t->texture->UnlockRect(0);
    return t;
  }

  // Images: 0 the spot in orange, added (blend 1); 1 the checker blended by its alpha (blend 0);
  // 2 the checker in blue, added without alpha (blend 8); 3 the spot in cyan for the trail.
  static effectfile::Prop Prop() {
    effectfile::Prop p;
    p.textures = {0, 0};
    p.images.resize(4);
    p.images[0] = {0, {0, 0, 1, 1}, {0.5f, 0.5f}, {0, 0}, {1.0f, 0.6f, 0.2f, 1.0f}, 1};
    p.images[1] = {1, {0, 0, 1, 1}, {0.5f, 0.5f}, {0, 0}, {1.0f, 1.0f, 1.0f, 1.0f}, 0};
    p.images[2] = {1, {0, 0, 1, 1}, {0.5f, 0.5f}, {0, 0}, {0.2f, 0.3f, 1.0f, 1.0f}, 8};
    p.images[3] = {0, {0, 0, 1, 1}, {0.5f, 0.5f}, {0, 0}, {0.3f, 1.0f, 1.0f, 1.0f}, 1};
    return p;
  }

  static effectfile::Data Data() {
    effectfile::Data d;
    d.roots.resize(4);
    // A billboard turned 30 degrees in the screen plane.
    d.roots[kBillboard].root = Part{0, {ev(0, 23, floats({0, 0, 1, 30})), image(0, 0, -4),
                                        end(100)}};
    d.roots[kAlphaQuad].root = Part{0, {image(0, 1), end(100)}};
    d.roots[kAddedQuad].root = Part{0, {image(0, 2), end(100)}};
    // A trail of samples living 20 frames, one a frame, an arc sample every 0.25 units.
    d.roots[kTrail].root = Part{0, {image(0, 3, -5), ev(0, 39, {20, 1, bits(0.25f)}), end(100)}};
    return d;
  }

  void Play(uint32_t number, LVec3 position, float scale, const float* trailA = nullptr,
            const float* trailB = nullptr) {
    m_manager->Play(m_data, number, 0, -1, position, kQuatIdentity, {scale, scale, scale}, {},
                    nullptr, nullptr, trailA, trailB);
  }

  EffectPack m_pack;
  std::unique_ptr<L3DRenderer> m_renderer;
  std::unique_ptr<L3DEffectManager> m_manager;
  RecordingObserver m_draws;
  L3D_EFFECT_DATA* m_data = nullptr;
  uint32_t m_texturesMade = 0;
};

TEST_F(EffectGoldenTest, EffectsMatchGolden) {
  m_pack.Add("effdef.dat", effectfile::write(Prop()));
  m_pack.Add("effdata.dat", effectfile::write(Data()));
  m_manager->SetProp(PackScope::current(), "effdef");
  m_data = m_manager->LoadData(1, PackScope::current(), "effdata");
  ASSERT_NE(m_data, nullptr);

  // The trail's two ends sweep along an arc below the quads over five frames.
  float a[3] = {-1.6f, -1.4f, 0.0f};
  float b[3] = {-1.6f, -0.9f, 0.0f};
  Play(kTrail, {}, 1.0f, a, b);
  Play(kAlphaQuad, {0.3f, 0.5f, 0.0f}, 1.4f);
  Play(kAddedQuad, {0.9f, 0.1f, -0.2f}, 1.2f);
  Play(kBillboard, {-1.3f, 0.6f, 0.5f}, 1.5f);
  for (int frame = 0; frame < 5; ++frame) {
    m_manager->Task();
    const float angle = 0.35f * float(frame + 1);
    for (float* end : {a, b}) {
      end[0] = -1.6f + 2.6f * std::sin(angle * 0.5f);
      end[1] += 0.12f * std::cos(angle);
    }
  }

  D3d().Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202830u, 1.0f, 0);
  D3d().BeginScene();
  m_manager->Draw(false);
  D3d().EndScene();

  // Newest first: the billboard, the added checker (a new call: same texture, other blend), the
  // alpha-blended checker, the trail.
  ASSERT_EQ(m_draws.calls.size(), 4u);
  const auto& prop = m_manager->GetProp();
  EXPECT_EQ(m_draws.calls[0].key, &prop.textures[0].keys[1]);
  EXPECT_EQ(m_draws.calls[1].key, &prop.textures[1].keys[8]);
  EXPECT_EQ(m_draws.calls[2].key, &prop.textures[1].keys[0]);
  EXPECT_EQ(m_draws.calls[3].key, &prop.textures[0].keys[1]);
  EXPECT_GT(m_draws.calls[3].vertices.size(), 4u);

  dbtl::rcptr<DMemorySource> out;
  out.Create(1);
  dbtl::DFile file;
  file.OpenOverride("effect3d.bmp", out);
  ASSERT_TRUE(m_device->CaptureBackBuffer(file));
  file.Close();
  const std::vector<uint8_t>& picture = out->data;
  expectGoldenPicture(picture, kGolden, "RENDER_WRITE_GOLDEN");
}

}  // namespace

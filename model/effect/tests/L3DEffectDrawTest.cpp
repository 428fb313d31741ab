#include "model/effect/L3DEffectManager.h"
#include "model/effect/tests/EffectManagerFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace effecttest;
using effectfile::Part;

TEST(EffectColourByte, ClampsAndRounds) {
  const struct {
    float channel;
    uint32_t byte;
  } cases[] = {{0.5f, 128}, {1.2f, 255}, {-0.1f, 0}, {0.0f, 0}, {1.0f, 255}, {0.2f, 51},
               {NAN, 0}};
  for (const auto& c : cases) EXPECT_EQ(l3dEffectColourByte(c.channel), c.byte) << c.channel;
}

class EffectDrawTest : public EffectManagerTest {
 protected:
  // Data with one effect per image event given (each a root part showing it until frame 50).
  L3D_EFFECT_DATA* Effects(const std::vector<effectfile::Event>& images,
                           const effectfile::Prop& prop = defaultProp()) {
    effectfile::Data d;
    for (const effectfile::Event& e : images) {
      effectfile::Root r;
      r.root = Part{0, {e, end(50)}};
      d.roots.push_back(r);
    }
    return Load(d, prop);
  }
  const L3D_EFFECT_BATCHKEY* Key(uint32_t texture, uint32_t blend) const {
    return &m_manager.GetProp().textures[texture].keys[blend];
  }
};

TEST_F(EffectDrawTest, PartsBatchByTextureAndBlendMode) {
  // Images 0 and 3 share texture 0 and blend 1; image 1 is texture 0 with blend 2; image 2 is
  // texture 1. Effects are drawn newest first.
  const struct {
    std::vector<uint32_t> images;  // in play order
    std::vector<std::pair<uint32_t, uint32_t>> keys;  // (texture, blend) of each call
    std::vector<size_t> vertices;
  } cases[] = {
      {{0, 3}, {{0, 1}}, {8}},
      {{0, 1}, {{0, 2}, {0, 1}}, {4, 4}},
      {{0, 2, 0}, {{0, 1}, {1, 1}, {0, 1}}, {4, 4, 4}},
      {{0, 0, 1, 1}, {{0, 2}, {0, 1}}, {8, 8}},
  };
  L3D_EFFECT_DATA* data =
      Effects({image(0, 0), image(0, 1), image(0, 2), image(0, 3)});
  for (const auto& c : cases) {
    m_manager.StopAll();
    m_draws.calls.clear();
    for (uint32_t i : c.images) Play(data, i);
    m_manager.Task();
    m_manager.Draw(false);
    ASSERT_EQ(m_draws.calls.size(), c.keys.size());
    for (size_t k = 0; k < c.keys.size(); ++k) {
      EXPECT_EQ(m_draws.calls[k].key, Key(c.keys[k].first, c.keys[k].second)) << k;
      EXPECT_EQ(m_draws.calls[k].vertices.size(), c.vertices[k]) << k;
      EXPECT_EQ(m_draws.calls[k].indices.size(), c.vertices[k] / 4 * 6) << k;
    }
  }
}

TEST_F(EffectDrawTest, APartWithoutAnImageIsNeverDrawn) {
  L3D_EFFECT_DATA* data = Load(OneRoot(Part{0, {ev(0, 8, floats({1, 1, 1, 1})), end(50)}}));
  Play(data);
  m_manager.Task();
  m_manager.Draw(false);
  m_manager.Draw(true);
  EXPECT_TRUE(m_draws.calls.empty());
  EXPECT_EQ(m_renderer.GetZsd().GetGroupCount(), 0u);
}

TEST_F(EffectDrawTest, TheQuadSitsOnThePivotWithTheImageRectangleAndColour) {
  effectfile::Prop prop = defaultProp();
  prop.images[0].uv[0] = 0.25f;
  prop.images[0].uv[2] = 0.75f;
  prop.images[0].pivot[0] = 0.0f;
  prop.images[0].pivot[1] = 1.0f;
  prop.images[0].color[0] = 0.5f;
  L3D_EFFECT_DATA* data = Effects({image(0, 0)}, prop);
  Play(data, 0, -1, 0, nullptr, nullptr, nullptr, nullptr, {10, 0, 0});
  m_manager.Task();
  m_manager.Draw(false);
  ASSERT_EQ(m_draws.calls.size(), 1u);
  const auto& v = m_draws.calls[0].vertices;
  const struct {
    float x, y, u, v;
  } expected[] = {{10, 1, 0.25f, 0}, {10, 0, 0.25f, 1}, {11, 1, 0.75f, 0}, {11, 0, 0.75f, 1}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(v[i].x, expected[i].x) << i;
    EXPECT_FLOAT_EQ(v[i].y, expected[i].y) << i;
    EXPECT_FLOAT_EQ(v[i].u, expected[i].u) << i;
    EXPECT_FLOAT_EQ(v[i].v, expected[i].v) << i;
    EXPECT_EQ(v[i].colour, 0xFF80FFFFu) << i;
  }
  EXPECT_EQ(m_draws.calls[0].indices, (std::vector<uint16_t>{0, 1, 2, 2, 1, 3}));
}

TEST_F(EffectDrawTest, ABatchSplitsBeforeThePartThatWouldPassTheIndexRange) {
  // Model 0 has 32765 indices: two parts of it and a quad make 65536 indices.
  effectfile::Prop prop = defaultProp();
  prop.models.resize(1);
  prop.models[0].vertices.resize(4);
  for (uint32_t i = 0; i < 32765; ++i) prop.models[0].indices.push_back(i % 4);
  L3D_EFFECT_DATA* data = Effects({image(0, 0, 0), image(0, 0)}, prop);
  Play(data, 1);  // the quad, drawn last
  Play(data, 0);
  Play(data, 0);
  m_manager.Task();
  m_manager.Draw(false);
  ASSERT_EQ(m_draws.calls.size(), 2u);
  EXPECT_EQ(m_draws.calls[0].indices.size(), 65530u);
  EXPECT_EQ(m_draws.calls[0].vertices.size(), 8u);
  EXPECT_EQ(m_draws.calls[0].indices[32765], 4u);  // the second model's first index
  EXPECT_EQ(m_draws.calls[1].vertices.size(), 4u);
  EXPECT_EQ(m_draws.calls[1].indices, (std::vector<uint16_t>{0, 1, 2, 2, 1, 3}));
}

TEST_F(EffectDrawTest, ABatchSplitsBeforeThePartWhoseVerticesPassTheIndexRange) {
  // 40000 vertices a part: the second part's indices would need 17 bits.
  effectfile::Prop prop = defaultProp();
  prop.models.resize(1);
  prop.models[0].vertices.resize(40000);
  prop.models[0].vertices[39999].position[0] = 7.0f;
  prop.models[0].indices = {39999, 0, 1};
  L3D_EFFECT_DATA* data = Effects({image(0, 0, 0)}, prop);
  Play(data);
  Play(data);
  m_manager.Task();
  m_manager.Draw(false);
  ASSERT_EQ(m_draws.calls.size(), 2u);
  for (const DrawCall& call : m_draws.calls) {
    ASSERT_EQ(call.vertices.size(), 40000u);
    EXPECT_EQ(call.indices, (std::vector<uint16_t>{39999, 0, 1}));
    EXPECT_FLOAT_EQ(call.vertices[39999].x, 7.0f);
  }
}

TEST_F(EffectDrawTest, ABillboardKeepsItsOwnTurnWhateverTheCamera) {
  // The part turns 90 degrees about z; the quad's corner (s, t) = (1, 0) at (0.5, 0.5) from the
  // centre must show at (-0.5, 0.5) on screen for any view.
  effectfile::Data d;
  d.roots.resize(1);
  d.roots[0].root = Part{0, {ev(0, 23, floats({0, 0, 1, 90})),
                             image(0, 0, -4), end(50)}};
  L3D_EFFECT_DATA* data = Load(d);
  for (float yaw : {0.0f, 0.7f, 2.0f}) {
    LMat view;
    view.SetIdentity();
    LMat r;
    const float axis[3] = {0.6f, 0.8f, 0.0f};
    r.SetRotationAxis(axis, yaw);
    LMat t;
    t.SetTranslation(1, 2, 30);
    LMat::Mul(r, t, view);
    m_renderer.SetViewProjection(view, view);
    m_manager.StopAll();
    m_draws.calls.clear();
    Play(data, 0, -1, 0, nullptr, nullptr, nullptr, nullptr, {3, 4, 5});
    m_manager.Task();
    m_manager.Draw(false);
    ASSERT_EQ(m_draws.calls.size(), 1u);
    const auto& v = m_draws.calls[0].vertices;
    const float cx = (v[0].x + v[3].x) * 0.5f;
    const float cy = (v[0].y + v[3].y) * 0.5f;
    EXPECT_NEAR(v[2].x - cx, -0.5f, 1e-4f) << yaw;
    EXPECT_NEAR(v[2].y - cy, 0.5f, 1e-4f) << yaw;
    EXPECT_NEAR(v[2].z, v[0].z, 1e-4f) << yaw;
  }
}

TEST_F(EffectDrawTest, TheSortedPathRegistersOneGroupPerDrawnEffect) {
  // Effect 0 draws a quad; effect 1 is a trail part without a trail, which draws nothing.
  effectfile::Data d;
  d.roots.resize(2);
  d.roots[0].root = Part{0, {image(0, 1), image(0, 0), end(50)}};
  d.roots[1].root = Part{0, {image(0, 0, -5), end(50)}};
  L3D_EFFECT_DATA* data = Load(d);
  Play(data, 0);
  Play(data, 1);
  Play(data, 0);
  m_manager.Task();
  m_manager.Draw(true);
  EXPECT_EQ(m_renderer.GetZsd().GetGroupCount(), 2u);
  EXPECT_TRUE(m_draws.calls.empty());
  // Drawn through the list, the renderer merges the records of one key.
  m_renderer.DrawZsd();
  EXPECT_EQ(m_renderer.GetZsd().GetGroupCount(), 0u);
}

TEST_F(EffectDrawTest, OrderDependentBlendModesRaiseTheSortFlag) {
  L3D_EFFECT_DATA* data = Effects({image(0, 0), image(0, 1)});
  Play(data, 0);
  m_manager.Task();
  EXPECT_EQ(m_manager.GetFrameFlags(), 0u);  // blend 1 adds
  Play(data, 1);
  m_manager.Task();
  EXPECT_EQ(m_manager.GetFrameFlags(), 1u);  // blend 2 depends on order
}

}  // namespace

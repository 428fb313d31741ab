// The water surface: its registration with the scroll of both noises, the mesh made from the
// model's material records, and the surface drawn over what the frame holds.

#include "render/post/tests/PostEffectFixture.h"

namespace {

using namespace d3d9;

PostEffectVertex Vertex(float x, float y, float u, float v) {
  PostEffectVertex out{};
  out.x = x;
  out.y = y;
  out.z = 0.5f;
  out.colour = 0xFFFFFFFFu;
  for (auto& pair : out.uv) {
    pair[0] = u;
    pair[1] = v;
  }
  return out;
}

// A rectangle in clip space (x0..x1, y0..y1) as one record of two triangles, wound as the
// renderer's default culling keeps them.
PostEffectWaterRecord Rectangle(float x0, float y0, float x1, float y1) {
  PostEffectWaterRecord r;
  r.vertices = {Vertex(x0, y0, 0, 0), Vertex(x1, y0, 1, 0), Vertex(x0, y1, 0, 1),
                Vertex(x1, y1, 1, 1)};
  r.indices = {0, 2, 1, 1, 2, 3};
  return r;
}

class PostEffectWaterTest : public PostEffectTest {
 protected:
  PostEffectWater* Register(float speed0, float speed1, float brightMin = 0.0f,
                            float brightMax = 1.0f) {
    return m_effect.setWater(0, 0, 0, 0, 0, 0, brightMin, brightMax, u"w0", 4, 8, speed0, 0,
                             u"w1", 2, 2, 0, speed1);
  }
  void SetUp() override {
    PostEffectTest::SetUp();
    PaintNoise(u"w0");
    PaintNoise(u"w1", 8, 8, 3);
  }
};

TEST_F(PostEffectWaterTest, BrightScaleIsZeroUnlessTheRangeIsOpen) {
  struct Row {
    float min, max, scale;
  };
  const Row rows[] = {{0.25f, 0.75f, 2.0f}, {0.5f, 0.5f, 0.0f}, {0.75f, 0.25f, 0.0f}};
  for (const Row& r : rows) {
    PostEffectWater* w = Register(0, 0, r.min, r.max);
    ASSERT_NE(w, nullptr);
    EXPECT_FLOAT_EQ(w->brightScale, r.scale) << r.min << ".." << r.max;
    EXPECT_EQ(w->brightMin, r.min);
  }
}

TEST_F(PostEffectWaterTest, OffsetsStartAtMinusTheSpeedAndWrapAtOne) {
  PostEffectWater* w = Register(0.25f, -0.5f);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(m_noiseRequests[0], u"sys/posteffect/w0");
  EXPECT_FLOAT_EQ(w->noise[0].scaleX, 0.25f);
  EXPECT_FLOAT_EQ(w->noise[0].scaleY, 0.125f);
  EXPECT_FLOAT_EQ(w->noise[0].offsetX, -0.25f);
  EXPECT_FLOAT_EQ(w->noise[1].offsetY, 0.5f);
  const float x0[] = {0.0f, 0.25f, 0.5f, 0.75f, 0.0f};
  const float y1[] = {0.0f, -0.5f, 0.0f, -0.5f, 0.0f};  // -1.0 is brought back to 0
  for (size_t i = 0; i < 5; ++i) {
    m_effect.update();
    EXPECT_FLOAT_EQ(w->noise[0].offsetX, x0[i]) << i;
    EXPECT_FLOAT_EQ(w->noise[1].offsetY, y1[i]) << i;
    EXPECT_EQ(w->noise[0].offsetY, 0.0f);
  }
}

TEST_F(PostEffectWaterTest, ASecondRegistrationRewritesTheOneRecord) {
  PostEffectWater* first = Register(0.1f, 0.1f);
  PaintNoise(u"w2");
  PaintNoise(u"w3");
  const L3DTexture* old0 = first->noise[0].texture.Get();
  PostEffectWater* second = m_effect.setWater(1, 2, 3, 4, 5, 6, 0, 1, u"w2", 1, 1, 0, 0, u"w3",
                                              1, 1, 0, 0);
  EXPECT_EQ(second, first);
  EXPECT_EQ(second->powerBlueY, 6.0f);
  EXPECT_NE(second->noise[0].texture.Get(), old0);
  EXPECT_EQ(second->noise[0].texture.Get(), m_noise[u"w2"].Get());

  // A noise that cannot be loaded changes nothing.
  EXPECT_EQ(m_effect.setWater(9, 9, 9, 9, 9, 9, 0, 1, u"w2", 1, 1, 0, 0, u"missing", 1, 1, 0,
                              0),
            nullptr);
  EXPECT_EQ(m_effect.water(), first);
  EXPECT_EQ(first->powerRedX, 1.0f);
  EXPECT_EQ(first->noise[1].texture.Get(), m_noise[u"w3"].Get());
}

TEST_F(PostEffectWaterTest, LaterRecordsIndexPastTheVerticesBeforeThem) {
  PostEffectWaterModel model;
  model.records.push_back(Rectangle(-1, 1, 0, 0));
  model.records.push_back(Rectangle(0, 0, 1, -1));
  model.records.push_back(PostEffectWaterRecord{});  // a record without points
  model.records.push_back(Rectangle(0, 1, 1, 0));
  PostEffectWaterMesh* mesh = postEffectBuildWaterMesh(model);
  ASSERT_EQ(mesh->vertexCount, 12u);
  ASSERT_EQ(mesh->indexCount, 18u);
  const uint16_t expected[18] = {0, 2, 1, 1, 2, 3, 4, 6, 5, 5, 6, 7, 8, 10, 9, 9, 10, 11};
  EXPECT_TRUE(std::equal(expected, expected + 18, mesh->indices));
  EXPECT_EQ(mesh->source[5].x, 1.0f);
  EXPECT_EQ(mesh->drawn[11].y, 0.0f);
  PostEffect::destroyWaterMesh(mesh);

  // No points at all: no arrays.
  PostEffectWaterModel empty;
  empty.records.resize(2);
  mesh = postEffectBuildWaterMesh(empty);
  EXPECT_EQ(mesh->vertexCount, 0u);
  EXPECT_EQ(mesh->source, nullptr);
  EXPECT_EQ(mesh->drawn, nullptr);
  PostEffect::destroyWaterMesh(mesh);
  PostEffect::destroyWaterMesh(nullptr);
}

TEST_F(PostEffectWaterTest, IndicesPastTheirRecordOrTheSixteenBitRangeAreRefused) {
  PostEffectWaterModel model;
  model.records.push_back(Rectangle(-1, 1, 0, 0));
  model.records.push_back(Rectangle(0, 0, 1, -1));
  model.records[1].indices[5] = 4;  // the record has 4 vertices: 0..3
  EXPECT_EQ(Fatal([&] { postEffectBuildWaterMesh(model); }),
            "[PostEffect::createWaterMesh] index 4 of a material record is past its 4 vertices");

  PostEffectWaterModel large;
  large.records.resize(2);
  large.records[0].vertices.resize(0x8000);
  large.records[1].vertices.resize(0x8001);
  EXPECT_EQ(Fatal([&] { postEffectBuildWaterMesh(large); }),
            "[PostEffect::createWaterMesh] the water model has 65537 vertices; at most 65536 can "
            "be drawn");
}

TEST_F(PostEffectWaterTest, TheMeshComesFromTheHostsModelLoader) {
  EXPECT_EQ(m_effect.createWaterMesh(u"map/", u"none_water"), nullptr);
  m_models[u"lake_water"].records.push_back(Rectangle(-1, 1, 0, 0));
  PostEffectWaterMesh* mesh = m_effect.createWaterMesh(u"map/", u"lake_water");
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->vertexCount, 4u);
  PostEffect::destroyWaterMesh(mesh);
}

// A one-record surface over the left half of the screen: its noise coordinates are scrolled,
// and its highlight (the noises' blue above brightMin) brightens what it covers while the
// rest of the frame keeps what was drawn before it. Without a record nothing is drawn.
TEST_F(PostEffectWaterTest, TheSurfaceDrawsWithScrolledCoordinates) {
  LMat identity;
  identity.SetIdentity();
  m_renderer->SetViewProjection(identity, identity);
  PostEffectWaterModel model;
  model.records.push_back(Rectangle(-1, 1, 0, -1));
  PostEffectWaterMesh* mesh = postEffectBuildWaterMesh(model);

  auto frame = [&] {
    D3d().BeginScene();
    m_effect.begin();
    DrawScene();
    m_effect.drawWater(mesh);
    m_effect.apply();
    D3d().EndScene();
  };
  frame();
  EXPECT_EQ(Pixel(10, 10), 0xFFFFFFu);
  EXPECT_EQ(Pixel(2, 40), 0x202860u);  // no record: the surface is skipped

  PostEffectWater* w = Register(0.25f, 0.5f, -1.0f, 0.0f);
  m_effect.update();
  frame();
  EXPECT_FLOAT_EQ(mesh->drawn[1].uv[0][0], 1.0f * 0.25f + 0.0f);
  EXPECT_FLOAT_EQ(mesh->drawn[3].uv[0][1], 1.0f * 0.125f);
  EXPECT_FLOAT_EQ(mesh->drawn[2].uv[1][1], 1.0f * 0.5f + 0.0f);
  EXPECT_EQ(mesh->drawn[2].x, -1.0f);  // positions as the model gave them
  m_effect.update();
  frame();
  EXPECT_FLOAT_EQ(mesh->drawn[1].uv[0][0], 0.25f + 0.25f);
  EXPECT_FLOAT_EQ(mesh->drawn[2].uv[1][1], 0.5f + 0.5f);
  // The blue of both noises lies above brightMin (-1) wherever either is not 0: the left half
  // brightens.
  EXPECT_GT(Pixel(2, 40) & 0xFF, 0x60u);
  EXPECT_EQ(Pixel(62, 46), 0x202860u);  // outside the surface
  EXPECT_EQ(w, m_effect.water());
  PostEffect::destroyWaterMesh(mesh);
}

}  // namespace

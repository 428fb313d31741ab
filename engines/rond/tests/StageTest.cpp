// The stage: its defaults, what the stage script sets through the stage table, the fog factors
// (a zero-width fog refused with a warning), the shadow's colour bytes, size and quad.

#include "engines/rond/Stage.h"

#include "engines/rond/tests/MatchFixture.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using StageTest = rondtest::MatchFixture;

void expectColour(const float* c, std::array<float, 4> expected) {
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(c[i], expected[size_t(i)]) << i;
}

TEST_F(StageTest, WithoutStageCallsThePlayersFaceEachOtherOneUnitFromTheCentre) {
  rond::Engine& e = start(match(true, true));
  const rond::Stage& s = e.stage();
  EXPECT_EQ(e.player(0)->position.z, 1024);
  EXPECT_EQ(e.player(1)->position.z, -1024);
  EXPECT_EQ(e.player(0)->position.x, 0);
  EXPECT_EQ(e.player(0)->rotationAngle, 3217) << "facing -z";
  EXPECT_EQ(e.player(1)->rotationAngle, 0) << "facing +z";
  EXPECT_EQ(s.moveBox.min.y, -5120);
  EXPECT_EQ(s.bulletBox.max.x, 5120);
  expectColour(s.lightColour, {0.6f, 0.6f, 0.6f, 1.0f});
  expectColour(s.ambientColour, {0.4f, 0.4f, 0.4f, 1.0f});
  EXPECT_FLOAT_EQ(s.lightDirection[2], 1.0f);
  float scale = 0.0f, offset = 0.0f;
  EXPECT_FALSE(s.fogFactors(scale, offset));
  EXPECT_FALSE(s.hasShadowTexture());
  EXPECT_EQ(s.shadowVertices[0].colour, 0xFFFFFFFFu);
}

TEST_F(StageTest, TheStageScriptSetsStartsBoxesLightFogAndShadow) {
  rond::Engine& e = start(match(true, true, u"stages/lit"));
  const rond::Stage& s = e.stage();
  // Start places reach the players, which start after the stage script ran.
  EXPECT_EQ(e.player(0)->position.x, 1024);
  EXPECT_EQ(e.player(0)->position.y, 512);
  EXPECT_EQ(e.player(0)->position.z, 2048);
  EXPECT_EQ(e.player(1)->position.z, -2048);
  // 540 degrees is stored as it is; the player wraps it by a whole turn.
  EXPECT_EQ(s.startAngle[1], 9651);
  EXPECT_EQ(e.player(1)->rotationAngle, 3217);
  EXPECT_EQ(s.moveBox.min.x, -3072);
  EXPECT_EQ(s.moveBox.min.y, -1024);
  EXPECT_EQ(s.moveBox.max.y, 4096);
  EXPECT_EQ(s.bulletBox.min.z, -6144);
  EXPECT_EQ(s.bulletBox.max.y, 8192);
  EXPECT_FLOAT_EQ(s.lightDirection[1], 2.0f) << "kept unnormalised";
  expectColour(s.lightColour, {0.5f, 0.25f, 1.0f, 0.0f});
  expectColour(s.ambientColour, {0.1f, 0.2f, 0.3f, 1.0f});
  expectColour(s.fogColour, {0.2f, 0.3f, 0.4f, 1.0f});

  // The second fog call (7 to 7) would divide by zero: it is refused with a warning and the
  // fog from 5 to 25 stays.
  EXPECT_EQ(s.fogStart, 5.0f);
  EXPECT_EQ(s.fogEnd, 25.0f);
  float scale = 0.0f, offset = 0.0f;
  ASSERT_TRUE(s.fogFactors(scale, offset));
  EXPECT_FLOAT_EQ(5.0f * scale + offset, 1.0f);
  EXPECT_FLOAT_EQ(25.0f * scale + offset, 0.0f);
  EXPECT_FLOAT_EQ(15.0f * scale + offset, 0.5f);
  const auto warnings = messages(OMB_LOG_WARNING);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find(u"fog end equals fog start"), std::u16string::npos);
  EXPECT_TRUE(messages(OMB_LOG_ERROR).empty());

  // Colour keys only: the colour changes, no texture, so no shadow is drawn.
  EXPECT_FALSE(s.hasShadowTexture());
  EXPECT_EQ(s.shadowVertices[3].colour, 0x0080FFFFu);
  EXPECT_EQ(s.shadowScaleBase, 1.5f);
  EXPECT_EQ(s.shadowScaleCut, 0.25f);

  // The players are clamped to the script's move box.
  for (int frame = 0; frame < 5; ++frame) e.update();
  EXPECT_EQ(e.stage().frame, 5u);
}

TEST_F(StageTest, TheShadowShrinksAsThePlayerRisesDownToItsCut) {
  rond::Engine& e = start(match(true, true, u"stages/lit"));
  rond::Stage& s = e.stage();
  const int32_t floor = s.moveBox.min.y;
  struct Case {
    int32_t height;  // above the move box's floor, in 1/1024 units
    float size;
  } cases[] = {{0, 1.5f}, {1024, 1.0f}, {2048, 0.5f}, {2560, 0.25f}, {8192, 0.25f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.height);
    EXPECT_FLOAT_EQ(s.shadowSize(FixedVec3{0, floor + c.height, 0}), c.size);
  }
  // The quad lies on the floor (plus the offset) around the player, corners in the order
  // (left, top), (left, bottom), (right, top), (right, bottom) of the texture.
  s.shadowOffset = 0.125f;
  L3D_RENDERER_VERTEX quad[4];
  s.shadowQuad(FixedVec3{2048, floor + 2048, -1024}, quad);
  const float expected[4][5] = {{1.75f, -1.25f, 0, 0}, {1.75f, -0.75f, 0, 1},
                                {2.25f, -1.25f, 1, 0}, {2.25f, -0.75f, 1, 1}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FLOAT_EQ(quad[i].x, expected[i][0]);
    EXPECT_FLOAT_EQ(quad[i].z, expected[i][1]);
    EXPECT_FLOAT_EQ(quad[i].y, -1.0f + 0.125f);
    EXPECT_EQ(quad[i].u, expected[i][2]);
    EXPECT_EQ(quad[i].v, expected[i][3]);
    EXPECT_EQ(quad[i].colour, s.shadowVertices[i].colour);
  }
}

TEST_F(StageTest, ShadowColourComponentsBecomeBytes) {
  rond::Engine& e = start(match(false, false));
  rond::Stage& s = e.stage();
  struct Case {
    float r, g, b, a;
    uint32_t colour;  // A R G B
  } cases[] = {
      {1.0f, 0.0f, 0.5f, 2.0f, 0xFFFF0080u},
      {-1.0f, 0.999f, 0.002f, 0.5f, 0x8000FF01u},
      {0.0f, 0.0f, 0.0f, 0.0f, 0x00000000u},
  };
  for (const Case& c : cases) {
    s.setShadowColour(c.r, c.g, c.b, c.a);
    for (const L3D_RENDERER_VERTEX& v : s.shadowVertices) EXPECT_EQ(v.colour, c.colour);
  }
}

}  // namespace

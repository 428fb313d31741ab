// Cameras: their start values, the projection cache by view kind, the player camera's script
// on the camera table, and that a camera script cannot change the match.

#include "engines/rond/Camera.h"

#include "engines/rond/tests/MatchFixture.h"
#include "foundation/math/LookAt.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using CameraTest = rondtest::MatchFixture;

void expectMatrix(const LMat& a, const LMat& b) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(a.m[r][c], b.m[r][c]) << r << "," << c;
  }
}

// A world point through a view matrix (row vectors).
LVec3 toView(const LMat& view, LVec3 p) {
  const float in[3] = {p.x, p.y, p.z};
  float out[3];
  vec3TransformCoord(view, in, out);
  return LVec3{out[0], out[1], out[2]};
}

TEST(Camera, InitGivesTheIdentityViewAndAQuarterPiPerspective) {
  rond::CameraNone camera;
  camera.init(nullptr, 1);
  LMat identity;
  identity.SetIdentity();
  expectMatrix(camera.view(), identity);
  EXPECT_EQ(camera.fov(), 0.78539819f);
  EXPECT_EQ(camera.aspect(), 1.3333334f);
  EXPECT_EQ(camera.nearZ(), 1.0f);
  EXPECT_EQ(camera.farZ(), 100.0f);
  expectMatrix(camera.projection(), perspectiveFovRH(0.78539819f, 4.0f / 3.0f, 1.0f, 100.0f));
  EXPECT_EQ(camera.cachedKind(), 0);
}

TEST(Camera, TheProjectionCacheIsRebuiltOnlyWhenTheKindOrTheProjectionChanges) {
  rond::CameraNone camera;
  camera.init(nullptr, 0);
  struct Step {
    int32_t kind;      // 0: a new projection instead of a request
    uint32_t builds;  // rebuilds so far
  } steps[] = {{1, 1}, {1, 1}, {2, 2}, {2, 2}, {1, 3}, {0, 3}, {1, 4}, {7, 4}, {7, 4}, {2, 5}};
  LMat view;
  LMat projection;
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    if (steps[i].kind == 0) {
      camera.setProjection(60.0f, 2.0f, 0.5f, 50.0f);
      EXPECT_EQ(camera.cachedKind(), 0);
    } else {
      camera.selectProjection(steps[i].kind, view, projection);
      EXPECT_EQ(camera.cachedKind(), steps[i].kind);
    }
    EXPECT_EQ(camera.cacheBuilds(), steps[i].builds);
  }
  // 60 degrees in radians; the half-width view halves the aspect, doubling the x scale.
  EXPECT_EQ(camera.fov(), 1.0471976f);
  LMat full;
  LMat half;
  camera.selectProjection(1, view, full);
  camera.selectProjection(2, view, half);
  expectMatrix(full, perspectiveFovRH(1.0471976f, 2.0f, 0.5f, 50.0f));
  expectMatrix(half, perspectiveFovRH(1.0471976f, 1.0f, 0.5f, 50.0f));
  EXPECT_FLOAT_EQ(half.m[0][0], 2.0f * full.m[0][0]);
  EXPECT_FLOAT_EQ(half.m[1][1], full.m[1][1]);
  // An unknown kind keeps the matrix cached before it.
  LMat other;
  camera.selectProjection(5, view, other);
  expectMatrix(other, half);
}

TEST_F(CameraTest, ADrawnSlotGetsAScriptedCameraAndAnUndrawnOneANoneCamera) {
  rond::Engine& e = start(match(true, false));
  auto* drawn = dynamic_cast<rond::CameraPlayer*>(e.camera(0));
  ASSERT_NE(drawn, nullptr);
  ASSERT_NE(e.camera(1), nullptr);
  EXPECT_EQ(dynamic_cast<rond::CameraPlayer*>(e.camera(1)), nullptr);
  EXPECT_EQ(drawn->nearZ(), 0.1f);
  // Before its script moves it, the player camera looks from (1, 2, 5) at the origin.
  const LVec3 origin = toView(drawn->view(), LVec3{0, 0, 0});
  EXPECT_NEAR(origin.x, 0.0f, 1e-5f);
  EXPECT_NEAR(origin.y, 0.0f, 1e-5f);
  EXPECT_NEAR(origin.z, -std::sqrt(30.0f), 1e-4f);
  LMat identity;
  identity.SetIdentity();
  expectMatrix(e.camera(1)->view(), identity);

  // After a frame the script looks at its player's chest from behind.
  e.update();
  const FixedVec3 p = e.player(0)->position;
  const LVec3 target = toView(drawn->view(), LVec3{fixedToFloat(p.x), fixedToFloat(p.y) + 0.5f,
                                                   fixedToFloat(p.z)});
  EXPECT_NEAR(target.x, 0.0f, 1e-4f);
  EXPECT_NEAR(target.y, 0.0f, 1e-4f);
  EXPECT_LT(target.z, -4.0f);
  EXPECT_TRUE(messages(OMB_LOG_ERROR).empty());
}

TEST_F(CameraTest, CameraScriptsDoNotChangeTheMatchWhateverSlotsAreDrawn) {
  // Every camera script draws a random number each frame: with the engine's generator, a
  // runtime that draws other slots (a peer, a replay) would play another match.
  auto hashes = [this](bool target0, bool target1) {
    rond::Engine& e = start(match(target0, target1));
    std::vector<uint64_t> out;
    for (int frame = 0; frame < 40; ++frame) {
      e.update();
      uint64_t hash = 0;
      e.stateHash(&hash);
      out.push_back(hash);
    }
    return out;
  };
  const std::vector<uint64_t> none = hashes(false, false);
  EXPECT_EQ(hashes(true, true), none);
  EXPECT_EQ(hashes(true, false), none);
  EXPECT_EQ(hashes(false, true), none);
}

TEST_F(CameraTest, ACameraScriptCannotChangeParametersButItsOwnProjection) {
  rond::Engine& e = start(match(true, true));
  e.update();
  const int32_t counted = e.parameterTables().system.at(1).value;
  struct Case {
    int32_t mode;
    const char16_t* error;
  } cases[] = {
      {101, u"[] Script Error: a camera script cannot change parameters(systemSetParameterValue)"},
      {102, u"[] Script Error: a camera script cannot change parameters(playerSetParameterValue)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    LogCapture::messages().clear();
    e.player(0)->parameters.at(5).value = c.mode;
    e.update();
    e.player(0)->parameters.at(5).value = 0;
    EXPECT_EQ(messages(OMB_LOG_ERROR), std::vector<std::u16string>{c.error});
  }
  EXPECT_GT(e.parameterTables().system.at(1).value, counted) << "never reset by the camera";
  EXPECT_EQ(e.player(0)->parameters.at(0).value, 100);

  e.player(1)->parameters.at(5).value = 103;
  e.update();
  EXPECT_EQ(e.camera(1)->fov(), 1.0471976f);
  EXPECT_EQ(e.camera(1)->aspect(), 1.5f);
  EXPECT_EQ(e.camera(0)->fov(), 0.78539819f) << "the other camera keeps its own";
}

}  // namespace

#include "model/effect/L3DEffectManager.h"
#include "model/effect/tests/EffectManagerFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

using namespace effecttest;
using effectfile::Part;

class EffectTrailTest : public EffectManagerTest {
 protected:
  // A root part that shows image 0 as a trail (model -5) with the given tracker values.
  void Start(uint32_t life, uint32_t interval, float spacing, bool withImage = true) {
    Part p{0, {ev(0, 39, {life, interval, bits(spacing)}), end(1000)}};
    if (withImage) p.events.insert(p.events.begin(), image(0, 0, -5));
    m_data = Load(OneRoot(p));
    Play(m_data, 0, -1, 0, &m_owner, nullptr, m_a, m_b);
  }
  void Move(float dx, float dy = 0.0f, float dz = 0.0f) {
    for (float* p : {m_a, m_b}) p[0] += dx, p[1] += dy, p[2] += dz;
  }
  const L3D_EFFECT_TRACKER& Tracker() { return *m_manager.GetPlaying()->rootPart.tracker; }
  std::pair<uint32_t, uint32_t> Counts() { return {Tracker().committed, Tracker().pending}; }

  int m_owner = 0;
  float m_a[3] = {0, 0, 0};
  float m_b[3] = {0, 1, 0};
  L3D_EFFECT_DATA* m_data = nullptr;
};

TEST_F(EffectTrailTest, SamplesAddedForAMoveOfTenUnits) {
  const struct {
    float spacing;
    uint32_t added;
  } cases[] = {{0.0f, 1}, {2.0f, 6}, {1.0f, 8}, {20.0f, 1}};
  for (const auto& c : cases) {
    m_manager.StopAll();
    m_a[0] = m_b[0] = 0.0f;
    Start(100, 1, c.spacing);
    m_manager.Task();
    ASSERT_EQ(Tracker().committed, 1u);
    Move(10.0f);
    m_manager.Task();
    EXPECT_EQ(Tracker().committed, 1u + c.added) << c.spacing;
    // The newest sample is the current pair; the arc samples lie between the old and new ends.
    const L3D_EFFECT_TRAILSAMPLE& newest = Tracker().samples[Tracker().committed - 1];
    EXPECT_FLOAT_EQ(newest.a.x, 10.0f);
    EXPECT_FLOAT_EQ(newest.life, 100.0f);
    for (uint32_t i = 1; i + 1 < Tracker().committed; ++i) {
      const L3D_EFFECT_TRAILSAMPLE& s = Tracker().samples[i];
      EXPECT_GT(s.a.x, Tracker().samples[i - 1].a.x) << c.spacing << " " << i;
      EXPECT_LT(s.a.x, 10.0f) << c.spacing << " " << i;
      EXPECT_GT(s.life, Tracker().samples[i - 1].life);
      // Both ends moved alike, so the arcs are centred on (5, -1, 0) and pass through the old
      // and new ends.
      const float dx = s.a.x - 5.0f, dy = s.a.y + 1.0f;
      EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + s.a.z * s.a.z), std::sqrt(26.0f), 1e-3f);
    }
  }
}

TEST_F(EffectTrailTest, SixtyFourSamplesAreTheCapAndTheOldestGo) {
  Start(1000, 1, 0.0f);
  for (int f = 0; f < 70; ++f) {
    Move(0.1f);
    m_manager.Task();
  }
  EXPECT_EQ(Tracker().committed, 64u);
  EXPECT_NEAR(Tracker().samples[0].a.x, 0.7f, 1e-4f);  // frames 0-5 dropped
  EXPECT_NEAR(Tracker().samples[63].a.x, 7.0f, 1e-4f);
}

TEST_F(EffectTrailTest, AnIntervalCommitsOneFrameAndShowsTheOthersOnce) {
  Start(100, 3, 0.0f);
  std::vector<std::pair<uint32_t, uint32_t>> seen;
  for (int f = 0; f < 5; ++f) {
    Move(1.0f);
    m_manager.Task();
    seen.push_back(Counts());
  }
  EXPECT_EQ(seen, (std::vector<std::pair<uint32_t, uint32_t>>{{1, 0}, {1, 1}, {1, 1}, {2, 0}, {2, 1}}));
}

TEST_F(EffectTrailTest, AfterItsKeyStopsTheRibbonShrinksAndThePartRunsOn) {
  Start(3, 1, 0.0f);
  for (int f = 0; f < 5; ++f) {
    Move(1.0f);
    m_manager.Task();
  }
  EXPECT_EQ(Tracker().committed, 4u);  // a sample lives 3 frames after the one it was made in
  m_manager.StopKey(&m_owner);
  std::vector<uint32_t> committed;
  for (int f = 0; f < 5; ++f) {
    m_manager.Task();
    committed.push_back(Tracker().committed);
  }
  EXPECT_EQ(committed, (std::vector<uint32_t>{3, 2, 1, 0, 0}));
  EXPECT_EQ(m_manager.GetPlaying()->rootPart.frame, 9);
}

TEST_F(EffectTrailTest, ATrailWithoutAnImageKeepsNoSamples) {
  Start(100, 1, 0.0f, false);
  for (int f = 0; f < 3; ++f) m_manager.Task();
  EXPECT_EQ(Counts(), (std::pair<uint32_t, uint32_t>{0, 0}));
}

TEST_F(EffectTrailTest, TheRibbonIsAStripAgedAcrossTheImage) {
  Start(4, 1, 0.0f);
  m_manager.Task();
  m_manager.Draw(false);
  EXPECT_TRUE(m_draws.calls.empty());  // one sample draws nothing
  Move(1.0f);
  m_manager.Task();
  Move(1.0f);
  m_manager.Task();
  m_manager.Draw(false);
  ASSERT_EQ(m_draws.calls.size(), 1u);
  const DrawCall& call = m_draws.calls[0];
  ASSERT_EQ(call.vertices.size(), 6u);
  EXPECT_EQ(call.indices, (std::vector<uint16_t>{0, 1, 2, 2, 1, 3, 2, 3, 4, 4, 3, 5}));
  const float u[3] = {0.5f, 0.75f, 1.0f};  // lives 2, 3 and 4 of 4
  for (int k = 0; k < 3; ++k) {
    EXPECT_FLOAT_EQ(call.vertices[2 * k].u, u[k]) << k;
    EXPECT_FLOAT_EQ(call.vertices[2 * k].v, 0.0f);
    EXPECT_FLOAT_EQ(call.vertices[2 * k + 1].v, 1.0f);
    EXPECT_FLOAT_EQ(call.vertices[2 * k + 1].y, 1.0f);
  }
}

TEST_F(EffectTrailTest, ArcSamplesStayFiniteWhenAnEndMovesStraightAway) {
  // A stays, B moves straight away from it along a diagonal: the two directions of B's arc are
  // equal, and their rounded dot product can pass 1.
  m_a[0] = m_a[1] = m_a[2] = 0.0f;
  const float start[3] = {0.3f, 0.7f, 1.1f};
  for (int k = 0; k < 3; ++k) m_b[k] = start[k];
  Start(100, 1, 0.1f);
  m_manager.Task();
  for (int step = 1; step <= 30; ++step) {
    for (int k = 0; k < 3; ++k) m_b[k] = start[k] * (1.0f + 0.37f * float(step));
    m_manager.Task();
  }
  const L3D_EFFECT_TRACKER& t = Tracker();
  ASSERT_GT(t.committed, 31u);
  for (uint32_t i = 0; i < t.committed; ++i) {
    EXPECT_TRUE(std::isfinite(t.samples[i].b.x) && std::isfinite(t.samples[i].b.y) &&
                std::isfinite(t.samples[i].b.z))
        << i;
  }
}

}  // namespace

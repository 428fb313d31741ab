#include "model/effect/L3DEffectManager.h"
#include "model/effect/tests/EffectManagerFixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace effecttest;
using effectfile::Part;

class EffectPartTest : public EffectManagerTest {
 protected:
  L3D_EFFECT_WORKPART& RootPart() { return m_manager.GetPlaying()->rootPart; }
};

TEST_F(EffectPartTest, APartLivesUntilItsLastEventAndSkipsItsChannelsThen) {
  // Position velocity from frame 0; the only other event is at frame 5.
  L3D_EFFECT_DATA* data =
      Load(OneRoot(Part{0, {ev(0, 14, floats({1, 0, 0})), ev(5, 13, floats({50, 0, 0}))}}));
  Play(data);
  for (int f = 0; f < 5; ++f) m_manager.Task();
  EXPECT_FLOAT_EQ(RootPart().position.x, 5.0f);
  L3D_EFFECT_WORKROOT* root = m_manager.GetPlaying();
  m_manager.Task();  // frame 5: the event runs, the part ends
  EXPECT_EQ(m_manager.GetPlaying(), nullptr);
  EXPECT_FLOAT_EQ(root->rootPart.world.m[3][0], 5.0f);  // no channel step in the last frame
}

TEST_F(EffectPartTest, AnImageSequenceShowsEachImageForItsFrames) {
  L3D_EFFECT_DATA* data = Load(OneRoot(Part{0, {ev(0, 4, {3, 5, 2, uint32_t(-1), 0}), end(20)}}));
  Play(data);
  const struct {
    int32_t image;
    uint32_t mode;
  } expected[] = {{3, 2}, {3, 2}, {4, 2}, {4, 2}, {5, 1}, {5, 1}, {5, 1}};
  for (const auto& e : expected) {
    m_manager.Task();
    EXPECT_EQ(RootPart().image, e.image) << RootPart().frame;
    EXPECT_EQ(RootPart().imageMode, e.mode) << RootPart().frame;
  }
}

TEST_F(EffectPartTest, RandomEventsRepeatForTheSameSeed) {
  std::vector<uint32_t> colour = floats({0, 0, 0, 0, 1, 1, 1, 1});
  colour.push_back(2);  // a new random colour every 2 frames
  Part p{0,
         {ev(0, 5, {3, 7, 1, uint32_t(-1), 0}), ev(0, 10, colour),
          ev(0, 30, floats({-1, -1, -1, 2, 2, 2})), ev(0, 36, {bits(0.5f), bits(1.0f), 3}),
          ev(0, 25, {bits(0), bits(0), bits(1), bits(1), bits(1), bits(0), bits(0.1f),
                     bits(0.5f), 2}),
          end(30)}};
  L3D_EFFECT_DATA* data = Load(OneRoot(p));
  auto run = [&](uint32_t seed) {
    m_manager.StopAll();
    m_renderer.GetRandom().Seed(seed);
    Play(data);
    std::vector<float> trace;
    for (int f = 0; f < 12; ++f) {
      m_manager.Task();
      const L3D_EFFECT_WORKPART& part = RootPart();
      trace.insert(trace.end(), {float(part.image), part.colour[0], part.colour[3],
                                 part.position.x, part.position.z, part.scale.x, part.scale.y,
                                 part.scale.z, part.rotation.x, part.rotation.w});
      EXPECT_EQ(part.scale.x, part.scale.z);  // scale mode 4: one value for all three
    }
    return trace;
  };
  const std::vector<float> first = run(99);
  EXPECT_EQ(run(99), first);
  EXPECT_NE(run(100), first);
}

TEST_F(EffectPartTest, AJumpToItsOwnFrameLoopsWithoutHanging) {
  // Frame 0: image, then a jump to frame 0 of this part. Each step reruns the frame's events
  // once and the timeline never ends.
  L3D_EFFECT_DATA* data = Load(OneRoot(Part{
      0, {image(0, 0), ev(0, 14, floats({1, 0, 0})), ev(0, 1, {0, uint32_t(-1)}), end(3)}}));
  Play(data);
  for (int f = 0; f < 10; ++f) m_manager.Task();
  ASSERT_NE(m_manager.GetPlaying(), nullptr);
  EXPECT_EQ(RootPart().frame, 0);
  EXPECT_FLOAT_EQ(RootPart().position.x, 10.0f);
}

TEST_F(EffectPartTest, AJumpBackRunsTheEarlierEventsAgain) {
  // Frame 2 jumps back to frame 1: the move of frame 1 runs again in the same step.
  L3D_EFFECT_DATA* data = Load(OneRoot(Part{0,
                                            {ev(1, 14, floats({1, 0, 0})),
                                             ev(2, 1, {1, uint32_t(-1)}), end(50)}}));
  Play(data);
  for (int f = 0; f < 6; ++f) m_manager.Task();
  EXPECT_EQ(RootPart().frame, 1);
  ASSERT_NE(m_manager.GetPlaying(), nullptr);
}

TEST_F(EffectPartTest, APartThatSpawnsItselfStaysBounded) {
  // Child 0 spawns child 0 in its first frame; the root spawns the first one.
  L3D_EFFECT_DATA* data = Load(OneRoot(Part{0, {ev(0, 2, {0}), end(100)}},
                                       {Part{0, {ev(0, 2, {0}), ev(0, 2, {0}), end(50)}}}));
  Play(data);
  for (int f = 0; f < 20; ++f) m_manager.Task();
  const L3D_EFFECT_WORKROOT* root = m_manager.GetPlaying();
  ASSERT_NE(root, nullptr);
  EXPECT_LE(Children(root), L3D_EFFECT_ROOT_PARTS_MAX);
  EXPECT_EQ(Children(root), root->childCount);
  EXPECT_GT(Children(root), 16u);
  m_manager.StopAll();
  EXPECT_EQ(Roots(), 0u);
}

TEST_F(EffectPartTest, ChildrenFollowTheRootPartOnlyWithTheFollowFlag) {
  // The root part moves by 1 in x a frame; child 0 stays where it was spawned, child 1
  // follows.
  L3D_EFFECT_DATA* data = Load(OneRoot(
      Part{0, {ev(0, 14, floats({1, 0, 0})), ev(0, 2, {0}), ev(0, 2, {1}), end(100)}},
      {Part{0, {end(100)}}, Part{L3D_EFFECT_PART_FOLLOW, {end(100)}}}));
  Play(data, 0, -1, 0, nullptr, nullptr, nullptr, nullptr, {10, 0, 0});
  for (int f = 0; f < 4; ++f) m_manager.Task();
  const L3D_EFFECT_WORKROOT* root = m_manager.GetPlaying();
  const L3D_EFFECT_WORKPART* follower = root->children;  // newest first
  const L3D_EFFECT_WORKPART* stayer = follower->childNext;
  EXPECT_FLOAT_EQ(root->rootPart.world.m[3][0], 14.0f);
  EXPECT_FLOAT_EQ(follower->world.m[3][0], 14.0f);
  EXPECT_FLOAT_EQ(stayer->world.m[3][0], 10.0f);
}

TEST_F(EffectPartTest, ChannelRules) {
  // Colour velocity saturates at 1; event 7 on a part without an image changes nothing; a
  // scale of 0 is allowed.
  L3D_EFFECT_DATA* data = Load(OneRoot(Part{0,
                                            {ev(0, 7), ev(0, 8, floats({0.5f, 0.5f, 0.5f, 0.5f})),
                                             ev(0, 9, floats({0.3f, 0, -0.3f, 0})),
                                             ev(0, 18, floats({0, 1, 1})), end(10)}}));
  Play(data);
  for (int f = 0; f < 4; ++f) m_manager.Task();
  EXPECT_EQ(RootPart().imageMode, L3D_EFFECT_IMAGE_NONE);
  EXPECT_FLOAT_EQ(RootPart().colour[0], 1.0f);
  EXPECT_FLOAT_EQ(RootPart().colour[2], 0.0f);
  EXPECT_FLOAT_EQ(RootPart().world.m[0][0], 0.0f);
}

TEST_F(EffectPartTest, TheDrawListIsInPriorityOrderAndSpawnsInheritThePriority) {
  // Root part: image at priority 5, then spawns child 0 (image at +0: 5) and child 1 (image at
  // +(-10): -5); then it moves itself to priority 1.
  L3D_EFFECT_DATA* data = Load(OneRoot(
      Part{0, {image(0, 0, -1, 5), ev(0, 2, {0}), ev(0, 2, {1}), image(1, 0, -1, 1), end(100)}},
      {Part{0, {image(0, 2), end(100)}}, Part{0, {image(0, 1, -1, -10), end(100)}}}));
  Play(data);
  m_manager.Task();
  m_manager.Task();
  std::vector<int32_t> priorities;
  for (auto* p = m_manager.GetPlaying()->drawList; p != nullptr; p = p->drawNext) {
    priorities.push_back(p->priority);
  }
  EXPECT_EQ(priorities, (std::vector<int32_t>{-5, 1, 5}));
}

TEST_F(EffectPartTest, BadPartNumbersAreFatal) {
  L3D_EFFECT_DATA* data = Load(OneRoot(Part{0, {ev(0, 2, {3}), end(5)}}));
  Play(data);
  EXPECT_EQ(m_capture.FatalText([&] { m_manager.Task(); }),
            std::u16string(u"[L3DEffectManager::_TaskPart] パーツ番号が範囲外(3/0)"));
}

TEST_F(EffectPartTest, ASequencePastTheImageTableIsFatal) {
  // Last below first: the image keeps increasing until it leaves the table of 8 images.
  L3D_EFFECT_DATA* data = Load(OneRoot(Part{0, {ev(0, 4, {6, 5, 1, uint32_t(-1), 0}), end(20)}}));
  Play(data);
  m_manager.Task();
  m_manager.Task();
  EXPECT_EQ(m_capture.FatalText([&] { m_manager.Task(); }),
            std::u16string(u"[L3DEffectManager::_TaskPart] img番号が不正(8/8)"));
}

}  // namespace

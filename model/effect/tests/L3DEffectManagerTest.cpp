#include "model/effect/L3DEffectManager.h"

#include "model/effect/tests/EffectManagerFixture.h"

#include <gtest/gtest.h>

namespace {

using namespace effecttest;
using effectfile::Part;

// A root part that shows image 0 and lives until frame `last`.
Part shown(int32_t last) { return Part{0, {image(0, 0), end(last)}}; }

TEST_F(EffectManagerTest, PlayWarnsOnABadNumberOrMissingDataAndPlaysNothing) {
  L3D_EFFECT_DATA* data = Load(OneRoot(shown(10)));
  Play(data, 1);
  Play(nullptr, 0);
  EXPECT_EQ(Roots(), 0u);
  const std::string log = m_capture.Log();
  EXPECT_NE(log.find(lerrText(u"[L3DEffectManager::Play] 無効なエフェクト番号(1/1)")), std::string::npos);
  EXPECT_NE(log.find(lerrText(u"[L3DEffectManager::Play] 無効なエフェクトデータ")), std::string::npos);
}

TEST_F(EffectManagerTest, AMissingDataFileGivesASetWithoutRootsAndPlayWarnsWithZeros) {
  m_pack.Add("effdef.dat", effectfile::write(defaultProp()));
  m_manager.SetProp(PackScope::current(), "effdef");
  L3D_EFFECT_DATA* data = m_manager.LoadData(7, PackScope::current(), "nothing");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->rootCount, 0u);
  EXPECT_EQ(m_manager.FindData(7).Get(), data);
  EXPECT_EQ(m_manager.GetFirstData().Get(), data);
  Play(data, 0);
  EXPECT_NE(m_capture.Log().find(lerrText(u"[L3DEffectManager::Play] 無効なエフェクト番号(0/0)")),
            std::string::npos);
}

TEST_F(EffectManagerTest, LoadDataRefusesNnidZeroAndADuplicate) {
  Load(OneRoot(shown(1)));
  EXPECT_EQ(m_capture.FatalText([&] { m_manager.LoadData(uintptr_t(0), 0, "x"); }),
            std::u16string(u"[L3DEffectManager::LoadData] 無効なNNID(0)"));
  EXPECT_EQ(
      m_capture.FatalText([&] { m_manager.LoadData(1, 0, "effdata"); }),
      std::u16string(u"[L3DEffectManager::LoadData] すでに \"effdata\" は読み込まれている"));
}

TEST_F(EffectManagerTest, ANnidKeepsAFullPointer) {
  // The renderer's names are addresses; a set loaded for one must be found by the same
  // address, also above 4 GiB.
  const uintptr_t high = (uintptr_t(1) << 40) + 5;
  Load(OneRoot(shown(1)));
  L3D_EFFECT_DATA* set = m_manager.LoadData(high, PackScope::current(), "effdata2");
  EXPECT_EQ(m_manager.FindData(high).Get(), set);
  EXPECT_FALSE(m_manager.FindData(uintptr_t(5)));
}

TEST_F(EffectManagerTest, SetPropDropsPlayingEffectsAndLoadedSets) {
  L3D_EFFECT_DATA* data = Load(OneRoot(shown(10)));
  Play(data);
  m_manager.SetProp(PackScope::current(), "effdef");
  EXPECT_EQ(Roots(), 0u);
  EXPECT_FALSE(m_manager.GetFirstData());
}

TEST_F(EffectManagerTest, AnEffectKeepsItsSetAliveAfterTheLastOtherHolderLetsGo) {
  // An object instance still holds a set that SetProp dropped, plays from it and goes.
  Load(OneRoot(shown(10)));
  dbtl::rcptr<L3D_EFFECT_DATA> held = m_manager.FindData(uintptr_t(1));
  m_manager.SetProp(PackScope::current(), "effdef");
  L3DEffectPlayRequest request;
  request.data = held;
  request.life = 0xFFFFFFFFu;
  request.scale = {1.0f, 1.0f, 1.0f};
  request.rotation = kQuatIdentity;
  m_manager.Play(request);
  const L3D_EFFECT_DATA* raw = held.Get();
  held.Reset();
  ASSERT_NE(m_manager.GetPlaying(), nullptr);
  EXPECT_EQ(m_manager.GetPlaying()->dataHold.Get(), raw);
  for (int f = 0; f < 3; ++f) m_manager.Task();
  EXPECT_EQ(m_manager.GetPlaying()->rootPart.frame, 2);
  m_manager.StopAll();
}

// Life and start delay count frames of Task; the part steps only after the delay.
struct LifeCase {
  int32_t life;
  uint32_t delay;
  uint32_t frames;       // Task calls
  bool alive;            // the root still plays afterwards
  int32_t rootFrame;     // frame of the root part (-1: never stepped)
};

TEST_F(EffectManagerTest, LifeAndStartDelay) {
  const LifeCase cases[] = {
      {0, 0, 1, false, -1},   // removed by the first Task before any part step
      {3, 5, 4, false, -1},   // the life runs out during the delay
      {3, 0, 3, true, 2},
      {3, 0, 4, false, -1},
      {-1, 2, 3, true, 0},
  };
  L3D_EFFECT_DATA* data = Load(OneRoot(shown(100)));
  for (const LifeCase& c : cases) {
    m_manager.StopAll();
    Play(data, 0, c.life, c.delay);
    L3D_EFFECT_WORKROOT* root = m_manager.GetPlaying();
    int32_t seen = -1;
    for (uint32_t f = 0; f < c.frames; ++f) {
      m_manager.Task();
      if (m_manager.GetPlaying() != nullptr) seen = root->rootPart.frame;
    }
    EXPECT_EQ(m_manager.GetPlaying() != nullptr, c.alive) << c.life << " " << c.delay;
    if (c.alive) {
      EXPECT_EQ(seen, c.rootFrame) << c.life << " " << c.delay;
    }
  }
}

TEST_F(EffectManagerTest, AHoldFreezesAndHidesForItsFramesThenReleases) {
  L3D_EFFECT_DATA* data = Load(OneRoot(shown(100)));
  Play(data);
  m_manager.Task();
  L3D_EFFECT_WORKROOT* root = m_manager.GetPlaying();
  root->holdFlags = 3;
  root->holdCount = 2;
  m_manager.Task();
  m_manager.Task();
  EXPECT_EQ(root->rootPart.frame, 0);
  m_manager.Draw(false);
  EXPECT_TRUE(m_draws.calls.empty());
  m_manager.Task();  // frame N + 1 runs normally
  EXPECT_EQ(root->rootPart.frame, 1);
  EXPECT_EQ(root->holdFlags, 0u);
  m_manager.Draw(false);
  EXPECT_EQ(m_draws.calls.size(), 1u);
}

TEST_F(EffectManagerTest, ARootPartThatEndsRemovesTheRoot) {
  L3D_EFFECT_DATA* data = Load(OneRoot(shown(2)));
  Play(data);
  m_manager.Task();
  m_manager.Task();
  EXPECT_EQ(Roots(), 1u);
  m_manager.Task();  // frame 2 runs the end
  EXPECT_EQ(Roots(), 0u);
}

TEST_F(EffectManagerTest, OnlyRootsThatNeedTheirKeyAreRegistered) {
  // Root 0: plain; root 1: removed by a key stop; root 2: plain, but with a child removed by
  // a key stop.
  effectfile::Data d;
  d.roots.resize(3);
  for (auto& r : d.roots) r.root = shown(100);
  d.roots[1].flags = L3D_EFFECT_ROOT_KEYSTOP;
  d.roots[2].children.push_back(Part{L3D_EFFECT_PART_KEYSTOP, {image(0, 0), end(100)}});
  d.roots[2].children.push_back(Part{0, {image(0, 0), end(100)}});
  d.roots[2].root.events.insert(d.roots[2].root.events.begin() + 1,
                                {ev(0, 2, {0}), ev(0, 2, {1})});
  L3D_EFFECT_DATA* data = Load(d);
  int owner = 0;
  Play(data, 0, -1, 0, &owner);
  EXPECT_EQ(m_manager.GetKeyCount(), 0u);
  Play(data, 1, -1, 0, &owner);
  Play(data, 2, -1, 0, &owner);
  ASSERT_EQ(m_manager.GetKeyCount(), 1u);
  m_manager.Task();
  L3D_EFFECT_WORKROOT* withChildren = m_manager.GetPlaying();
  EXPECT_EQ(Children(withChildren), 2u);

  m_manager.StopKey(&owner);
  // Root 1 is gone, root 0 (never keyed) plays on, root 2 lost only its key-stop child.
  EXPECT_EQ(Roots(), 2u);
  EXPECT_EQ(Children(withChildren), 1u);
  EXPECT_EQ(withChildren->children->data->flags, 0u);
  // Root 2 stays registered until it is removed.
  EXPECT_EQ(m_manager.GetKeyCount(), 1u);
  m_manager.StopAll();
  EXPECT_EQ(m_manager.GetKeyCount(), 0u);
}

TEST_F(EffectManagerTest, RemovingAKeyMovesTheLastEntryIntoItsPlace) {
  L3D_EFFECT_DATA* data = Load(OneRoot(shown(100), {}, L3D_EFFECT_ROOT_KEYSTOP));
  int a = 0, b = 0, c = 0;
  Play(data, 0, -1, 0, &a);
  Play(data, 0, -1, 0, &a);
  Play(data, 0, -1, 0, &b);
  Play(data, 0, -1, 0, &c);
  ASSERT_EQ(m_manager.GetKeyCount(), 3u);
  m_manager.StopKey(&a);  // both roots of a go; c moves into slot 0
  EXPECT_EQ(Roots(), 2u);
  ASSERT_EQ(m_manager.GetKeyCount(), 2u);
  EXPECT_EQ(m_manager.GetKey(0).key, &c);
  EXPECT_EQ(m_manager.GetKey(0).first->keyIndex, 0);
  EXPECT_EQ(m_manager.GetKey(1).key, &b);
  m_manager.StopKey(&c);
  m_manager.StopKey(&b);
  EXPECT_EQ(Roots(), 0u);
  EXPECT_EQ(m_manager.GetKeyCount(), 0u);
  m_manager.StopKey(&a);  // an unknown key is harmless
}

TEST_F(EffectManagerTest, AFollowingRootTracksItsAttachBlockUntilItsKeyStops) {
  L3D_EFFECT_DATA* data = Load(OneRoot(shown(100), {}, L3D_EFFECT_ROOT_FOLLOW));
  float block[13] = {1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  int owner = 0;
  Play(data, 0, -1, 0, &owner, block);
  m_manager.Task();
  L3D_EFFECT_WORKROOT* root = m_manager.GetPlaying();
  EXPECT_FLOAT_EQ(root->rootPart.world.m[3][0], 1.0f);
  block[0] = 5.0f;
  m_manager.Task();
  EXPECT_FLOAT_EQ(root->rootPart.world.m[3][0], 5.0f);
  m_manager.StopKey(&owner);
  block[0] = 9.0f;
  m_manager.Task();
  EXPECT_FLOAT_EQ(root->rootPart.world.m[3][0], 5.0f);
  EXPECT_EQ(root->attach, nullptr);
}

TEST_F(EffectManagerTest, PoolsReuseFreedRecords) {
  L3D_EFFECT_DATA* data = Load(OneRoot(Part{0, {ev(0, 2, {0}), end(1)}},
                                       {Part{0, {image(0, 0), end(1)}}}));
  Play(data);
  L3D_EFFECT_WORKROOT* first = m_manager.GetPlaying();
  m_manager.Task();
  L3D_EFFECT_WORKPART* child = first->children;
  m_manager.StopAll();
  Play(data);
  EXPECT_EQ(m_manager.GetPlaying(), first);
  m_manager.Task();
  EXPECT_EQ(first->children, child);
}

}  // namespace

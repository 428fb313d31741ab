#include "model/anim/L3DAnimInstance.h"

#include "model/object/tests/ObjectTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using objtest::key;
using objtest::motion;

namespace {

// The body model with one animation: the root gets keys, hip and head none.
dbtl::rcptr<L3DObjectData> modelWithRootKeys(std::vector<modelfile::Key> keys, uint32_t end,
                                             uint32_t loop) {
  modelfile::Model m = objtest::bodyModel();
  m.anims = {objtest::anim("a", end, loop, {motion(1, 0, std::move(keys)), motion(1, 1), motion(1, 2)})};
  return loadModel(m);
}

const L3D_ANIMINST_MOT& rootMotion(L3DObjectInstance& inst) {
  auto a = inst.CreateAnim("a");
  for (const L3D_ANIMINST_MOT& m : a->motions) {
    if (!m.boneInstance) return m;
  }
  ADD_FAILURE() << "no root motion";
  return a->motions.front();
}

struct KeyTableCase {
  const char* name;
  std::vector<uint32_t> frames;
  uint32_t end, loop;
  std::vector<uint32_t> keyFrames;  // frames of each run-time key
  uint32_t loopKeyIndex;
};

TEST(AnimInstance, KeyTables) {
  const KeyTableCase cases[] = {
      // The last key runs towards a copy of the key at 10 placed at 30.
      {"loop to the start", {0, 10, 20}, 20, 0, {10, 10, 10}, 1},
      // A rest key at frame 0 leads to the first key.
      {"rest key", {5, 15}, 15, 0, {5, 10, 5}, 1},
      // No key after the loop frame: the last key holds towards a copy of itself 60 later.
      {"hold at the end", {0, 10}, 10, 10, {10, 60}, 1},
      // Two keys at one frame: the interval runs to the end frame.
      {"equal frames", {0, 4, 4}, 12, 12, {4, 8, 68}, 2},
  };
  for (const KeyTableCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<modelfile::Key> keys;
    for (uint32_t f : c.frames) keys.push_back(key(f, static_cast<float>(f)));
    auto inst = objtest::instance(modelWithRootKeys(keys, c.end, c.loop));
    const L3D_ANIMINST_MOT& m = rootMotion(*inst);
    std::vector<uint32_t> frames;
    for (const L3D_ANIMINST_KEY& k : m.keys) frames.push_back(k.frames);
    EXPECT_EQ(frames, c.keyFrames);
    EXPECT_EQ(m.loopKeyIndex, c.loopKeyIndex);
  }
}

TEST(AnimInstance, RestKeyStartsFromTheIdentity) {
  auto inst = objtest::instance(modelWithRootKeys({key(5, 3.0f), key(15, 6.0f)}, 15, 0));
  const L3D_ANIMINST_MOT& m = rootMotion(*inst);
  ASSERT_EQ(m.keys.size(), 3u);
  EXPECT_EQ(m.keys[0].position[0][0], 0.0f);
  EXPECT_EQ(m.keys[0].position[1][0], 3.0f);
  EXPECT_EQ(m.keys[0].q0.w, 1.0f);
  EXPECT_EQ(m.keys[0].scale[0][0], 1.0f);
}

TEST(AnimInstance, CollinearCubicKeysHaveNoHigherTerms) {
  std::vector<modelfile::Key> keys;
  for (uint32_t f : {0u, 10u, 20u, 30u, 40u}) keys.push_back(key(f, static_cast<float>(f) * 2, L3D_ANIMKEY_CUBIC));
  auto inst = objtest::instance(modelWithRootKeys(keys, 40, 0));
  const L3D_ANIMINST_MOT& m = rootMotion(*inst);
  for (uint32_t i : {1u, 2u}) {
    EXPECT_NEAR(m.keys[i].position[0][0], 0.0f, 1e-4f) << i;
    EXPECT_NEAR(m.keys[i].position[1][0], 0.0f, 1e-4f) << i;
    EXPECT_NEAR(m.keys[i].position[2][0], 20.0f, 1e-4f) << i;
  }
}

TEST(AnimInstance, MotionsWithoutKeysMorphsOrBindingsTakeNoSlot) {
  auto inst = objtest::instance(modelWithRootKeys({key(0), key(10)}, 10, 0));
  EXPECT_EQ(inst->CreateAnim("a")->motionCount(), 1u);
}

TEST(AnimInstance, MorphItemsAndLoopIndex) {
  modelfile::Model m = objtest::bodyModel();
  modelfile::Map map;
  map.name = "smile";
  m.parts[0].morphMaps = {map, map};
  modelfile::Motion root = motion(1, 0);
  root.morphGroups = {{"g", {{0, 1}, {10, 2}}}};
  m.anims = {objtest::anim("a", 20, 0, {root, motion(1, 1), motion(1, 2)})};
  auto inst = objtest::instance(loadModel(m));
  const L3D_ANIMINST_MOT& mot = rootMotion(*inst);
  ASSERT_EQ(mot.morphGroups.size(), 1u);
  const L3D_ANIMINST_MORPHGROUP& g = mot.morphGroups[0];
  ASSERT_EQ(g.itemCount(), 2u);
  EXPECT_EQ(g.items[0].frames, 0u);
  EXPECT_EQ(g.items[0].morphMap.Get(), &objtest::part(*inst).mmaps[0]);
  EXPECT_EQ(g.items[1].frames, 9u);
  EXPECT_EQ(g.items[1].morphMap.Get(), &objtest::part(*inst).mmaps[1]);
  EXPECT_EQ(g.loopIndex, 2u);
}

struct RefusalCase {
  const char* name;
  std::vector<uint32_t> frames;
  uint32_t end, loop, group;
  const char* message;
};

TEST(AnimInstance, BrokenAnimationsAreRefusedWithAMessage) {
  const RefusalCase cases[] = {
      {"no part group", {0, 10}, 10, 0, 0, "has no part group"},
      {"keys out of order", {0, 10, 5}, 10, 0, 1, "key frame 5 follows frame 10"},
      {"loop past the end", {0, 10}, 10, 11, 1, "loop frame 11 is past the end frame 10"},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    modelfile::Model m = objtest::bodyModel();
    std::vector<modelfile::Key> keys;
    for (uint32_t f : c.frames) keys.push_back(key(f));
    m.anims = {objtest::anim("a", c.end, c.loop, {motion(1, 0, keys), motion(1, 1), motion(1, 2)})};
    m.anims[0].group = c.group;
    auto inst = objtest::instance(loadModel(m));
    LerrCapture capture;
    const std::u16string text = capture.FatalText([&] { inst->CreateAnim("a"); });
    EXPECT_NE(std::string(text.begin(), text.end()).find(c.message), std::string::npos);
  }
}

}  // namespace

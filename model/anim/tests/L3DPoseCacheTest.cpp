#include "model/anim/L3DPoseCache.h"

#include "foundation/math/DetMath.h"
#include "model/anim/L3DAnimInstance.h"
#include "model/object/tests/ObjectTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr uint32_t kCubic = 2;

modelfile::Key turn(uint32_t frame, uint32_t flags, float x, float angle, float scale = 1.0f) {
  modelfile::Key k;
  k.frame = frame;
  k.flags = flags;
  k.values[0] = x;
  k.values[2] = -0.5f * x;
  k.values[3] = 0.6f * detmath::sin(angle / 2);
  k.values[5] = 0.8f * detmath::sin(angle / 2);
  k.values[6] = detmath::cos(angle / 2);
  k.values[7] = k.values[8] = k.values[9] = scale;
  return k;
}

// 400 frames with a loop from 100: longer than the cache has slots for, so frames share slots.
dbtl::rcptr<L3DObjectData> longWalk() {
  modelfile::Model m = objtest::bodyModel();
  m.anims = {objtest::anim(
      "normal", 400, 100,
      {objtest::motion(1, 0,
                       {turn(0, kCubic, 0.0f, 0.0f), turn(90, kCubic, 2.0f, 0.7f),
                        turn(230, kCubic, -1.0f, 2.6f, 1.5f), turn(400, kCubic, 0.0f, 0.0f)}),
       objtest::motion(1, 1, {turn(0, 0, 1.0f, 0.4f), turn(300, 0, 3.0f, 5.0f, 0.5f)}),
       objtest::motion(1, 2, {turn(0, kCubic, 0.0f, 1.0f), turn(17, kCubic, 0.25f, -1.0f)})})};
  return loadModel(m);
}

bool sameBits(const float* a, const float* b, size_t count) {
  return std::memcmp(a, b, count * sizeof(float)) == 0;
}

// Root, hip and head of an instance agree bit for bit with those of the reference.
void expectSamePose(L3DObjectInstance& inst, L3DObjectInstance& reference, int frame) {
  for (uint32_t i = 0; i < 3; ++i) {
    const L3D_PARTINST_TRANSFORM& t = i == 0 ? objtest::part(inst).root : objtest::bone(inst, i - 1);
    const L3D_PARTINST_TRANSFORM& r =
        i == 0 ? objtest::part(reference).root : objtest::bone(reference, i - 1);
    ASSERT_TRUE(sameBits(&t.worldMatrix.m[0][0], &r.worldMatrix.m[0][0], 16))
        << "frame " << frame << " transform " << i;
    ASSERT_TRUE(sameBits(&t.localMatrix().m[0][0], &r.localMatrix().m[0][0], 16));
    ASSERT_TRUE(sameBits(t.localPosition, r.localPosition, 3));
    ASSERT_TRUE(sameBits(t.localRotation(), r.localRotation(), 4));
    ASSERT_TRUE(sameBits(t.localScale(), r.localScale(), 3));
    ASSERT_TRUE(sameBits(t.rotation, r.rotation, 4));
  }
}

}  // namespace

// Instances at other phases write the shared slots between the steps of the one compared; its
// poses must stay those of an instance that evaluates every key itself, through the loop.
TEST(PoseCache, SharedPosesAreThoseOfAFreshEvaluationAtEveryPhase) {
  dbtl::rcptr<L3DObjectData> data = longWalk();
  auto start = [&](int lead) {
    auto inst = objtest::instance(data);
    inst->SetAnim(inst->CreateAnim("normal"), L3DObjectInstance::Restart::Yes);
    for (int f = 0; f < lead; ++f) inst->ForwardAnimFrame();
    return inst;
  };
  auto reference = start(0);
  for (L3D_ANIMINST_MOT& m : reference->anims[0]->motions) m.poses.reset();
  auto shared = start(0);
  auto ahead = start(137);
  auto further = start(256);

  const L3D_ANIMINST_MOT& root = shared->anims[0]->motions[0];
  ASSERT_NE(root.poses, nullptr);
  EXPECT_EQ(root.poses, ahead->anims[0]->motions[0].poses);

  for (int f = 0; f < 700; ++f) {
    ahead->ForwardAnimFrame();
    shared->ForwardAnimFrame();
    further->ForwardAnimFrame();
    reference->ForwardAnimFrame();
    expectSamePose(*shared, *reference, f);
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(root.poses->hits, 0u);
}

// A cache is shared only with a table that gives the same poses.
TEST(PoseCache, IsSharedOnlyForTheSameKeysAndBase) {
  L3D_ANIMINST_MOT motion;
  motion.keys.resize(2);
  for (uint32_t i = 0; i < 2; ++i) {
    L3D_ANIMINST_KEY& k = motion.keys[i];
    k.frames = 10 + i;
    k.flags = kCubic;
    k.position[3][0] = 1.0f + static_cast<float>(i);
    k.scale[3][0] = k.scale[3][1] = k.scale[3][2] = 1.0f;
    k.q0 = k.q1 = k.q2 = k.q3 = kQuatIdentity;
    l3dSetKeyArcs(k);
  }
  motion.baseMatrix.SetTranslation(-1.0f, 0.0f, 0.0f);

  struct Case {
    const char* name;
    std::function<void(L3D_ANIMINST_MOT&)> change;
    bool shared;
  };
  const Case cases[] = {
      {"the same table", [](L3D_ANIMINST_MOT&) {}, true},
      {"another pivot", [](L3D_ANIMINST_MOT& m) { m.baseMatrix.m[3][0] = -2.0f; }, false},
      {"another frame count", [](L3D_ANIMINST_MOT& m) { m.keys[1].frames = 12; }, false},
      {"linear instead of cubic", [](L3D_ANIMINST_MOT& m) { m.keys[0].flags = 0; }, false},
      {"a scale row", [](L3D_ANIMINST_MOT& m) { m.keys[1].scale[0][2] = 0.5f; }, false},
      {"-0 for 0 in a position row",
       [](L3D_ANIMINST_MOT& m) { m.keys[0].position[2][1] = -0.0f; }, false},
      {"a control rotation", [](L3D_ANIMINST_MOT& m) { m.keys[1].q1.w = -1.0f; }, false},
      {"one key fewer", [](L3D_ANIMINST_MOT& m) { m.keys.pop_back(); }, false},
  };
  for (const Case& c : cases) {
    std::weak_ptr<L3DPoseCache> slot;
    const std::shared_ptr<L3DPoseCache> first = l3dSharedPoseCache(slot, motion.keys, motion.baseMatrix);
    L3D_ANIMINST_MOT other = motion;
    c.change(other);
    const std::shared_ptr<L3DPoseCache> second = l3dSharedPoseCache(slot, other.keys, other.baseMatrix);
    EXPECT_EQ(first == second, c.shared) << c.name;
  }
}

// A frame outside its key is not one of the table's and is left to the caller.
TEST(PoseCache, RefusesFramesOutsideTheKey) {
  std::vector<L3D_ANIMINST_KEY> keys(1);
  keys[0].frames = 4;
  keys[0].q0 = keys[0].q1 = kQuatIdentity;
  l3dSetKeyArcs(keys[0]);
  LMat base;
  base.SetIdentity();
  L3DPoseCache cache(keys, base);
  EXPECT_EQ(cache.Get(0, 4), nullptr);
  EXPECT_EQ(cache.Get(1, 0), nullptr);
  EXPECT_NE(cache.Get(0, 3), nullptr);
}

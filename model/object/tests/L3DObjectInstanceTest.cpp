#include "model/object/L3DObjectInstance.h"

#include "foundation/math/DetMath.h"
#include "model/object/tests/ObjectTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using objtest::key;
using objtest::motion;

namespace {

// "walk" moves the root and the hip over 20 frames; "nod" moves only the head bone.
dbtl::rcptr<L3DObjectData> walkAndNod() {
  modelfile::Model m = objtest::bodyModel();
  m.anims = {objtest::anim("normal", 20, 0,
                           {motion(1, 0, {key(0, 0.0f), key(10, 10.0f), key(20, 0.0f)}),
                            motion(1, 1, {key(0, 0.0f), key(20, 5.0f)}), motion(1, 2)}),
             objtest::anim("nod", 8, 0, {motion(1, 0), motion(1, 1), motion(1, 2, {key(0), key(8, 1.0f)})})};
  return loadModel(m);
}

void forward(L3DObjectInstance& inst, int frames) {
  for (int i = 0; i < frames; ++i) inst.ForwardAnimFrame();
}

TEST(ObjectInstance, CreateAnimFindsNamesWithoutCaseAndStopsOnAnUnknownOne) {
  auto inst = objtest::instance(walkAndNod());
  auto a = inst->CreateAnim("NORMAL");
  EXPECT_EQ(std::string(a->data->name.GetText()), "normal");
  EXPECT_EQ(inst->GetAnimInstance(a->data).Get(), a.Get());
  LerrCapture capture;
  const std::u16string text = capture.FatalText([&] { inst->CreateAnim("run"); });
  EXPECT_EQ(text, u"[L3DObjectInstance::CreateAnim] 指定されたアニメーション\"run\"が見つかりません");
}

TEST(ObjectInstance, RootFollowsItsKeysAndLoops) {
  auto inst = objtest::instance(walkAndNod());
  inst->SetAnim(inst->CreateAnim("normal"), L3DObjectInstance::Restart::Yes);
  inst->ResetAnimFrame();
  std::vector<float> xs;
  for (int f = 0; f < 24; ++f) {
    inst->ForwardAnimFrame();
    xs.push_back(objtest::part(*inst).root.position[0]);
  }
  EXPECT_FLOAT_EQ(xs[0], 0.0f);
  EXPECT_FLOAT_EQ(xs[5], 5.0f);
  EXPECT_FLOAT_EQ(xs[10], 10.0f);
  EXPECT_FLOAT_EQ(xs[15], 5.0f);
  // Past frame 20 the motion runs on from the key at 10 placed at frame 30.
  EXPECT_FLOAT_EQ(xs[20], 0.0f);
  EXPECT_FLOAT_EQ(xs[23], 3.0f);
  // The first frame after a reset reports no movement.
  inst->ResetAnimFrame();
  inst->ForwardAnimFrame();
  EXPECT_EQ(objtest::part(*inst).root.deltaPosition[0], 0.0f);
  // The palette slot of the root holds its world matrix.
  EXPECT_EQ(objtest::part(*inst).palette[0].m[3][0], objtest::part(*inst).root.worldMatrix.m[3][0]);
}

TEST(ObjectInstance, LayeredAnimationLeavesTheBodysCursorAlone) {
  auto inst = objtest::instance(walkAndNod());
  inst->SetAnim(inst->CreateAnim("normal"), L3DObjectInstance::Restart::Yes);
  forward(*inst, 7);
  const L3D_PARTINST_TRANSFORM& hip = objtest::bone(*inst, 0);
  const L3D_ANIMINST_MOT* hipMotion = hip.motion;
  const uint32_t keyIndex = hip.keyIndex, framesLeft = hip.framesLeft;
  const float rootX = objtest::part(*inst).root.position[0];

  inst->SetAnim(inst->CreateAnim("nod"), L3DObjectInstance::Restart::No);
  EXPECT_EQ(hip.motion, hipMotion);
  EXPECT_EQ(hip.keyIndex, keyIndex);
  EXPECT_EQ(hip.framesLeft, framesLeft);
  EXPECT_EQ(objtest::part(*inst).root.position[0], rootX);
  EXPECT_NE(objtest::bone(*inst, 1).motion, nullptr);
  inst->ForwardAnimFrame();
  EXPECT_FLOAT_EQ(objtest::part(*inst).root.position[0], 7.0f);
}

TEST(ObjectInstance, SetAnimNullRestoresTheIdentityPoseAndOwnMaterials) {
  modelfile::Model m = objtest::bodyModel();
  modelfile::Shader shader;
  shader.kind = 1;  // drawn through the sorted list
  m.anims = {objtest::anim("normal", 10, 0,
                           {motion(1, 0, {key(0, 4.0f), key(10, 8.0f)}), motion(1, 1), motion(1, 2)})};
  m.anims[0].records.shaders = {shader};
  modelfile::Event jump;
  jump.type = 5;
  jump.frame = 3;
  m.anims[0].records.events = {jump};
  auto inst = objtest::instance(loadModel(m));
  L3D_PARTINST_MAT& mat = objtest::part(*inst).mats[0];

  auto a = inst->CreateAnim("normal");
  inst->SetAnim(a, L3DObjectInstance::Restart::Yes);
  EXPECT_NE(mat.currentMaterial, &mat.ownMaterial);
  EXPECT_EQ(inst->materialFlags, 1u);
  EXPECT_EQ(inst->eventSets.size(), 2u);
  forward(*inst, 3);
  EXPECT_NE(objtest::part(*inst).root.position[0], 0.0f);

  inst->SetAnim({}, L3DObjectInstance::Restart::Yes);
  EXPECT_EQ(mat.currentMaterial, &mat.ownMaterial);
  EXPECT_EQ(inst->materialFlags, 0u);
  ASSERT_EQ(inst->eventSets.size(), 1u);
  EXPECT_EQ(inst->eventSets[0], &inst->objectEvents);
  inst->ForwardAnimFrame();
  const L3D_PARTINST_TRANSFORM& root = objtest::part(*inst).root;
  EXPECT_EQ(root.position[0], 0.0f);
  EXPECT_EQ(root.motion, nullptr);
  LMat identity;
  identity.SetIdentity();
  EXPECT_EQ(std::memcmp(&root.localMatrix(), &identity, sizeof identity), 0);
}

TEST(ObjectInstance, MorphWithTwoFramesReachesItsTargetOnFrameThree) {
  modelfile::Model m = objtest::bodyModel();
  modelfile::Map map;
  map.name = "m";
  modelfile::MapEntry entry;
  entry.index0 = 0;
  entry.index1 = 1;
  entry.values[0] = 31.0f;  // target x of vertex 1 (which starts at 1)
  map.entries = {entry};
  m.parts[0].morphMaps = {map};
  modelfile::Motion root = motion(1, 0);
  root.morphGroups = {{"g", {{3, 1}}}};  // rest item, then the map over frames 0..3
  m.anims = {objtest::anim("normal", 20, 20, {root, motion(1, 1), motion(1, 2)})};
  auto inst = objtest::instance(loadModel(m));
  inst->SetAnim(inst->CreateAnim("normal"), L3DObjectInstance::Restart::Yes);
  inst->ResetAnimFrame();
  // Item 1 takes frames 1, 2 and 3 (frames = 2): two steps of a third, then the target.
  const float expected[] = {1.0f, 11.0f, 21.0f, 31.0f, 31.0f};
  for (float x : expected) {
    inst->ForwardAnimFrame();
    EXPECT_FLOAT_EQ(objtest::part(*inst).mats[0].vertices[1].x, x);
  }
  EXPECT_NE(objtest::part(*inst).mats[0].flags & L3D_PARTINST_MAT_MORPHED, 0u);
}

TEST(ObjectInstance, BoundsFollowEnabledGroupsAndStartWithoutAJump) {
  modelfile::Model m = objtest::bodyModel();
  modelfile::Coll body;
  body.name = "body";
  body.type = 3;
  body.flags = 1;
  modelfile::Sphere s1, s2;
  s1.part = 1;
  s1.centre = {0, 0, 0};
  s1.radius = 1.0f;
  s2.part = 1;
  s2.centre = {4, 0, 0};
  s2.radius = 1.0f;
  body.spheres = {s1, s2};
  m.colls = {body};
  m.anims = {objtest::anim("normal", 10, 0,
                           {motion(1, 0, {key(0, 0.0f), key(10, 10.0f)}), motion(1, 1), motion(1, 2)})};
  auto inst = objtest::instance(loadModel(m));
  EXPECT_FLOAT_EQ(inst->bounds[3].centre.x, 2.0f);
  EXPECT_FLOAT_EQ(inst->bounds[3].radius, 3.0f);
  EXPECT_FLOAT_EQ(inst->previousBounds[3].centre.x, 2.0f);
  for (uint32_t j : {0u, 1u, 2u, 4u, 5u, 6u}) EXPECT_EQ(inst->bounds[j].radius, 0.0f) << j;

  inst->SetAnim(inst->CreateAnim("normal"), L3DObjectInstance::Restart::Yes);
  inst->ResetAnimFrame();
  forward(*inst, 3);
  EXPECT_FLOAT_EQ(inst->bounds[3].centre.x, 4.0f);
  EXPECT_FLOAT_EQ(inst->previousBounds[3].centre.x, 3.0f);

  inst->collGroups.Front()->flags = 0;
  inst->ForwardAnimFrame();
  EXPECT_EQ(inst->bounds[3].radius, 0.0f);
}

TEST(ObjectInstance, TwoInstancesShareDataButNotVertexCopies) {
  auto data = walkAndNod();
  auto a = objtest::instance(data);
  auto b = objtest::instance(data);
  EXPECT_EQ(a->data.Get(), b->data.Get());
  EXPECT_NE(objtest::part(*a).mats[0].vertices.Get(), objtest::part(*b).mats[0].vertices.Get());
  EXPECT_NE(objtest::part(*a).palette.Get(), objtest::part(*b).palette.Get());
}

TEST(ObjectInstance, FindTransform) {
  auto inst = objtest::instance(walkAndNod());
  auto ref = [](const char* s) { return L3DPoolRef{s, static_cast<uint32_t>(std::strlen(s))}; };
  EXPECT_EQ(inst->_FindTransform(ref("BODY"), {}), &objtest::part(*inst).root);
  EXPECT_EQ(inst->_FindTransform(ref("body"), ref("head")), &objtest::bone(*inst, 1));
  EXPECT_EQ(inst->_FindTransform(ref("arm"), {}), nullptr);
  EXPECT_EQ(inst->_FindTransform(ref("body"), ref("tail")), nullptr);
}

}  // namespace

namespace {

// A key with a rotation of `angle` radians about the unit axis (ax, ay, az), a position and a
// scale.
modelfile::Key turn(uint32_t frame, uint32_t flags, float x, float ax, float ay, float az,
                    float angle, float scale = 1.0f) {
  modelfile::Key k;
  k.frame = frame;
  k.flags = flags;
  k.values[0] = x;
  k.values[1] = 0.5f * x;
  const float s = detmath::sin(angle / 2);
  k.values[3] = ax * s;
  k.values[4] = ay * s;
  k.values[5] = az * s;
  k.values[6] = detmath::cos(angle / 2);
  k.values[7] = k.values[8] = k.values[9] = scale;
  return k;
}

// FNV-1a over the bits of the floats.
void hashFloats(uint64_t& h, const float* values, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    uint32_t bits;
    std::memcpy(&bits, &values[i], sizeof bits);
    for (int b = 0; b < 4; ++b) {
      h ^= (bits >> (8 * b)) & 0xFFu;
      h *= 0x100000001B3ull;
    }
  }
}

}  // namespace

// Replays and network play compare poses bit for bit, so the key evaluation must not change
// its results when it is made faster. Cubic keys with small and large turns (arcs blended by
// sines, by the linear fallback, and past a quarter turn), linear keys whose shorter arc needs a
// sign flip, and a loop, hashed over every frame.
TEST(ObjectInstance, PosesOverALoopAreBitForBitTheSame) {
  constexpr uint32_t kCubic = 2;
  modelfile::Model m = objtest::bodyModel();
  m.anims = {objtest::anim(
      "normal", 60, 12,
      {motion(1, 0,
              {turn(0, kCubic, 0.0f, 0, 0, 1, 0.0f), turn(12, kCubic, 2.0f, 0, 0, 1, 0.3f),
               turn(30, kCubic, -1.0f, 0.6f, 0, 0.8f, 2.8f, 1.5f),
               turn(45, kCubic, 0.5f, 0, 1, 0, -1.2f), turn(60, kCubic, 0.0f, 0, 0, 1, 0.0f)}),
       motion(1, 1,
              {turn(0, 0, 1.0f, 1, 0, 0, 0.4f), turn(20, 0, 3.0f, 1, 0, 0, 6.0f, 0.5f),
               turn(40, 0, -2.0f, 0, 1, 0, 0.0001f)}),
       motion(1, 2,
              {turn(0, kCubic, 0.0f, 0, 1, 0, 1.0f), turn(7, kCubic, 0.25f, 0, 1, 0, 1.0004f),
               turn(33, kCubic, 1.0f, 0.8f, 0.6f, 0, -2.2f, 2.0f)})})};
  auto inst = objtest::instance(loadModel(m));
  inst->SetAnim(inst->CreateAnim("normal"), L3DObjectInstance::Restart::Yes);
  inst->ResetAnimFrame();
  uint64_t h = 0xCBF29CE484222325ull;
  for (int f = 0; f < 150; ++f) {
    inst->ForwardAnimFrame();
    for (const L3D_PARTINST_TRANSFORM* t :
         {&objtest::part(*inst).root, &objtest::bone(*inst, 0), &objtest::bone(*inst, 1)}) {
      hashFloats(h, &t->worldMatrix.m[0][0], 16);
      hashFloats(h, t->rotation, 4);
      hashFloats(h, t->localScale(), 3);
    }
  }
  EXPECT_EQ(h, 0xF5924580EC8F49A0ull) << std::hex << h;
}

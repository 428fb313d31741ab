#include "model/object/L3DObjectInstance.h"
#include "model/object/tests/ObjectTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using objtest::key;
using objtest::motion;

namespace {

// A system effect (the instances of these tests have no resource name, so no own effects).
modelfile::Event effect(uint32_t frame, uint32_t number) {
  modelfile::Event e;
  e.type = 2;
  e.frame = frame;
  e.number = number;
  return e;
}

modelfile::Event jump(uint32_t frame, uint32_t target) {
  modelfile::Event e;
  e.type = 5;
  e.frame = frame;
  e.number = target;
  return e;
}

// The body model whose animation "normal" (frames 0 to 50) carries the events; pool holds the
// names the events refer to.
dbtl::rcptr<L3DObjectData> modelWithEvents(std::vector<modelfile::Event> events,
                                           const std::string& pool = "") {
  modelfile::Model m = objtest::bodyModel();
  m.anims = {objtest::anim("normal", 50, 0,
                           {motion(1, 0, {key(0), key(50, 5.0f)}), motion(1, 1), motion(1, 2)})};
  m.anims[0].pool = pool;
  m.anims[0].records.events = std::move(events);
  return loadModel(m);
}

class EventsTest : public ::testing::Test {
 protected:
  void Start(const dbtl::rcptr<L3DObjectData>& data) {
    effects.system = l3dNewObject<L3D_EFFECT_DATA>();
    inst = objtest::instance(data, &effects);
    inst->SetAnim(inst->CreateAnim("normal"), L3DObjectInstance::Restart::Yes);
    inst->ResetAnimFrame();
    effects.plays.clear();
  }
  // The effect numbers played by one forward.
  std::vector<uint32_t> Step() {
    effects.plays.clear();
    inst->ForwardAnimFrame();
    std::vector<uint32_t> out;
    for (const auto& p : effects.plays) out.push_back(p.number);
    return out;
  }

  RecordingEffects effects;
  dbtl::rcptr<L3DObjectInstance> inst;
};

TEST_F(EventsTest, FrameZeroRunsOnTheFirstForwardAfterAReset) {
  Start(modelWithEvents({effect(1, 11), effect(0, 10)}));
  EXPECT_EQ(Step(), std::vector<uint32_t>{10});
  EXPECT_EQ(Step(), std::vector<uint32_t>{11});
  inst->ResetAnimFrame();
  EXPECT_EQ(Step(), std::vector<uint32_t>{10});
  // The played effect follows the instance's own block (the event names no part).
  EXPECT_EQ(effects.plays[0].attach, inst->transform.position);
  EXPECT_EQ(effects.plays[0].key, inst.Get());
  EXPECT_EQ(effects.plays[0].data.Get(), effects.system.Get());
}

TEST_F(EventsTest, AJumpRunsTheTargetFramesEventsInTheSameStep) {
  Start(modelWithEvents({effect(10, 110), jump(40, 10), effect(41, 141), effect(11, 111)}));
  for (int f = 0; f < 10; ++f) Step();
  EXPECT_EQ(Step(), std::vector<uint32_t>{110});
  for (int f = 11; f < 40; ++f) Step();
  EXPECT_EQ(Step(), std::vector<uint32_t>{110});  // frame 40 jumps to 10
  EXPECT_EQ(Step(), std::vector<uint32_t>{111});
  EXPECT_EQ(inst->eventSets.back()->currentFrame, 11);
}

TEST_F(EventsTest, AJumpOntoItselfRunsOncePerStep) {
  Start(modelWithEvents({effect(5, 5), jump(5, 5)}));
  for (int f = 0; f < 5; ++f) Step();
  EXPECT_EQ(Step(), (std::vector<uint32_t>{5, 5}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Step(), std::vector<uint32_t>{5});
}

TEST_F(EventsTest, MissingEffectDataKeepsTheEventAndPlaysNothing) {
  LerrCapture capture;
  lerrSetThreshold(0);
  inst = objtest::instance(modelWithEvents({effect(0, 7)}), &effects);
  inst->SetAnim(inst->CreateAnim("normal"), L3DObjectInstance::Restart::Yes);
  inst->ResetAnimFrame();
  EXPECT_EQ(inst->eventSets.back()->count(), 1u);
  EXPECT_TRUE(Step().empty());
  EXPECT_NE(capture.Log().find("[L3DAnimInstance::__CreateEvents]"), std::string::npos);
}

TEST_F(EventsTest, CollisionSwitch) {
  struct Row {
    uint32_t value;
    bool startsEnabled, enabled;
  };
  for (const Row& row : {Row{1, false, true}, Row{2, true, false}, Row{3, false, true}}) {
    modelfile::Model m = objtest::bodyModel();
    modelfile::Coll coll;
    coll.name = "Hit";
    coll.flags = row.startsEnabled ? 1 : 0;
    coll.spheres = {modelfile::Sphere{}};
    m.colls = {coll};
    modelfile::Event e;
    e.type = 4;
    e.frame = 0;
    e.number = row.value;
    e.name1 = modelfile::ref(0, 3);
    m.anims = {objtest::anim("normal", 10, 0, {motion(1, 0), motion(1, 1), motion(1, 2)})};
    m.anims[0].pool = "hit";
    m.anims[0].records.events = {e};
    Start(loadModel(m));
    Step();
    EXPECT_EQ((inst->collGroups.Front()->flags & L3D_COLLINST_ENABLED) != 0, row.enabled) << row.value;
  }
}

// A texture animation on the material "mat" of "body", its parameters set on the loaded event.
class TexAnimTest : public EventsTest {
 protected:
  L3D_OBJDATA_EVENT_TEXANIM& Load() {
    modelfile::Event e;
    e.type = 6;
    e.frame = 0;
    e.name1 = modelfile::ref(0, 4);
    e.name2 = modelfile::ref(4, 3);
    data = modelWithEvents({e}, "bodymat");
    auto& ev = static_cast<L3D_OBJDATA_EVENT_TEXANIM&>(*data->anims.Front()->events.Front());
    ev.waveOn = 0;
    ev.scrollOn = 0;
    return ev;
  }
  // The offset of a vertex's u from the part data's (0.5 for every vertex of the builder's sets).
  float U(uint32_t vertex) {
    const L3D_PARTINST_MAT& m = objtest::part(*inst).mats[0];
    return m.vertices[vertex].u - m.mesh->vertices.vertices[vertex].u;
  }

  dbtl::rcptr<L3DObjectData> data;
};

TEST_F(TexAnimTest, ScrollRestartsAfterItsLength) {
  L3D_OBJDATA_EVENT_TEXANIM& ev = Load();
  ev.scrollOn = 1;
  ev.speedU = 0.01f;
  ev.limitU = 1.0f;  // the largest u of the vertex set is 0.5
  Start(data);
  Step();
  ASSERT_EQ(inst->residents.size(), 1u);
  EXPECT_EQ(inst->residents[0].scrollLengthU, 51u);
  EXPECT_EQ(U(2), 0.0f);  // no offset on the first frame
  Step();
  EXPECT_NEAR(U(2), 0.01f, 1e-6f);
  for (int f = 2; f < 51; ++f) Step();
  EXPECT_NEAR(U(2), 0.5f, 1e-6f);  // the 51st frame of the scroll
  Step();
  EXPECT_EQ(U(2), 0.0f);  // and then it starts over
  EXPECT_NE(objtest::part(*inst).mats[0].flags & L3D_PARTINST_MAT_DRAW_COPY, 0u);
}

TEST_F(TexAnimTest, WaveCyclesWithItsPeriod) {
  L3D_OBJDATA_EVENT_TEXANIM& ev = Load();
  ev.waveOn = 1;
  ev.ampU = 0.5f;
  ev.periodU = 5;
  ev.periodV = 1;  // no cycle: index 0 always, never a division by zero
  Start(data);
  std::vector<float> offsets;
  for (int f = 0; f < 6; ++f) {
    Step();
    offsets.push_back(U(0));
  }
  EXPECT_NEAR(offsets[0], 0.0f, 1e-6f);
  EXPECT_NEAR(offsets[1], 0.5f, 1e-6f);   // a quarter turn
  EXPECT_NEAR(offsets[3], -0.5f, 1e-6f);  // three quarters
  EXPECT_NEAR(offsets[4], 0.0f, 1e-6f);   // counter 4: the full turn, index 0
  EXPECT_NEAR(offsets[5], 0.0f, 1e-6f);   // counter back to 0
  EXPECT_EQ(inst->residents[0].waveCounterV, 0u);
}

TEST_F(TexAnimTest, ScrollSpeedZeroIsHarmless) {
  L3D_OBJDATA_EVENT_TEXANIM& ev = Load();
  ev.scrollOn = 1;
  ev.speedU = 0.0f;
  ev.speedV = 0.0f;
  Start(data);
  for (int f = 0; f < 3; ++f) Step();
  EXPECT_EQ(U(1), 0.0f);
}

// Voices and effects are told to let go before the transform blocks they follow are freed:
// the recorder reads every attached block when it is stopped, which the address sanitizer
// would report if the block were already gone.
class ReadingEffects : public RecordingEffects {
 public:
  void StopKey(const void* key) override {
    RecordingEffects::StopKey(key);
    for (const auto& p : plays) {
      if (p.key == key) sum += p.attach[0] + p.attach[9];
    }
  }
  float sum = 0.0f;
};

TEST(ObjectInstanceRelease, StopsEffectsBeforeFreeingTheBlocksTheyFollow) {
  modelfile::Model m = objtest::bodyModel();
  modelfile::Event e = effect(0, 1);
  e.name1 = modelfile::ref(0, 4);
  e.name2 = modelfile::ref(4, 4);
  m.anims = {objtest::anim("normal", 10, 0, {motion(1, 0), motion(1, 1), motion(1, 2)})};
  m.anims[0].pool = "bodyhead";
  m.anims[0].records.events = {e};
  ReadingEffects effects;
  effects.system = l3dNewObject<L3D_EFFECT_DATA>();
  auto inst = objtest::instance(loadModel(m), &effects);
  inst->SetAnim(inst->CreateAnim("normal"), L3DObjectInstance::Restart::Yes);
  inst->ResetAnimFrame();
  inst->ForwardAnimFrame();
  ASSERT_EQ(effects.plays.size(), 1u);
  EXPECT_EQ(effects.plays[0].attach, objtest::bone(*inst, 1).position);
  effects.stopped.clear();
  inst->Release();
  EXPECT_EQ(effects.stopped, std::vector<const void*>{inst.Get()});
  inst->Release();  // a second release does nothing
  EXPECT_EQ(effects.stopped.size(), 1u);
  // The effect set outlives a replacement in the manager: the events hold it.
  auto set = l3dNewObject<L3D_EFFECT_DATA>();
  effects.system = set;
  auto second = objtest::instance(loadModel(m), &effects);
  second->SetAnim(second->CreateAnim("normal"), L3DObjectInstance::Restart::Yes);
  effects.system.Reset();
  set.Reset();
  second->ResetAnimFrame();
  second->ForwardAnimFrame();
  ASSERT_EQ(effects.plays.size(), 2u);
  EXPECT_EQ(effects.plays[1].data->rootCount, 0u);
}

}  // namespace

#include "model/object/L3DObjectInstance.h"
#include "model/object/tests/ObjectTestSupport.h"
#include "sound/DsndManager.h"
#include "sound/se/LSeManager.h"
#include "testsupport/MemoryPack.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using objtest::key;
using objtest::motion;

namespace {

// An effect manager that keeps what it plays alive and, like the real one, reads the block
// each live effect follows on every frame until its key is stopped.
class FollowingEffects : public L3DEffectPlayer {
 public:
  void Play(const L3DEffectPlayRequest& request) override { live.push_back(request); }
  void StopKey(const void* key) override {
    std::erase_if(live, [key](const L3DEffectPlayRequest& r) { return r.key == key; });
  }
  dbtl::rcptr<L3D_EFFECT_DATA> GetFirstData() override { return system; }
  dbtl::rcptr<L3D_EFFECT_DATA> FindData(const L3D_RENDERER_NNID*) override { return {}; }
  void LoadData(L3D_RENDERER_NNID*, int32_t, const char*) override {}

  void Frame() {
    for (const L3DEffectPlayRequest& r : live) followed += r.attach[0] + r.attach[1];
  }

  dbtl::rcptr<L3D_EFFECT_DATA> system;
  std::vector<L3DEffectPlayRequest> live;
  float followed = 0.0f;
};

// A mono 16-bit WAVE file of `frames` samples.
std::vector<uint8_t> wave(uint32_t frames) {
  const uint32_t bytes = frames * 2;
  std::vector<uint8_t> out(44 + bytes);
  size_t at = 0;
  auto put = [&](uint32_t v, int size) {
    for (int i = 0; i < size; ++i) out[at++] = static_cast<uint8_t>(v >> (8 * i));
  };
  auto tag = [&](const char* t) {
    std::memcpy(&out[at], t, 4);
    at += 4;
  };
  tag("RIFF");
  put(36 + bytes, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);  // PCM
  put(1, 2);  // mono
  put(22050, 4);
  put(44100, 4);
  put(2, 2);
  put(16, 2);
  tag("data");
  put(bytes, 4);
  for (uint32_t i = 0; i < frames; ++i) put(100 + i % 1000, 2);
  return out;
}

modelfile::Event atHead(uint32_t type, uint32_t number) {
  modelfile::Event e;
  e.type = type;
  e.frame = 0;
  e.number = number;
  e.name1 = modelfile::ref(0, 4);  // "body"
  e.name2 = modelfile::ref(4, 4);  // "head"
  return e;
}

// The head moves, so a voice or an effect that follows it has something to read each frame.
dbtl::rcptr<L3DObjectData> walkingModel() {
  modelfile::Model m = objtest::bodyModel();
  m.anims = {objtest::anim("normal", 30, 0,
                           {motion(1, 0), motion(1, 1), motion(1, 2, {key(0), key(30, 6.0f)})})};
  m.anims[0].pool = "bodyhead";
  m.anims[0].records.events = {atHead(1, 0), atHead(2, 1)};
  return loadModel(m);
}

// Releasing an instance whose sound follows a bone and whose effect is attached to that bone,
// then running the managers' next frames: the voice keeps playing from the bone's last place
// and the effect is gone, and neither reads the freed transform block (the address sanitizer
// would report it).
TEST(ObjectInstanceRelease, LiveVoicesAndEffectsLetGoOfTheBlocksTheyFollow) {
  setenv("GAME_SOUND_CLOCK", "manual", 1);
  setenv("GAME_SOUND_OUTPUT", "null", 1);
  PackScope pack;
  pack.Add("se/step.wav", wave(30000));
  const std::string prp = "@se0 name=step flags=\"3d slave\"\n";
  pack.Add("se/group.prp", std::vector<uint8_t>(prp.begin(), prp.end()));
  dbtl::rcptr<dbtl::DsndManager> device;
  device.Create(1);
  ASSERT_TRUE(device->Create(nullptr));
  LSeManager se(device, 60.0f);
  se.ReserveTypeSettings();
  LSeManager::_GROUPINFO* group = se.LoadGroup(pack.Number(), "se/group", nullptr, 1);
  ASSERT_NE(LSeManager::_FindSound(group, 0), nullptr);

  FollowingEffects effects;
  effects.system = l3dNewObject<L3D_EFFECT_DATA>();
  if (DmathSinTable[1024] == 0.0f) DmathInitTables();
  L3DModelServices services;
  services.effects = &effects;
  services.seManager = &se;
  auto inst = l3dNewObject<L3DObjectInstance>();
  inst->Create(services, walkingModel(), {});
  LSeGroupList groups;
  groups.count = 1;
  groups.groups.Create(1);
  groups.groups[0] = group;
  inst->SetSeGroups(groups);
  inst->SetAnim(inst->CreateAnim("normal"), L3DObjectInstance::Restart::Yes);
  inst->ResetAnimFrame();
  for (int f = 0; f < 5; ++f) {
    inst->ForwardAnimFrame();
    se.Update();
    effects.Frame();
  }
  ASSERT_EQ(effects.live.size(), 1u);
  LSeManager::_VOICEINFO* voice = se._GetActiveVoices();
  ASSERT_NE(voice, nullptr);
  const float* head = objtest::bone(*inst, 1).position;
  ASSERT_EQ(reinterpret_cast<const float*>(voice->source), head);
  const float lastX = head[0];
  EXPECT_GT(lastX, 0.0f);

  inst->Release();
  inst.Reset();
  for (int f = 0; f < 3; ++f) {
    se.Update();
    effects.Frame();
  }
  EXPECT_TRUE(effects.live.empty());
  ASSERT_EQ(se._GetActiveVoices(), voice);
  EXPECT_EQ(voice->source, nullptr);
  // Detached, the voice runs on with the bone's last velocity.
  EXPECT_GT(voice->position[0], lastX);
}

}  // namespace

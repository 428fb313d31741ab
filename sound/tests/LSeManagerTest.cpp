#include "sound/se/LSeManager.h"

#include "foundation/lerr/LExceptGame.h"
#include "sound/group/SeGroupFile.h"

#include "MpegTestSupport.h"
#include "SoundDevice.h"
#include "SoundFixtures.h"
#include "SoundPack.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using dbtl::DsndManager;
using dbtl::rcptr;
using namespace soundtest;
using Voice = LSeManager::_VOICEINFO;

class LSeManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseManualDevice();
    device.Create(1);
    ASSERT_TRUE(device->Create(nullptr));
    se = std::make_unique<LSeManager>(device, 60.0f);
    se->ReserveTypeSettings();
    pack.Put("se/jump.wav", PatternWav(Unique("jump.wav"), 1000, 100));
    pack.Put("se/long.wav", PatternWav(Unique("long.wav"), 30000, 200));
    pack.Put("up/hit.wav", PatternWav(Unique("hit.wav"), 1000, 300));
  }
  void Prop(const std::string& name, const std::string& text) {
    pack.Put(name, mpegtest::WriteFixture(Unique(std::to_string(++files) + ".prp"),
                                          std::vector<uint8_t>(text.begin(), text.end())));
  }
  LSeManager::_GROUPINFO* Load(const std::string& text, const char* directory = nullptr) {
    Prop("se/group.prp", text);
    return se->LoadGroup(pack.pack(), "se/group", directory, 1);
  }
  size_t VoicesOf(LSeManager::_GROUPINFO* group, uint32_t n) {
    LSeManager::_SEINFO* sound = LSeManager::_FindSound(group, n);
    return sound != nullptr ? sound->voices.size() : 0;
  }
  std::vector<Voice*> Active() const {
    std::vector<Voice*> voices;
    for (Voice* v = se->_GetActiveVoices(); v != nullptr; v = v->next) voices.push_back(v);
    return voices;
  }
  // Plays the device on past the end of every short sound.
  void PlayOn(uint32_t frames = 2000) { Mix(*device, frames); }

  SoundPack pack;
  rcptr<DsndManager> device;
  std::unique_ptr<LSeManager> se;
  int files = 0;
};

TEST_F(LSeManagerTest, AGroupLoadedTwiceIsSharedUntilItsLastUnload) {
  LSeManager::_GROUPINFO* group = Load("@se0 name=jump count=2\n");
  EXPECT_EQ(se->LoadGroup(pack.pack(), "SE/Group", nullptr, 0), group);
  EXPECT_EQ(group->references, 2u);
  EXPECT_EQ(device->_CountData(), 1u);
  se->UnloadGroup(group);
  EXPECT_EQ(se->_CountGroups(), 1u);
  se->UnloadGroup(group);
  EXPECT_EQ(se->_CountGroups(), 0u);
  EXPECT_EQ(device->_CountData(), 0u);  // the sound left the device manager with its voices
  se->UnloadGroup(nullptr);
}

// How the sections become sounds with voices: names relative to the group's directory (".."
// stops at the pack's root), missing files, counts of 0 and empty names leave a sound silent.
TEST_F(LSeManagerTest, SoundsGetTheirVoicesFromTheGroupFile) {
  LSeManager::_GROUPINFO* group = Load(
      "@prop count=2\n"
      "@se0 name=jump\n"
      "@se1 name=missing\n"
      "@se2 name=jump count=0\n"
      "@se3 count=3\n"
      "@se4 name=../../../up/hit count=1\n"
      "@se5 name=/up/hit count=3\n");
  const std::vector<size_t> expected = {2, 0, 0, 0, 1, 0};
  for (uint32_t n = 0; n < expected.size(); ++n) EXPECT_EQ(VoicesOf(group, n), expected[n]) << n;
  EXPECT_EQ(LSeManager::_FindSound(group, 1)->count, 0u);
  EXPECT_EQ(device->_CountData(), 2u);  // the voices of one file share its samples
  // A rooted name keeps its root; the fixture's pack has no such name.
  EXPECT_EQ(pack.Queries("/up/hit.wav"), 1u);

  // A directory given to the load replaces the name's own.
  Prop("other.prp", "@se0 name=hit\n");
  LSeManager::_GROUPINFO* other = se->LoadGroup(pack.pack(), "other", "\\up", 0);
  EXPECT_EQ(pack.Queries("/up/hit.wav"), 2u);
  EXPECT_EQ(VoicesOf(other, 0), 0u);
  Prop("third.prp", "@se0 name=hit\n");
  EXPECT_EQ(VoicesOf(se->LoadGroup(pack.pack(), "third", "up", 0), 0), 1u);
}

TEST_F(LSeManagerTest, AHugeSoundNumberCostsNoMemory) {
  LSeManager::_GROUPINFO* group = Load("x @se2147483647\n@se0 name=jump\n");
  EXPECT_EQ(group->soundCount, 2147483648u);
  EXPECT_EQ(group->sounds.size(), 1u);
  se->Play(2147483646, group, nullptr, nullptr);
  EXPECT_TRUE(Active().empty());
}

class LSePlayTest : public LSeManagerTest {
 protected:
  void SetUp() override {
    LSeManagerTest::SetUp();
    group = Load(
        "@se0 name=jump count=2\n"
        "@se1 name=long count=2 flags=stop\n"
        "@se2 name=long count=1 flags=\"3d slave\"\n"
        "@se3 name=jump flags=slave\n");
  }
  LSeManager::_GROUPINFO* group = nullptr;
};

TEST_F(LSePlayTest, AThirdStartOfTwoVoicesRestartsTheOldest) {
  std::vector<Voice>& voices = LSeManager::_FindSound(group, 0)->voices;
  se->Play(0, group, nullptr, nullptr);
  se->Play(0, group, nullptr, nullptr);
  EXPECT_EQ(Active(), (std::vector<Voice*>{&voices[1], &voices[0]}));
  EXPECT_EQ(group->references, 3u);
  se->Play(0, group, nullptr, nullptr);
  EXPECT_EQ(Active(), (std::vector<Voice*>{&voices[0], &voices[1]}));
  EXPECT_EQ(voices[0].age, 0u);
  EXPECT_EQ(voices[1].age, 1u);
  EXPECT_EQ(group->references, 3u);

  for (uint32_t n : {4u, 99u}) se->Play(n, group, nullptr, nullptr);  // no such sound
  se->Play(0, nullptr, nullptr, nullptr);
  EXPECT_EQ(Active().size(), 2u);
}

TEST_F(LSePlayTest, EndedVoicesAreReleasedByTheUpdate) {
  se->Play(0, group, nullptr, nullptr);
  se->Play(1, group, nullptr, nullptr);
  EXPECT_EQ(group->references, 3u);
  PlayOn();
  se->Update();
  ASSERT_EQ(Active().size(), 1u);  // the long sound plays on
  EXPECT_EQ(Active()[0]->sound->number, 1u);
  EXPECT_EQ(group->references, 2u);
  // The last unload while a voice plays leaves the group to that voice.
  se->UnloadGroup(group);
  EXPECT_EQ(se->_CountGroups(), 1u);
  Mix(*device, 31000);
  se->Update();
  EXPECT_EQ(se->_CountGroups(), 0u);
}

TEST_F(LSePlayTest, TheVoicePlaysAtItsTypeVolume) {
  se->configureTypeSetting(1, 0.5f);
  se->Play(0, group, nullptr, nullptr);
  int32_t volume = 1;
  Active()[0]->set->_GetVoice(0)->GetVolume(&volume);
  EXPECT_EQ(volume, DsndManager::_VolumeToDb(0.5f, 0));
}

TEST_F(LSePlayTest, OwnersStopOrDetachTheirVoices) {
  int owner = 0;
  LSePositionSource source = {{1, 2, 3}, {}, {0.5f, 0, -1}};
  se->Play(1, group, &owner, &source);  // stops with its owner
  se->Play(2, group, &owner, &source);  // follows its source
  se->Play(0, group, &owner, &source);  // neither: never in the key's chain
  ASSERT_EQ(se->_GetKeys().size(), 1u);
  Voice* follower = &LSeManager::_FindSound(group, 2)->voices[0];
  EXPECT_EQ(follower->position[0], 1.0f);

  source.position[0] = 10;
  se->Update();
  EXPECT_EQ(follower->position[0], 10.0f);

  se->DetachOwner(&owner);
  EXPECT_EQ(Active().size(), 2u);  // the stopping voice went
  EXPECT_EQ(follower->source, nullptr);
  EXPECT_EQ(se->_GetKeys().size(), 1u);  // the follower still holds the key
  se->Update();  // moves on with its last velocity, one frame at a time
  EXPECT_EQ(follower->position[0], 10.5f);
  EXPECT_EQ(follower->position[2], 2.0f);
  se->DetachOwner(&source);  // not a key: nothing
  EXPECT_EQ(Active().size(), 2u);
}

TEST_F(LSePlayTest, AnEmptiedKeyGivesItsPlaceToTheLastKey) {
  int first = 0, second = 0;
  se->Play(1, group, &first, nullptr);
  se->Play(1, group, &second, nullptr);
  se->Play(2, group, &second, nullptr);
  ASSERT_EQ(se->_GetKeys().size(), 2u);
  se->DetachOwner(&first);
  ASSERT_EQ(se->_GetKeys().size(), 1u);
  EXPECT_EQ(se->_GetKeys()[0].key, &second);
  int chain = 0;
  for (Voice* v = se->_GetKeys()[0].first; v != nullptr; v = v->keyNext, ++chain) EXPECT_EQ(v->key, 0);
  EXPECT_EQ(chain, 2);

  // The follower is no stopping voice: the key stays with it until it stops.
  se->DetachOwner(&second);
  EXPECT_EQ(se->_GetKeys().size(), 1u);
  ASSERT_EQ(Active().size(), 1u);
  se->_StopVoice(Active()[0]);
  EXPECT_TRUE(se->_GetKeys().empty());
  EXPECT_EQ(group->references, 1u);
}

TEST_F(LSePlayTest, ReleaseStopsEverythingWhateverTheCounts) {
  se->LoadGroup(pack.pack(), "se/group", nullptr, 0);
  se->Play(1, group, nullptr, nullptr);
  se->Release();
  EXPECT_EQ(se->_CountGroups(), 0u);
  EXPECT_EQ(device->_CountData(), 0u);
  EXPECT_EQ(se->GetTypeCount(), 0u);
}

TEST_F(LSeManagerTest, BrokenRequestsAreFatal) {
  EXPECT_THROW(se->configureTypeSetting(3, 1.0f), LExceptGame);
  EXPECT_THROW(se->LoadGroup(pack.pack(), "se/group", nullptr, 3), LExceptGame);
  EXPECT_THROW(se->LoadGroup(pack.pack(), "se/none", nullptr, 0), LExceptGame);
}

}  // namespace

#include "sound/DsndData.h"

#include "sound/DsndBuffer.h"
#include "sound/DsndManager.h"

#include "SoundDevice.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using dbtl::DFile;
using dbtl::DsndBuffer;
using dbtl::DsndData;
using dbtl::DsndManager;
using namespace soundtest;

class DsndDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseManualDevice();
    ASSERT_TRUE(manager.Create(nullptr));
  }
  void OpenPattern(const std::string& name, uint32_t frames, int16_t base) {
    file.Close();
    ASSERT_TRUE(file.Open(PatternWav(name, frames, base).c_str(), dbtl::DFILE_READ));
  }
  static std::vector<int16_t> Pattern(int16_t base, uint32_t from, uint32_t n) {
    std::vector<int16_t> v;
    for (uint32_t i = from; i < from + n; ++i) v.push_back(PatternSample(base, i));
    return v;
  }

  DsndManager manager;
  DFile file;
};

TEST_F(DsndDataTest, SecondSetDuplicatesTheFirstAndSharesItsSamples) {
  OpenPattern("voice.wav", 3000, 100);
  const auto first = manager.LoadBuffer("voice", file, 0, 0);
  const auto second = manager.LoadBuffer("VOICE", file, 0, 0);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first.Get(), second.Get());
  EXPECT_EQ(manager._CountData(), 1u);
  const auto sound = manager._FindData("voice");
  EXPECT_EQ(sound->_ListOf(dsound::DSBCAPS_LOCSOFTWARE).GetCount(), 2u);

  // The duplicate was never filled, yet plays the sound: it shares the first set's samples.
  second->Play(1.0f);
  EXPECT_TRUE(second->IsPlaying());
  EXPECT_FALSE(first->IsPlaying());
  EXPECT_EQ(Mix(manager, 3000), Pattern(100, 0, 3000));
  EXPECT_FALSE(second->IsPlaying());  // played once, not looping

  // With the first set gone, the next request duplicates the remaining one.
  EXPECT_TRUE(first->Release());
  const auto third = manager.CreateBuffer("voice", 0, 0);
  ASSERT_TRUE(third);
  third->Play(1.0f);
  EXPECT_EQ(Mix(manager, 1000), Pattern(100, 0, 1000));
}

TEST_F(DsndDataTest, LastSetTakesTheSoundAway) {
  OpenPattern("first.wav", 500, 100);
  auto set = manager.LoadBuffer("name", file, 0, 0);
  ASSERT_TRUE(set);
  set.Reset();  // the only set goes, and the sound with it
  EXPECT_EQ(manager._CountData(), 0u);
  EXPECT_FALSE(manager.CreateBuffer("name", 0, 0));

  // The next load of the name reads the (new) file again.
  OpenPattern("second.wav", 500, 3000);
  set = manager.LoadBuffer("name", file, 0, 0);
  ASSERT_TRUE(set);
  set->Play(1.0f);
  EXPECT_EQ(Mix(manager, 500), Pattern(3000, 0, 500));
}

TEST_F(DsndDataTest, PlayingSetRestartsFromTheBeginning) {
  OpenPattern("long.wav", 5000, 100);
  const auto set = manager.LoadBuffer("long", file, 0, 0);
  ASSERT_TRUE(set);
  set->Play(1.0f);
  EXPECT_EQ(Mix(manager, 1200), Pattern(100, 0, 1200));
  set->Play(1.0f);  // the one voice is playing: it is reused from its start
  EXPECT_EQ(Mix(manager, 100), Pattern(100, 0, 100));
  set->SetPosition(1, 2, 3);  // no 3D interface: nothing happens
  set->SetVelocity(1, 2, 3);
  EXPECT_TRUE(set->IsPlaying());
}

TEST_F(DsndDataTest, NamesAreCutAndUnloadReleasesEverySet) {
  OpenPattern("short.wav", 100, 0);
  const std::string longName(300, 'n');
  const auto a = manager.LoadBuffer(longName.c_str(), file, 0, 0);
  ASSERT_TRUE(a);
  EXPECT_EQ(std::string(manager._FindData(std::string(263, 'n').c_str())->GetName()),
            std::string(263, 'n'));
  const auto b = manager.CreateBuffer(std::string(263, 'N').c_str(), 0, 0);
  ASSERT_TRUE(b);

  const auto sound = manager._FindData(std::string(263, 'n').c_str());
  EXPECT_TRUE(sound->Unload());
  EXPECT_FALSE(sound->Unload());
  EXPECT_FALSE(a->IsCreated());
  EXPECT_FALSE(b->IsCreated());
  EXPECT_EQ(manager._CountData(), 0u);
}

TEST_F(DsndDataTest, PositionalRequestsFindNoLocationOnThisDevice) {
  OpenPattern("short.wav", 100, 0);
  dbtl::rcptr<DsndData> sound;
  sound.Create(1);
  ASSERT_TRUE(sound->Load(file, "direct", &manager));
  EXPECT_FALSE(sound->Load(file, "twice", &manager));
  // The device grants neither 3D control nor hardware buffers, so every location refuses a
  // positional set; a plain request still gets one.
  EXPECT_FALSE(sound->CreateBuffer(DsndBuffer::POSITIONAL | DsndBuffer::VOICE_MANAGED, 3));
  EXPECT_FALSE(sound->CreateBuffer(DsndBuffer::POSITIONAL, 3));
  // A set that cannot get its 3D interface leaves the buffer to the caller, who releases it.
  dsound::IDirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(manager.GetDirectSound()->DuplicateSoundBuffer(
                sound->CreateBuffer(0, 0)->_GetVoice(0), &buffer),
            dsound::DS_OK);
  DsndBuffer refused;
  EXPECT_FALSE(refused.Create(sound.Get(), buffer, DsndBuffer::POSITIONAL, 0));
  EXPECT_FALSE(refused.IsCreated());
  EXPECT_EQ(buffer->AddRef(), 2u);  // still the caller's one reference (plus this one)
  buffer->Release();
  buffer->Release();

  const auto plain = sound->CreateBuffer(0, 0);
  ASSERT_TRUE(plain);
  plain->Play(0.5f);
  int32_t volume = 0;
  plain->_GetVoice(0)->GetVolume(&volume);
  EXPECT_EQ(volume, -500);
}

}  // namespace

#include "sound/bgm/BgmPlayer.h"

#include "SoundDevice.h"
#include "SoundFixtures.h"
#include "SoundPack.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using dbtl::DsndManager;
using dbtl::DsndStream;
using dbtl::rcptr;
using namespace soundtest;

constexpr uint32_t kRate = 22050;

class TestSystem : public BgmSystem {
 public:
  dbtl::DsndManager& GetSoundManager() override { return manager; }
  int32_t GetPack() const override { return pack; }
  float GetVolume(uint32_t type) const override { return volumes[type]; }

  DsndManager manager;
  int32_t pack = 0;
  float volumes[kVolumeCount] = {1.0f, 1.0f, 1.0f};
};

std::vector<int16_t> Pattern(int16_t base, uint32_t n) {
  std::vector<int16_t> v;
  for (uint32_t i = 0; i < n; ++i) v.push_back(PatternSample(base, i));
  return v;
}

// Music files are named ".ogg" in the pack; the reader tells sources by their bytes, so the
// fixtures are PCM patterns whose every sample can be checked in the mix.
class BgmPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseManualDevice();
    ASSERT_TRUE(system.manager.Create(nullptr));
    system.pack = pack.pack();
    Put("bgm/a.ogg", "bgm_a.wav", 7000, 1000);
    Put("bgm/b.ogg", "bgm_b.wav", 9000, 5000);
    Put("bgm/c.ogg", "bgm_c.wav", 30000, 9000);
    Put("se/short1.ogg", "bgm_short1.wav", 3000, 200);
    Put("se/short2.ogg", "bgm_short2.wav", 3000, 300);
    for (const char* n : {"long1", "long2", "long3", "long4"}) {
      Put(std::string("se/") + n + ".ogg", "bgm_long.wav", 3 * kRate, 400);
    }
  }
  void Put(const std::string& name, const std::string& file, uint32_t frames, int16_t base) {
    pack.Put(name, PatternWav(Unique(file), frames, base));
  }
  std::vector<int16_t> PlayMusic(uint64_t frames) {
    const rcptr<DsndStream> stream = player._GetStream();
    EXPECT_TRUE(stream);
    if (!stream) return {};
    StreamPump pump(system.manager, *stream, kRate);
    pump.Advance(frames);
    return pump.left;
  }
  static bool EndsWithin(const rcptr<DsndStream>& stream, int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (stream->GetFlags() != 0) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  std::vector<DsndStream*> Slots() const {
    std::vector<DsndStream*> slots;
    for (uint32_t i = 0; i < BgmPlayer::kSlotCount; ++i) slots.push_back(player._GetSlot(i).Get());
    return slots;
  }

  SoundPack pack;
  TestSystem system;
  BgmPlayer player{&system};
};

TEST_F(BgmPlayerTest, IntroOnceThenLoopWithoutEndAndANewPlayReplacesIt) {
  player.play(u"bgm/", u"a", u"b", true);
  const rcptr<DsndStream> first = player._GetStream();
  std::vector<int16_t> expected = Pattern(1000, 7000);
  while (expected.size() < 3 * kRate) {
    const auto loop = Pattern(5000, 9000);
    expected.insert(expected.end(), loop.begin(), loop.end());
  }
  expected.resize(3 * kRate);
  EXPECT_EQ(PlayMusic(3 * kRate), expected);
  EXPECT_EQ(first->GetFlags(), DsndStream::RUNNING);

  player.play(u"bgm", u"c", nullptr, true);
  EXPECT_EQ(first->GetFlags(), 0u);  // stopped at once
  ASSERT_NE(player._GetStream(), first);
  EXPECT_EQ(player._GetStream()->GetFlags(), DsndStream::RUNNING);
}

// Which parts make up the playlist: the stream's output is the parts in order, and it ends
// by itself unless the loop part repeats.
TEST_F(BgmPlayerTest, PartsThatAreMissingAreLeftOut) {
  struct Case {
    const char16_t* intro;
    const char16_t* loop;
    bool loopFlag;
    std::vector<std::pair<int16_t, uint32_t>> parts;  // pattern base and frames, in order
  };
  const Case cases[] = {
      {nullptr, u"b", false, {{5000, 9000}}},
      {u"", u"b", false, {{5000, 9000}}},
      {u"none", u"b", false, {{5000, 9000}}},
      {u"a", nullptr, true, {{1000, 7000}}},
      {u"a", u"none", true, {{1000, 7000}}},
      {u"a", u"b", false, {{1000, 7000}, {5000, 9000}}},
      {u"./a", u"../bgm/b", false, {{1000, 7000}, {5000, 9000}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.parts.size() << " parts, first " << c.parts[0].first);
    player.play(u"bgm", c.intro, c.loop, c.loopFlag);
    std::vector<int16_t> expected;
    for (const auto& [base, frames] : c.parts) {
      const auto part = Pattern(base, frames);
      expected.insert(expected.end(), part.begin(), part.end());
    }
    expected.resize(2 * kRate, 0);
    EXPECT_EQ(PlayMusic(2 * kRate), expected);
    EXPECT_EQ(player._GetStream()->GetFlags(), 0u);  // ended by itself
  }
}

TEST_F(BgmPlayerTest, NeitherPartLeavesThePreviousMusicStopped) {
  player.play(u"bgm", u"a", u"b", true);
  const rcptr<DsndStream> first = player._GetStream();
  for (const char16_t* missing : {static_cast<const char16_t*>(nullptr), u"", u"none"}) {
    player.play(u"bgm", missing, missing, true);
    EXPECT_FALSE(player._GetStream());
  }
  EXPECT_EQ(first->GetFlags(), 0u);
  EXPECT_EQ(pack.Queries("bgm/none.ogg"), 2u);  // null and empty names are never looked up
}

TEST_F(BgmPlayerTest, NamesThatDoNotFitTheBuffersAreMissing) {
  const std::u16string longName(BgmPlayer::kNameCapacity, u'x');
  player.play(u"bgm", longName.c_str(), nullptr, false);
  EXPECT_FALSE(player._GetStream());
  // A directory that pushes a short name past the buffers, and a name whose 8-bit form (two
  // bytes a character) does not fit although its UTF-16 form does.
  const std::u16string longDirectory(BgmPlayer::kNameCapacity - 4, u'd');
  player.play(longDirectory.c_str(), u"a", nullptr, false);
  EXPECT_FALSE(player._GetStream());
  const std::u16string wide(70, u'\u3042');
  player.playSound(0, u"", wide.c_str());
  EXPECT_EQ(Slots(), (std::vector<DsndStream*>{nullptr, nullptr, nullptr}));
}

TEST_F(BgmPlayerTest, TheMusicAndTheSoundsPlayAtTheVolumeOfTheirType) {
  system.volumes[0] = 0.5f;
  system.volumes[2] = 0.25f;
  player.play(u"bgm", u"a", u"b", true);
  player.playSound(2, u"se", u"long1");
  int32_t music = 1, sound = 1;
  player._GetStream()->_GetBuffer()->GetVolume(&music);
  player._GetSlot(0)->_GetBuffer()->GetVolume(&sound);
  EXPECT_EQ(music, DsndManager::_VolumeToDb(0.5f, 0));
  EXPECT_EQ(sound, DsndManager::_VolumeToDb(0.25f, 0));

  player.playSound(3, u"se", u"long2");  // no such type: nothing happens
  EXPECT_FALSE(player._GetSlot(1));
}

// A sound that gives way is destroyed with its slot (which ends its worker): the manager's list
// of streams shows it.
TEST_F(BgmPlayerTest, AFourthSoundStopsTheOldestEvenWhenItsFileIsMissing) {
  for (const char16_t* n : {u"long1", u"long2", u"long3"}) player.playSound(1, u"se", n);
  const std::vector<DsndStream*> three = Slots();
  ASSERT_EQ(system.manager._CountStreams(), 3u);
  player.playSound(1, u"se", u"long4");
  EXPECT_EQ(system.manager._CountStreams(), 3u);
  const std::vector<DsndStream*> now = Slots();
  EXPECT_EQ(now[0], three[1]);
  EXPECT_EQ(now[1], three[2]);
  ASSERT_NE(now[2], nullptr);
  EXPECT_EQ(now[2]->GetFlags(), DsndStream::RUNNING);

  player.playSound(1, u"se", u"none");
  EXPECT_EQ(system.manager._CountStreams(), 2u);
  EXPECT_EQ(Slots(), (std::vector<DsndStream*>{now[1], now[2], nullptr}));
}

TEST_F(BgmPlayerTest, EndedSoundsGiveTheirSlotsBack) {
  player.playSound(1, u"se", u"short1");
  player.playSound(1, u"se", u"short2");
  player.playSound(1, u"se", u"long1");
  const rcptr<DsndStream> s1 = player._GetSlot(0), s2 = player._GetSlot(1);
  const rcptr<DsndStream> running = player._GetSlot(2);
  ASSERT_TRUE(s1 && s2 && running);
  StreamPump pump(system.manager, *s2, kRate);
  pump.Advance(kRate);
  ASSERT_TRUE(EndsWithin(s1, 10000));
  ASSERT_TRUE(EndsWithin(s2, 10000));

  player.playSound(1, u"se", u"long2");
  EXPECT_EQ(player._GetSlot(0), running);
  ASSERT_TRUE(player._GetSlot(1));
  EXPECT_EQ(player._GetSlot(1)->GetFlags(), DsndStream::RUNNING);
  EXPECT_FALSE(player._GetSlot(2));
}

TEST_F(BgmPlayerTest, StopAndDestructionEndEveryStream) {
  player.play(u"bgm", u"a", u"b", true);
  player.playSound(1, u"se", u"long1");
  const rcptr<DsndStream> music = player._GetStream();
  player.stop();
  EXPECT_EQ(music->GetFlags(), 0u);
  EXPECT_FALSE(player._GetStream());
  EXPECT_EQ(Slots(), (std::vector<DsndStream*>{nullptr, nullptr, nullptr}));
  EXPECT_EQ(system.manager._CountStreams(), 1u);  // only the stream the test holds

  rcptr<DsndStream> kept;
  {
    BgmPlayer other(&system);
    other.play(u"bgm", u"a", u"b", true);
    kept = other._GetStream();
  }
  EXPECT_EQ(kept->GetFlags(), 0u);
}

}  // namespace

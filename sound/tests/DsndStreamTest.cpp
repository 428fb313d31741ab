#include "sound/DsndStream.h"

#include "sound/DsndList.h"
#include "sound/DsndManager.h"

#include "MpegTestSupport.h"
#include "SoundDevice.h"
#include "SoundFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

namespace {

using dbtl::DFile;
using dbtl::DsndList;
using dbtl::DsndManager;
using dbtl::DsndStream;
using dbtl::rcptr;
using namespace soundtest;

constexpr uint32_t kRate = 22050;  // mono 16-bit: one second is 22050 frames, 44100 bytes

class DsndStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseManualDevice();
    ASSERT_TRUE(manager.Create(nullptr));
    list.Create(1);
  }
  void Add(const std::string& path, int32_t loop, bool expected = true) {
    DFile file;
    ASSERT_TRUE(file.Open(path.c_str(), dbtl::DFILE_READ));
    EXPECT_EQ(list->Add(file, loop), expected);
  }
  static std::vector<int16_t> Pattern(int16_t base, uint32_t n) {
    std::vector<int16_t> v;
    for (uint32_t i = 0; i < n; ++i) v.push_back(PatternSample(base, i));
    return v;
  }
  static std::vector<int16_t> Join(std::initializer_list<std::vector<int16_t>> parts) {
    std::vector<int16_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  }
  int32_t Volume(DsndStream& stream) {
    int32_t volume = 1;
    stream._GetBuffer()->GetVolume(&volume);
    return volume;
  }
  // Waits (in real time) until the buffer's volume has the value.
  bool VolumeBecomes(DsndStream& stream, int32_t value, int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (Volume(stream) != value) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }

  // Plays the stream (made over the list when null) at full volume for `frames` output frames
  // and returns the left channel of the output.
  std::vector<int16_t> PlayFor(rcptr<DsndStream>& stream, uint64_t frames) {
    if (!stream) stream = manager.CreateStream(list);
    EXPECT_TRUE(stream);
    if (!stream) return {};
    stream->Play(1.0f);
    StreamPump pump(manager, *stream, kRate);
    pump.Advance(frames);
    return pump.left;
  }

  DsndManager manager;
  rcptr<DsndList> list;
};

TEST_F(DsndStreamTest, IntroOnceThenTheLoopWithoutGap) {
  Add(PatternWav("intro.wav", 7000, 1000), 0);
  Add(PatternWav("loop.wav", 9000, 5000), -1);
  rcptr<DsndStream> stream;
  const std::vector<int16_t> played = PlayFor(stream, 4 * kRate);
  auto expected = Pattern(1000, 7000);
  while (expected.size() < 4 * kRate) expected = Join({expected, Pattern(5000, 9000)});
  expected.resize(4 * kRate);
  EXPECT_EQ(played, expected);
  EXPECT_EQ(stream->GetFlags(), DsndStream::RUNNING);  // never ends by itself
}

// Background music's road: Ogg Vorbis intro and loop, decoded by the worker one second ahead.
TEST_F(DsndStreamTest, OggVorbisIntroAndLoopPlayAsDecoded) {
  const std::string intro = SoxFile("intro.ogg", kRate, 2, 0.6);
  const std::string loop = SoxFile("loop.ogg", kRate, 2, 0.45);
  Add(intro, 0);
  Add(loop, -1);
  rcptr<DsndStream> stream;
  const std::vector<int16_t> played = PlayFor(stream, 3 * kRate);
  const auto leftOf = [](const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> left;
    for (size_t i = 0; i + 3 < bytes.size(); i += 4) left.push_back(int16_t(bytes[i] | bytes[i + 1] << 8));
    return left;
  };
  std::vector<int16_t> expected = leftOf(SoxDecode(intro));
  const std::vector<int16_t> once = leftOf(SoxDecode(loop));
  while (expected.size() < 3 * kRate) expected = Join({expected, once});
  expected.resize(3 * kRate);
  EXPECT_EQ(played, expected);
}

TEST_F(DsndStreamTest, LoopCountPlaysThreeTimesThenStopsByItself) {
  Add(PatternWav("thrice.wav", 10000, 200), 2);
  rcptr<DsndStream> stream;
  const std::vector<int16_t> played = PlayFor(stream, 4 * kRate);
  const auto once = Pattern(200, 10000);
  auto expected = Join({once, once, once});
  expected.resize(4 * kRate, 0);
  EXPECT_EQ(played, expected);
  EXPECT_EQ(stream->GetFlags(), 0u);
  EXPECT_EQ(list->GetFirst()->loop, 0);  // the count was used up and stays so

  // Played again, the consumed count leaves one pass.
  expected = once;
  expected.resize(2 * kRate, 0);
  EXPECT_EQ(PlayFor(stream, 2 * kRate), expected);
}

// A source shorter than one second: the first half holds the sound and silence, and the worker
// stops at the notification in the middle of the buffer, once the first half has played.
TEST_F(DsndStreamTest, ShortSourcePadsWithSilenceOfItsKind) {
  struct Case {
    const char* name;
    int bits;
    uint8_t silence;
  };
  for (const Case& c : {Case{"short16.wav", 16, 0}, Case{"short8.wav", 8, 0x80}}) {
    SCOPED_TRACE(c.name);
    list.Create(1);
    Add(PatternWav(c.name, 5000, 20, kRate, 1, c.bits), 0);
    const auto stream = manager.CreateStream(list);
    ASSERT_TRUE(stream);
    stream->Play(1.0f);
    StreamPump pump(manager, *stream, kRate);
    pump.Advance(kRate - 1);
    EXPECT_EQ(stream->GetFlags(), DsndStream::RUNNING);
    pump.Advance(1);
    EXPECT_EQ(stream->GetFlags(), 0u);
    void* memory = nullptr;
    void* second = nullptr;
    uint32_t bytes = 0, secondBytes = 0;
    ASSERT_EQ(stream->_GetBuffer()->Lock(0, 0, &memory, &bytes, &second, &secondBytes,
                                         dsound::DSBLOCK_ENTIREBUFFER),
              dsound::DS_OK);
    const uint32_t sound = 5000 * static_cast<uint32_t>(c.bits / 8);
    const auto* p = static_cast<const uint8_t*>(memory);
    EXPECT_EQ(std::vector<uint8_t>(p + sound, p + bytes),
              std::vector<uint8_t>(bytes - sound, c.silence));
    stream->_GetBuffer()->Unlock(memory, bytes, second, secondBytes);
  }
}

TEST_F(DsndStreamTest, EntriesMustShareTheFormat) {
  Add(PatternWav("rate22.wav", 100, 0, 22050), 0);
  Add(PatternWav("rate44.wav", 100, 0, 44100), 0, false);
  Add(PatternWav("stereo.wav", 100, 0, 22050, 2), 0, false);
  Add(PatternWav("rate22b.wav", 100, 0, 22050), 0);
  Add(mpegtest::WriteFixture("noise.bin", std::vector<uint8_t>(300, 0x11)), 0, false);
  EXPECT_EQ(list->GetCount(), 2u);

  DsndStream stream;
  EXPECT_FALSE(stream.Open(rcptr<DsndList>(), &manager));
  rcptr<DsndList> empty;
  empty.Create(1);
  EXPECT_FALSE(stream.Open(empty, &manager));
  EXPECT_FALSE(stream.Close());
}

TEST_F(DsndStreamTest, PlayAndStopOnlyActWhenTheyChangeSomething) {
  Add(PatternWav("loop.wav", 9000, 5000), -1);
  const auto stream = manager.CreateStream(list);
  ASSERT_TRUE(stream);
  stream->Stop();  // stopped: returns at once
  stream->Play(0.5f);
  EXPECT_EQ(Volume(*stream), -500);
  stream->Play(1.0f);  // running: ignored, volume included
  EXPECT_EQ(Volume(*stream), -500);
  stream->SetVolume(0.5f);  // scale x base volume
  EXPECT_EQ(Volume(*stream), -1000);
  stream->Stop();
  EXPECT_EQ(stream->GetFlags(), 0u);
  stream->SetVolume(1.0f);  // stopped: nothing
  stream->FadeOut(100);
  EXPECT_EQ(Volume(*stream), -1000);
  stream->Play(1.0f);  // started again, with a fresh acknowledgement
  EXPECT_EQ(Volume(*stream), 0);
  EXPECT_TRUE(stream->Close());
  EXPECT_EQ(manager._CountStreams(), 0u);
}

TEST_F(DsndStreamTest, FadesSilenceAndKeepRunning) {
  Add(PatternWav("loop.wav", 9000, 5000), -1);
  const auto stream = manager.CreateStream(list);
  ASSERT_TRUE(stream);

  stream->Play(1.0f);
  stream->FadeOut(0);  // at once
  EXPECT_TRUE(VolumeBecomes(*stream, -10000, 2000));
  EXPECT_EQ(stream->GetFlags(), DsndStream::RUNNING);
  stream->Stop();

  stream->Play(1.0f);
  stream->FadeOut(1000);
  EXPECT_EQ(stream->GetFlags(), DsndStream::RUNNING | DsndStream::FADING);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  const int32_t during = Volume(*stream);
  EXPECT_LT(during, 0);
  EXPECT_GT(during, -10000);
  stream->FadeOut(10);  // a second fade during a fade does nothing
  // The volume steps down every 50 ms, never back up, until it holds silence.
  std::vector<int32_t> seen{during};
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (seen.back() != -10000 && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    seen.push_back(Volume(*stream));
  }
  EXPECT_EQ(seen.back(), -10000);
  EXPECT_TRUE(std::is_sorted(seen.rbegin(), seen.rend()));
  EXPECT_GE(std::set<int32_t>(seen.begin(), seen.end()).size(), 8u);
  EXPECT_EQ(stream->GetFlags(), DsndStream::RUNNING);  // held silent, still running
  stream->Stop();

  // A volume change cancels a fade.
  stream->Play(1.0f);
  stream->FadeOut(300);
  stream->SetVolume(0.5f);
  EXPECT_EQ(stream->GetFlags(), DsndStream::RUNNING);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_EQ(Volume(*stream), -500);
}

TEST_F(DsndStreamTest, EndlessLoopOfAnEmptyEntryEnds) {
  Add(PatternWav("empty.wav", 0, 0), -1);
  rcptr<DsndStream> stream;
  EXPECT_EQ(PlayFor(stream, 2 * kRate), std::vector<int16_t>(2 * kRate, 0));
  EXPECT_EQ(stream->GetFlags(), 0u);
}

}  // namespace

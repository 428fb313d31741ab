#include "sound/DsndManager.h"

#include "sound/DsndBuffer.h"
#include "sound/DsndList.h"
#include "sound/DsndStream.h"

#include "MpegTestSupport.h"
#include "SoundDevice.h"
#include "SoundFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

using dbtl::DFile;
using dbtl::DsndManager;
using namespace soundtest;

struct VolumeCase {
  float volume;
  float slope;
  int32_t db;
};

TEST(DsndManagerVolume, LinearVolumeToAttenuation) {
  const VolumeCase cases[] = {
      {1.0f, 0, 0},          {2.0f, 0, 0},          {0.9f, 0, -76},       {0.75f, 0, -208},
      {0.5f, 0, -500},       {0.25f, 0, -1000},     {0.1f, 0, -1661},     {0.01f, 0, -3322},
      {0.001f, 0, -4983},    {1e-6f, 0, -9966},     {9.9e-7f, 0, -10000}, {0.0f, 0, -10000},
      {-1.0f, 0, -10000},    {0.5f, 0.005f, -550},  {0.1f, 0.005f, -1827}, {1e-6f, 0.005f, -10000},
  };
  for (const VolumeCase& c : cases) {
    EXPECT_EQ(DsndManager::_VolumeToDb(c.volume, c.slope), c.db) << c.volume << " " << c.slope;
  }
  EXPECT_EQ(DsndManager::_VolumeToDb(std::nanf(""), 0), -10000);
}

class DsndManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { UseManualDevice(); }
};

TEST_F(DsndManagerTest, CreateOnceAndLogTheDevice) {
  DebugLog log;
  DsndManager manager;
  ASSERT_TRUE(manager.Create(nullptr));
  EXPECT_EQ(manager.GetFlags(), DsndManager::CREATED);
  dsound::IDirectSound* device = manager.GetDirectSound();
  EXPECT_FALSE(manager.Create(nullptr));
  EXPECT_EQ(manager.GetDirectSound(), device);
  EXPECT_EQ(manager.GetListener(), nullptr);
  const std::string text = log.Text();
  EXPECT_EQ(text.rfind("[Dsnd] device \"", 0), 0u) << text;
  EXPECT_NE(text.find("\" driver \""), std::string::npos) << text;
  EXPECT_NE(text.find("\"\r\n[Dsnd] Create mode\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("[Dsnd] Create mode", text.find("Create mode") + 1), std::string::npos);
  EXPECT_TRUE(manager.Release());
  EXPECT_FALSE(manager.Release());
  EXPECT_EQ(manager.GetFlags(), 0u);
}

TEST_F(DsndManagerTest, WithoutDeviceEveryRequestIsNull) {
  setenv("GAME_SOUND_OUTPUT", "nowhere", 1);  // the device refuses to open
  DsndManager manager;
  EXPECT_FALSE(manager.Create(nullptr));
  EXPECT_EQ(manager.GetDirectSound(), nullptr);
  EXPECT_FALSE(manager.Release());
  DFile file;
  ASSERT_TRUE(file.Open(PatternWav("short.wav", 100, 0).c_str(), dbtl::DFILE_READ));
  EXPECT_FALSE(manager.LoadBuffer("short", file, 0, 0));
  EXPECT_FALSE(manager.CreateBuffer("short", 0, 0));
  EXPECT_FALSE(manager.CreateStreamFromFile(file));

  UseManualDevice();  // a failed creation may be retried
  EXPECT_TRUE(manager.Create(nullptr));
  EXPECT_TRUE(manager.LoadBuffer("short", file, 0, 0));
}

TEST_F(DsndManagerTest, SoundsAreFoundByNameWithoutAsciiCase) {
  DsndManager manager;
  ASSERT_TRUE(manager.Create(nullptr));
  DFile file;
  ASSERT_TRUE(file.Open(PatternWav("short.wav", 100, 0).c_str(), dbtl::DFILE_READ));
  const auto first = manager.LoadBuffer("Se/Jump", file, 0, 0);
  ASSERT_TRUE(first);
  EXPECT_TRUE(manager.CreateBuffer("se/JUMP", 0, 0));
  EXPECT_FALSE(manager.CreateBuffer("se/jum", 0, 0));
  EXPECT_FALSE(manager.CreateBuffer("se/jumps", 0, 0));
  // A positional, voice-managed request is masked to a plain set.
  const auto masked = manager.CreateBuffer("SE/jump", dbtl::DsndBuffer::POSITIONAL | dbtl::DsndBuffer::VOICE_MANAGED, 5);
  ASSERT_TRUE(masked);
  EXPECT_EQ(manager._CountData(), 1u);
}

TEST_F(DsndManagerTest, UnreadableFilesGiveNullAndListNothing) {
  DebugLog log;
  DsndManager manager;
  ASSERT_TRUE(manager.Create(nullptr));
  const std::string path = mpegtest::WriteFixture("noise.bin", std::vector<uint8_t>(300, 0x11));
  DFile file;
  ASSERT_TRUE(file.Open(path.c_str(), dbtl::DFILE_READ));
  EXPECT_FALSE(manager.CreateStreamFromFile(file));
  EXPECT_EQ(manager._CountStreams(), 0u);
  EXPECT_FALSE(manager.LoadBuffer("noise", file, 0, 0));
  EXPECT_EQ(manager._CountData(), 0u);
  EXPECT_NE(log.Text().find("[DsndData] Can't read wave data \"" + path + "\"\r\n"),
            std::string::npos);
}

TEST_F(DsndManagerTest, ReleaseStopsPlayingStreamsAndUnloadsSounds) {
  DsndManager manager;
  ASSERT_TRUE(manager.Create(nullptr));
  DFile file;
  ASSERT_TRUE(file.Open(PatternWav("long.wav", 60000, 0).c_str(), dbtl::DFILE_READ));
  const auto stream = manager.CreateStreamFromFile(file);
  ASSERT_TRUE(stream);
  EXPECT_EQ(manager._CountStreams(), 1u);
  stream->Play(1.0f);
  EXPECT_EQ(stream->GetFlags(), dbtl::DsndStream::RUNNING);
  const auto voices = manager.LoadBuffer("long", file, 0, 0);
  ASSERT_TRUE(voices);

  EXPECT_TRUE(manager.Release());
  EXPECT_EQ(stream->GetFlags(), 0u);  // its worker has ended
  EXPECT_FALSE(stream->IsOpen());
  EXPECT_FALSE(voices->IsCreated());
  EXPECT_EQ(manager._CountStreams(), 0u);
  EXPECT_EQ(manager._CountData(), 0u);

  // A stream dropped by its owner leaves the list by itself.
  ASSERT_TRUE(manager.Create(nullptr));
  manager.CreateStreamFromFile(file);
  EXPECT_EQ(manager._CountStreams(), 0u);
}

}  // namespace

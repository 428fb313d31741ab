// The device: creation and enumeration, the primary buffer, the output options, the WAVE file
// output and the real-time clock.
#include "platform/dsound/DirectSound.h"
#include "platform/kernel/Event.h"

#include "AcmWaveFixture.h"
#include "DsoundTestDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

using namespace dsoundtest;
using platform::Event;

TEST(DsoundDevice, CreateOpensTheDefaultDeviceOnly) {
  IDirectSound* ds = reinterpret_cast<IDirectSound*>(1);
  auto* outer = reinterpret_cast<IUnknown*>(&ds);
  EXPECT_EQ(DirectSoundCreate(nullptr, &ds, outer), DSERR_NOAGGREGATION);
  EXPECT_EQ(ds, nullptr);
  const GUID other = IID_IDirectSound;
  EXPECT_EQ(DirectSoundCreate(&other, &ds, nullptr), DSERR_NODRIVER);
  EXPECT_EQ(DirectSoundCreate(nullptr, nullptr, nullptr), DSERR_INVALIDPARAM);
  ASSERT_EQ(DirectSoundCreate(&DSDEVID_SoftwareMixer, &ds, nullptr), DS_OK);
  IDirectSound* same = nullptr;
  ASSERT_EQ(ds->QueryInterface(IID_IDirectSound, reinterpret_cast<void**>(&same)), DS_OK);
  EXPECT_EQ(same, ds);
  EXPECT_EQ(same->Release(), 1u);
  EXPECT_EQ(ds->Release(), 0u);
}

TEST(DsoundDevice, EnumerationGivesThePrimaryEntryFirstAndStopsOnZero) {
  struct Seen {
    std::vector<bool> nullGuid;
    std::string description;
    int answer;
  };
  const auto callback = [](GUID* guid, const char* description, const char* module,
                           void* context) -> int {
    auto* seen = static_cast<Seen*>(context);
    seen->nullGuid.push_back(guid == nullptr);
    seen->description = description;
    EXPECT_NE(module, nullptr);
    return seen->answer;
  };
  Seen stopAtFirst{{}, {}, 0};
  ASSERT_EQ(DirectSoundEnumerateA(callback, &stopAtFirst), DS_OK);
  EXPECT_EQ(stopAtFirst.nullGuid, std::vector<bool>{true});
  EXPECT_FALSE(stopAtFirst.description.empty());
  Seen all{{}, {}, 1};
  ASSERT_EQ(DirectSoundEnumerateA(callback, &all), DS_OK);
  EXPECT_EQ(all.nullGuid, (std::vector<bool>{true, false}));
}

TEST(DsoundDevice, OptionsComeFromTwoValues) {
  struct OptionCase {
    const char* output;
    const char* clock;
    bool valid;
    MixOutput expectedOutput;
    MixClock expectedClock;
    const char* path;
  };
  const OptionCase cases[] = {
      {nullptr, nullptr, true, MixOutput::Null, MixClock::RealTime, ""},
      {"", "", true, MixOutput::Null, MixClock::RealTime, ""},
      {"null", "manual", true, MixOutput::Null, MixClock::Manual, ""},
      {"wav:/tmp/mix.wav", "realtime", true, MixOutput::WavFile, MixClock::RealTime, "/tmp/mix.wav"},
      {"wav:", nullptr, false, MixOutput::Null, MixClock::RealTime, ""},
      {"speakers", nullptr, false, MixOutput::Null, MixClock::RealTime, ""},
      {nullptr, "fast", false, MixOutput::Null, MixClock::RealTime, ""},
  };
  for (const OptionCase& c : cases) {
    const auto options = parseDeviceOptions(c.output, c.clock);
    ASSERT_EQ(options.has_value(), c.valid) << (c.output ? c.output : "-");
    if (!options) continue;
    EXPECT_EQ(options->output, c.expectedOutput);
    EXPECT_EQ(options->clock, c.expectedClock);
    EXPECT_EQ(options->wavPath, c.path);
  }
}

// Sets the two variables for one test and puts back what was there.
class OptionEnvironment {
 public:
  OptionEnvironment(const char* output, const char* clock) {
    for (const char* name : {kOutputVariable, kClockVariable}) {
      const char* old = std::getenv(name);
      saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    }
    ::setenv(kOutputVariable, output, 1);
    ::setenv(kClockVariable, clock, 1);
  }
  ~OptionEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name, value->c_str(), 1);
      } else {
        ::unsetenv(name);
      }
    }
  }

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST(DsoundDevice, CreateTakesItsOptionsFromTheEnvironment) {
  const std::string path = wavefixture::scratchPath("from-environment.wav");
  {
    OptionEnvironment environment(("wav:" + path).c_str(), "manual");
    IDirectSound* ds = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    std::vector<int16_t> mixed;
    EXPECT_EQ(advanceMix(ds, 100, &mixed), DS_OK);  // the manual clock
    EXPECT_EQ(mixed.size(), 200u);
    ds->Release();
  }
  const auto wave = wavefixture::readWaveFile(path);  // the file output
  ASSERT_TRUE(wave);
  EXPECT_EQ(wave->data.size(), 400u);

  OptionEnvironment unknown("speakers", "");
  IDirectSound* ds = nullptr;
  EXPECT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DSERR_NODRIVER);
  EXPECT_EQ(ds, nullptr);
}

TEST(DsoundDevice, PrimaryBufferHoldsTheOutputFormat) {
  IDirectSound* ds = nullptr;
  ASSERT_EQ(createDirectSound(ManualDevice::manualOptions(), &ds), DS_OK);
  const DSBUFFERDESC primaryDescription = describe(DSBCAPS_PRIMARYBUFFER, 0, nullptr);
  IDirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(ds->CreateSoundBuffer(&primaryDescription, &primary, nullptr), DS_OK);
  IDirectSoundBuffer* again = nullptr;
  ASSERT_EQ(ds->CreateSoundBuffer(&primaryDescription, &again, nullptr), DS_OK);
  EXPECT_EQ(again, primary);
  again->Release();

  // Before anybody sets it, the output is 22050 Hz, 8 bits, stereo.
  const WAVEFORMATEX defaultFormat = pcmFormat(2, 22050, 8);
  WAVEFORMATEX format{};
  ASSERT_EQ(primary->GetFormat(&format, sizeof format, nullptr), DS_OK);
  EXPECT_EQ(std::memcmp(&format, &defaultFormat, sizeof format), 0);

  const WAVEFORMATEX wanted = pcmFormat(2, 22050, 16);
  EXPECT_EQ(primary->SetFormat(&wanted), DSERR_PRIOLEVELNEEDED);
  ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
  WAVEFORMATEX bad = wanted;
  bad.nAvgBytesPerSec = 1;
  EXPECT_EQ(primary->SetFormat(&bad), DSERR_BADFORMAT);
  ASSERT_EQ(primary->SetFormat(&wanted), DS_OK);
  ASSERT_EQ(primary->GetFormat(&format, sizeof format, nullptr), DS_OK);
  EXPECT_EQ(std::memcmp(&format, &wanted, sizeof format), 0);
  EXPECT_EQ(ds->SetCooperativeLevel(nullptr, 9), DSERR_INVALIDPARAM);

  // Its samples are the mix: nothing to lock, position or duplicate.
  void* p = nullptr;
  uint32_t n = 0;
  EXPECT_TRUE(FAILED(primary->Lock(0, 4, &p, &n, nullptr, nullptr, 0)));
  IDirectSoundBuffer* copy = nullptr;
  EXPECT_EQ(ds->DuplicateSoundBuffer(primary, &copy), DSERR_INVALIDCALL);
  EXPECT_EQ(primary->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  const DSBUFFERDESC sized = describe(DSBCAPS_PRIMARYBUFFER, 100, nullptr);
  EXPECT_EQ(ds->CreateSoundBuffer(&sized, &again, nullptr), DSERR_INVALIDPARAM);
  primary->Release();
  ds->Release();
}

TEST(DsoundDevice, WavFileOutputHoldsExactlyTheMix) {
  const std::string path = wavefixture::scratchPath("mix.wav");
  DeviceOptions options = ManualDevice::manualOptions();
  options.output = MixOutput::WavFile;
  options.wavPath = path;
  std::vector<int16_t> mixed;
  {
    ManualDevice dev(2, options);
    IDirectSoundBuffer* b = dev.buffer({100, -200, 300, -400, 500}, 1);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    for (int i = 0; i < 3; ++i) {
      const auto part = dev.advance(7);
      mixed.insert(mixed.end(), part.begin(), part.end());
    }
    EXPECT_FALSE(std::filesystem::exists(path));  // complete only once the device goes
  }
  const auto wave = wavefixture::readWaveFile(path);
  ASSERT_TRUE(wave);
  const WAVEFORMATEX expected = pcmFormat(2, 22050, 16);
  ASSERT_GE(wave->format.size(), 16u);
  EXPECT_EQ(std::memcmp(wave->format.data(), &expected, 16), 0);
  EXPECT_EQ(wavefixture::samplesOf(wave->data), mixed);
  EXPECT_EQ(mixed.size(), 42u);
  EXPECT_EQ(mixed[10], 100);  // frame 5 is frame 0 again
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));
}

TEST(DsoundDevice, UnwritableOutputFileFailsTheCreation) {
  DeviceOptions options;
  options.output = MixOutput::WavFile;
  options.wavPath = wavefixture::scratchPath("no-such-folder/mix.wav");
  IDirectSound* ds = nullptr;
  EXPECT_EQ(createDirectSound(options, &ds), DSERR_NODRIVER);
  EXPECT_EQ(ds, nullptr);
}

TEST(DsoundDevice, RealTimeClockPlaysAtTheOutputRate) {
  // A looping buffer of 0.1 s with notifications at its start and middle: on the real-time
  // clock they alternate, one every 50 ms.
  DeviceOptions realTime;
  ManualDevice dev(2, realTime);
  IDirectSoundBuffer* b = dev.buffer(std::vector<int16_t>(2205, 1000));
  Event start(platform::EventReset::Auto, platform::EventInitial::NonSignalled);
  Event half(platform::EventReset::Auto, platform::EventInitial::NonSignalled);
  IDirectSoundNotify* n = nullptr;
  ASSERT_EQ(b->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&n)), DS_OK);
  const DSBPOSITIONNOTIFY positions[] = {{0, &start}, {2204, &half}};
  ASSERT_EQ(n->SetNotificationPositions(2, positions), DS_OK);
  n->Release();
  std::vector<int16_t> ignored;  // advancing by hand is refused on this clock
  EXPECT_EQ(advanceMix(dev.device, 10, &ignored), DSERR_INVALIDCALL);

  const auto begin = std::chrono::steady_clock::now();
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::string order;
  for (int i = 0; i < 8; ++i) {
    const uint32_t which = platform::waitForAny({&start, &half}, 2000);
    ASSERT_NE(which, Event::kTimedOut);
    order += which == 0 ? 'S' : 'H';
  }
  const auto elapsed = std::chrono::steady_clock::now() - begin;
  EXPECT_EQ(order, "SHSHSHSH");
  // Eight notifications are three and a half laps: 350 ms of sound (the first comes at once).
  EXPECT_GE(elapsed, std::chrono::milliseconds(300));
  EXPECT_LT(elapsed, std::chrono::milliseconds(1500));
  uint32_t play = 0, write = 0;
  ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
  EXPECT_EQ((write + 4410 - play) % 4410, 220u * 2);  // one 10 ms period read ahead
}

TEST(DsoundDevice, BuffersOutliveTheDeviceButNoLongerPlay) {
  IDirectSound* ds = nullptr;
  ASSERT_EQ(createDirectSound(ManualDevice::manualOptions(), &ds), DS_OK);
  const WAVEFORMATEX format = pcmFormat(1, 22050, 16);
  const DSBUFFERDESC d = describe(kEffectFlags, 100, &format);
  IDirectSoundBuffer* b = nullptr;
  ASSERT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(ds->Release(), 0u);
  EXPECT_EQ(status(b), 0u);
  EXPECT_EQ(b->Play(0, 0, 0), DSERR_NODRIVER);
  EXPECT_EQ(b->SetVolume(-100), DS_OK);
  EXPECT_EQ(b->Release(), 0u);
}

}  // namespace

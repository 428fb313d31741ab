// The mixer on the manual clock: what comes out for what was played, and when notifications fire.
#include "platform/kernel/Event.h"

#include "DsoundTestDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <string>

namespace {

using namespace dsoundtest;
using platform::Event;
using platform::EventInitial;
using platform::EventReset;

std::vector<int16_t> constant(size_t n, int16_t v) { return std::vector<int16_t>(n, v); }

std::vector<int16_t> sine(size_t frames, double period, double amplitude) {
  std::vector<int16_t> s(frames);
  for (size_t i = 0; i < frames; ++i) {
    s[i] = int16_t(std::lround(amplitude * std::sin(2 * M_PI * double(i) / period)));
  }
  return s;
}

// Left channel of interleaved stereo output.
std::vector<int16_t> left(const std::vector<int16_t>& stereo) {
  std::vector<int16_t> l(stereo.size() / 2);
  for (size_t i = 0; i < l.size(); ++i) l[i] = stereo[2 * i];
  return l;
}

double rms(const std::vector<int16_t>& s) {
  const double sum = std::accumulate(s.begin(), s.end(), 0.0,
                                     [](double a, int16_t v) { return a + double(v) * v; });
  return std::sqrt(sum / double(s.size()));
}

void setNotifications(IDirectSoundBuffer* b, std::vector<DSBPOSITIONNOTIFY> positions) {
  IDirectSoundNotify* notify = nullptr;
  ASSERT_EQ(b->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&notify)), DS_OK);
  EXPECT_EQ(notify->SetNotificationPositions(uint32_t(positions.size()), positions.data()), DS_OK);
  notify->Release();
}

// Advances one frame at a time and records, for each event, the output frames at which it was
// signalled.
std::string fireLog(ManualDevice& dev, uint32_t frames, std::vector<std::pair<char, Event*>> events) {
  std::string log;
  for (uint32_t f = 0; f < frames; ++f) {
    dev.advance(1);
    for (auto& [name, event] : events) {
      if (event->wait(0) == Event::kSignalled) log += name + std::to_string(f) + " ";
    }
  }
  return log;
}

TEST(DsoundMixer, LoopingBufferSignalsAtItsStartAndAtEachHalf) {
  ManualDevice dev;
  IDirectSoundBuffer* b = dev.buffer(constant(1000, 100));
  Event start(EventReset::Auto, EventInitial::NonSignalled);
  Event half(EventReset::Auto, EventInitial::NonSignalled);
  setNotifications(b, {{0, &start}, {1000, &half}});  // byte offsets: frame 0 and frame 500
  ASSERT_EQ(b->SetCurrentPosition(0), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  // A notification fires in the output frame that brings the cursor to its offset: offset 0 in
  // the first frame of the play and then in each frame that wraps; the middle one in frame 499,
  // after which the cursor stands at 500.
  EXPECT_EQ(fireLog(dev, 2600, {{'S', &start}, {'H', &half}}), "S0 H499 S999 H1499 S1999 H2499 ");
  EXPECT_EQ(status(b), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
}

TEST(DsoundMixer, NotificationsFireForFramesPassedOverAtHighRates) {
  // At four source frames per output frame the cursor jumps over most frames; a notification on
  // a frame it jumped over fires all the same, also across the wrap.
  ManualDevice dev;
  IDirectSoundBuffer* b = dev.buffer(constant(10, 0));
  Event e1(EventReset::Auto, EventInitial::NonSignalled);
  Event e9(EventReset::Auto, EventInitial::NonSignalled);
  setNotifications(b, {{2, &e1}, {18, &e9}});
  ASSERT_EQ(b->SetFrequency(88200), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  // The cursor goes 0→4 (passing frame 1), 4→8, 8→2 (passing 9 and 1), 2→6, 6→0 (passing 9).
  EXPECT_EQ(fireLog(dev, 5, {{'a', &e1}, {'z', &e9}}), "a0 a2 z2 z4 ");
}

TEST(DsoundMixer, BufferPlayedOnceStopsAtItsEndAndSignalsTheStop) {
  ManualDevice dev;
  IDirectSoundBuffer* b = dev.buffer(constant(100, 1000));
  Event stopped(EventReset::Manual, EventInitial::NonSignalled);
  setNotifications(b, {{DSBPN_OFFSETSTOP, &stopped}});
  ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(status(b), DSBSTATUS_PLAYING);
  const auto out = left(dev.advance(150));
  EXPECT_EQ(out[99], 1000);
  EXPECT_EQ(out[100], 0);
  EXPECT_EQ(out[149], 0);
  EXPECT_EQ(status(b), 0u);
  EXPECT_EQ(playCursor(b), 0u);
  EXPECT_EQ(stopped.wait(0), Event::kSignalled);
}

TEST(DsoundMixer, DuplicatesPlayIndependentlyAndMixWithSaturation) {
  ManualDevice dev;
  IDirectSoundBuffer* original = dev.buffer(constant(400, 20000));
  IDirectSoundBuffer* copy = dev.duplicate(original);
  ASSERT_EQ(original->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(left(dev.advance(10))[5], 20000);

  ASSERT_EQ(copy->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(left(dev.advance(10))[5], 32767);  // 40000 saturates
  EXPECT_EQ(playCursor(original), 40u);
  EXPECT_EQ(playCursor(copy), 20u);
  EXPECT_EQ(status(original), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  EXPECT_EQ(status(copy), DSBSTATUS_PLAYING);

  // Each has its own volume; the samples are shared, so a write through one is heard in both.
  ASSERT_EQ(copy->SetVolume(DSBVOLUME_MIN), DS_OK);
  EXPECT_EQ(left(dev.advance(10))[5], 20000);
  ASSERT_EQ(copy->SetVolume(0), DS_OK);
  ManualDevice::fill(copy, constant(400, -25000));
  EXPECT_EQ(left(dev.advance(10))[5], -32768);

  ASSERT_EQ(original->Stop(), DS_OK);
  EXPECT_EQ(left(dev.advance(10))[5], -25000);
  EXPECT_EQ(status(original), 0u);
  EXPECT_EQ(playCursor(original), 80u);  // a stop keeps the position: 40 frames were played
}

TEST(DsoundMixer, VolumeAttenuatesByItsHundredthsOfDecibels) {
  struct VolumeCase {
    int32_t volume;
    double decibels;
  };
  for (const VolumeCase c : {VolumeCase{-600, -6.0}, VolumeCase{-1, -0.01},
                             VolumeCase{-2000, -20.0}, VolumeCase{-4500, -45.0}}) {
    ManualDevice dev;
    IDirectSoundBuffer* b = dev.buffer(sine(2205, 49.0, 30000));
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    const double full = rms(left(dev.advance(2205)));
    ASSERT_EQ(b->SetVolume(c.volume), DS_OK);
    const double lowered = rms(left(dev.advance(2205)));
    EXPECT_NEAR(20 * std::log10(lowered / full), c.decibels, 0.1) << c.volume;
  }
  ManualDevice dev;
  IDirectSoundBuffer* b = dev.buffer(sine(2205, 49.0, 32767));
  ASSERT_EQ(b->SetVolume(DSBVOLUME_MIN), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(rms(dev.advance(2205)), 0.0);  // the minimum is silence
}

TEST(DsoundMixer, ResamplesToTheOutputRateWithLinearInterpolation) {
  struct RateCase {
    uint32_t bufferRate;
    uint32_t frequency;  // SetFrequency; 0 keeps the buffer's rate
    std::vector<int16_t> expected;
  };
  const std::vector<int16_t> ramp = {0, 1000, 2000, 3000, 4000, 5000, 6000, 7000};
  const RateCase cases[] = {
      {22050, 0, {0, 1000, 2000, 3000, 4000, 5000}},
      {11025, 0, {0, 500, 1000, 1500, 2000, 2500}},
      {22050, 11025, {0, 500, 1000, 1500, 2000, 2500}},
      {44100, 0, {0, 2000, 4000, 6000, 0, 2000}},  // looping: frame 8 is frame 0 again
      {22050, 5512, {0, 249, 499, 749, 999, 1249}},
  };
  for (const RateCase& c : cases) {
    ManualDevice dev;
    IDirectSoundBuffer* b = dev.buffer(ramp, 1, c.bufferRate);
    if (c.frequency) {
      ASSERT_EQ(b->SetFrequency(c.frequency), DS_OK);
    }
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(left(dev.advance(6)), c.expected) << c.bufferRate << " " << c.frequency;
  }
}

TEST(DsoundMixer, KeepsThePitchOfResampledSound) {
  // A 441 Hz tone stored at 44100 Hz and one stored at 11025 Hz both come out at 441 Hz: 882
  // sign changes a second.
  for (uint32_t rate : {44100u, 11025u}) {
    ManualDevice dev;
    IDirectSoundBuffer* b = dev.buffer(sine(rate, double(rate) / 441.0, 20000), 1, rate);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    const auto out = left(dev.advance(22050));
    int changes = 0;
    for (size_t i = 1; i < out.size(); ++i) changes += (out[i - 1] < 0) != (out[i] < 0);
    EXPECT_NEAR(changes, 882, 2) << rate;
  }
}

TEST(DsoundMixer, MapsChannelsAndSampleWidths) {
  struct ChannelCase {
    uint16_t outputChannels;
    uint16_t bufferChannels;
    uint16_t bits;
    std::vector<uint8_t> bytes;  // one frame
    std::vector<int16_t> expected;
  };
  const ChannelCase cases[] = {
      {2, 1, 16, {0x10, 0x27}, {10000, 10000}},         // mono to both sides
      {2, 2, 16, {0x10, 0x27, 0xF0, 0xD8}, {10000, -10000}},
      {1, 2, 16, {0x10, 0x27, 0x30, 0x75}, {20000}},    // stereo to mono: the mean
      {2, 1, 8, {0xC0}, {16384, 16384}},                // 8-bit is unsigned around 128
      {2, 2, 8, {0x00, 0x80}, {-32768, 0}},
  };
  for (const ChannelCase& c : cases) {
    ManualDevice dev(c.outputChannels);
    const WAVEFORMATEX format = pcmFormat(c.bufferChannels, 22050, c.bits);
    std::vector<uint8_t> bytes;  // the frame four times over: a buffer holds at least 4 bytes
    for (int i = 0; i < 4; ++i) bytes.insert(bytes.end(), c.bytes.begin(), c.bytes.end());
    const DSBUFFERDESC d = describe(kEffectFlags, uint32_t(bytes.size()), &format);
    IDirectSoundBuffer* b = nullptr;
    ASSERT_EQ(dev.device->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    void* p = nullptr;
    uint32_t n = 0;
    ASSERT_EQ(b->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    std::memcpy(p, bytes.data(), n);
    ASSERT_EQ(b->Unlock(p, n, nullptr, 0), DS_OK);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(dev.advance(1), c.expected) << c.outputChannels << "/" << c.bufferChannels << "/"
                                          << c.bits;
    b->Release();
  }
}

TEST(DsoundMixer, PrimaryVolumeScalesTheWholeMix) {
  ManualDevice dev(2, ManualDevice::manualOptions(), DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME);
  IDirectSoundBuffer* b = dev.buffer(constant(100, 20000));
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  ASSERT_EQ(dev.primary->SetVolume(-600), DS_OK);
  EXPECT_NEAR(left(dev.advance(4))[0], 20000 * std::pow(10.0, -0.3), 1.0);
}

}  // namespace

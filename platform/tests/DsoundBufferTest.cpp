// The buffer calls' contracts: creation, locking with wrap-around, positions, controls, status,
// notifications, lost buffers and reference counts.
#include "platform/kernel/Event.h"

#include "DsoundTestDevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

namespace {

using namespace dsoundtest;

TEST(DsoundBuffer, CreationChecksFlagsFormatAndSize) {
  ManualDevice dev;
  const WAVEFORMATEX mono16 = pcmFormat(1, 22050, 16);
  WAVEFORMATEX badAlign = mono16;
  badAlign.nBlockAlign = 4;
  WAVEFORMATEX adpcm = mono16;
  adpcm.wFormatTag = acm::WAVE_FORMAT_IMA_ADPCM;
  const WAVEFORMATEX tooFast = pcmFormat(1, 400000, 16);
  const WAVEFORMATEX threeChannels = pcmFormat(3, 22050, 16);
  struct CreateCase {
    const char* what;
    uint32_t flags;
    uint32_t bytes;
    const WAVEFORMATEX* format;
    HRESULT expected;
  };
  const CreateCase cases[] = {
      {"effect buffer", kEffectFlags, 4410, &mono16, DS_OK},
      {"stream buffer", kStreamFlags, 88200, &mono16, DS_OK},
      {"deferred placement", DSBCAPS_LOCDEFER | DSBCAPS_CTRLVOLUME, 100, &mono16, DS_OK},
      {"no format", kEffectFlags, 100, nullptr, DSERR_INVALIDPARAM},
      {"compressed format", kEffectFlags, 100, &adpcm, DSERR_BADFORMAT},
      {"block align wrong", kEffectFlags, 100, &badAlign, DSERR_BADFORMAT},
      {"rate beyond the maximum", kEffectFlags, 100, &tooFast, DSERR_BADFORMAT},
      {"three channels", kEffectFlags, 120, &threeChannels, DSERR_BADFORMAT},
      {"below the minimum size", kEffectFlags, 3, &mono16, DSERR_INVALIDPARAM},
      {"beyond the maximum size", kEffectFlags, DSBSIZE_MAX + 1, &mono16, DSERR_INVALIDPARAM},
      {"3D", kEffectFlags | DSBCAPS_CTRL3D, 100, &mono16, DSERR_CONTROLUNAVAIL},
      {"hardware voice", DSBCAPS_LOCHARDWARE, 100, &mono16, DSERR_CONTROLUNAVAIL},
      {"two locations", DSBCAPS_LOCSOFTWARE | DSBCAPS_LOCDEFER, 100, &mono16, DSERR_INVALIDPARAM},
      {"unknown flag", 0x00000040, 100, &mono16, DSERR_INVALIDPARAM},
  };
  for (const CreateCase& c : cases) {
    const DSBUFFERDESC d = describe(c.flags, c.bytes, c.format);
    IDirectSoundBuffer* b = reinterpret_cast<IDirectSoundBuffer*>(&dev);
    EXPECT_EQ(dev.device->CreateSoundBuffer(&d, &b, nullptr), c.expected) << c.what;
    EXPECT_EQ(b != nullptr, c.expected == DS_OK) << c.what;
    if (b) {
      DSBCAPS caps{sizeof caps, 0, 0, 0, 0};
      EXPECT_EQ(b->GetCaps(&caps), DS_OK);
      EXPECT_EQ(caps.dwBufferBytes, c.bytes);
      EXPECT_TRUE(caps.dwFlags & DSBCAPS_LOCSOFTWARE);
      b->Release();
    }
  }
  DSBUFFERDESC shortRecord = describe(kEffectFlags, 100, &mono16);
  shortRecord.dwSize = 36;
  IDirectSoundBuffer* b = nullptr;
  EXPECT_EQ(dev.device->CreateSoundBuffer(&shortRecord, &b, nullptr), DSERR_INVALIDPARAM);
  EXPECT_EQ(dev.device->CreateSoundBuffer(nullptr, &b, nullptr), DSERR_INVALIDPARAM);
}

struct LockCase {
  const char* what;
  uint32_t offset;
  uint32_t bytes;
  uint32_t flags;
  bool secondPointer;
  HRESULT expected;
  uint32_t firstOffset, firstBytes, secondBytes;  // the second part always starts at 0
};

TEST(DsoundBuffer, LockWrapsAroundTheEnd) {
  ManualDevice dev;
  IDirectSoundBuffer* b = dev.buffer(std::vector<int16_t>(50));  // 100 bytes
  const LockCase cases[] = {
      {"inside", 10, 20, 0, true, DS_OK, 10, 20, 0},
      {"to the end", 80, 20, 0, true, DS_OK, 80, 20, 0},
      {"across the end", 80, 40, 0, true, DS_OK, 80, 20, 20},
      {"across the end without a second pointer", 80, 40, 0, false, DS_OK, 80, 20, 0},
      {"whole buffer from an offset", 60, 0, DSBLOCK_ENTIREBUFFER, true, DS_OK, 60, 40, 60},
      {"from the write cursor", 999, 10, DSBLOCK_FROMWRITECURSOR, true, DS_OK, 0, 10, 0},
      {"offset at the end", 100, 10, 0, true, DSERR_INVALIDPARAM, 0, 0, 0},
      {"more than the buffer", 0, 101, 0, true, DSERR_INVALIDPARAM, 0, 0, 0},
      {"nothing", 0, 0, 0, true, DSERR_INVALIDPARAM, 0, 0, 0},
      {"unknown flag", 0, 10, 4, true, DSERR_INVALIDPARAM, 0, 0, 0},
  };
  void* base = nullptr;
  uint32_t all = 0;
  ASSERT_EQ(b->Lock(0, 0, &base, &all, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
  ASSERT_EQ(b->Unlock(base, all, nullptr, 0), DS_OK);
  for (const LockCase& c : cases) {
    void* p1 = nullptr;
    void* p2 = reinterpret_cast<void*>(1);
    uint32_t n1 = 7, n2 = 7;
    EXPECT_EQ(b->Lock(c.offset, c.bytes, &p1, &n1, c.secondPointer ? &p2 : nullptr, &n2, c.flags),
              c.expected)
        << c.what;
    if (c.expected != DS_OK) continue;
    EXPECT_EQ(p1, static_cast<uint8_t*>(base) + c.firstOffset) << c.what;
    EXPECT_EQ(n1, c.firstBytes) << c.what;
    if (c.secondPointer) {
      EXPECT_EQ(p2, c.secondBytes ? base : nullptr) << c.what;
      EXPECT_EQ(n2, c.secondBytes) << c.what;
    }
    EXPECT_EQ(b->Unlock(p1, n1, c.secondPointer ? p2 : nullptr, c.secondPointer ? n2 : 0), DS_OK)
        << c.what;
  }
}

TEST(DsoundBuffer, BytesWrittenAcrossTheEndArriveAtBothEnds) {
  ManualDevice dev;
  IDirectSoundBuffer* b = dev.buffer(std::vector<int16_t>(8));  // 16 bytes
  void* p1 = nullptr;
  void* p2 = nullptr;
  uint32_t n1 = 0, n2 = 0;
  ASSERT_EQ(b->Lock(12, 8, &p1, &n1, &p2, &n2, 0), DS_OK);
  std::vector<uint8_t> data(8);
  std::iota(data.begin(), data.end(), 1);
  std::memcpy(p1, data.data(), n1);
  std::memcpy(p2, data.data() + n1, n2);
  ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
  ASSERT_EQ(b->Lock(0, 16, &p1, &n1, nullptr, nullptr, 0), DS_OK);
  const uint8_t* bytes = static_cast<const uint8_t*>(p1);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 16),
            (std::vector<uint8_t>{5, 6, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4}));
  ASSERT_EQ(b->Unlock(p1, n1, nullptr, 0), DS_OK);
}

TEST(DsoundBuffer, UnlockTakesOnlyWhatALockGave) {
  ManualDevice dev;
  IDirectSoundBuffer* b = dev.buffer(std::vector<int16_t>(50));
  void* p1 = nullptr;
  void* p2 = nullptr;
  uint32_t n1 = 0, n2 = 0;
  ASSERT_EQ(b->Lock(90, 20, &p1, &n1, &p2, &n2, 0), DS_OK);
  EXPECT_EQ(b->Unlock(static_cast<uint8_t*>(p1) + 1, n1, p2, n2), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Unlock(p1, n1 + 1, p2, n2), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Unlock(p1, n1, p2, n2 + 1), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Unlock(p1, n1, p2, n2 - 2), DS_OK);  // less than was locked was written
  EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DSERR_INVALIDPARAM);  // already unlocked
}

TEST(DsoundBuffer, PositionsAndStatusFollowPlayAndStop) {
  ManualDevice dev;
  IDirectSoundBuffer* b = dev.buffer(std::vector<int16_t>(200, 1), 2);  // 100 stereo frames
  EXPECT_EQ(status(b), 0u);
  EXPECT_EQ(b->SetCurrentPosition(41), DS_OK);  // inside frame 10: the frame's start
  EXPECT_EQ(playCursor(b), 40u);
  EXPECT_EQ(b->SetCurrentPosition(400), DSERR_INVALIDPARAM);
  ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(status(b), DSBSTATUS_PLAYING);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);  // playing again changes the looping only
  EXPECT_EQ(status(b), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  dev.advance(5);
  uint32_t play = 0, write = 0;
  ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
  EXPECT_EQ(play, 60u);
  EXPECT_EQ(write, 60u);  // on the manual clock nothing is read ahead
  ASSERT_EQ(b->Stop(), DS_OK);
  ASSERT_EQ(b->Stop(), DS_OK);
  dev.advance(5);
  EXPECT_EQ(status(b), 0u);
  EXPECT_EQ(playCursor(b), 60u);
  ASSERT_EQ(b->Play(0, 0, 0), DS_OK);  // resumes where it stopped
  dev.advance(5);
  EXPECT_EQ(playCursor(b), 80u);
  struct PlayCase {
    uint32_t reserved, priority, flags;
    HRESULT expected;
  };
  for (const PlayCase c : {PlayCase{1, 0, 0, DSERR_INVALIDPARAM}, PlayCase{0, 5, 0, DSERR_INVALIDPARAM},
                           PlayCase{0, 0, DSBPLAY_TERMINATEBY_TIME, DSERR_INVALIDPARAM},
                           PlayCase{0, 0, 0x100, DSERR_INVALIDPARAM}}) {
    EXPECT_EQ(b->Play(c.reserved, c.priority, c.flags), c.expected) << c.priority << " " << c.flags;
  }
}

TEST(DsoundBuffer, DeferredBuffersPlayWithPriorityAndVoiceManagement) {
  ManualDevice dev;
  IDirectSoundBuffer* b =
      dev.buffer(std::vector<int16_t>(100, 1), 1, 22050, DSBCAPS_LOCDEFER | kEffectFlags);
  EXPECT_EQ(b->Play(0, 7, DSBPLAY_TERMINATEBY_TIME | DSBPLAY_TERMINATEBY_PRIORITY), DS_OK);
  EXPECT_EQ(status(b), DSBSTATUS_PLAYING);
  EXPECT_EQ(b->Play(0, 7, DSBPLAY_LOCHARDWARE), DSERR_CONTROLUNAVAIL);
}

TEST(DsoundBuffer, VolumeAndFrequencyNeedTheirControlsAndStayInRange) {
  ManualDevice dev;
  IDirectSoundBuffer* plain = dev.buffer(std::vector<int16_t>(10), 1, 22050, 0);
  int32_t volume = 1;
  uint32_t frequency = 1;
  EXPECT_EQ(plain->SetVolume(-100), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->GetVolume(&volume), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->SetFrequency(0), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->GetFrequency(&frequency), DSERR_CONTROLUNAVAIL);

  IDirectSoundBuffer* b = dev.buffer(std::vector<int16_t>(10), 1, 11025, kEffectFlags);
  struct ControlCase {
    int32_t volume;
    HRESULT volumeResult;
    uint32_t frequency;
    HRESULT frequencyResult;
  };
  for (const ControlCase c : {ControlCase{-10000, DS_OK, 100, DS_OK}, ControlCase{0, DS_OK, 200000, DS_OK},
                              ControlCase{1, DSERR_INVALIDPARAM, 99, DSERR_INVALIDPARAM},
                              ControlCase{-10001, DSERR_INVALIDPARAM, 200001, DSERR_INVALIDPARAM}}) {
    ASSERT_EQ(b->SetVolume(-1234), DS_OK);
    ASSERT_EQ(b->SetFrequency(30000), DS_OK);
    EXPECT_EQ(b->SetVolume(c.volume), c.volumeResult) << c.volume;
    EXPECT_EQ(b->SetFrequency(c.frequency), c.frequencyResult) << c.frequency;
    ASSERT_EQ(b->GetVolume(&volume), DS_OK);
    ASSERT_EQ(b->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(volume, c.volumeResult == DS_OK ? c.volume : -1234);
    EXPECT_EQ(frequency, c.frequencyResult == DS_OK ? c.frequency : 30000u);
  }
  ASSERT_EQ(b->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
  ASSERT_EQ(b->GetFrequency(&frequency), DS_OK);
  EXPECT_EQ(frequency, 11025u);

  // A duplicate starts with the original's controls and changes them on its own.
  IDirectSoundBuffer* copy = dev.duplicate(b);
  ASSERT_EQ(copy->GetVolume(&volume), DS_OK);
  EXPECT_EQ(volume, -1234);
  ASSERT_EQ(copy->SetVolume(-5), DS_OK);
  ASSERT_EQ(b->GetVolume(&volume), DS_OK);
  EXPECT_EQ(volume, -1234);
}

TEST(DsoundBuffer, NotificationPositionsAreChecked) {
  ManualDevice dev;
  platform::Event e(platform::EventReset::Auto, platform::EventInitial::NonSignalled);
  IDirectSoundBuffer* effect = dev.buffer(std::vector<int16_t>(50), 1, 22050, kEffectFlags);
  void* notify = reinterpret_cast<void*>(1);
  EXPECT_EQ(effect->QueryInterface(IID_IDirectSoundNotify, &notify), E_NOINTERFACE);
  EXPECT_EQ(notify, nullptr);

  IDirectSoundBuffer* b = dev.buffer(std::vector<int16_t>(50));  // 100 bytes
  IDirectSoundNotify* n = nullptr;
  ASSERT_EQ(b->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&n)), DS_OK);
  struct NotifyCase {
    DSBPOSITIONNOTIFY position;
    HRESULT expected;
  };
  for (const NotifyCase c : {NotifyCase{{99, &e}, DS_OK}, NotifyCase{{DSBPN_OFFSETSTOP, &e}, DS_OK},
                             NotifyCase{{100, &e}, DSERR_INVALIDPARAM},
                             NotifyCase{{0, nullptr}, DSERR_INVALIDPARAM}}) {
    EXPECT_EQ(n->SetNotificationPositions(1, &c.position), c.expected) << c.position.dwOffset;
  }
  EXPECT_EQ(n->SetNotificationPositions(1, nullptr), DSERR_INVALIDPARAM);
  EXPECT_EQ(n->SetNotificationPositions(0, nullptr), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  const DSBPOSITIONNOTIFY atStart{0, &e};
  EXPECT_EQ(n->SetNotificationPositions(1, &atStart), DSERR_INVALIDCALL);
  n->Release();
}

TEST(DsoundBuffer, ThreeDimensionalInterfacesAreNeverGranted) {
  ManualDevice dev;
  IDirectSoundBuffer* b = dev.buffer(std::vector<int16_t>(50));
  void* object = nullptr;
  EXPECT_EQ(b->QueryInterface(IID_IDirectSound3DBuffer, &object), E_NOINTERFACE);
  EXPECT_EQ(dev.primary->QueryInterface(IID_IDirectSound3DListener, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
}

TEST(DsoundBuffer, LostBuffersRefuseLockAndPlayUntilRestored) {
  ManualDevice dev;
  IDirectSoundBuffer* b = dev.buffer(std::vector<int16_t>(50, 5000));
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  ASSERT_EQ(loseBuffers(dev.device), DS_OK);
  EXPECT_EQ(status(b), DSBSTATUS_BUFFERLOST);
  EXPECT_EQ(dev.advance(1), (std::vector<int16_t>{0, 0}));
  void* p = nullptr;
  uint32_t n = 0;
  EXPECT_EQ(b->Lock(0, 10, &p, &n, nullptr, nullptr, 0), DSERR_BUFFERLOST);
  EXPECT_EQ(b->Play(0, 0, 0), DSERR_BUFFERLOST);
  ASSERT_EQ(b->Restore(), DS_OK);
  EXPECT_EQ(status(b), 0u);
  EXPECT_EQ(b->Lock(0, 10, &p, &n, nullptr, nullptr, 0), DS_OK);
  EXPECT_EQ(b->Unlock(p, n, nullptr, 0), DS_OK);
  EXPECT_EQ(b->Play(0, 0, 0), DS_OK);
}

TEST(DsoundBuffer, ReferencesKeepABufferAndReleasingAPlayingBufferLeavesTheMix) {
  ManualDevice dev;
  const WAVEFORMATEX format = pcmFormat(1, 22050, 16);
  const DSBUFFERDESC d = describe(kStreamFlags, 200, &format);
  IDirectSoundBuffer* b = nullptr;
  ASSERT_EQ(dev.device->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
  IDirectSoundNotify* n = nullptr;
  ASSERT_EQ(b->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&n)), DS_OK);
  EXPECT_EQ(b->Release(), 1u);  // the notification interface still holds the buffer
  ManualDevice::fill(b, std::vector<int16_t>(100, 3000));
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(dev.advance(1)[0], 3000);
  EXPECT_EQ(n->Release(), 0u);
  EXPECT_EQ(dev.advance(1)[0], 0);
}

}  // namespace

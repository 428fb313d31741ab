#include "platform/dsound/SecondaryBuffer.h"

#include "platform/dsound/Mixer.h"

#include <algorithm>
#include <cstring>

namespace dsound {

namespace {

constexpr uint32_t kKnownFlags = DSBCAPS_STATIC | DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE |
                                 DSBCAPS_CTRL3D | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME |
                                 DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GLOBALFOCUS |
                                 DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_LOCDEFER;

constexpr uint32_t kLocations = DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE | DSBCAPS_LOCDEFER;

}  // namespace

HRESULT SecondaryBuffer::create(std::shared_ptr<Mixer> mixer, const DSBUFFERDESC& d,
                                IDirectSoundBuffer** buffer) {
  if ((d.dwFlags & ~kKnownFlags) != 0) return DSERR_INVALIDPARAM;
  const uint32_t location = d.dwFlags & kLocations;
  if (location != 0 && location != DSBCAPS_LOCHARDWARE && location != DSBCAPS_LOCSOFTWARE &&
      location != DSBCAPS_LOCDEFER) {
    return DSERR_INVALIDPARAM;
  }
  // Everything is mixed in software, and no 3D processing exists.
  if (d.dwFlags & (DSBCAPS_LOCHARDWARE | DSBCAPS_CTRL3D)) return DSERR_CONTROLUNAVAIL;
  if (!d.lpwfxFormat) return DSERR_INVALIDPARAM;
  if (!isPlayableFormat(*d.lpwfxFormat)) return DSERR_BADFORMAT;
  if (d.dwBufferBytes < DSBSIZE_MIN || d.dwBufferBytes > DSBSIZE_MAX ||
      d.dwBufferBytes < d.lpwfxFormat->nBlockAlign) {
    return DSERR_INVALIDPARAM;
  }
  WAVEFORMATEX format = *d.lpwfxFormat;
  format.cbSize = 0;
  auto samples = std::make_shared<SampleStore>(format, d.dwBufferBytes);
  *buffer = new SecondaryBuffer(std::move(mixer), std::move(samples), d.dwFlags);
  return DS_OK;
}

SecondaryBuffer::SecondaryBuffer(std::shared_ptr<Mixer> mixer,
                                 std::shared_ptr<SampleStore> samples, uint32_t flags)
    : mixer_(std::move(mixer)), flags_(flags), voice_(std::move(samples)) {
  std::lock_guard<std::mutex> guard(mixer_->lock());
  mixer_->attachVoice(&voice_);
}

SecondaryBuffer::~SecondaryBuffer() {
  std::lock_guard<std::mutex> guard(mixer_->lock());
  mixer_->detachVoice(&voice_);
}

HRESULT SecondaryBuffer::duplicate(IDirectSoundBuffer** duplicate) {
  auto* copy = new SecondaryBuffer(mixer_, voice_.samples(), flags_);
  std::lock_guard<std::mutex> guard(mixer_->lock());
  copy->voice_.setVolume(voice_.volume());
  copy->voice_.setFrequency(voice_.frequency());
  *duplicate = copy;
  return DS_OK;
}

HRESULT SecondaryBuffer::GetCaps(DSBCAPS* caps) {
  if (!caps || caps->dwSize != sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
  caps->dwFlags = (flags_ & ~DSBCAPS_LOCDEFER) | DSBCAPS_LOCSOFTWARE;
  caps->dwBufferBytes = size();
  caps->dwUnlockTransferRate = 0;
  caps->dwPlayCpuOverhead = 0;
  return DS_OK;
}

HRESULT SecondaryBuffer::GetCurrentPosition(uint32_t* playCursor, uint32_t* writeCursor) {
  std::lock_guard<std::mutex> guard(mixer_->lock());
  const uint32_t align = voice_.samples()->format.nBlockAlign;
  const uint32_t play = voice_.positionFrame() * align;
  if (playCursor) *playCursor = play;
  if (writeCursor) {
    // While playing, the mixer may already have read up to one period past the play cursor.
    const uint64_t lead = voice_.playing() ? uint64_t(mixer_->leadFrames()) * align : 0;
    *writeCursor = uint32_t((play + lead) % size());
  }
  return DS_OK;
}

HRESULT SecondaryBuffer::GetFormat(WAVEFORMATEX* format, uint32_t sizeAllocated,
                                   uint32_t* sizeWritten) {
  return copyFormat(voice_.samples()->format, format, sizeAllocated, sizeWritten);
}

HRESULT SecondaryBuffer::GetVolume(int32_t* volume) {
  if (!volume) return DSERR_INVALIDPARAM;
  if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  std::lock_guard<std::mutex> guard(mixer_->lock());
  *volume = voice_.volume();
  return DS_OK;
}

HRESULT SecondaryBuffer::GetFrequency(uint32_t* frequency) {
  if (!frequency) return DSERR_INVALIDPARAM;
  if (!(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
  std::lock_guard<std::mutex> guard(mixer_->lock());
  *frequency = voice_.frequency() != 0 ? voice_.frequency()
                                       : voice_.samples()->format.nSamplesPerSec;
  return DS_OK;
}

HRESULT SecondaryBuffer::GetStatus(uint32_t* status) {
  if (!status) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mixer_->lock());
  *status = 0;
  if (voice_.playing()) {
    *status |= DSBSTATUS_PLAYING;
    if (voice_.looping()) *status |= DSBSTATUS_LOOPING;
  }
  if (voice_.lost()) *status |= DSBSTATUS_BUFFERLOST;
  return DS_OK;
}

HRESULT SecondaryBuffer::Lock(uint32_t offset, uint32_t bytes, void** audio1, uint32_t* bytes1,
                              void** audio2, uint32_t* bytes2, uint32_t flags) {
  if (!audio1 || !bytes1) return DSERR_INVALIDPARAM;
  if (flags & ~(DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER)) return DSERR_INVALIDPARAM;
  if (flags & DSBLOCK_FROMWRITECURSOR) {
    uint32_t play = 0;
    GetCurrentPosition(&play, &offset);
  }
  if (flags & DSBLOCK_ENTIREBUFFER) bytes = size();
  std::lock_guard<std::mutex> guard(mixer_->lock());
  if (voice_.lost()) return DSERR_BUFFERLOST;
  if (offset >= size() || bytes == 0 || bytes > size()) return DSERR_INVALIDPARAM;
  // A region running past the end continues at the start of the buffer; without a second
  // pointer to receive that part, the lock stops at the end.
  uint8_t* base = voice_.samples()->bytes.data();
  LockedRegion r{base + offset, std::min(bytes, size() - offset), nullptr, 0};
  if (audio2 && r.firstBytes < bytes) {
    r.second = base;
    r.secondBytes = bytes - r.firstBytes;
  }
  *audio1 = r.first;
  *bytes1 = r.firstBytes;
  if (audio2) *audio2 = r.second;
  if (bytes2) *bytes2 = r.secondBytes;
  locks_.push_back(r);
  return DS_OK;
}

HRESULT SecondaryBuffer::Unlock(void* audio1, uint32_t bytes1, void* audio2, uint32_t bytes2) {
  std::lock_guard<std::mutex> guard(mixer_->lock());
  const auto it = std::find_if(locks_.begin(), locks_.end(), [&](const LockedRegion& r) {
    return r.first == audio1 && bytes1 <= r.firstBytes &&
           (audio2 == nullptr ? bytes2 == 0 : audio2 == r.second && bytes2 <= r.secondBytes);
  });
  if (it == locks_.end()) return DSERR_INVALIDPARAM;
  locks_.erase(it);
  return DS_OK;
}

HRESULT SecondaryBuffer::Play(uint32_t reserved, uint32_t priority, uint32_t flags) {
  constexpr uint32_t kTerminate =
      DSBPLAY_TERMINATEBY_TIME | DSBPLAY_TERMINATEBY_DISTANCE | DSBPLAY_TERMINATEBY_PRIORITY;
  constexpr uint32_t kKnown = DSBPLAY_LOOPING | DSBPLAY_LOCHARDWARE | DSBPLAY_LOCSOFTWARE |
                              kTerminate;
  if (reserved != 0 || (flags & ~kKnown)) return DSERR_INVALIDPARAM;
  // Priorities and voice management belong to buffers whose placement is deferred to play time.
  const bool deferred = flags_ & DSBCAPS_LOCDEFER;
  if (!deferred && (priority != 0 || (flags & (kTerminate | DSBPLAY_LOCSOFTWARE)))) {
    return DSERR_INVALIDPARAM;
  }
  if (flags & DSBPLAY_LOCHARDWARE) return DSERR_CONTROLUNAVAIL;
  std::lock_guard<std::mutex> guard(mixer_->lock());
  if (voice_.lost()) return DSERR_BUFFERLOST;
  if (!mixer_->open()) return DSERR_NODRIVER;
  // Software voices are never short, so a priority never has to end another voice; it is kept
  // as the buffer's play priority.
  priority_ = priority;
  voice_.start(flags & DSBPLAY_LOOPING);
  mixer_->startVoice(&voice_);
  return DS_OK;
}

HRESULT SecondaryBuffer::SetCurrentPosition(uint32_t position) {
  std::lock_guard<std::mutex> guard(mixer_->lock());
  if (position >= size()) return DSERR_INVALIDPARAM;
  voice_.setPositionFrame(position / voice_.samples()->format.nBlockAlign);
  return DS_OK;
}

HRESULT SecondaryBuffer::SetFormat(const WAVEFORMATEX*) { return DSERR_INVALIDCALL; }

HRESULT SecondaryBuffer::SetVolume(int32_t volume) {
  if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mixer_->lock());
  voice_.setVolume(volume);
  return DS_OK;
}

HRESULT SecondaryBuffer::SetFrequency(uint32_t frequency) {
  if (!(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
  if (frequency != DSBFREQUENCY_ORIGINAL &&
      (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX)) {
    return DSERR_INVALIDPARAM;
  }
  std::lock_guard<std::mutex> guard(mixer_->lock());
  voice_.setFrequency(frequency);
  return DS_OK;
}

HRESULT SecondaryBuffer::Stop() {
  std::lock_guard<std::mutex> guard(mixer_->lock());
  voice_.stop();  // the mixer drops stopped voices at its next period
  return DS_OK;
}

HRESULT SecondaryBuffer::Restore() {
  std::lock_guard<std::mutex> guard(mixer_->lock());
  voice_.restore();
  return DS_OK;
}

HRESULT SecondaryBuffer::Notify::QueryInterface(const IID& iid, void** object) {
  return owner_.QueryInterface(iid, object);
}

HRESULT SecondaryBuffer::Notify::SetNotificationPositions(uint32_t count,
                                                          const DSBPOSITIONNOTIFY* positions) {
  if (count != 0 && !positions) return DSERR_INVALIDPARAM;
  for (uint32_t i = 0; i < count; ++i) {
    if (!positions[i].hEventNotify ||
        (positions[i].dwOffset != DSBPN_OFFSETSTOP && positions[i].dwOffset >= owner_.size())) {
      return DSERR_INVALIDPARAM;
    }
  }
  std::lock_guard<std::mutex> guard(owner_.mixer_->lock());
  // Positions are fixed while the buffer plays.
  if (owner_.voice_.playing()) return DSERR_INVALIDCALL;
  owner_.voice_.setNotifications(positions, count);
  return DS_OK;
}

}  // namespace dsound

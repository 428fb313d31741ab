#include "platform/dsound/PrimaryBuffer.h"

#include "platform/dsound/Mixer.h"
#include "platform/dsound/Voice.h"

#include <algorithm>
#include <cstring>

namespace dsound {

PrimaryBuffer::PrimaryBuffer(std::shared_ptr<Mixer> mixer, uint32_t flags)
    : mixer_(std::move(mixer)), flags_(flags) {}

HRESULT PrimaryBuffer::GetCaps(DSBCAPS* caps) {
  if (!caps || caps->dwSize != sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mixer_->lock());
  caps->dwFlags = flags_ | DSBCAPS_LOCSOFTWARE;
  caps->dwBufferBytes = mixer_->leadFrames() * mixer_->primaryFormat().nBlockAlign;
  caps->dwUnlockTransferRate = 0;
  caps->dwPlayCpuOverhead = 0;
  return DS_OK;
}

HRESULT PrimaryBuffer::GetCurrentPosition(uint32_t*, uint32_t*) { return DSERR_INVALIDCALL; }

HRESULT PrimaryBuffer::GetFormat(WAVEFORMATEX* format, uint32_t sizeAllocated,
                                 uint32_t* sizeWritten) {
  std::lock_guard<std::mutex> guard(mixer_->lock());
  return copyFormat(mixer_->primaryFormat(), format, sizeAllocated, sizeWritten);
}

HRESULT PrimaryBuffer::GetVolume(int32_t* volume) {
  if (!volume) return DSERR_INVALIDPARAM;
  if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  std::lock_guard<std::mutex> guard(mixer_->lock());
  *volume = mixer_->masterVolume();
  return DS_OK;
}

HRESULT PrimaryBuffer::GetFrequency(uint32_t*) { return DSERR_CONTROLUNAVAIL; }

HRESULT PrimaryBuffer::GetStatus(uint32_t* status) {
  if (!status) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mixer_->lock());
  *status = mixer_->open() ? DSBSTATUS_PLAYING | DSBSTATUS_LOOPING : 0;
  return DS_OK;
}

HRESULT PrimaryBuffer::Lock(uint32_t, uint32_t, void**, uint32_t*, void**, uint32_t*, uint32_t) {
  return DSERR_PRIOLEVELNEEDED;  // writing the primary buffer directly is not offered
}

HRESULT PrimaryBuffer::Play(uint32_t reserved, uint32_t priority, uint32_t flags) {
  if (reserved != 0 || priority != 0 || flags != DSBPLAY_LOOPING) return DSERR_INVALIDPARAM;
  return DS_OK;
}

HRESULT PrimaryBuffer::SetCurrentPosition(uint32_t) { return DSERR_INVALIDCALL; }

HRESULT PrimaryBuffer::SetFormat(const WAVEFORMATEX* format) {
  if (!format) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mixer_->lock());
  if (mixer_->cooperativeLevel() < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
  if (!isPlayableFormat(*format)) return DSERR_BADFORMAT;
  WAVEFORMATEX f = *format;
  f.cbSize = 0;
  mixer_->setPrimaryFormat(f);
  return DS_OK;
}

HRESULT PrimaryBuffer::SetVolume(int32_t volume) {
  if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mixer_->lock());
  mixer_->setMasterVolume(volume);
  return DS_OK;
}

HRESULT PrimaryBuffer::SetFrequency(uint32_t) { return DSERR_CONTROLUNAVAIL; }

HRESULT PrimaryBuffer::Stop() { return DS_OK; }

HRESULT PrimaryBuffer::Unlock(void*, uint32_t, void*, uint32_t) { return DSERR_INVALIDCALL; }

HRESULT PrimaryBuffer::Restore() { return DS_OK; }

}  // namespace dsound

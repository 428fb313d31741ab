#include "platform/dsound/Device.h"

#include "platform/dsound/Mixer.h"
#include "platform/dsound/PrimaryBuffer.h"
#include "platform/dsound/SecondaryBuffer.h"

namespace dsound {

Device::Device(std::shared_ptr<Mixer> mixer) : mixer_(std::move(mixer)) {}

Device::~Device() {
  mixer_->shutdown();
  if (PrimaryBuffer* p = primary_.load()) p->Release();
}

HRESULT Device::CreateSoundBuffer(const DSBUFFERDESC* d, IDirectSoundBuffer** buffer,
                                  IUnknown* outer) {
  if (!buffer) return DSERR_INVALIDPARAM;
  *buffer = nullptr;
  if (outer) return DSERR_NOAGGREGATION;
  if (!d || d->dwSize != sizeof(DSBUFFERDESC)) return DSERR_INVALIDPARAM;
  if (!(d->dwFlags & DSBCAPS_PRIMARYBUFFER)) return SecondaryBuffer::create(mixer_, *d, buffer);

  // There is one primary buffer; asking again gives the same object.
  if (d->dwBufferBytes != 0 || d->lpwfxFormat) return DSERR_INVALIDPARAM;
  if (d->dwFlags & ~(DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME | DSBCAPS_LOCSOFTWARE |
                     DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2)) {
    return d->dwFlags & DSBCAPS_CTRL3D ? DSERR_CONTROLUNAVAIL : DSERR_INVALIDPARAM;
  }
  PrimaryBuffer* primary = primary_.load();
  if (!primary) {
    auto* made = new PrimaryBuffer(mixer_, d->dwFlags);
    if (primary_.compare_exchange_strong(primary, made)) {
      primary = made;
    } else {
      made->Release();  // another thread made it first
    }
  }
  primary->AddRef();
  *buffer = primary;
  return DS_OK;
}

HRESULT Device::DuplicateSoundBuffer(IDirectSoundBuffer* original,
                                     IDirectSoundBuffer** duplicate) {
  if (!duplicate) return DSERR_INVALIDPARAM;
  *duplicate = nullptr;
  if (!original) return DSERR_INVALIDPARAM;
  if (original == primary_.load()) return DSERR_INVALIDCALL;
  auto* secondary = dynamic_cast<SecondaryBuffer*>(original);
  if (!secondary || secondary->mixer() != mixer_.get()) return DSERR_INVALIDPARAM;
  return secondary->duplicate(duplicate);
}

HRESULT Device::SetCooperativeLevel(HWND, uint32_t level) {
  if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(mixer_->lock());
  mixer_->setCooperativeLevel(level);
  return DS_OK;
}

}  // namespace dsound

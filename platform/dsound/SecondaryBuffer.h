#pragma once

#include "platform/dsound/ComObject.h"
#include "platform/dsound/DsoundInterfaces.h"
#include "platform/dsound/Voice.h"

#include <memory>
#include <vector>

namespace dsound {

class Mixer;

// A secondary buffer: sample memory (shared with its duplicates) and its own voice — cursor,
// volume, frequency, status and notifications. Every call takes the mixer's lock.
class SecondaryBuffer final : public ComObject<IDirectSoundBuffer> {
 public:
  // Checks the description (flags, format, size) and makes the buffer.
  static HRESULT create(std::shared_ptr<Mixer> mixer, const DSBUFFERDESC& description,
                        IDirectSoundBuffer** buffer);
  // A new buffer over the same samples, stopped at position 0, with this one's flags, volume
  // and frequency and no notifications.
  HRESULT duplicate(IDirectSoundBuffer** duplicate);
  const Mixer* mixer() const { return mixer_.get(); }

  // The notification interface only with DSBCAPS_CTRLPOSITIONNOTIFY; the 3D buffer interface
  // never.
  HRESULT QueryInterface(const IID& iid, void** object) override {
    return answerQuery(iid, object, IID_IDirectSoundBuffer, IID_IDirectSoundNotify,
                       (flags_ & DSBCAPS_CTRLPOSITIONNOTIFY)
                           ? static_cast<IDirectSoundNotify*>(&notify_)
                           : nullptr);
  }

  HRESULT GetCaps(DSBCAPS* caps) override;
  HRESULT GetCurrentPosition(uint32_t* playCursor, uint32_t* writeCursor) override;
  HRESULT GetFormat(WAVEFORMATEX* format, uint32_t sizeAllocated, uint32_t* sizeWritten) override;
  HRESULT GetVolume(int32_t* volume) override;
  HRESULT GetFrequency(uint32_t* frequency) override;
  HRESULT GetStatus(uint32_t* status) override;
  HRESULT Lock(uint32_t offset, uint32_t bytes, void** audio1, uint32_t* bytes1, void** audio2,
               uint32_t* bytes2, uint32_t flags) override;
  HRESULT Play(uint32_t reserved, uint32_t priority, uint32_t flags) override;
  HRESULT SetCurrentPosition(uint32_t position) override;
  HRESULT SetFormat(const WAVEFORMATEX* format) override;
  HRESULT SetVolume(int32_t volume) override;
  HRESULT SetFrequency(uint32_t frequency) override;
  HRESULT Stop() override;
  HRESULT Unlock(void* audio1, uint32_t bytes1, void* audio2, uint32_t bytes2) override;
  HRESULT Restore() override;

 private:
  // The notification interface is a face of the buffer: it shares its reference count.
  class Notify final : public IDirectSoundNotify {
   public:
    explicit Notify(SecondaryBuffer& owner) : owner_(owner) {}
    HRESULT QueryInterface(const IID& iid, void** object) override;
    uint32_t AddRef() override { return owner_.AddRef(); }
    uint32_t Release() override { return owner_.Release(); }
    HRESULT SetNotificationPositions(uint32_t count, const DSBPOSITIONNOTIFY* positions) override;

   private:
    SecondaryBuffer& owner_;
  };

  struct LockedRegion {
    uint8_t* first;
    uint32_t firstBytes;
    uint8_t* second;
    uint32_t secondBytes;
  };

  SecondaryBuffer(std::shared_ptr<Mixer> mixer, std::shared_ptr<SampleStore> samples,
                  uint32_t flags);
  ~SecondaryBuffer() override;
  uint32_t size() const { return uint32_t(voice_.samples()->bytes.size()); }

  std::shared_ptr<Mixer> mixer_;
  const uint32_t flags_;
  Voice voice_;
  uint32_t priority_ = 0;
  std::vector<LockedRegion> locks_;
  Notify notify_{*this};
};

}  // namespace dsound

#pragma once

#include "platform/dsound/ComObject.h"
#include "platform/dsound/DsoundInterfaces.h"

#include <memory>

namespace dsound {

class Mixer;

// The primary buffer: the output's format and master volume. Its samples are the mix itself, so
// it cannot be locked, positioned or duplicated; it plays whenever the device does.
class PrimaryBuffer final : public ComObject<IDirectSoundBuffer> {
 public:
  PrimaryBuffer(std::shared_ptr<Mixer> mixer, uint32_t flags);

  // The 3D listener is never granted.
  HRESULT QueryInterface(const IID& iid, void** object) override {
    return answerQuery(iid, object, IID_IDirectSoundBuffer);
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
  // Needs the priority cooperative level; the format must be playable PCM.
  HRESULT SetFormat(const WAVEFORMATEX* format) override;
  HRESULT SetVolume(int32_t volume) override;
  HRESULT SetFrequency(uint32_t frequency) override;
  HRESULT Stop() override;
  HRESULT Unlock(void* audio1, uint32_t bytes1, void* audio2, uint32_t bytes2) override;
  HRESULT Restore() override;

 private:
  ~PrimaryBuffer() override = default;

  std::shared_ptr<Mixer> mixer_;
  const uint32_t flags_;
};

}  // namespace dsound

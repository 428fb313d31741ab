#pragma once

#include "platform/dsound/DsoundTypes.h"

#include <cstdint>

// The interfaces of the sound device, as abstract classes with reference counts. Objects are
// made only by this library (DirectSoundCreate, CreateSoundBuffer, DuplicateSoundBuffer,
// QueryInterface) and destroyed by their last Release.
namespace dsound {

class IUnknown {
 public:
  virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  ~IUnknown() = default;
};

class IDirectSoundBuffer : public IUnknown {
 public:
  virtual HRESULT GetCaps(DSBCAPS* caps) = 0;
  virtual HRESULT GetCurrentPosition(uint32_t* playCursor, uint32_t* writeCursor) = 0;
  virtual HRESULT GetFormat(WAVEFORMATEX* format, uint32_t sizeAllocated,
                            uint32_t* sizeWritten) = 0;
  virtual HRESULT GetVolume(int32_t* volume) = 0;
  virtual HRESULT GetFrequency(uint32_t* frequency) = 0;
  virtual HRESULT GetStatus(uint32_t* status) = 0;
  virtual HRESULT Lock(uint32_t offset, uint32_t bytes, void** audio1, uint32_t* bytes1,
                       void** audio2, uint32_t* bytes2, uint32_t flags) = 0;
  virtual HRESULT Play(uint32_t reserved, uint32_t priority, uint32_t flags) = 0;
  virtual HRESULT SetCurrentPosition(uint32_t position) = 0;
  virtual HRESULT SetFormat(const WAVEFORMATEX* format) = 0;
  virtual HRESULT SetVolume(int32_t volume) = 0;
  virtual HRESULT SetFrequency(uint32_t frequency) = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT Unlock(void* audio1, uint32_t bytes1, void* audio2, uint32_t bytes2) = 0;
  virtual HRESULT Restore() = 0;

 protected:
  ~IDirectSoundBuffer() = default;
};

class IDirectSoundNotify : public IUnknown {
 public:
  virtual HRESULT SetNotificationPositions(uint32_t count,
                                           const DSBPOSITIONNOTIFY* positions) = 0;

 protected:
  ~IDirectSoundNotify() = default;
};

// Declared for the code that would position voices in space; QueryInterface never grants these
// (the device has no 3D capability), so no object of either kind exists.
class IDirectSound3DBuffer : public IUnknown {
 public:
  virtual HRESULT SetPosition(float x, float y, float z, uint32_t apply) = 0;
  virtual HRESULT SetVelocity(float x, float y, float z, uint32_t apply) = 0;
  virtual HRESULT SetConeAngles(uint32_t inside, uint32_t outside, uint32_t apply) = 0;
  virtual HRESULT SetConeOutsideVolume(int32_t volume, uint32_t apply) = 0;
  virtual HRESULT SetConeOrientation(float x, float y, float z, uint32_t apply) = 0;
  virtual HRESULT SetMinDistance(float distance, uint32_t apply) = 0;
  virtual HRESULT SetMaxDistance(float distance, uint32_t apply) = 0;
  virtual HRESULT SetMode(uint32_t mode, uint32_t apply) = 0;

 protected:
  ~IDirectSound3DBuffer() = default;
};

class IDirectSound3DListener : public IUnknown {
 public:
  virtual HRESULT CommitDeferredSettings() = 0;

 protected:
  ~IDirectSound3DListener() = default;
};

class IDirectSound : public IUnknown {
 public:
  virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* description, IDirectSoundBuffer** buffer,
                                    IUnknown* outer) = 0;
  virtual HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original,
                                       IDirectSoundBuffer** duplicate) = 0;
  virtual HRESULT SetCooperativeLevel(HWND window, uint32_t level) = 0;

 protected:
  ~IDirectSound() = default;
};

}  // namespace dsound

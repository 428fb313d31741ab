#pragma once

#include "platform/dsound/ComObject.h"
#include "platform/dsound/DsoundInterfaces.h"

#include <atomic>
#include <memory>

namespace dsound {

class Mixer;
class PrimaryBuffer;

// The sound device: makes buffers and owns the mixer. Releasing it stops the mix (the real-time
// thread ends, the output file is completed); buffers still held stay valid objects but no
// longer play.
class Device final : public ComObject<IDirectSound> {
 public:
  explicit Device(std::shared_ptr<Mixer> mixer);

  Mixer& mixer() { return *mixer_; }

  HRESULT QueryInterface(const IID& iid, void** object) override {
    return answerQuery(iid, object, IID_IDirectSound);
  }

  HRESULT CreateSoundBuffer(const DSBUFFERDESC* description, IDirectSoundBuffer** buffer,
                            IUnknown* outer) override;
  HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original,
                               IDirectSoundBuffer** duplicate) override;
  // There is no focus to follow here: the window is not used, and every buffer plays whichever
  // window is in front.
  HRESULT SetCooperativeLevel(HWND window, uint32_t level) override;

 private:
  ~Device() override;

  std::shared_ptr<Mixer> mixer_;
  std::atomic<PrimaryBuffer*> primary_{nullptr};  // one reference held while the device lives
};

}  // namespace dsound

#include "platform/dsound/DirectSound.h"

#include "platform/dsound/Device.h"
#include "platform/dsound/Mixer.h"

#include <cstdio>
#include <memory>

namespace dsound {

namespace {

constexpr const char* kModule = "platform-dsound";

const char* describe(const DeviceOptions& options) {
  return options.output == MixOutput::WavFile ? "Software mixer (WAVE file output)"
                                              : "Software mixer (null output)";
}

Device* asDevice(IDirectSound* directSound) { return dynamic_cast<Device*>(directSound); }

}  // namespace

HRESULT createDirectSound(const DeviceOptions& options, IDirectSound** directSound) {
  if (!directSound) return DSERR_INVALIDPARAM;
  *directSound = nullptr;
  std::unique_ptr<MixSink> sink = openSink(options);
  if (!sink) return DSERR_NODRIVER;
  auto mixer = std::make_shared<Mixer>(options.clock, std::move(sink));
  mixer->start();
  *directSound = new Device(std::move(mixer));
  return DS_OK;
}

HRESULT DirectSoundCreate(const GUID* device, IDirectSound** directSound, IUnknown* outer) {
  if (!directSound) return DSERR_INVALIDPARAM;
  *directSound = nullptr;
  if (outer) return DSERR_NOAGGREGATION;
  if (device && *device != DSDEVID_SoftwareMixer) return DSERR_NODRIVER;
  const auto options = deviceOptionsFromEnvironment();
  if (!options) {
    std::fprintf(stderr, "[dsound] %s or %s has a value that is not understood\n",
                 kOutputVariable, kClockVariable);
    return DSERR_NODRIVER;
  }
  return createDirectSound(*options, directSound);
}

HRESULT DirectSoundEnumerateA(LPDSENUMCALLBACKA callback, void* context) {
  if (!callback) return DSERR_INVALIDPARAM;
  const DeviceOptions options = deviceOptionsFromEnvironment().value_or(DeviceOptions{});
  if (callback(nullptr, describe(options), kModule, context) == 0) return DS_OK;
  GUID id = DSDEVID_SoftwareMixer;
  callback(&id, describe(options), kModule, context);
  return DS_OK;
}

HRESULT advanceMix(IDirectSound* directSound, uint32_t frames, std::vector<int16_t>* samples) {
  Device* device = asDevice(directSound);
  if (!device || !samples) return DSERR_INVALIDPARAM;
  if (!device->mixer().manual()) return DSERR_INVALIDCALL;
  *samples = device->mixer().advance(frames);
  return DS_OK;
}

HRESULT loseBuffers(IDirectSound* directSound) {
  Device* device = asDevice(directSound);
  if (!device) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(device->mixer().lock());
  device->mixer().loseBuffers();
  return DS_OK;
}

}  // namespace dsound

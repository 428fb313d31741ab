#pragma once

#include "platform/dsound/DeviceOptions.h"
#include "platform/dsound/DsoundInterfaces.h"

#include <cstdint>
#include <vector>

// Entry points of the sound device. The output (null or a WAVE file) and the clock (real time or
// manual) come from the environment for DirectSoundCreate (see DeviceOptions.h and README.md),
// or from the caller for createDirectSound.
namespace dsound {

// Opens the one device (a null GUID or DSDEVID_SoftwareMixer). An unrecognised option value or
// an output file that cannot be opened makes it fail with DSERR_NODRIVER and a line on standard
// error.
HRESULT DirectSoundCreate(const GUID* device, IDirectSound** directSound, IUnknown* outer);

// Calls back for the primary device entry (null GUID) and then for the device.
HRESULT DirectSoundEnumerateA(LPDSENUMCALLBACKA callback, void* context);

HRESULT createDirectSound(const DeviceOptions& options, IDirectSound** directSound);

// For a device on the manual clock: mixes the next `frames` output frames, signals the
// notifications the cursors reach on the way (in the order reached for each buffer), feeds the
// output and returns the mixed samples, interleaved 16-bit with the primary format's channels.
// DSERR_INVALIDCALL for a real-time device.
HRESULT advanceMix(IDirectSound* directSound, uint32_t frames, std::vector<int16_t>* samples);

// Makes every buffer of the device lost, as when another program takes the device: they stop,
// and Lock and Play answer DSERR_BUFFERLOST until Restore. For tests of the callers' recovery.
HRESULT loseBuffers(IDirectSound* directSound);

}  // namespace dsound

#pragma once

#include "platform/acm/WaveFormat.h"

#include <cstdint>

namespace platform {
class Event;
}

// Result codes, flags and records of the sound device interfaces, in the shape the sound layer
// calls them. Failures are negative; callers test the sign (FAILED), never particular values,
// except where a code is named in a test or a caller (DSERR_BUFFERLOST before a Restore).
namespace dsound {

using HRESULT = int32_t;
using HWND = void*;
using acm::WAVEFORMATEX;

inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }

inline constexpr HRESULT DS_OK = 0;
inline constexpr HRESULT E_NOINTERFACE = int32_t(0x80004002u);
inline constexpr HRESULT DSERR_INVALIDPARAM = int32_t(0x80070057u);
inline constexpr HRESULT DSERR_NOAGGREGATION = int32_t(0x80040110u);
inline constexpr HRESULT DSERR_OUTOFMEMORY = int32_t(0x8007000Eu);
inline constexpr HRESULT DSERR_CONTROLUNAVAIL = int32_t(0x8878001Eu);
inline constexpr HRESULT DSERR_INVALIDCALL = int32_t(0x88780032u);
inline constexpr HRESULT DSERR_PRIOLEVELNEEDED = int32_t(0x88780046u);
inline constexpr HRESULT DSERR_BADFORMAT = int32_t(0x88780064u);
inline constexpr HRESULT DSERR_NODRIVER = int32_t(0x88780078u);
inline constexpr HRESULT DSERR_BUFFERLOST = int32_t(0x88780096u);

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
  friend bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;

inline constexpr GUID GUID_NULL = {};
// Identifiers of this implementation's interfaces and of its one device.
inline constexpr IID IID_IUnknown = {0x9b5c0a10, 0x4d2e, 0x4a51, {0x9d, 0x0e, 0x1c, 0x61, 0x2a, 0x77, 0x30, 0x01}};
inline constexpr IID IID_IDirectSound = {0x9b5c0a10, 0x4d2e, 0x4a51, {0x9d, 0x0e, 0x1c, 0x61, 0x2a, 0x77, 0x30, 0x02}};
inline constexpr IID IID_IDirectSoundBuffer = {0x9b5c0a10, 0x4d2e, 0x4a51, {0x9d, 0x0e, 0x1c, 0x61, 0x2a, 0x77, 0x30, 0x03}};
inline constexpr IID IID_IDirectSoundNotify = {0x9b5c0a10, 0x4d2e, 0x4a51, {0x9d, 0x0e, 0x1c, 0x61, 0x2a, 0x77, 0x30, 0x04}};
inline constexpr IID IID_IDirectSound3DBuffer = {0x9b5c0a10, 0x4d2e, 0x4a51, {0x9d, 0x0e, 0x1c, 0x61, 0x2a, 0x77, 0x30, 0x05}};
inline constexpr IID IID_IDirectSound3DListener = {0x9b5c0a10, 0x4d2e, 0x4a51, {0x9d, 0x0e, 0x1c, 0x61, 0x2a, 0x77, 0x30, 0x06}};
inline constexpr GUID DSDEVID_SoftwareMixer = {0x9b5c0a10, 0x4d2e, 0x4a51, {0x9d, 0x0e, 0x1c, 0x61, 0x2a, 0x77, 0x30, 0x10}};
// 3D algorithms a buffer description may name; no 3D buffer is ever granted.
inline constexpr GUID DS3DALG_DEFAULT = GUID_NULL;
inline constexpr GUID DS3DALG_HRTF_FULL = {0x9b5c0a10, 0x4d2e, 0x4a51, {0x9d, 0x0e, 0x1c, 0x61, 0x2a, 0x77, 0x30, 0x21}};

// Cooperative levels.
inline constexpr uint32_t DSSCL_NORMAL = 1;
inline constexpr uint32_t DSSCL_PRIORITY = 2;
inline constexpr uint32_t DSSCL_EXCLUSIVE = 3;
inline constexpr uint32_t DSSCL_WRITEPRIMARY = 4;

// Buffer capabilities.
inline constexpr uint32_t DSBCAPS_PRIMARYBUFFER = 0x00000001;
inline constexpr uint32_t DSBCAPS_STATIC = 0x00000002;
inline constexpr uint32_t DSBCAPS_LOCHARDWARE = 0x00000004;
inline constexpr uint32_t DSBCAPS_LOCSOFTWARE = 0x00000008;
inline constexpr uint32_t DSBCAPS_CTRL3D = 0x00000010;
inline constexpr uint32_t DSBCAPS_CTRLFREQUENCY = 0x00000020;
inline constexpr uint32_t DSBCAPS_CTRLVOLUME = 0x00000080;
inline constexpr uint32_t DSBCAPS_CTRLPOSITIONNOTIFY = 0x00000100;
inline constexpr uint32_t DSBCAPS_GLOBALFOCUS = 0x00008000;
inline constexpr uint32_t DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;
inline constexpr uint32_t DSBCAPS_LOCDEFER = 0x00040000;

// Play flags.
inline constexpr uint32_t DSBPLAY_LOOPING = 0x00000001;
inline constexpr uint32_t DSBPLAY_LOCHARDWARE = 0x00000002;
inline constexpr uint32_t DSBPLAY_LOCSOFTWARE = 0x00000004;
inline constexpr uint32_t DSBPLAY_TERMINATEBY_TIME = 0x00000008;
inline constexpr uint32_t DSBPLAY_TERMINATEBY_DISTANCE = 0x00000010;
inline constexpr uint32_t DSBPLAY_TERMINATEBY_PRIORITY = 0x00000020;

// Status bits.
inline constexpr uint32_t DSBSTATUS_PLAYING = 0x00000001;
inline constexpr uint32_t DSBSTATUS_BUFFERLOST = 0x00000002;
inline constexpr uint32_t DSBSTATUS_LOOPING = 0x00000004;

// Lock flags.
inline constexpr uint32_t DSBLOCK_FROMWRITECURSOR = 0x00000001;
inline constexpr uint32_t DSBLOCK_ENTIREBUFFER = 0x00000002;

// Volume in hundredths of a decibel of attenuation; frequency in samples per second (0 = the
// buffer's own rate); buffer sizes in bytes.
inline constexpr int32_t DSBVOLUME_MIN = -10000;
inline constexpr int32_t DSBVOLUME_MAX = 0;
inline constexpr uint32_t DSBFREQUENCY_ORIGINAL = 0;
inline constexpr uint32_t DSBFREQUENCY_MIN = 100;
inline constexpr uint32_t DSBFREQUENCY_MAX = 200000;
inline constexpr uint32_t DSBSIZE_MIN = 4;
inline constexpr uint32_t DSBSIZE_MAX = 0x0FFFFFFF;

// A notification offset that fires when the buffer stops instead of at a position.
inline constexpr uint32_t DSBPN_OFFSETSTOP = 0xFFFFFFFF;

// 3D settings as the 3D interfaces would take them.
inline constexpr uint32_t DS3D_IMMEDIATE = 0;
inline constexpr uint32_t DS3D_DEFERRED = 1;
inline constexpr uint32_t DS3DMODE_NORMAL = 0;

// dwSize must be sizeof(DSBUFFERDESC): the record holds a pointer and so is larger than on
// 32-bit systems.
struct DSBUFFERDESC {
  uint32_t dwSize;
  uint32_t dwFlags;
  uint32_t dwBufferBytes;
  uint32_t dwReserved;
  const WAVEFORMATEX* lpwfxFormat;
  GUID guid3DAlgorithm;
};

struct DSBCAPS {
  uint32_t dwSize;
  uint32_t dwFlags;
  uint32_t dwBufferBytes;
  uint32_t dwUnlockTransferRate;
  uint32_t dwPlayCpuOverhead;
};

// The event is the runtime's own; it must outlive the notification (until the positions are
// replaced or the buffer is released).
struct DSBPOSITIONNOTIFY {
  uint32_t dwOffset;
  platform::Event* hEventNotify;
};

// Device enumeration: the callback gets a null GUID for the primary device entry, then the GUID
// of each device; it returns 0 to stop the enumeration.
using LPDSENUMCALLBACKA = int (*)(GUID* guid, const char* description, const char* module,
                                  void* context);

}  // namespace dsound

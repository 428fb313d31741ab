#pragma once

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"
#include "platform/dsound/DsoundInterfaces.h"

#include <cstdint>

namespace dbtl {

class DsndBuffer;
class DsndData;
class DsndList;
class DsndStream;

// The one owner of the sound device: opens it on the main window, sets the primary format, keeps
// the loaded sounds (owned) and the running streams (not owned; a stream removes itself when it
// closes), hands out voice sets and streams, and turns linear volumes into attenuation. Game
// thread only, except _VolumeToDb, which has no state.
class DsndManager : public DObject {
 public:
  static constexpr uint32_t CREATED = 0x10000;
  static constexpr uint32_t ALLOW_3D = 1;     // never set: the device grants no 3D buffers
  static constexpr uint32_t ALLOW_VOICE = 2;  // never set

  DsndManager() = default;
  DsndManager(const DsndManager&) = delete;
  DsndManager& operator=(const DsndManager&) = delete;
  ~DsndManager() override;

  // Opens the default device for the window (the host's main window). False when already
  // created or when a step fails (everything made so far is released again).
  bool Create(dsound::HWND window);
  // Closes every stream, unloads every sound, then releases the device. False when not created.
  bool Release();

  // A new voice set of the loaded sound of that name; null when not created or not loaded.
  rcptr<DsndBuffer> CreateBuffer(const char* name, uint32_t flags, uint32_t priority);
  // As CreateBuffer, loading the sound from the open file first when no sound has the name.
  rcptr<DsndBuffer> LoadBuffer(const char* name, DFile& file, uint32_t flags, uint32_t priority);
  // A new stream over the playlist, open and listed; null when not created or opening fails.
  rcptr<DsndStream> CreateStream(const rcptr<DsndList>& list);
  // A stream over a new one-entry playlist of the open file, played once.
  rcptr<DsndStream> CreateStreamFromFile(DFile& file);

  // The first loaded sound whose name equals the given one (ASCII letters without case).
  rcptr<DsndData> _FindData(const char* name);
  // Drops the list's reference to that sound (which may destroy it); nothing when absent.
  void _RemoveData(DsndData* data);
  void _RemoveStream(DsndStream* stream);

  // Attenuation in hundredths of a decibel for a linear volume: each halving costs
  // (slope + 0.05) * 10000, clamped to [-10000, 0].
  static int32_t _VolumeToDb(float volume, float slope);
  static int _EnumCallback(dsound::GUID* guid, const char* description, const char* module,
                           void* context);

  bool IsCreated() const { return (m_flags & CREATED) != 0; }
  uint32_t GetFlags() const { return m_flags; }
  dsound::IDirectSound* GetDirectSound() const { return m_directSound; }
  dsound::IDirectSound3DListener* GetListener() const { return m_listener; }
  uint32_t _CountData() const { return m_data.GetCount(); }
  uint32_t _CountStreams() const { return m_streams.GetCount(); }

 private:
  uint32_t _MaskFlags(uint32_t flags) const;

  uint32_t m_flags = 0;
  dsound::IDirectSound* m_directSound = nullptr;
  dsound::IDirectSoundBuffer* m_primary = nullptr;
  dsound::IDirectSound3DListener* m_listener = nullptr;
  DList<DsndData> m_data;
  DList<DsndStream> m_streams;  // uncounted references
};

}  // namespace dbtl

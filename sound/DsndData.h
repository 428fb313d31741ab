#pragma once

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"
#include "platform/dsound/DsoundInterfaces.h"
#include "sound/DWave.h"

#include <cstdint>

namespace dbtl {

class DsndBuffer;
class DsndManager;

// One sound decoded once into a device buffer and played through voice sets. The first set of
// a location gets a new buffer filled with the whole sound; later sets duplicate an existing one,
// so the samples are held once. The manager owns the sound; it leaves the manager (and is
// destroyed) with its last voice set.
class DsndData : public DObject {
 public:
  static constexpr uint32_t kNameBytes = 264;

  DsndData() = default;
  DsndData(const DsndData&) = delete;
  DsndData& operator=(const DsndData&) = delete;
  ~DsndData() override;

  // Opens the reader on the file and keeps the name (cut to 263 characters). False when already
  // loaded or when the file is no readable sound (logged).
  bool Load(DFile& file, const char* name, DsndManager* manager);
  // Releases every voice set, closes the reader and leaves the manager's list, which destroys
  // this sound unless someone else holds it. False when not loaded.
  bool Unload();
  // A voice set (flags: 1 positional, 2 voice-managed); null when no location can make one.
  rcptr<DsndBuffer> CreateBuffer(uint32_t flags, uint32_t priority);

  const char* GetName() const { return m_name; }
  DsndManager* GetManager() const { return m_manager; }
  DWave& GetWave() { return m_wave; }
  // The sets of a location (DSBCAPS_LOCHARDWARE, DSBCAPS_LOCSOFTWARE or DSBCAPS_LOCDEFER).
  DList<DsndBuffer>& _ListOf(uint32_t location);
  // Called by a set that leaves its list: when no set is left, the sound leaves the manager.
  void _SetDetached();

 private:
  rcptr<DsndBuffer> _DuplicateBuffer(DList<DsndBuffer>& list, uint32_t flags, uint32_t priority,
                                     uint32_t location);
  rcptr<DsndBuffer> _NewBuffer(const dsound::DSBUFFERDESC& description, DList<DsndBuffer>& list,
                               uint32_t flags, uint32_t priority, uint32_t location);
  void _FillBuffer(DsndBuffer& set);
  void _ReleaseBuffers(DList<DsndBuffer>& list);
  // A set over the buffer, listed in the location's list; null (the buffer released) on failure.
  rcptr<DsndBuffer> _MakeSet(dsound::IDirectSoundBuffer* buffer, DList<DsndBuffer>& list,
                             uint32_t flags, uint32_t priority, uint32_t location);

  DsndManager* m_manager = nullptr;
  char m_name[kNameBytes] = {};
  DWave m_wave;
  DList<DsndBuffer> m_hardware;  // uncounted references, as the two below
  DList<DsndBuffer> m_software;
  DList<DsndBuffer> m_deferred;
  bool m_unloading = false;
};

}  // namespace dbtl

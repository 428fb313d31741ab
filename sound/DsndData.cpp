#include "sound/DsndData.h"

#include "foundation/dbtl/DDebug.h"
#include "foundation/dbtl/DString.h"
#include "foundation/dbtl/Dstr.h"
#include "sound/DsndBuffer.h"
#include "sound/DsndManager.h"

namespace dbtl {

using namespace dsound;

DsndData::~DsndData() {
  Unload();
  m_hardware.Release();
  m_software.Release();
  m_deferred.Release();
}

bool DsndData::Load(DFile& file, const char* name, DsndManager* manager) {
  if (m_manager != nullptr) return false;
  m_manager = manager;
  DstrCopyN(m_name, name, sizeof m_name);
  if (m_wave.Open(file)) return true;
  DString text;
  text.Append("[DsndData] Can't read wave data \"");
  text.Append(file.GetPath());
  text.Append("\"\r\n");
  DDebug::Print(text.GetText());
  Unload();
  return false;
}

bool DsndData::Unload() {
  if (m_manager == nullptr) return false;
  // While the sets go, the last one must not make the manager drop this sound in the middle of
  // the unload; the sound leaves the manager once, at the end.
  m_unloading = true;
  _ReleaseBuffers(m_hardware);
  _ReleaseBuffers(m_software);
  _ReleaseBuffers(m_deferred);
  m_unloading = false;
  m_wave.Close();
  m_name[0] = '\0';
  DsndManager* manager = m_manager;
  m_manager = nullptr;
  manager->_RemoveData(this);  // may destroy this sound: nothing of it is touched afterwards
  return true;
}

DList<DsndBuffer>& DsndData::_ListOf(uint32_t location) {
  if (location == DSBCAPS_LOCDEFER) return m_deferred;
  if (location == DSBCAPS_LOCHARDWARE) return m_hardware;
  return m_software;
}

void DsndData::_SetDetached() {
  if (m_unloading || m_manager == nullptr) return;
  if (m_hardware.GetCount() == 0 && m_software.GetCount() == 0 && m_deferred.GetCount() == 0) {
    m_manager->_RemoveData(this);
  }
}

void DsndData::_ReleaseBuffers(DList<DsndBuffer>& list) {
  while (list.GetCount() != 0) {
    const DListBase::iterator first = list.Begin();
    DList<DsndBuffer>::Get(first)->Release();
    list.Erase(first);  // nothing when the release took it out already
  }
  list.Release();
}

rcptr<DsndBuffer> DsndData::CreateBuffer(uint32_t flags, uint32_t priority) {
  const bool positional = (flags & DsndBuffer::POSITIONAL) != 0;
  const bool managed = (flags & DsndBuffer::VOICE_MANAGED) != 0;
  rcptr<DsndBuffer> set;
  if (positional) {
    if (managed) set = _DuplicateBuffer(m_deferred, flags, priority, DSBCAPS_LOCDEFER);
    if (!set) set = _DuplicateBuffer(m_hardware, flags, priority, DSBCAPS_LOCHARDWARE);
    if (set) return set;
  }
  set = _DuplicateBuffer(m_software, flags, priority, DSBCAPS_LOCSOFTWARE);
  if (set) return set;

  DSBUFFERDESC description{};
  description.dwSize = sizeof(DSBUFFERDESC);
  description.dwBufferBytes = m_wave.GetLength();
  description.lpwfxFormat = &m_wave.GetFormat();
  if (positional) {
    description.dwFlags |= DSBCAPS_CTRL3D;
    description.guid3DAlgorithm = DS3DALG_HRTF_FULL;
    if (managed) set = _NewBuffer(description, m_deferred, flags, priority, DSBCAPS_LOCDEFER);
    if (!set) set = _NewBuffer(description, m_hardware, flags, priority, DSBCAPS_LOCHARDWARE);
    if (set) return set;
  }
  return _NewBuffer(description, m_software, flags, priority, DSBCAPS_LOCSOFTWARE);
}

rcptr<DsndBuffer> DsndData::_MakeSet(IDirectSoundBuffer* buffer, DList<DsndBuffer>& list,
                                     uint32_t flags, uint32_t priority, uint32_t location) {
  rcptr<DsndBuffer> set;
  set.Create(1);
  if (!set->Create(this, buffer, flags, priority)) {
    buffer->Release();
    return {};
  }
  set->_SetNode(list.PushBack(rcptr<DsndBuffer>::Borrow(set.Get())), location);
  return set;
}

rcptr<DsndBuffer> DsndData::_DuplicateBuffer(DList<DsndBuffer>& list, uint32_t flags,
                                             uint32_t priority, uint32_t location) {
  if (list.GetCount() == 0) return {};
  const rcptr<DsndBuffer> first = list.Front();
  IDirectSoundBuffer* duplicate = nullptr;
  if (FAILED(m_manager->GetDirectSound()->DuplicateSoundBuffer(first->_GetVoice(0), &duplicate))) {
    return {};
  }
  return _MakeSet(duplicate, list, flags, priority, location);
}

rcptr<DsndBuffer> DsndData::_NewBuffer(const DSBUFFERDESC& description, DList<DsndBuffer>& list,
                                       uint32_t flags, uint32_t priority, uint32_t location) {
  DSBUFFERDESC copy = description;
  copy.dwFlags |= DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME | DSBCAPS_GLOBALFOCUS |
                  DSBCAPS_GETCURRENTPOSITION2 | location;
  IDirectSoundBuffer* buffer = nullptr;
  if (FAILED(m_manager->GetDirectSound()->CreateSoundBuffer(&copy, &buffer, nullptr))) return {};
  const rcptr<DsndBuffer> set = _MakeSet(buffer, list, flags, priority, location);
  if (set) _FillBuffer(*set);
  return set;
}

void DsndData::_FillBuffer(DsndBuffer& set) {
  IDirectSoundBuffer* voice = set._GetVoice(0);
  void* memory = nullptr;
  void* second = nullptr;
  uint32_t bytes = 0;
  uint32_t secondBytes = 0;
  if (FAILED(voice->Lock(0, 0, &memory, &bytes, &second, &secondBytes, DSBLOCK_ENTIREBUFFER))) {
    return;
  }
  m_wave.Rewind();
  m_wave.BeginDecode();
  m_wave.Read(memory, bytes);
  m_wave.EndDecode();
  voice->Unlock(memory, bytes, nullptr, 0);
}

}  // namespace dbtl

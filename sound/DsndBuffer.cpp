#include "sound/DsndBuffer.h"

#include "sound/DsndData.h"
#include "sound/DsndManager.h"

namespace dbtl {

using namespace dsound;

DsndBuffer::~DsndBuffer() { Release(); }

bool DsndBuffer::Create(DsndData* sound, IDirectSoundBuffer* buffer, uint32_t flags,
                        uint32_t priority) {
  if (m_sound != nullptr || sound == nullptr || buffer == nullptr) return false;
  m_sound = sound;
  m_count = 1;
  m_voices.Create(1);
  m_voices[0] = buffer;
  m_flags = flags;
  m_loops.Create(m_count);
  m_loops[0] = 0;
  if ((flags & POSITIONAL) == 0) return true;

  m_3d.Create(m_count);
  for (uint32_t i = 0; i < m_count; ++i) {
    void* object = nullptr;
    m_3d[i] = nullptr;
    if (FAILED(m_voices[i]->QueryInterface(IID_IDirectSound3DBuffer, &object))) {
      // The caller releases the buffer it handed over; the set must not release it too.
      m_voices.Reset();
      Release();
      return false;
    }
    m_3d[i] = static_cast<IDirectSound3DBuffer*>(object);
  }
  for (uint32_t i = 0; i < m_count; ++i) {
    IDirectSound3DBuffer* spatial = m_3d[i];
    spatial->SetPosition(0, 0, 0, DS3D_DEFERRED);
    spatial->SetVelocity(0, 0, 0, DS3D_DEFERRED);
    spatial->SetConeAngles(360, 360, DS3D_DEFERRED);
    spatial->SetConeOutsideVolume(0, DS3D_DEFERRED);
    spatial->SetConeOrientation(1, 0, 0, DS3D_DEFERRED);
    spatial->SetMinDistance(1, DS3D_DEFERRED);
    spatial->SetMaxDistance(1e9f, DS3D_DEFERRED);
    spatial->SetMode(DS3DMODE_NORMAL, DS3D_DEFERRED);
  }
  m_priority = priority;
  return true;
}

bool DsndBuffer::Release() {
  if (m_sound == nullptr) return false;
  _Detach();
  for (uint32_t i = 0; m_3d && i < m_count; ++i) {
    if (m_3d[i] != nullptr) m_3d[i]->Release();
  }
  m_3d.Reset();
  for (uint32_t i = 0; m_voices && i < m_count; ++i) m_voices[i]->Release();
  m_voices.Reset();
  m_loops.Reset();
  m_count = 0;
  m_sound = nullptr;
  return true;
}

void DsndBuffer::_SetNode(DListBase::iterator node, uint32_t location) {
  m_node = std::move(node);
  m_location = location;
}

void DsndBuffer::_Detach() {
  if (!m_node) return;
  DsndData* sound = m_sound;
  sound->_ListOf(m_location).Erase(m_node);
  m_node.Reset();
  sound->_SetDetached();  // may destroy the sound; the set keeps only its pointer, unused
}

bool DsndBuffer::_PickVoice(uint32_t* index) {
  bool found = false;
  uint32_t furthest = 0;
  for (uint32_t i = 0; i < m_count; ++i) {
    uint32_t status = 0;
    if (FAILED(m_voices[i]->GetStatus(&status)) || (status & DSBSTATUS_LOOPING)) continue;
    if ((status & DSBSTATUS_PLAYING) == 0) {
      *index = i;
      return true;
    }
    uint32_t cursor = 0;
    uint32_t write = 0;
    if (FAILED(m_voices[i]->GetCurrentPosition(&cursor, &write))) continue;
    if (!found || cursor > furthest) {
      found = true;
      furthest = cursor;
      *index = i;
    }
  }
  return found;
}

void DsndBuffer::_StartVoice(uint32_t index) {
  const uint32_t loop = m_loops[index] & 1;
  if (m_flags & VOICE_MANAGED) {
    m_voices[index]->Play(0, m_priority,
                          DSBPLAY_TERMINATEBY_TIME | DSBPLAY_TERMINATEBY_PRIORITY | loop);
  } else {
    m_voices[index]->Play(0, 0, loop);
  }
}

void DsndBuffer::Play(float volume) {
  if (m_sound == nullptr) return;
  uint32_t index = 0;
  if (!_PickVoice(&index)) return;
  m_loops[index] &= ~1u;
  IDirectSoundBuffer* voice = m_voices[index];
  voice->SetVolume(DsndManager::_VolumeToDb(volume, 0));
  voice->SetFrequency(DSBFREQUENCY_ORIGINAL);
  voice->SetCurrentPosition(0);
  _StartVoice(index);
}

bool DsndBuffer::IsPlaying() {
  for (uint32_t i = 0; i < m_count; ++i) {
    uint32_t status = 0;
    if (SUCCEEDED(m_voices[i]->GetStatus(&status)) &&
        (status & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING))) {
      return true;
    }
  }
  return false;
}

void DsndBuffer::SetPosition(float x, float y, float z) {
  if (!m_3d) return;
  for (uint32_t i = 0; i < m_count; ++i) m_3d[i]->SetPosition(x, y, -z, DS3D_DEFERRED);
}

void DsndBuffer::SetVelocity(float x, float y, float z) {
  if (!m_3d) return;
  for (uint32_t i = 0; i < m_count; ++i) m_3d[i]->SetVelocity(x, y, -z, DS3D_DEFERRED);
}

}  // namespace dbtl

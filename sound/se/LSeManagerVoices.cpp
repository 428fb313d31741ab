#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "sound/group/SeGroupFile.h"
#include "sound/se/LSeManager.h"

#include <cstring>

// Playing, stopping and following voices; the active list and the owner keys.

namespace {

// The key table's index is a signed 32-bit word with -1 for none.
constexpr uint64_t kKeyLimit = 0xFFFFFFFEull;

}  // namespace

void LSeManager::_ApplyPosition(_VOICEINFO& voice) {
  const float* p = voice.position;
  const float* v = voice.velocity;
  voice.set->SetPosition(p[0], p[1], p[2]);
  voice.set->SetVelocity(v[0] * m_velocityFactor, v[1] * m_velocityFactor,
                         v[2] * m_velocityFactor);
}

void LSeManager::Play(uint32_t number, _GROUPINFO* group, const void* key,
                      const LSePositionSource* source) {
  _SEINFO* sound = _FindSound(group, number);
  if (sound == nullptr || sound->voices.empty()) return;

  for (_VOICEINFO& v : sound->voices) ++v.age;
  ++group->references;  // for the voice started here, given back when it stops
  _VOICEINFO* voice = nullptr;
  for (_VOICEINFO& v : sound->voices) {
    if ((v.state & _VOICEINFO::ACTIVE) == 0) {
      voice = &v;
      break;
    }
  }
  if (voice == nullptr) {
    voice = &sound->voices[0];
    for (_VOICEINFO& v : sound->voices) {
      if (v.age > voice->age) voice = &v;
    }
    _StopVoice(voice);
  }

  voice->state |= _VOICEINFO::ACTIVE;
  voice->age = 0;
  voice->source = source;
  if (sound->flags & kSeFlag3d) {
    if (source != nullptr) {
      std::memcpy(voice->position, source->position, sizeof voice->position);
      std::memcpy(voice->velocity, source->velocity, sizeof voice->velocity);
    } else {
      std::memset(voice->position, 0, sizeof voice->position);
      std::memset(voice->velocity, 0, sizeof voice->velocity);
    }
    _ApplyPosition(*voice);
  }
  voice->set->Play(m_typeVolumes[group->type]);

  voice->prev = nullptr;
  voice->next = m_active;
  if (m_active != nullptr) m_active->prev = voice;
  m_active = voice;

  if ((sound->flags & (kSeFlagSlave | kSeFlagStop)) != 0 && key != nullptr) _LinkKey(*voice, key);
}

void LSeManager::_LinkKey(_VOICEINFO& voice, const void* key) {
  size_t index = 0;
  while (index < m_keys.size() && m_keys[index].key != key) ++index;
  if (index == m_keys.size()) {
    if (m_keys.size() >= kKeyLimit) {
      lerrFatal("%s", lerrText(u"[LSeManager::Play] キーリストの最大数に達しました").c_str());
    }
    // The table grows 128 keys at a time.
    if (m_keys.size() == m_keys.capacity()) m_keys.reserve(m_keys.size() + 128);
    m_keys.push_back({key, nullptr});
  }
  _KEYINFO& entry = m_keys[index];
  voice.key = static_cast<int32_t>(index);
  voice.keyPrev = nullptr;
  voice.keyNext = entry.first;
  if (entry.first != nullptr) entry.first->keyPrev = &voice;
  entry.first = &voice;
}

void LSeManager::_UnlinkKey(_VOICEINFO& voice) {
  const auto index = static_cast<size_t>(voice.key);
  if (voice.keyPrev != nullptr) voice.keyPrev->keyNext = voice.keyNext;
  else m_keys[index].first = voice.keyNext;
  if (voice.keyNext != nullptr) voice.keyNext->keyPrev = voice.keyPrev;
  voice.keyPrev = voice.keyNext = nullptr;
  voice.key = -1;
  if (m_keys[index].first != nullptr) return;
  // The chain is empty: the last key takes the freed place, and its voices learn the index.
  const size_t last = m_keys.size() - 1;
  if (index != last) {
    m_keys[index] = m_keys[last];
    for (_VOICEINFO* v = m_keys[index].first; v != nullptr; v = v->keyNext) {
      v->key = static_cast<int32_t>(index);
    }
  }
  m_keys.pop_back();
}

void LSeManager::_StopVoice(_VOICEINFO* voice) {
  if ((voice->state & _VOICEINFO::ACTIVE) == 0) return;
  voice->state &= ~_VOICEINFO::ACTIVE;
  for (uint32_t i = 0; i < voice->set->GetVoiceCount(); ++i) voice->set->_GetVoice(i)->Stop();
  voice->source = nullptr;
  if (voice->prev != nullptr) voice->prev->next = voice->next;
  else m_active = voice->next;
  if (voice->next != nullptr) voice->next->prev = voice->prev;
  voice->prev = voice->next = nullptr;
  if (voice->key >= 0) _UnlinkKey(*voice);
  UnloadGroup(voice->sound->group);
}

void LSeManager::Update() {
  for (_VOICEINFO* voice = m_active; voice != nullptr;) {
    _VOICEINFO* next = voice->next;
    if (!voice->set->IsPlaying()) {
      _StopVoice(voice);
    } else if (voice->sound->flags & kSeFlagSlave) {
      if (voice->source != nullptr) {
        std::memcpy(voice->position, voice->source->position, sizeof voice->position);
        std::memcpy(voice->velocity, voice->source->velocity, sizeof voice->velocity);
      } else {
        for (int i = 0; i < 3; ++i) voice->position[i] += voice->velocity[i];
      }
      _ApplyPosition(*voice);
    }
    voice = next;
  }
  if (m_manager) {
    if (dsound::IDirectSound3DListener* listener = m_manager->GetListener()) {
      listener->CommitDeferredSettings();
    }
  }
}

void LSeManager::DetachOwner(const void* key) {
  int64_t found = -1;
  for (size_t i = 0; i < m_keys.size(); ++i) {
    if (m_keys[i].key == key) found = static_cast<int64_t>(i);
  }
  if (found < 0) return;
  for (_VOICEINFO* voice = m_keys[static_cast<size_t>(found)].first; voice != nullptr;) {
    _VOICEINFO* next = voice->keyNext;
    voice->source = nullptr;
    if (voice->sound->flags & kSeFlagStop) _StopVoice(voice);
    voice = next;
  }
}

#pragma once

#include "foundation/dbtl/rcptr.h"
#include "sound/DsndBuffer.h"
#include "sound/DsndManager.h"

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

class SeGroupFile;
struct LSeGroupList;

// What a position source holds (owned by the caller): the position, three values the manager
// does not read, and the velocity in units per frame.
struct LSePositionSource {
  float position[3];
  float unused[3];
  float velocity[3];
};

// Plays the game's sound effects. A group is one "prp" group file with numbered sounds, loaded
// once per pack and name and shared by reference count; every started voice holds one more
// reference to its group. Voices may be tied to an owner key (which can stop or detach them)
// and to a position source. Game thread only; no lock.
class LSeManager {
 public:
  struct _GROUPINFO;
  struct _SEINFO;

  struct _VOICEINFO {
    static constexpr uint32_t ACTIVE = 1;
    uint32_t state = 0;
    _SEINFO* sound = nullptr;
    dbtl::rcptr<dbtl::DsndBuffer> set;
    uint32_t age = 0;
    const LSePositionSource* source = nullptr;
    float position[3] = {};
    float velocity[3] = {};
    _VOICEINFO* prev = nullptr;
    _VOICEINFO* next = nullptr;
    int32_t key = -1;
    _VOICEINFO* keyPrev = nullptr;
    _VOICEINFO* keyNext = nullptr;
  };

  struct _SEINFO {
    _GROUPINFO* group = nullptr;
    uint32_t number = 0;
    uint32_t flags = 0;
    int32_t priority = -1;
    uint32_t count = 0;
    // Only voices whose voice set was made: a voice without one is never started or polled.
    std::vector<_VOICEINFO> voices;
  };

  struct _GROUPINFO {
    int32_t pack = 0;
    char name[264] = {};
    uint32_t references = 0;
    uint32_t type = 0;
    // One more than the highest sound number the file names; only sounds with a section line
    // have a record (ascending by number), the others have no voices.
    uint32_t soundCount = 0;
    std::vector<_SEINFO> sounds;
    std::list<std::unique_ptr<_GROUPINFO>>::iterator node;
  };

  struct _KEYINFO {
    const void* key = nullptr;
    _VOICEINFO* first = nullptr;
  };

  // The renderer makes one, with its frame rate as the velocity factor.
  LSeManager(dbtl::rcptr<dbtl::DsndManager> manager, float velocityFactor);
  LSeManager(const LSeManager&) = delete;
  LSeManager& operator=(const LSeManager&) = delete;
  ~LSeManager();

  // At least three types, the new ones at volume 1.0.
  void ReserveTypeSettings();
  void configureTypeSetting(uint32_t type, float volume);
  // The group of the "prp" file name + ".prp" in the pack; directory (null or empty: the
  // name's own) is where the sound names are relative to.
  _GROUPINFO* LoadGroup(int32_t pack, const char* name, const char* directory, uint32_t type);
  void UnloadGroup(_GROUPINFO* group);
  void UnloadGroups(const LSeGroupList& list);
  void Play(uint32_t number, _GROUPINFO* group, const void* key, const LSePositionSource* source);
  void _StopVoice(_VOICEINFO* voice);
  // Once a frame: releases the voices that ended and moves those that follow their source.
  void Update();
  // Detaches the owner's voices from their sources; stops those whose sound stops with its owner.
  void DetachOwner(const void* key);
  void Release();

  uint32_t GetTypeCount() const { return static_cast<uint32_t>(m_typeVolumes.size()); }
  float GetTypeVolume(uint32_t type) const { return m_typeVolumes[type]; }
  _VOICEINFO* _GetActiveVoices() const { return m_active; }
  const std::vector<_KEYINFO>& _GetKeys() const { return m_keys; }
  uint32_t _CountGroups() const { return static_cast<uint32_t>(m_groups.size()); }
  // The record of sound n, or null when the group has none (no section, or n too high).
  static _SEINFO* _FindSound(_GROUPINFO* group, uint32_t n);

 private:
  void _LoadSounds(_GROUPINFO* group, const char* directory, const SeGroupFile& file);
  void _LoadVoices(_GROUPINFO* group, _SEINFO& sound, const char* directory, const char* name);
  void _ApplyPosition(_VOICEINFO& voice);
  void _LinkKey(_VOICEINFO& voice, const void* key);
  void _UnlinkKey(_VOICEINFO& voice);

  dbtl::rcptr<dbtl::DsndManager> m_manager;
  std::vector<float> m_typeVolumes;
  float m_velocityFactor;
  std::list<std::unique_ptr<_GROUPINFO>> m_groups;
  _VOICEINFO* m_active = nullptr;
  std::vector<_KEYINFO> m_keys;
};

// The groups an object or effect loaded, given back together.
struct LSeGroupList {
  uint32_t count = 0;
  dbtl::rcptr<LSeManager::_GROUPINFO*> groups;
};

#include "sound/se/LSeManager.h"

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/Dpath.h"
#include "foundation/dbtl/Dstr.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/lfm/lfmPack.h"
#include "sound/group/SeGroupFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kTypeReserve = 3;

// Request flags of the device manager for a sound's flags: positional and voice-managed.
uint32_t requestFlags(uint32_t flags) {
  return (flags & kSeFlag3d ? dbtl::DsndBuffer::POSITIONAL : 0) |
         (flags & kSeFlagVoice ? dbtl::DsndBuffer::VOICE_MANAGED : 0);
}

bool isRooted(const char* path) { return path[0] == '/' || path[0] == '\\'; }

}  // namespace

LSeManager::LSeManager(dbtl::rcptr<dbtl::DsndManager> manager, float velocityFactor)
    : m_manager(std::move(manager)), m_velocityFactor(velocityFactor) {}

LSeManager::~LSeManager() { Release(); }

void LSeManager::ReserveTypeSettings() {
  if (m_typeVolumes.size() < kTypeReserve) m_typeVolumes.resize(kTypeReserve, 1.0f);
}

void LSeManager::configureTypeSetting(uint32_t type, float volume) {
  if (type >= m_typeVolumes.size()) {
    lerrFatal(lerrText(u"[LSeManager::configureTypeSetting] 範囲外(%u)").c_str(), type);
  }
  m_typeVolumes[type] = volume;
}

LSeManager::_SEINFO* LSeManager::_FindSound(_GROUPINFO* group, uint32_t n) {
  if (group == nullptr || n >= group->soundCount) return nullptr;
  const auto it = std::lower_bound(group->sounds.begin(), group->sounds.end(), n,
                                   [](const _SEINFO& s, uint32_t v) { return s.number < v; });
  return it != group->sounds.end() && it->number == n ? &*it : nullptr;
}

LSeManager::_GROUPINFO* LSeManager::LoadGroup(int32_t pack, const char* name,
                                              const char* directory, uint32_t type) {
  if (type >= m_typeVolumes.size()) lerrFatal("[LSeManager::LoadGroup] out of typeId(%u)", type);
  if (name == nullptr) name = "";
  char cutName[dbtl::DPATH_BUFFER_SIZE];
  dbtl::DstrCopyN(cutName, name, sizeof cutName);
  for (const auto& group : m_groups) {
    if (group->pack == pack && dbtl::DstrCompareNoCase(group->name, cutName) == 0) {
      ++group->references;
      lerrLog(3, "[LSeManager::LoadGroup] found prop file \"%s\"/%u", group->name,
              group->references);
      return group.get();
    }
  }

  auto made = std::make_unique<_GROUPINFO>();
  _GROUPINFO* group = made.get();
  group->pack = pack;
  std::memcpy(group->name, cutName, sizeof cutName);
  group->references = 1;
  group->type = type;
  m_groups.push_back(std::move(made));
  group->node = std::prev(m_groups.end());

  // The sound names are relative to this directory; a rooted one starts at the pack's root
  // with "/", any other is relative to the root.
  char groupDirectory[dbtl::DPATH_BUFFER_SIZE];
  if (directory != nullptr && directory[0] != '\0') {
    dbtl::DstrCopyN(groupDirectory, directory, sizeof groupDirectory);
  } else {
    dbtl::DpathSplit(group->name, groupDirectory, nullptr, nullptr);
  }
  if (groupDirectory[0] == '\\') groupDirectory[0] = '/';

  char propName[dbtl::DPATH_BUFFER_SIZE];
  dbtl::DpathMake(propName, nullptr, group->name, "prp");
  std::vector<uint8_t> text;
  {
    dbtl::DFile file;
    lfmOpenPackData(pack, file, propName);
    const int64_t size = file.GetSize();
    if (size < 0) {
      lerrFatal(lerrText(u"ファイル \"%s\" のサイズを取得できませんでした。").c_str(),
                file.GetPath());
    }
    text.resize(static_cast<size_t>(size));
    if (file.Read(text.data(), size) != size) {
      lerrFatal(lerrText(u"ファイル \"%s\" を読み込めませんでした。").c_str(), file.GetPath());
    }
    lerrLog(3, "[LSeManager::LoadGroup] load prop file\"%s\"", file.GetPath());
  }
  const SeGroupFile groupFile = SeGroupFile::parse(text);
  text = {};
  _LoadSounds(group, groupDirectory, groupFile);
  return group;
}

void LSeManager::_LoadSounds(_GROUPINFO* group, const char* directory, const SeGroupFile& file) {
  const SeGroupSettings& defaults = file.defaults();
  group->soundCount = file.soundCount();
  lerrLog(3, "[LSeManager::LoadGroup] load prop(max: %d, count: %d, flags: %x, pri: %x)",
          static_cast<int32_t>(group->soundCount), defaults.count, defaults.flags,
          static_cast<uint32_t>(defaults.priority));
  // Sounds without a section line keep the defaults and have no name, so no voices: only the
  // sections get records, however many sounds the file claims. The records are made in one
  // go, since the voices point at them.
  const auto sections = file.sectionSounds();
  const auto end = std::find_if(sections.begin(), sections.end(),
                                [group](const auto& s) { return s.first >= group->soundCount; });
  group->sounds.resize(static_cast<size_t>(end - sections.begin()));
  for (size_t i = 0; i < group->sounds.size(); ++i) {
    const auto& [n, section] = sections[i];
    _SEINFO& sound = group->sounds[i];
    sound.group = group;
    sound.number = n;
    sound.flags = section.settings.flags;
    sound.priority = section.settings.priority;
    sound.count = static_cast<uint32_t>(section.settings.count);
    lerrLog(3, "[LSeManager::LoadGroup] load se%d(name: \"%s\" count: %u, flags: %x, pri: %x)",
            static_cast<int32_t>(n), section.name.c_str(), sound.count, sound.flags,
            static_cast<uint32_t>(sound.priority));
    _LoadVoices(group, sound, directory, section.name.c_str());
  }
}

void LSeManager::_LoadVoices(_GROUPINFO* group, _SEINFO& sound, const char* directory,
                             const char* name) {
  if (sound.count == 0 || name[0] == '\0') {
    sound.count = 0;
    return;
  }
  char fileName[dbtl::DPATH_BUFFER_SIZE];
  dbtl::DpathMake(fileName, nullptr, name, "wav");
  char path[dbtl::DPATH_BUFFER_SIZE];
  if (isRooted(fileName) || isRooted(directory)) {
    const dbtl::DString combined =
        isRooted(fileName) ? dbtl::DString(fileName) : dbtl::DpathCombine(fileName, directory);
    dbtl::DstrCopyN(path, combined.GetText(), sizeof path);
  } else {
    // Combined under a root that is taken away again, so ".." steps stop at the pack's root.
    // The combination leaves the steps that climb above the root in place ("/../x"): they are
    // dropped too, or a directory pack would read beside itself.
    std::string base = std::string("/") + directory;
    const dbtl::DString combined = dbtl::DpathCombine(fileName, base.c_str());
    const char* text = combined.GetText();
    while (*text == '/') ++text;
    for (const char* after = text;;) {
      while (*after == '.') ++after;
      if (after == text || *after != '/') break;
      text = after + 1;
      after = text;
    }
    dbtl::DstrCopyN(path, text, sizeof path);
  }

  char key[dbtl::DPATH_BUFFER_SIZE];
  lfmGetPackFileName(group->pack, key, path);
  if (!lfmIsPackDataExist(group->pack, path)) {
    lerrLog(3, "[LSeManager::LoadGroup] can't find se file \"%s\"", key);
    sound.count = 0;
    return;
  }
  const uint32_t flags = requestFlags(sound.flags);
  const auto priority = static_cast<uint32_t>(sound.priority);
  dbtl::rcptr<dbtl::DsndBuffer> first;
  {
    dbtl::DFile file;
    lfmOpenPackData(group->pack, file, path);
    first = m_manager->LoadBuffer(key, file, flags, priority);
  }
  if (!first) {
    sound.count = 0;
    return;
  }
  sound.voices.reserve(sound.count);
  for (uint32_t i = 0; i < sound.count; ++i) {
    dbtl::rcptr<dbtl::DsndBuffer> set = m_manager->CreateBuffer(key, flags, priority);
    if (!set) continue;  // such a voice could never play: it is left out
    _VOICEINFO& voice = sound.voices.emplace_back();
    voice.sound = &sound;
    voice.set = std::move(set);
  }
  // The first set only carried the sound into the device manager; the voices' sets keep it.
}

void LSeManager::UnloadGroup(_GROUPINFO* group) {
  // A count of 0 marks a group that is being destroyed: the voices it stops on the way give
  // back their references here and must not destroy it a second time.
  if (group == nullptr || group->references == 0) return;
  if (group->references >= 2) {
    --group->references;
    return;
  }
  group->references = 0;
  lerrLog(3, "[LSeManager::UnloadGroup] unloaded");
  for (_SEINFO& sound : group->sounds) {
    for (_VOICEINFO& voice : sound.voices) _StopVoice(&voice);
  }
  m_groups.erase(group->node);
}

void LSeManager::UnloadGroups(const LSeGroupList& list) {
  for (uint32_t i = 0; i < list.count; ++i) UnloadGroup(list.groups.Get()[i]);
}

void LSeManager::Release() {
  while (m_active != nullptr) _StopVoice(m_active);
  m_keys = {};
  m_groups.clear();
  m_typeVolumes = {};
  m_manager.Reset();
}

#pragma once

#include "model/load/Da3dObject.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string_view>
#include <unordered_map>

class ScriptManager;

// One loaded copy of each model the field engine draws, shared by its holders (map layers,
// objects, bullet types), who take their own instances of it. An entry whose last holder let it
// go waits in the unused list until the next purge, which the engine runs at the end of every
// update; a holder that takes it back before then gets it without a reload.
namespace vell {

struct CacheEntry {
  const char16_t* name = nullptr;  // interned, lower case
  Da3dObject object;
  uint32_t references = 0;
  bool used = false;
  std::list<CacheEntry*>::iterator link;
};

class ModelCache {
 public:
  // Names are interned (lower case) in the manager; models load through the services.
  ModelCache(ScriptManager& names, const L3DModelServices& services);
  ~ModelCache();
  ModelCache(const ModelCache&) = delete;
  ModelCache& operator=(const ModelCache&) = delete;

  // The entry under the lower-cased name with one more reference, or null.
  CacheEntry* get(const char16_t* name);
  // get, or on a miss the model "<name>.dgo" loaded with the sound-effect groups (fatal when it
  // cannot be read) as a new entry with one reference.
  CacheEntry* load(const char16_t* name, const LSeGroupList& seGroups);
  CacheEntry* loadPlain(const char16_t* name) { return load(name, {}); }
  // One reference less; the last one moves the entry to the unused list.
  void release(CacheEntry* entry);
  // Frees every unused entry, oldest release first.
  void purge();

  // out becomes a new instance over the cached model's data.
  static void instantiate(Da3dObject& out, const CacheEntry& entry);
  // The first animation of the model whose name equals name (ASCII letters without case).
  static dbtl::rcptr<L3DAnimData> findAnimation(const CacheEntry& entry, const char16_t* name);
  static bool hasCollGroupType(const CacheEntry& entry, uint32_t type);

  void setServices(const L3DModelServices& services) { services_ = services; }
  // Statistics: models read from files so far, entries held and waiting for the purge.
  uint32_t loads() const { return loads_; }
  std::size_t usedCount() const { return used_.size(); }
  std::size_t unusedCount() const { return unused_.size(); }

 private:
  ScriptManager& names_;
  L3DModelServices services_;
  std::unordered_map<std::u16string_view, std::unique_ptr<CacheEntry>> entries_;
  std::list<CacheEntry*> used_;
  std::list<CacheEntry*> unused_;
  uint32_t loads_ = 0;
};

}  // namespace vell

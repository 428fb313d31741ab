#include "engines/vell/ModelCache.h"

#include "foundation/dbtl/DCp932Text.h"
#include "foundation/dbtl/Dstr.h"
#include "model/L3DGroupData.h"
#include "script/ScriptManager.h"

#include <string>

namespace vell {

namespace {

constexpr std::size_t kAnimNameBytes = 128;

}  // namespace

ModelCache::ModelCache(ScriptManager& names, const L3DModelServices& services)
    : names_(names), services_(services) {}

ModelCache::~ModelCache() {
  // Instances go before the data they draw, entry by entry.
  for (auto& [name, entry] : entries_) entry->object.reset();
}

CacheEntry* ModelCache::get(const char16_t* name) {
  const char16_t* key = names_.internString(name);
  const auto it = entries_.find(key);
  if (it == entries_.end()) return nullptr;
  CacheEntry* entry = it->second.get();
  if (entry->references == 0) {
    unused_.erase(entry->link);
    entry->link = used_.insert(used_.end(), entry);
    entry->used = true;
  }
  entry->references += 1;
  return entry;
}

CacheEntry* ModelCache::load(const char16_t* name, const LSeGroupList& seGroups) {
  if (CacheEntry* hit = get(name)) return hit;
  auto entry = std::make_unique<CacheEntry>();
  entry->name = names_.internString(name);
  // A model that cannot be read is fatal in the loader and never becomes an entry.
  entry->object.load(services_, entry->name, seGroups);
  loads_ += 1;
  entry->references = 1;
  entry->used = true;
  entry->link = used_.insert(used_.end(), entry.get());
  CacheEntry* raw = entry.get();
  entries_.emplace(std::u16string_view(raw->name), std::move(entry));
  return raw;
}

void ModelCache::release(CacheEntry* entry) {
  if (entry->references > 1) {
    entry->references -= 1;
    return;
  }
  entry->references = 0;
  if (entry->used) {
    used_.erase(entry->link);
    entry->link = unused_.insert(unused_.end(), entry);
    entry->used = false;
  }
}

void ModelCache::purge() {
  while (!unused_.empty()) {
    CacheEntry* entry = unused_.front();
    unused_.pop_front();
    entry->object.reset();
    entries_.erase(std::u16string_view(entry->name));
  }
}

void ModelCache::instantiate(Da3dObject& out, const CacheEntry& entry) {
  Da3dObject::clone(entry.object, out);
}

dbtl::rcptr<L3DAnimData> ModelCache::findAnimation(const CacheEntry& entry,
                                                   const char16_t* name) {
  std::string wanted = dbtl::DCp932FromUtf16(name);
  if (wanted.size() > kAnimNameBytes - 1) wanted.resize(kAnimNameBytes - 1);
  if (!entry.object.data) return {};
  dbtl::DList<L3DAnimData>& anims = entry.object.data->anims;
  for (auto it = anims.Begin(); it != anims.End(); it = dbtl::DList<L3DAnimData>::Next(it)) {
    dbtl::rcptr<L3DAnimData> anim = dbtl::DList<L3DAnimData>::Get(it);
    if (!anim) continue;
    if (anim->name.GetLength() == wanted.size() &&
        dbtl::DstrCompareNoCaseN(anim->name.GetText(), wanted.c_str(), uint32_t(wanted.size())) == 0) {
      return anim;
    }
  }
  return {};
}

bool ModelCache::hasCollGroupType(const CacheEntry& entry, uint32_t type) {
  if (!entry.object.data) return false;
  dbtl::DList<L3DCollGroupData>& groups = entry.object.data->collGroups;
  for (auto it = groups.Begin(); it != groups.End();
       it = dbtl::DList<L3DCollGroupData>::Next(it)) {
    dbtl::rcptr<L3DCollGroupData> group = dbtl::DList<L3DCollGroupData>::Get(it);
    if (group && group->type == type) return true;
  }
  return false;
}

}  // namespace vell

#include "model/instance/L3DPartGroupInstance.h"

#include "model/L3DHandles.h"

void L3DPartGroupInstance::Build(const dbtl::rcptr<L3DInstanceOwner>& ownerHandle,
                                 const dbtl::rcptr<L3DPartGroupData>& groupData) {
  owner = ownerHandle;
  data = groupData;
  _BuildLevel(nullptr);
}

void L3DPartGroupInstance::_BuildLevel(const L3D_PARTGROUPINST_DATASET* prev) {
  // Calls visit(parent entry or null, info) for every entry of the new level, in order: the
  // parts of prev in order and, within each, the group's entries that hang from it.
  auto walk = [&](auto visit) {
    const uint32_t parents = prev != nullptr ? prev->count : 1;
    for (uint32_t p = 0; p < parents; ++p) {
      const L3D_PARTGROUPINST_ENTRY* parent = prev != nullptr ? &prev->entries[p] : nullptr;
      const L3DPartData* parentData = parent != nullptr ? parent->part->data.Get() : nullptr;
      for (auto it = data->entries.Begin(); it != data->entries.End();
           it = dbtl::DListBase::Next(it)) {
        const L3DPartInfoData& info = *static_cast<const L3DPartInfoData*>(it->elementObject);
        if (info.parentPart.Get() == parentData) visit(parent, info);
      }
    }
  };

  // In a group whose parts form a tree every level adds at least one entry of the group, so
  // there are never more levels than entries. More can only come from a part listed as its own
  // ancestor, which would otherwise add levels without end.
  uint32_t entryCount = 0;
  uint32_t levelCount = 0;
  for (auto it = data->entries.Begin(); it != data->entries.End(); it = dbtl::DListBase::Next(it)) {
    ++entryCount;
  }
  for (auto it = levels.Begin(); it != levels.End(); it = dbtl::DListBase::Next(it)) ++levelCount;
  if (levelCount >= entryCount) return;

  uint32_t n = 0;
  walk([&](const L3D_PARTGROUPINST_ENTRY*, const L3DPartInfoData&) { ++n; });
  if (n == 0) return;

  auto level = l3dNewObject<L3D_PARTGROUPINST_DATASET>();
  level->count = n;
  level->entries.Create(n);
  uint32_t i = 0;
  walk([&](const L3D_PARTGROUPINST_ENTRY* parent, const L3DPartInfoData& info) {
    L3D_PARTGROUPINST_ENTRY& e = level->entries[i++];
    e.part = owner->GetPartInstance(info.part);
    if (parent == nullptr) return;
    e.parentPart = parent->part;
    if (info.parentBone) e.parentBone = parent->part->GetBone(info.parentBone.Get());
  });
  levels.PushBack(level);
  _BuildLevel(level.Get());
}

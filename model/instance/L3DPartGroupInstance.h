#pragma once

#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"
#include "model/L3DGroupData.h"
#include "model/instance/L3DInstanceOwner.h"
#include "model/instance/L3DPartInstance.h"

#include <cstdint>

struct L3D_PARTGROUPINST_ENTRY {
  dbtl::rcptr<L3DPartInstance> part;
  dbtl::rcptr<L3DPartInstance> parentPart;  // empty on level 0
  dbtl::rcptr<L3D_PARTINST_BONE> parentBone;  // empty when the part hangs from the parent's root
};

struct L3D_PARTGROUPINST_DATASET : dbtl::DObject {
  uint32_t count = 0;
  dbtl::rcptr<L3D_PARTGROUPINST_ENTRY> entries;
};

// The parts of one part group of an object instance, level by level: level 0 holds the parts
// that hang from no part, level k + 1 the children of level k. Walking the levels in order
// reaches every parent before its children; a part whose parent is never reached from level 0
// is on no level and is not advanced.
class L3DPartGroupInstance {
 public:
  L3DPartGroupInstance() = default;
  L3DPartGroupInstance(const L3DPartGroupInstance&) = delete;
  L3DPartGroupInstance& operator=(const L3DPartGroupInstance&) = delete;

  // Fills this empty instance; owner is an uncounted handle.
  void Build(const dbtl::rcptr<L3DInstanceOwner>& owner, const dbtl::rcptr<L3DPartGroupData>& data);

  dbtl::rcptr<L3DInstanceOwner> owner;  // uncounted
  dbtl::rcptr<L3DPartGroupData> data;
  dbtl::DList<L3D_PARTGROUPINST_DATASET> levels;

 private:
  // Adds the level below prev (level 0 without prev) and the levels below it.
  void _BuildLevel(const L3D_PARTGROUPINST_DATASET* prev);
};

#pragma once

#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/rcptr.h"
#include "model/L3DObjectData.h"
#include "render/L3DAnimInstMat.h"
#include "render/device/L3DDevice.h"
#include "render/device/L3DTexture.h"

#include <cstdint>

class L3DCollGroupInstance;
class L3DPartInstance;
struct L3D_PARTINST_MAT;
// One bound motion of an animation instance; the animation instances define it.
struct L3D_ANIMINST_MOT;

// What the part, part-group and collision-group instances ask of the object instance that holds
// them. The object instance implements it; the instances keep it through an uncounted handle,
// so they never keep their owner alive.
class L3DInstanceOwner {
 public:
  virtual ~L3DInstanceOwner() = default;

  virtual dbtl::rcptr<L3DObjectData> GetObjectData() = 0;
  // The device the buffers are made on; null when there is none.
  virtual L3DDevice* GetDevice() = 0;
  // Whether that device runs vertex shaders; without them no vertex or index buffer is made.
  virtual bool RunsVertexShaders() = 0;

  // Builds a material from the first matching option of the list; false when none matches.
  virtual bool CreateMaterial(L3D_ANIMINST_MAT& material,
                              dbtl::DList<L3D_RENDERER_SHADEROPT>& options,
                              L3D_PARTINST_MAT& record, const char* partName,
                              const L3D_PARTDATA_MAT& data) = 0;
  // The renderer's default material.
  virtual void CreateDefaultMaterial(L3D_ANIMINST_MAT& material) = 0;
  // The instance's texture resolver, when it was given one.
  virtual bool HasTextureResolver() = 0;
  virtual dbtl::rcptr<L3DTexture> ResolveTexture(const char* name, uint32_t option) = 0;

  virtual dbtl::DList<L3DCollGroupInstance>& GetCollGroups() = 0;
  // Every collision group back to its state after a build, and the bounds forgotten.
  virtual void _ResetCollGroups() = 0;
  // The part instance of that part data; fatal when the instance has none.
  virtual dbtl::rcptr<L3DPartInstance> GetPartInstance(const dbtl::rcptr<L3DPartData>& part) = 0;
  // Whether the animation of the bound motion asks for the texture coordinates to be restored
  // (bit 0 of its flags).
  virtual bool MotionRestoresUVs(const L3D_ANIMINST_MOT& motion) = 0;
};

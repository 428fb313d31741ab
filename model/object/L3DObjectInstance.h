#pragma once

#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/rcptr.h"
#include "foundation/math/LMat.h"
#include "model/L3DObjectData.h"
#include "model/anim/L3DAnimInstance.h"
#include "model/anim/L3DObjInstEvent.h"
#include "model/instance/L3DCollGroupInstance.h"
#include "model/instance/L3DInstanceOwner.h"
#include "model/instance/L3DPartGroupInstance.h"
#include "model/instance/L3DPartInstance.h"
#include "model/object/L3DModelServices.h"
#include "render/L3DDrawable.h"
#include "render/L3DRandom.h"
#include "sound/se/LSeManager.h"

#include <cstdint>
#include <vector>

class L3DObjectInstance;

// The texture resolver handed over by the loader: called as callback(out, instance, name, 1).
using L3DTextureResolveFunc = void (*)(dbtl::rcptr<L3DTexture>& out, L3DObjectInstance* instance,
                                       const char* name, uint32_t option);
struct L3DTextureResolver {
  uintptr_t context = 0;
  L3DTextureResolveFunc callback = nullptr;
  L3D_RENDERER_NNID* nnid = nullptr;  // the model's resource name
};

// The transform block of an object instance; the same layout as the block of a part transform
// (position, previous position, delta, rotation, previous rotation, scale, previous scale), so
// voices and effects follow either through a pointer to the position.
struct L3D_OBJINST_TRANSFORM {
  float position[3] = {};
  float previousPosition[3] = {};
  float deltaPosition[3] = {};
  float rotation[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float previousRotation[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float scale[3] = {1.0f, 1.0f, 1.0f};
  float previousScale[3] = {1.0f, 1.0f, 1.0f};
};

struct L3DBoundSphere {
  LVec3 centre;
  float radius = 0.0f;
};

inline constexpr uint32_t L3D_OBJINST_BUILDING = 1;
inline constexpr uint32_t L3D_OBJINST_BOUND_SLOTS = 7;

// One drawable, animatable copy of a loaded model. Engines write its transform block, choose
// its animation and advance it a frame at a time; the renderer draws its part instances.
class L3DObjectInstance : public L3DInstanceOwner,
                          public L3DMaterialTextures,
                          public L3DDrawable {
 public:
  L3DObjectInstance() = default;
  L3DObjectInstance(const L3DObjectInstance&) = delete;
  L3DObjectInstance& operator=(const L3DObjectInstance&) = delete;
  ~L3DObjectInstance() override { Release(); }

  // Initialises and builds the instance; with a renderer it joins the renderer's list.
  void Create(const L3DModelServices& services, const dbtl::rcptr<L3DObjectData>& data,
              const L3DTextureResolver& resolver);
  // Stops the instance's effects and voices first (nothing may keep pointing into its transform
  // blocks), then frees everything. Idempotent.
  void Release();

  void SetSeGroups(const LSeGroupList& list);
  L3D_PARTINST_TRANSFORM* _FindTransform(const L3DPoolRef& part, const L3DPoolRef& bone);
  dbtl::rcptr<L3D_PARTINST_MAT> _FindMat(const L3DPoolRef& part, const L3DPoolRef& material);
  LMat _CalcWorldMatrix() const;

  // Animation control.
  dbtl::rcptr<L3DAnimInstance> CreateAnim(const char* name);
  dbtl::rcptr<L3DAnimInstance> GetAnimInstance(const dbtl::rcptr<L3DAnimData>& data);
  enum class Restart { No, Yes };
  void SetAnim(const dbtl::rcptr<L3DAnimInstance>& anim, Restart restart);
  void ResetAnimFrame();
  void ForwardAnimFrame();

  // Rebuilds an event set from the event records (areas: the animation's texture areas).
  void _CreateEvents(L3D_OBJINST_EVENTSET& set, dbtl::DList<L3D_OBJDATA_EVENT>& list,
                     dbtl::DList<L3D_OBJDATA_TEXAREA>* areas);
  // Runs one event; true (with the target) only for a frame jump.
  bool _workEvent(const L3D_OBJINST_EVENT& event, int32_t& target, uint32_t delay);
  // Steps one event set by a frame.
  void _StepEvents(L3D_OBJINST_EVENTSET& set);
  void _ApplyResident(L3D_OBJINST_TSR& resident);

  // L3DInstanceOwner.
  dbtl::rcptr<L3DObjectData> GetObjectData() override { return data; }
  L3DDevice* GetDevice() override;
  bool RunsVertexShaders() override;
  bool CreateMaterial(L3D_ANIMINST_MAT& material, dbtl::DList<L3D_RENDERER_SHADEROPT>& options,
                      L3D_PARTINST_MAT& record, const char* partName,
                      const L3D_PARTDATA_MAT& matData) override;
  void CreateDefaultMaterial(L3D_ANIMINST_MAT& material) override;
  bool HasTextureResolver() override { return resolver.callback != nullptr; }
  dbtl::rcptr<L3DTexture> ResolveTexture(const char* name, uint32_t option) override;
  dbtl::DList<L3DCollGroupInstance>& GetCollGroups() override { return collGroups; }

  // L3DMaterialTextures: the texture resolver.
  bool CanResolve() override { return HasTextureResolver(); }
  dbtl::rcptr<L3DTexture> Resolve(const char* name, bool mip) override;

  // L3DDrawable: the part instances in list order, as the renderer draws them.
  uint32_t GetDrawPartCount() override;
  void GetDrawPart(uint32_t part, L3D_RENDERER_DRAWPART& out) override;
  void GetDrawMesh(uint32_t part, uint32_t mesh, L3D_RENDERER_DRAWMESH& out) override;
  void _ResetCollGroups() override;
  dbtl::rcptr<L3DPartInstance> GetPartInstance(const dbtl::rcptr<L3DPartData>& part) override;
  bool MotionRestoresUVs(const L3D_ANIMINST_MOT& motion) override;

  L3DModelServices services;
  dbtl::rcptr<L3DObjectData> data;
  L3DTextureResolver resolver;
  L3D_OBJINST_TRANSFORM transform;
  dbtl::rcptr<L3D_EFFECT_DATA> systemEffects;
  dbtl::rcptr<L3D_EFFECT_DATA> ownEffects;
  LSeGroupList seGroups;
  L3D_OBJINST_EVENTSET objectEvents;
  dbtl::DList<L3DPartInstance> parts;
  dbtl::DList<L3DPartGroupInstance> partGroups;
  dbtl::DList<L3DCollGroupInstance> collGroups;
  std::vector<dbtl::rcptr<L3DAnimInstance>> anims;
  uint32_t flags = 0;
  dbtl::rcptr<L3DPartGroupInstance> currentPartGroup;
  std::vector<L3D_COLLINST_SPHERE*> spheres;  // spheres of groups attached to no part
  L3DBoundSphere bounds[L3D_OBJINST_BOUND_SLOTS];
  L3DBoundSphere previousBounds[L3D_OBJINST_BOUND_SLOTS];
  uint8_t previousBoundsValid[L3D_OBJINST_BOUND_SLOTS] = {};
  std::vector<L3D_OBJINST_EVENTSET*> eventSets;
  std::vector<L3D_OBJINST_TSR> residents;
  uint32_t materialFlags = 0;

 private:
  void _Build();
  dbtl::rcptr<L3DInstanceOwner> _Self() { return dbtl::rcptr<L3DInstanceOwner>::Borrow(this); }
  void _ForwardParts(const LMat& world);
  // The order _ForwardParts steps the parts in, worked out again when the part group changes.
  void _BuildPartSteps();
  void _CalcBounds();
  L3DRandom& _Random();

  std::vector<L3DPartInstance*> m_drawParts;  // parts in list order, for the renderer

  // A part to step with the world matrix and rotation of what it hangs from (null: the
  // instance's own). The frame step walks these and m_collGroups instead of the lists: a list
  // walk counts references on every node it passes.
  struct PartStep {
    L3DPartInstance* part;
    const L3D_PARTINST_TRANSFORM* parent;
  };
  std::vector<PartStep> m_partSteps;
  const L3DPartGroupInstance* m_stepsGroup = nullptr;  // the group m_partSteps follows
  bool m_stepsValid = false;
  std::vector<L3DCollGroupInstance*> m_collGroups;  // collGroups in list order
  bool m_released = true;
  bool m_listed = false;
  L3DRandom m_ownRandom;
};

// For the renderer's release of every listed instance (L3DRendererLinks::releaseInstance).
void l3dReleaseObjectInstance(L3DObjectInstance* instance);

#pragma once

#include "foundation/dbtl/rcptr.h"
#include "foundation/startup/Dmath.h"
#include "model/L3DHandles.h"
#include "model/object/L3DModelServices.h"
#include "model/object/L3DObjectInstance.h"
#include "model/tests/ModelTestSupport.h"
#include "render/LResManager.h"
#include "testsupport/ModelSample.h"

#include <string>
#include <vector>

// Records what the instances ask of the effect manager.
class RecordingEffects : public L3DEffectPlayer {
 public:
  void Play(const L3DEffectPlayRequest& request) override { plays.push_back(request); }
  void StopKey(const void* key) override { stopped.push_back(key); }
  dbtl::rcptr<L3D_EFFECT_DATA> GetFirstData() override { return system; }
  dbtl::rcptr<L3D_EFFECT_DATA> FindData(const L3D_RENDERER_NNID*) override { return own; }
  void LoadData(L3D_RENDERER_NNID* nnid, int32_t, const char* name) override {
    loads.push_back(std::string(nnid != nullptr ? nnid->name : "") + "|" + name);
  }

  dbtl::rcptr<L3D_EFFECT_DATA> system, own;
  std::vector<L3DEffectPlayRequest> plays;
  std::vector<const void*> stopped;
  std::vector<std::string> loads;
};

namespace objtest {

// A key at a frame with a position on x, the identity rotation and unit scale.
inline modelfile::Key key(uint32_t frame, float x = 0.0f, uint32_t flags = 0) {
  modelfile::Key k;
  k.frame = frame;
  k.flags = flags;
  k.values[0] = x;
  k.values[6] = 1.0f;
  k.values[7] = k.values[8] = k.values[9] = 1.0f;
  return k;
}

inline modelfile::Motion motion(uint32_t part, uint32_t bone, std::vector<modelfile::Key> keys = {}) {
  modelfile::Motion m;
  m.part = part;
  m.bone = bone;
  m.keys = std::move(keys);
  return m;
}

// One part "body" with the bones hip{head}, one material "mat" with a vertex set of three
// vertices, and the part group "all" that holds the part. Animations must give motions for
// the root (bone 0), hip (1) and head (2).
inline modelfile::Model bodyModel() {
  modelfile::Model m;
  m.parts = {modelfile::trianglePart("body", {modelfile::bone("hip", {modelfile::bone("head")})})};
  m.groups = {modelfile::groupOfFirstPart("all")};
  return m;
}

inline modelfile::Anim anim(const std::string& name, uint32_t end, uint32_t loop,
                            std::vector<modelfile::Motion> motions) {
  modelfile::Anim a;
  a.name = name;
  a.endFrame = end;
  a.loopFrame = loop;
  a.group = 1;
  a.motions = std::move(motions);
  return a;
}

// The instance on no renderer, with the recorder as its effect manager.
inline dbtl::rcptr<L3DObjectInstance> instance(const dbtl::rcptr<L3DObjectData>& data,
                                               RecordingEffects* effects = nullptr,
                                               LSeManager* se = nullptr) {
  if (DmathSinTable[1024] == 0.0f) DmathInitTables();
  L3DModelServices services;
  services.effects = effects;
  services.seManager = se;
  auto inst = l3dNewObject<L3DObjectInstance>();
  inst->Create(services, data, {});
  return inst;
}

inline L3DPartInstance& part(L3DObjectInstance& inst) { return *inst.parts.Front(); }

inline L3D_PARTINST_TRANSFORM& bone(L3DObjectInstance& inst, uint32_t i) {
  L3DPartInstance& p = part(inst);
  return i == 0 ? p.bones[0].transform : p.bones[0].children[0].transform;
}

}  // namespace objtest

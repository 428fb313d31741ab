#pragma once

#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/rcptr.h"
#include "model/L3DHandles.h"
#include "model/instance/L3DCollGroupInstance.h"
#include "model/instance/L3DInstanceOwner.h"
#include "model/instance/L3DPartInstance.h"
#include "model/tests/ModelTestSupport.h"
#include "testsupport/render/DeviceFixture.h"

#include <map>
#include <string>
#include <vector>

// Stands in for the object instance: it holds the model, its collision-group instances and its
// part instances, and answers the material and texture requests as a test sets it up.
class FakeOwner : public L3DInstanceOwner {
 public:
  // Which of the two shader-option lists gives a material.
  enum class Accepts { Part, Object, None };

  dbtl::rcptr<L3DObjectData> GetObjectData() override { return objectData; }
  L3DDevice* GetDevice() override { return device; }
  bool RunsVertexShaders() override { return vertexShaders; }

  bool CreateMaterial(L3D_ANIMINST_MAT& material, dbtl::DList<L3D_RENDERER_SHADEROPT>& options,
                      L3D_PARTINST_MAT&, const char* partName,
                      const L3D_PARTDATA_MAT& data) override {
    const bool isPart = &options != &objectData->shaderOptions;
    materialCalls.push_back(std::string(isPart ? "part:" : "object:") + partName + "/" +
                            std::string(data.name.text, data.name.length));
    const bool ok = (accepts == Accepts::Part && isPart) || (accepts == Accepts::Object && !isPart);
    if (ok) material.texture = madeTexture;
    return ok;
  }
  void CreateDefaultMaterial(L3D_ANIMINST_MAT& material) override {
    materialCalls.push_back("default");
    material.texture.Reset();
  }
  bool HasTextureResolver() override { return hasResolver; }
  dbtl::rcptr<L3DTexture> ResolveTexture(const char* name, uint32_t option) override {
    resolved.push_back(std::string(name) + "," + std::to_string(option));
    return resolvedTexture;
  }

  dbtl::DList<L3DCollGroupInstance>& GetCollGroups() override { return collGroups; }
  void _ResetCollGroups() override {
    ++resets;
    l3dResetCollGroups(collGroups, previousBoundsValid);
  }
  dbtl::rcptr<L3DPartInstance> GetPartInstance(const dbtl::rcptr<L3DPartData>& part) override {
    for (auto& p : parts) {
      if (p->data.Get() == part.Get()) return p;
    }
    lerrFatal("no part instance");
  }
  bool MotionRestoresUVs(const L3D_ANIMINST_MOT&) override { return motionRestoresUVs; }

  // Builds the collision groups of the model, then one part instance per part, as the object
  // instance does (the parts look up their spheres in the groups).
  void Build(const dbtl::rcptr<L3DObjectData>& model) {
    objectData = model;
    for (auto& g : items(objectData->collGroups)) {
      auto instance = l3dNewObject<L3DCollGroupInstance>();
      instance->Build(Self(), g);
      collGroups.PushBack(instance);
    }
    for (auto& p : items(objectData->parts)) {
      auto instance = l3dNewObject<L3DPartInstance>();
      instance->Create(Self(), p);
      parts.push_back(instance);
    }
  }

  dbtl::rcptr<L3DInstanceOwner> Self() { return dbtl::rcptr<L3DInstanceOwner>::Borrow(this); }

  dbtl::rcptr<L3DObjectData> objectData;
  L3DDevice* device = nullptr;
  bool vertexShaders = true;
  Accepts accepts = Accepts::Part;
  bool hasResolver = false;
  bool motionRestoresUVs = false;
  dbtl::rcptr<L3DTexture> madeTexture;
  dbtl::rcptr<L3DTexture> resolvedTexture;
  std::vector<std::string> materialCalls;
  std::vector<std::string> resolved;
  int resets = 0;
  uint8_t previousBoundsValid[7] = {1, 1, 1, 1, 1, 1, 1};
  dbtl::DList<L3DCollGroupInstance> collGroups;
  std::vector<dbtl::rcptr<L3DPartInstance>> parts;
};

// A triangle-list material with one corner, so that a vertex set can name it.
inline modelfile::Material material(const std::string& name, const std::string& texture = "") {
  modelfile::Material m;
  m.name = name;
  m.texture = texture;
  m.corners = {{0, 0, 0, 0}};
  m.points = {{0, 0, 0}};
  m.normals = {{0, 1, 0}};
  return m;
}

// A vertex set of n vertices (the builder writes vertex i with i in every float), 72-byte
// vertices when packed.
inline modelfile::Mesh mesh(uint32_t materialIndex, uint32_t n, bool packed = false) {
  modelfile::Mesh m;
  m.material = materialIndex;
  m.vertexCount = n;
  m.packedCount = packed ? n : 0;
  m.indexBytes = {0, 0, 1, 0, 2, 0};
  m.primitiveCount = 1;
  return m;
}

inline std::vector<uint8_t> bytesOf(const void* p, size_t n) {
  const auto* b = static_cast<const uint8_t*>(p);
  return std::vector<uint8_t>(b, b + n);
}

#include "host/engine/EnginePostEffect.h"

#include "foundation/lerr/lerr.h"
#include "host/config/Config.h"
#include "host/engine/Engine.h"
#include "host/system/System.h"
#include "model/L3DObjectData.h"
#include "model/L3DPartData.h"
#include "model/load/Da3dObject.h"
#include "model/object/L3DModelServices.h"
#include "render/post/PostEffectWater.h"

namespace {

L3DModelServices services(System& system) {
  L3DModelServices out;
  out.renderer = system.renderer();
  out.pack = system.GetPack();
  return out;
}

dbtl::rcptr<L3DTexture> loadNoise(void* context, const char16_t* directory,
                                  const char16_t* name) {
  return da3dLoadTextureInDir(services(*static_cast<System*>(context)), directory, name, 0);
}

// The number a point entry names must lie inside the array it indexes.
uint32_t checked(uint32_t index, uint32_t count, const char* what) {
  if (index >= count) {
    lerrFatal("[PostEffect::createWaterMesh] %s number %u of a water point is past the %u the "
              "part has",
              what, index, count);
  }
  return index;
}

// Every material record of every part, in list order: each point entry becomes a vertex with
// the record's point position, the part's colour and the part's texture coordinates in all
// eight pairs; the indices stay the record's own.
bool loadWaterModel(void* context, const char16_t* directory, const char16_t* name,
                    PostEffectWaterModel& model) {
  dbtl::rcptr<L3DObjectData> data =
      da3dLoadObjectData(services(*static_cast<System*>(context)), directory, name);
  if (!data) return false;
  for (auto it = data->parts.Begin(); it != data->parts.End(); it = dbtl::DListBase::Next(it)) {
    const auto* part = static_cast<const L3DPartData*>(it->elementObject);
    if (part == nullptr) continue;
    for (uint32_t m = 0; m < part->matCount; ++m) {
      const L3D_PARTDATA_MAT& mat = part->mats.Get()[m];
      PostEffectWaterRecord& record = model.records.emplace_back();
      record.vertices.reserve(mat.cornerCount);
      for (uint32_t c = 0; c < mat.cornerCount; ++c) {
        const L3DPartCorner& corner = mat.corners.Get()[c];
        const LVec3& p = mat.points.Get()[checked(corner.pointIndex, mat.pointCount, "position")];
        const uint32_t colour =
            part->colours.Get()[checked(corner.colourIndex, part->colourCount, "colour")];
        const L3DPartUV& uv = part->uvs.Get()[checked(corner.uvIndex, part->uvCount, "uv")];
        PostEffectVertex v{};
        v.x = p.x;
        v.y = p.y;
        v.z = p.z;
        v.colour = colour;
        for (auto& pair : v.uv) {
          pair[0] = uv.u;
          pair[1] = uv.v;
        }
        record.vertices.push_back(v);
      }
      record.indices.assign(mat.indices.Get(), mat.indices.Get() + mat.indexCount);
    }
  }
  return true;
}

}  // namespace

PostEffectConfig enginePostEffectConfig(System& system) {
  PostEffectConfig config;
  // Without a renderer the System has not brought its device and pack up: no post effect.
  config.device = system.renderer() != nullptr ? &system.device() : nullptr;
  config.renderer = system.renderer();
  config.pack = system.GetPack();
  if (const Config* c = system.config()) {
    config.width = uint32_t(c->display.width);
    config.height = uint32_t(c->display.height);
    config.compatible = (c->display.flags & CONFIG_DISPLAY_COMPATIBLE) != 0;
  }
  config.loadTexture = &loadNoise;
  config.loadWaterModel = &loadWaterModel;
  config.context = &system;
  return config;
}

PostEffect* enginePostEffectOf(HSQUIRRELVM vm) {
  Engine* engine = Engine::fromVm(vm);
  return engine != nullptr ? engine->postEffect() : nullptr;
}

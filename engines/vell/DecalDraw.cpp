#include "engines/vell/Decal.h"
#include "engines/vell/Engine.h"
#include "engines/vell/FieldMath.h"
#include "engines/vell/Map.h"
#include "engines/vell/Shadow.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "host/system/System.h"
#include "model/load/Da3dObject.h"
#include "render/L3DRenderer.h"
#include "render/device/L3DDevice.h"
#include "render/device/L3DTexture.h"

#include <string>
#include <utility>

namespace vell {

DecalHandle* Engine::createDecalHandle(const char16_t* name, float alpha) {
  const std::u16string sys = std::u16string(baseDirectory_ != nullptr ? baseDirectory_ : u"") +
                             u"sys/";
  dbtl::rcptr<L3DTexture> texture = da3dLoadTextureInDir(modelServices(), sys.c_str(), name, 1);
  if (!texture) {
    lerrFatal(lerrText(u"[vell::Engine::createDecalHandle] テクスチャ\"%s\"を読み込めませんでした").c_str(),
              lerrText(name).c_str());
  }
  return decals_.add(std::move(texture), alpha);
}

void Map::addDecal(const DecalHandle* handle, const DecalStamp& stamp) {
  const std::optional<LandHit> land =
      findLand(::vec3ToFixed(stamp.centre.x, stamp.centre.y, stamp.centre.z));
  if (!land) return;
  decals.add(land->triangle, handle, stamp);
}

void Map::collectDecals(DecalBatch& batch, const ShadowList* shadows) {
  if (flags & kMapHidden) return;
  for (uint32_t i = 0; i < decals.count(); ++i) {
    const DecalSlot& s = decals.slot(i);
    if (s.age >= s.life) continue;
    const Vec3f& v0 = s.triangle->f0;
    const LVec3 centre{s.offset.x + v0.x, s.offset.y + v0.y, s.offset.z + v0.z};
    const LMat43 m =
        mat43TransRotScale({-centre.x, -centre.y, -centre.z}, s.rotation, s.inverseSize);
    batch.draw(s.triangle, s.handle, decalFade(s.age, s.fadeIn, s.fadeOut, s.life) * s.alpha, m);
  }
  if (shadows != nullptr) {
    for (const Shadow* shadow : shadows->shadows()) {
      if (shadow->caster.ground == nullptr) continue;
      batch.draw(shadow->caster.ground, shadow->handle, shadow->alpha, shadowMatrix(*shadow));
    }
  }
  batch.finish();
}

void Map::drawDecals(const ShadowList* shadows) {
  L3DRenderer* renderer = engine != nullptr && engine->system() != nullptr
                              ? engine->system()->renderer()
                              : nullptr;
  if (renderer == nullptr || (flags & kMapHidden)) return;
  // Nothing to draw leaves the device's states alone.
  if (decals.count() == 0 && (shadows == nullptr || shadows->shadows().empty())) return;
  L3DDevice& device = *renderer->GetDevice();
  device.ResetState();
  device.SetStateRender(22, 1);  // cull none
  device.SetStateRender(14, 0);  // no depth writes
  device.SetStateRender(27, 1);  // alpha blending, source alpha over inverse source alpha
  device.SetStateRender(19, 5);
  device.SetStateRender(20, 6);
  device.SetStateRender(15, 1);  // alpha test: greater than 0
  device.SetStateRender(25, 5);
  device.SetStateRender(24, 0);
  device.SetStateSampler(0, 1, 4);  // border addressing with a transparent border
  device.SetStateSampler(0, 2, 4);
  device.SetStateSampler(0, 4, 0);
  LMat identity;
  identity.SetIdentity();
  renderer->SetTransform(identity, renderer->GetView(), renderer->GetProjection());
  DecalBatch batch(
      [&device](const DecalHandle& handle, const L3D_RENDERER_VERTEX* vertices, uint32_t count) {
        device.SetStateTexture(0, handle.texture ? handle.texture->texture : nullptr);
        device.ApplyState();
        device.DrawTriangleListUP(vertices, count / 3);
      },
      decalOffset, drawStamp);
  collectDecals(batch, shadows);
}

}  // namespace vell

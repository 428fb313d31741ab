// The object table's natives for effects, the shadow and decals. Their option tables may be
// null (every value at its default); a key that is given must hold a value of its kind.

#include "engines/vell/Decal.h"
#include "engines/vell/Engine.h"
#include "engines/vell/ObjectNativeArgs.h"
#include "foundation/math/LQuat.h"
#include "foundation/math/Radians.h"
#include "foundation/omb/text/ombNumber.h"
#include "foundation/omb/text/ombToken.h"
#include "script/ScriptHandle.h"
#include "script/ScriptNative.h"

namespace vell {

namespace {

constexpr LVec3 kZero{0.0f, 0.0f, 0.0f};
constexpr LVec3 kOne{1.0f, 1.0f, 1.0f};
constexpr float kFloatMax = 3.4028235e38f;

// "x y z degrees": the turn about the normalised axis, the angle first brought into one turn.
LQuat effectRotation(const char16_t* text) {
  float values[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  const char16_t* p = text != nullptr ? text : u"";
  for (float& value : values) {
    p = ombStrSkipBlank(p);
    if (*p == 0) break;
    char16_t item[64];
    p = ombStrGetToken(64, item, p, nullptr);
    value = static_cast<float>(ombStrToDouble(item, nullptr));
  }
  return quatFromAxisAngle(LVec3{values[0], values[1], values[2]},
                           wrapRadians(values[3] * kDegreesToRadians));
}

// "rot", one text; without it "rots", an array of texts whose turns are multiplied in order;
// with neither the identity.
LQuat effectRotation(const OptionTable& options) {
  if (const ScriptObject rot = options.at(kKeyRot); !rot.isNull()) {
    return effectRotation(rot.toString());
  }
  LQuat q = kQuatIdentity;
  if (!options.contains(kKeyRots)) return q;
  const ScriptObject rots = options.requiredAt(kKeyRots);
  if (rots.isNull()) return q;
  const int32_t size = rots.getSize();
  for (int32_t i = 0; i < size; ++i) {
    quatMultiply(q, q, effectRotation(rots.getStringSlotByIndex(i)));
  }
  return q;
}

void objectShowEffect(HSQUIRRELVM vm, int32_t id, ScriptObject table) {
  Object* o = callerObject(vm);
  if (o == nullptr) return;
  const EffectRequest r = effectRequest(OptionTable(vm, table));
  o->showEffect(r.offset, static_cast<uint32_t>(id), r.systemData, r.life, r.rotation, r.scale);
}

const DecalHandle* decalOf(int32_t id) {
  return static_cast<const DecalHandle*>(scriptHandles().get(id, kDecalHandleKind));
}

void objectSetShadow(HSQUIRRELVM vm, int32_t id, ScriptObject table) {
  Object* o = callerObject(vm);
  if (o == nullptr) return;
  const DecalHandle* handle = decalOf(id);
  if (handle == nullptr) return;
  const OptionTable options(vm, table);
  const float alpha = options.floatAt(u"alpha", 1.0f);
  const float degrees = options.floatAt(kKeyRot, 0.0f);
  const LVec3 size = options.requiredVec3At(kKeyScale, kOne);
  o->setShadow(handle, size, degrees * kDegreesToRadians, alpha,
               options.floatAt(u"heightScale", 0.0f),
               options.floatAt(u"heightScaleMin", -kFloatMax),
               options.floatAt(u"heightScaleMax", kFloatMax));
}

void objectClearShadow(HSQUIRRELVM vm) {
  if (Object* o = callerObject(vm)) o->clearShadow();
}

void objectRegistDecal(HSQUIRRELVM vm, int32_t id, ScriptObject table) {
  Object* o = callerObject(vm);
  if (o == nullptr) return;
  const DecalHandle* handle = decalOf(id);
  if (handle == nullptr) return;
  const OptionTable options(vm, table);
  DecalStamp stamp;
  stamp.alpha = options.floatAt(u"alpha", 1.0f);
  const LVec3 offset = options.requiredVec3At(kKeyPos, kZero);
  stamp.angle = options.floatAt(kKeyRot, 0.0f) * kDegreesToRadians;
  stamp.size = options.requiredVec3At(kKeyScale, kOne);
  // Frame counts are unsigned: a negative one is a very long time.
  stamp.fadeIn = static_cast<uint32_t>(options.integerAt(kKeyFrameStart, 0));
  stamp.fadeOut = static_cast<uint32_t>(options.integerAt(kKeyFrameEnd, 60));
  stamp.life = static_cast<uint32_t>(options.integerAt(kKeyFrameDead, 60));
  o->addDecal(offset, handle, stamp);
}

}  // namespace

EffectRequest effectRequest(const OptionTable& options) {
  EffectRequest r;
  r.systemData = options.boolAt(kKeySystem);
  r.life = options.integerAt(kKeyLife, -1);
  const LVec3 pos = options.requiredVec3At(kKeyPos, kZero);
  r.offset = ::vec3ToFixed(pos.x, pos.y, pos.z);
  r.rotation = effectRotation(options);
  if (const ScriptObject s = options.at(kKeyScale); !s.isNull()) r.scale = vec3Value(s, kOne);
  return r;
}

void registerObjectEffectNatives(const ScriptObject& table) {
  table.registerFunction(u"objectShowEffect", &objectShowEffect)
      .registerFunction(u"objectSetShadow", &objectSetShadow)
      .registerFunction(u"objectClearShadow", &objectClearShadow)
      .registerFunction(u"objectRegistDecal", &objectRegistDecal);
}

}  // namespace vell

// The bullet natives of the root table (types, motions, dynamic attack definitions, launches,
// removal and its history), systemClearRuntimeResources of the global table and the object
// table's dynamic attack natives. Types, motions and dynamic attacks reach scripts as checked
// handles: one of a released map, of another kind or a made-up number is a script error.

#include "engines/vell/bullet/BulletNatives.h"

#include "engines/vell/Base.h"
#include "engines/vell/Engine.h"
#include "engines/vell/FieldObject.h"
#include "engines/vell/bullet/BulletManager.h"
#include "engines/vell/bullet/ScriptValues.h"
#include "foundation/math/DetMath.h"
#include "foundation/math/LVec3.h"
#include "model/math/FixedPoint.h"
#include "script/ScriptContext.h"
#include "script/ScriptError.h"
#include "script/ScriptManager.h"
#include "script/ScriptNative.h"
#include "script/Vec3.h"

#include <cmath>
#include <utility>
#include <vector>

namespace vell {

namespace {

constexpr float kDegreesToRadiansF = 0.017453292f;

// Before the first map reset there is no bullet manager: the engine's "no map" script error.
BulletManager* requireBullets(HSQUIRRELVM vm) {
  BulletManager* bullets = fieldEngine(vm).bullets();
  if (bullets == nullptr) scriptError(u"[%ls] Script Error: no map");
  return bullets;
}

bool present(const ScriptObject& v) { return v.getVm() != nullptr && !v.isNull(); }

ScriptObject keyed(const ScriptObject& table, const ScriptObject& key) {
  return table.getType() == OT_TABLE ? table.findSlotByKey(key.getObject()) : ScriptObject();
}

ScriptObject named(const ScriptObject& table, const char16_t* name) {
  return table.getType() == OT_TABLE ? table.findSlot(name) : ScriptObject();
}

// True only for the boolean true.
bool isTrue(const ScriptObject& table, const ScriptObject& key) {
  return table.getType() == OT_TABLE && table.getBoolSlotByKey(key.getObject());
}

int32_t integerOr(const ScriptObject& v, int32_t fallback) {
  return present(v) ? v.toInteger() : fallback;
}

float floatOr(const ScriptObject& v, float fallback) { return present(v) ? v.toFloat() : fallback; }

// A string value's text; any other value reads as the empty text.
const char16_t* textOf(const ScriptObject& v) {
  return v.getType() == OT_STRING ? v.toString() : u"";
}

LVec3 vec3Or(const ScriptObject& v, const LVec3& fallback) {
  if (!present(v)) return fallback;
  const auto* p = static_cast<const Vec3*>(v.getInstanceUp(Vec3::typeTag()));
  return p != nullptr ? LVec3{p->x, p->y, p->z} : fallback;
}

int32_t roundHalfAway(float v) { return static_cast<int32_t>(v < 0.0f ? v - 0.5f : v + 0.5f); }

// The object of a base id (0: the calling script's base); null for a base of another kind.
Object* objectOfId(Engine& engine, int32_t id) {
  Base* base = id == 0 ? engine.currentBase()
                       : static_cast<Base*>(scriptHandles().get(id, kBaseHandleKind));
  return objectOfBase(base);
}

Object* self(HSQUIRRELVM vm) { return objectOfBase(fieldEngine(vm).currentBase()); }

// The "notifies" value held by the engine's machine: the calling script's thread may end long
// before the definition does.
ScriptObject notifiesOf(const ScriptObject& params, const Engine& engine) {
  const ScriptObject v = keyed(params, engine.scriptKeys().values[kKeyNotifies]);
  const HSQUIRRELVM vm = engine.scriptManager()->vm.vm;
  return present(v) ? ScriptObject::reference(vm, v.getObject()) : ScriptObject::newNull(vm);
}

int32_t bulletDefineType(HSQUIRRELVM vm, ScriptObject params) {
  BulletManager* bullets = requireBullets(vm);
  if (bullets == nullptr) return 0;
  Engine& engine = fieldEngine(vm);
  const ScriptKeys& keys = engine.scriptKeys();
  TypeDefinition d;
  d.directory = textOf(named(params, u"baseDir"));
  if (d.directory[0] == 0) {
    ScriptContext* context = scriptFindContext(vm);
    d.directory = context != nullptr && context->dir != nullptr ? context->dir : u"";
  }
  d.geometryName = textOf(named(params, u"geometryName"));
  d.notifies = notifiesOf(params, engine);
  d.count = integerOr(keyed(params, keys.values[kKeyCount]), 0);
  return bullets->defineType(d)->handle;
}

void bulletShareType(HSQUIRRELVM vm, int32_t type) {
  BulletManager* bullets = requireBullets(vm);
  if (bullets == nullptr) return;
  if (auto* t = static_cast<BulletType*>(scriptHandles().get(type, kBulletTypeHandleKind))) {
    bullets->shareType(*t);
  }
}

// "rot" as one text, or else "rots" as an array of texts.
std::vector<const char16_t*> rotationTexts(const ScriptObject& frame, const char16_t* one,
                                           const char16_t* many) {
  std::vector<const char16_t*> texts;
  const ScriptObject single = named(frame, one);
  if (present(single)) {
    texts.push_back(textOf(single));
    return texts;
  }
  const ScriptObject list = named(frame, many);
  if (!present(list)) return texts;
  const int32_t n = list.getType() == OT_ARRAY ? list.getSize() : 0;
  for (int32_t i = 0; i < n; ++i) texts.push_back(textOf(list.findSlotByIndex(i)));
  return texts;
}

// The flat "binds" array in groups of 5, 6 or 7 elements; an incomplete last group is left out.
std::vector<BindRecord> bindRecords(const ScriptObject& binds) {
  std::vector<BindRecord> out;
  const int32_t m = binds.getType() == OT_ARRAY ? binds.getSize() : 0;
  for (int32_t i = 0; i + 5 <= m;) {
    const int32_t flags = binds.getIntegerSlotByIndex(i + 1, 0);
    int32_t g = 5;
    if (flags & kBindAngle) {
      if (i + 6 > m) break;
      g = 6;
    }
    if (flags & kBindTimeout) {
      if (i + g + 1 > m) break;
      g += 1;
    }
    BindRecord r;
    r.motion = binds.getIntegerSlotByIndex(i, 0);
    // A child's motion is a motion already defined; it lives as long as this one.
    if (scriptHandles().get(r.motion, kBulletMotionHandleKind) == nullptr) r.motion = 0;
    r.flags = flags;
    r.position = textOf(binds.findSlotByIndex(i + 2));
    const ScriptObject rotation = binds.findSlotByIndex(i + 3);
    if (rotation.getType() == OT_ARRAY) {
      const int32_t n = rotation.getSize();
      for (int32_t k = 0; k < n; ++k) r.rotations.push_back(textOf(rotation.findSlotByIndex(k)));
    } else {
      r.rotations.push_back(textOf(rotation));
    }
    r.targetOffset = textOf(binds.findSlotByIndex(i + 4));
    if (flags & kBindAngle) {
      const ScriptObject degrees = binds.findSlotByIndex(i + 5);
      r.trackRotLimit = floatToFixed(floatOr(degrees, 360.0f) * kDegreesToRadiansF);
    }
    if (flags & kBindTimeout) {
      r.timeout = binds.getIntegerSlotByIndex(i + ((flags & kBindAngle) ? 6 : 5), -1);
    }
    out.push_back(std::move(r));
    i += g;
  }
  return out;
}

int32_t bulletDefineMotion(HSQUIRRELVM vm, ScriptObject params) {
  BulletManager* bullets = requireBullets(vm);
  if (bullets == nullptr) return 0;
  Engine& engine = fieldEngine(vm);
  const ScriptKeys& keys = engine.scriptKeys();
  MotionDefinition d;
  const int32_t typeId = integerOr(keyed(params, keys.values[kKeyType]), 0);
  d.type = static_cast<BulletType*>(scriptHandles().get(typeId, kBulletTypeHandleKind));
  if (d.type == nullptr) return 0;
  d.flags = integerOr(keyed(params, keys.common->flag), 0);
  d.timeout = integerOr(keyed(params, keys.values[kKeyTimeout]), 0);
  d.notifies = notifiesOf(params, engine);
  const ScriptObject events = named(params, u"events");
  // The frames' tables hold the texts the records point into until the motion is parsed.
  std::vector<ScriptObject> frames;
  if (present(events)) {
    const int32_t n = events.getSize();
    for (int32_t k = 0; k < n; ++k) {
      const ScriptObject frame = events.findSlotByIndex(k);
      if (frame.getType() != OT_TABLE) {
        scriptError(u"[%ls] Script Error: can't find object(%d)", k);
        return 0;
      }
      frames.push_back(frame);
      KeyFrameRecord r;
      r.frame = integerOr(named(frame, u"frame"), 0);
      if (r.frame < 0) r.frame = 0;
      r.move = textOf(named(frame, u"move"));
      r.lockon = textOf(named(frame, u"lockon"));
      r.rotations = rotationTexts(frame, u"rot", u"rots");
      r.turns = rotationTexts(frame, u"drot", u"drots");
      r.rotYTop = frame.getBoolSlot(u"rotYTop");
      const ScriptObject binds = named(frame, u"binds");
      if (present(binds)) r.binds = bindRecords(binds);
      r.genRand = textOf(named(frame, u"genRand"));
      r.genSet = textOf(named(frame, u"genSet"));
      r.genPat = textOf(named(frame, u"genPat"));
      r.genColl = textOf(named(frame, u"genColl"));
      r.genTimeout = textOf(named(frame, u"genTimeout"));
      d.keyFrames.push_back(std::move(r));
    }
  }
  return bullets->defineMotion(d)->handle;
}

int32_t bulletDefineDynamic(HSQUIRRELVM vm, ScriptObject params) {
  BulletManager* bullets = requireBullets(vm);
  if (bullets == nullptr) return 0;
  Engine& engine = fieldEngine(vm);
  const ScriptKeys& keys = engine.scriptKeys();
  const int32_t flags = integerOr(keyed(params, keys.common->flag), 0);
  const int32_t timeout = integerOr(keyed(params, keys.values[kKeyTimeout]), 0);
  return bullets->defineDynamic(flags, timeout, notifiesOf(params, engine))->handle;
}

bool bulletAdd(HSQUIRRELVM vm, int32_t motion, ScriptObject params) {
  BulletManager* bullets = requireBullets(vm);
  if (bullets == nullptr) return false;
  Engine& engine = fieldEngine(vm);
  const ScriptKeys& keys = engine.scriptKeys();
  Launch launch;
  launch.motion = static_cast<BulletMotion*>(scriptHandles().get(motion, kBulletMotionHandleKind));
  if (launch.motion == nullptr) return false;
  launch.position = vec3Or(keyed(params, keys.values[kKeyPos]), {0.0f, 0.0f, 0.0f});
  const ScriptObject axisValue = keyed(params, keys.values[kKeyRotAxis]);
  if (present(axisValue)) {
    const float degrees = floatOr(keyed(params, keys.values[kKeyRotAngle]), 0.0f);
    const LVec3 given = vec3Or(axisValue, {0.0f, 0.0f, 0.0f});
    LVec3 axis;
    vec3Normalize(axis, given);
    const float half = degrees * kDegreesToRadiansF * 0.5f;
    const float s = detmath::sin(half);
    launch.rotation = {axis.x * s, axis.y * s, axis.z * s, detmath::cos(half)};
  }
  launch.owner = objectOfId(engine, integerOr(keyed(params, keys.values[kKeyOwner]), 0));
  launch.mode = isTrue(params, keys.values[kKeyOwnerTrack]) ? kLaunchTrackOwner : kLaunchRelative;
  launch.collAttackMask = integerOr(keyed(params, keys.values[kKeyCollAttackMask]), 0);
  launch.trackRotLimit = roundHalfAway(
      floatOr(keyed(params, keys.values[kKeyTrackRotLimit]), 360.0f) * kDegreesToRadiansF * 1024.0f);
  launch.ownerTrackAngle = launch.owner != nullptr ? launch.owner->trackAngle : 0;
  const int32_t target = integerOr(keyed(params, keys.values[kKeyTarget]), 0);
  if (target != 0) launch.target = objectOfId(engine, target);
  launch.targetOffset = vec3Or(keyed(params, keys.values[kKeyTargetOffset]), {0.0f, 0.0f, 0.0f});
  if (isTrue(params, keys.values[kKeyTargetOffsetFix])) launch.mode |= kLaunchOffsetFix;
  launch.lockonBias = floatOr(keyed(params, keys.values[kKeyLockonBias]), 1.0f);
  launch.timeout = integerOr(keyed(params, keys.values[kKeyTimeout]), -1);
  return bullets->add(launch);
}

int32_t bulletGetTaskCount() { return 0; }

void bulletRemoveAll(HSQUIRRELVM vm, bool notify) {
  if (BulletManager* bullets = requireBullets(vm)) {
    bullets->removeAll(notify ? RemoveNotify::Yes : RemoveNotify::No);
  }
}

ScriptObject bulletGetRemoveHistory(HSQUIRRELVM vm) {
  BulletManager* bullets = requireBullets(vm);
  if (bullets == nullptr || !present(bullets->history())) return ScriptObject::newNull(vm);
  return bullets->history();
}

}  // namespace

void systemClearRuntimeResources(HSQUIRRELVM vm) {
  if (BulletManager* bullets = requireBullets(vm)) bullets->removeAll(RemoveNotify::No);
}

void objectSetAttackDynamic(HSQUIRRELVM vm, int32_t id, int32_t on) {
  Object* o = self(vm);
  if (o == nullptr) return;
  const DynamicDefinition* definition = nullptr;
  if ((on & 0xFF) != 0) {
    if (requireBullets(vm) == nullptr) return;
    definition = static_cast<const DynamicDefinition*>(
        scriptHandles().get(id, kDynamicAttackHandleKind));
    if (definition == nullptr) return;
  }
  o->setAttackDynamic(definition, on);
}

void objectClearAttackDynamic(HSQUIRRELVM vm) {
  if (Object* o = self(vm)) o->setAttackDynamic(nullptr, 0);
}

void registerBulletNatives(const ScriptObject& table) {
  table.registerFunction(u"bulletDefineType", &bulletDefineType)
      .registerFunction(u"bulletShareType", &bulletShareType)
      .registerFunction(u"bulletDefineMotion", &bulletDefineMotion)
      .registerFunction(u"bulletDefineDynamic", &bulletDefineDynamic)
      .registerFunction(u"bulletAdd", &bulletAdd)
      .registerFunction(u"bulletGetTaskCount", &bulletGetTaskCount)
      .registerFunction(u"bulletRemoveAll", &bulletRemoveAll)
      .registerFunction(u"bulletGetRemoveHistory", &bulletGetRemoveHistory);
}

}  // namespace vell

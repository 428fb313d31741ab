// objectCreate and the object table: its identity, placement and collision natives here, the
// other groups in ObjectAnimationNatives.cpp, ObjectEffectNatives.cpp and ObjectMoveNatives.cpp.
// The object natives act on the object whose script is running.

#include "engines/vell/CollMap.h"
#include "engines/vell/Engine.h"
#include "engines/vell/FieldObject.h"
#include "engines/vell/Map.h"
#include "engines/vell/ObjectManager.h"
#include "engines/vell/ObjectNativeArgs.h"
#include "engines/vell/bullet/BulletNatives.h"
#include "foundation/lerr/lerr.h"
#include "script/ScriptError.h"
#include "script/ScriptManager.h"
#include "script/ScriptNative.h"
#include "script/Vec3.h"

#include <cstdlib>
#include <string>

namespace vell {

namespace {

Object* self(HSQUIRRELVM vm) { return callerObject(vm); }

// Saturating, so a huge angle from a script is no undefined conversion.
int32_t degreesToFixedAngle(float degrees) { return degreesToAngle(degrees); }

FixedVec3 fixedOf(const ScriptObject& value) {
  const auto* v = static_cast<const Vec3*>(value.getInstanceUp(Vec3::typeTag()));
  return v != nullptr ? ::vec3ToFixed(v->x, v->y, v->z) : FixedVec3{0, 0, 0};
}

// "x y z r": four decimal numbers separated by blanks; what is missing reads as 0.
void parsePosrot(const char16_t* text, CreateRecord& record) {
  std::string narrow;
  for (const char16_t* c = text; c != nullptr && *c != 0; ++c) {
    narrow.push_back(*c < 0x80 ? char(*c) : ' ');
  }
  const char* at = narrow.c_str();
  double values[4] = {0, 0, 0, 0};
  for (double& v : values) {
    char* end = nullptr;
    v = std::strtod(at, &end);
    if (end == at) break;
    at = end;
  }
  record.position = ::vec3ToFixed(float(values[0]), float(values[1]), float(values[2]));
  record.angle = degreesToFixedAngle(float(values[3]));
}

int32_t objectCreate(HSQUIRRELVM vm, const char16_t* type, const char16_t* script,
                     ScriptObject params) {
  Engine& e = fieldEngine(vm);
  if (e.map() == nullptr || e.objects() == nullptr) {
    scriptError(u"[%ls] Script Error: no map");
    return 0;
  }
  const ScriptKeys& keys = e.scriptKeys();
  CreateRecord record;
  ScriptObject args;
  if (params.getType() == OT_TABLE) {
    const ScriptObject flag = params.findSlotByKey(keys.common->flag.getObject());
    if (present(flag)) record.flags = uint8_t(flag.toInteger());
    const ScriptObject pos = params.findSlotByKey(keys.values[kKeyPos].getObject());
    if (present(pos)) record.position = fixedOf(pos);
    const ScriptObject rot = params.findSlotByKey(keys.values[kKeyRot].getObject());
    if (present(rot)) record.angle = degreesToFixedAngle(rot.toFloat());
    const ScriptObject posrot = params.findSlotByKey(keys.values[kKeyPosrot].getObject());
    if (present(posrot)) {
      parsePosrot(posrot.getType() == OT_STRING ? posrot.toString() : u"", record);
    }
    const ScriptObject a = params.findSlotByKey(keys.values[kKeyArgs].getObject());
    if (present(a)) args = a;
  }
  Object* object = e.objects()->create(type, script, record, args);
  return object != nullptr ? object->id() : 0;
}

int32_t objectGetBaseId(HSQUIRRELVM vm) {
  Object* o = self(vm);
  return o != nullptr ? o->id() : 0;
}

const char16_t* objectGetGroup(HSQUIRRELVM vm) {
  Object* o = self(vm);
  return o != nullptr && o->group != nullptr ? o->group : u"";
}

const char16_t* objectGetName(HSQUIRRELVM vm) {
  Object* o = self(vm);
  return o != nullptr && o->name != nullptr ? o->name : u"";
}

void objectRequestExit(HSQUIRRELVM vm) {
  Object* o = self(vm);
  if (o == nullptr || o->status != kObjectLive || o->manager == nullptr) return;
  o->manager->exit(*o);
  o->clearShadow();
}

void objectSetDraw(HSQUIRRELVM vm, bool show) {
  if (Object* o = self(vm)) o->flags = show ? (o->flags & ~kObjectHidden) : (o->flags | kObjectHidden);
}

ScriptObject objectGetPos(HSQUIRRELVM vm) {
  Object* o = self(vm);
  if (o == nullptr) return Vec3::create(vm, 0.0f, 0.0f, 0.0f);
  return Vec3::create(vm, fixedToFloat(o->position.x), fixedToFloat(o->position.y),
                      fixedToFloat(o->position.z));
}

void objectSetPos(HSQUIRRELVM vm, ScriptObject p) {
  if (Object* o = self(vm)) o->setPosition(fixedOf(p));
}

// Where there is no land the requested position is kept, with no land under it.
void objectSetPosLand(HSQUIRRELVM vm, ScriptObject p) {
  Object* o = self(vm);
  if (o == nullptr || o->map() == nullptr) return;
  const LandHit hit = landPlacement(*o->map(), fixedOf(p));
  o->setPositionOnTriangle(hit.triangle, hit.point);
}

float objectGetRot(HSQUIRRELVM vm) {
  Object* o = self(vm);
  return o != nullptr ? angleToDegrees(o->angle) : 0.0f;
}

void objectSetRot(HSQUIRRELVM vm, float degrees) {
  if (Object* o = self(vm)) o->setAngle(degreesToFixedAngle(degrees));
}

// The facing that the object's bullets follow, for this frame only: the update starts from the
// object's angle again.
void objectSetRotTrack(HSQUIRRELVM vm, float degrees) {
  if (Object* o = self(vm)) o->trackAngle = wrapAngle(degreesToFixedAngle(degrees));
}

bool objectIsLand(HSQUIRRELVM vm) {
  Object* o = self(vm);
  return o != nullptr && o->landTriangle != nullptr;
}

int32_t objectGetUnderLandGroup(HSQUIRRELVM vm) {
  Object* o = self(vm);
  return o != nullptr && o->groundTriangle != nullptr ? o->groundTriangle->groupNumber : -1;
}

// A negative index is past every event.
ScriptObject objectGetMapEvent(HSQUIRRELVM vm, int32_t index) {
  Object* o = self(vm);
  if (o == nullptr || index < 0) return ScriptObject::newNull(vm);
  return o->getMapEvent(static_cast<uint32_t>(index));
}

void objectSetCollMoveCheck(HSQUIRRELVM vm, bool on) {
  if (Object* o = self(vm)) o->flags = on ? (o->flags & ~kObjectOutOfSpace) : (o->flags | kObjectOutOfSpace);
}

constexpr uint32_t kDamageRecords = 2;

// "mask" (its low eight bits) and "flag", each only when the table has it.
void objectSetCollDamage(HSQUIRRELVM vm, int32_t slot, ScriptObject table) {
  Object* o = self(vm);
  if (o == nullptr || !checkSlot(slot, kDamageRecords, u"damage")) return;
  DamageRecord& r = o->damage[slot];
  const OptionTable options(vm, table);
  if (const ScriptObject mask = options.at(u"mask"); !mask.isNull()) {
    r.mask = static_cast<uint32_t>(mask.toInteger()) & 0xFF;
  }
  if (const ScriptObject flag = options.at(u"flag"); !flag.isNull()) {
    r.flag = static_cast<uint32_t>(flag.toInteger());
  }
}

// This frame's notices of the record, null when nothing hit it.
ScriptObject objectGetDamageNotifies(HSQUIRRELVM vm, int32_t slot) {
  Object* o = self(vm);
  if (o == nullptr || !checkSlot(slot, kDamageRecords, u"damage")) return ScriptObject::newNull(vm);
  const ScriptObject& notices = o->damage[slot].notices;
  return present(notices) ? notices : ScriptObject::newNull(vm);
}

// The value the engine's damage notices get when the record is next hit. It is held through
// the engine's own machine: the script's thread may be gone before the record lets it go.
void objectSetSystemDamageNotify(HSQUIRRELVM vm, int32_t slot, ScriptObject value) {
  Object* o = self(vm);
  if (o == nullptr || !checkSlot(slot, kDamageRecords, u"damage")) return;
  o->damage[slot].systemNotice =
      ScriptObject::reference(fieldEngine(vm).scriptManager()->vm.vm, value.getObject());
}

void objectLoadCollMap(HSQUIRRELVM vm, const char16_t* name) {
  if (Object* o = self(vm)) o->loadCollMap(name);
}

void objectSetCollMapEnable(HSQUIRRELVM vm, bool on) {
  Object* o = self(vm);
  if (o != nullptr && o->collMap != nullptr && o->map() != nullptr) {
    collMapSetEnable(*o->map(), *o->collMap, on);
  }
}

}  // namespace

void registerObjectCreate(const ScriptObject& table) {
  table.registerFunction(u"objectCreate", &objectCreate);
}

void registerObjectTable(const ScriptObject& table) {
  table.registerFunction(u"objectGetBaseId", &objectGetBaseId)
      .registerFunction(u"objectGetGroup", &objectGetGroup)
      .registerFunction(u"objectGetName", &objectGetName)
      .registerFunction(u"objectRequestExit", &objectRequestExit)
      .registerFunction(u"objectSetDraw", &objectSetDraw);
  registerObjectAnimationNatives(table);
  registerObjectEffectNatives(table);
  table.registerFunction(u"objectGetPos", &objectGetPos)
      .registerFunction(u"objectSetPos", &objectSetPos)
      .registerFunction(u"objectSetPosLand", &objectSetPosLand)
      .registerFunction(u"objectGetRot", &objectGetRot)
      .registerFunction(u"objectSetRot", &objectSetRot)
      .registerFunction(u"objectSetRotTrack", &objectSetRotTrack)
      .registerFunction(u"objectIsLand", &objectIsLand)
      .registerFunction(u"objectGetUnderLandGroup", &objectGetUnderLandGroup)
      .registerFunction(u"objectGetMapEvent", &objectGetMapEvent);
  registerObjectMoveNatives(table);
  table.registerFunction(u"objectSetCollMoveCheck", &objectSetCollMoveCheck)
      .registerFunction(u"objectSetCollDamage", &objectSetCollDamage)
      .registerFunction(u"objectGetDamageNotifies", &objectGetDamageNotifies)
      .registerFunction(u"objectSetSystemDamageNotify", &objectSetSystemDamageNotify)
      .registerFunction(u"objectSetAttackDynamic", &objectSetAttackDynamic)
      .registerFunction(u"objectClearAttackDynamic", &objectClearAttackDynamic)
      .registerFunction(u"objectLoadCollMap", &objectLoadCollMap)
      .registerFunction(u"objectSetCollMapEnable", &objectSetCollMapEnable);
}

}  // namespace vell

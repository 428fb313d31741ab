// objectCreate and the natives of the object table that create, place, move and end objects.
// The object natives act on the object whose script is running.

#include "engines/vell/CollMap.h"
#include "engines/vell/Engine.h"
#include "engines/vell/FieldObject.h"
#include "engines/vell/Map.h"
#include "engines/vell/ObjectManager.h"
#include "engines/vell/bullet/BulletNatives.h"
#include "foundation/lerr/lerr.h"
#include "script/ScriptError.h"
#include "script/ScriptNative.h"
#include "script/Vec3.h"

#include <cstdlib>
#include <string>

namespace vell {

namespace {

// Indices into the engine's keys.
constexpr uint32_t kKeyPos = 12;
constexpr uint32_t kKeyRot = 13;
constexpr uint32_t kKeyPosrot = 18;
constexpr uint32_t kKeyArgs = 40;

Object* self(HSQUIRRELVM vm) { return objectOfBase(fieldEngine(vm).currentBase()); }

bool present(const ScriptObject& v) { return v.getVm() != nullptr && !v.isNull(); }

int32_t roundHalfAway(float v) { return static_cast<int32_t>(v < 0.0f ? v - 0.5f : v + 0.5f); }

int32_t degreesToFixedAngle(float degrees) { return roundHalfAway(degrees * 0.017453292f * 1024.0f); }

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

void objectRequestExit(HSQUIRRELVM vm) {
  Object* o = self(vm);
  if (o != nullptr && o->status == kObjectLive && o->manager != nullptr) o->manager->exit(*o);
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
  return o != nullptr ? static_cast<float>(o->angle) / 1024.0f * 57.29578f : 0.0f;
}

void objectSetRot(HSQUIRRELVM vm, float degrees) {
  if (Object* o = self(vm)) o->setAngle(degreesToFixedAngle(degrees));
}

bool objectIsLand(HSQUIRRELVM vm) {
  Object* o = self(vm);
  return o != nullptr && o->landTriangle != nullptr;
}

void objectMoveNone(HSQUIRRELVM vm) {
  if (Object* o = self(vm)) o->moveMode = kMoveNone;
}

void objectMoveLand(HSQUIRRELVM vm, float speed, float degrees) {
  Object* o = self(vm);
  if (o == nullptr) return;
  const int32_t distance = floatToFixed(speed);
  if (distance > 0) {
    o->moveMode = kMoveLand;
    o->request.distance = distance;
    o->request.angle = degreesToFixedAngle(degrees);
  } else {
    o->moveMode = kMoveNone;
  }
}

void objectMoveAir(HSQUIRRELVM vm, float rise, float distance, float degrees, bool hint) {
  Object* o = self(vm);
  if (o == nullptr) return;
  const int32_t r = floatToFixed(rise);
  const int32_t d = floatToFixed(distance);
  if (r != 0 || d > 0) {
    o->moveMode = kMoveAir;
    o->request.rise = r;
    o->request.distance = d;
    o->request.angle = degreesToFixedAngle(degrees);
    o->flags = hint ? (o->flags | kObjectAirFromLand) : (o->flags & ~kObjectAirFromLand);
  } else {
    o->moveMode = kMoveNone;
  }
}

void objectMoveMap(HSQUIRRELVM vm, float rise, float distance, float degrees, int32_t flags) {
  Object* o = self(vm);
  if (o == nullptr) return;
  o->moveMode = kMoveMap;
  o->request = {flags, floatToFixed(rise), floatToFixed(distance), degreesToFixedAngle(degrees)};
}

void objectRotateMapLand(HSQUIRRELVM vm, float degrees, ScriptObject pivot) {
  Object* o = self(vm);
  if (o == nullptr) return;
  o->turnAngle = degreesToFixedAngle(degrees);
  o->turnPivot = present(pivot) ? fixedOf(pivot) : FixedVec3{0, 0, 0};
}

ScriptObject objectGetMoveResult(HSQUIRRELVM vm) {
  Object* o = self(vm);
  ScriptObject table = ScriptObject::newTable(vm);
  if (o == nullptr) return table;
  table.setSlot(u"flag", ScriptObject::newInteger(vm, int32_t(o->moveStatus)).getObject());
  table.setSlot(u"dir", Vec3::create(vm, o->moveDirection.x, o->moveDirection.y,
                                     o->moveDirection.z).getObject());
  table.setSlot(u"reflect", Vec3::create(vm, o->reflect.x, o->reflect.y, o->reflect.z).getObject());
  return table;
}

void objectSetCollMoveCheck(HSQUIRRELVM vm, bool on) {
  if (Object* o = self(vm)) o->flags = on ? (o->flags & ~kObjectOutOfSpace) : (o->flags | kObjectOutOfSpace);
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
      .registerFunction(u"objectRequestExit", &objectRequestExit)
      .registerFunction(u"objectSetDraw", &objectSetDraw)
      .registerFunction(u"objectGetPos", &objectGetPos)
      .registerFunction(u"objectSetPos", &objectSetPos)
      .registerFunction(u"objectSetPosLand", &objectSetPosLand)
      .registerFunction(u"objectGetRot", &objectGetRot)
      .registerFunction(u"objectSetRot", &objectSetRot)
      .registerFunction(u"objectIsLand", &objectIsLand)
      .registerFunction(u"objectMoveNone", &objectMoveNone)
      .registerFunction(u"objectMoveLand", &objectMoveLand)
      .registerFunction(u"objectMoveAir", &objectMoveAir)
      .registerFunction(u"objectMoveMap", &objectMoveMap)
      .registerFunction(u"objectRotateMapLand", &objectRotateMapLand)
      .registerFunction(u"objectGetMoveResult", &objectGetMoveResult)
      .registerFunction(u"objectSetCollMoveCheck", &objectSetCollMoveCheck)
      .registerFunction(u"objectSetAttackDynamic", &objectSetAttackDynamic)
      .registerFunction(u"objectClearAttackDynamic", &objectClearAttackDynamic)
      .registerFunction(u"objectLoadCollMap", &objectLoadCollMap)
      .registerFunction(u"objectSetCollMapEnable", &objectSetCollMapEnable);
}

}  // namespace vell

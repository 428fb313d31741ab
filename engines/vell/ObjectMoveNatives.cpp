// The object table's movement natives: the move requests of the four move modes, their
// options and the last update's result. Speeds and lengths arrive in units and are kept in
// fixed point, angles arrive in degrees.

#include "engines/vell/Engine.h"
#include "engines/vell/ObjectNativeArgs.h"
#include "script/ScriptNative.h"
#include "script/Vec3.h"

namespace vell {

namespace {

// A quarter turn: the slide and slip limits when a table does not give them.
constexpr int32_t kQuarterTurn = 1608;

void setFlag(Object& o, uint32_t flag, bool on) { o.flags = on ? (o.flags | flag) : (o.flags & ~flag); }

// An angle option in degrees, or a quarter turn without one.
int32_t angleOption(const OptionTable& options, uint32_t key) {
  const ScriptObject v = options.at(key);
  const SQObjectType type = v.getType();
  if (type != OT_FLOAT && type != OT_INTEGER) return kQuarterTurn;
  return degreesToAngle(v.toFloat());
}

void objectMoveNone(HSQUIRRELVM vm) {
  if (Object* o = callerObject(vm)) o->moveMode = kMoveNone;
}

void objectMoveLand(HSQUIRRELVM vm, float speed, float degrees) {
  Object* o = callerObject(vm);
  if (o == nullptr) return;
  const int32_t distance = floatToFixed(speed);
  if (distance > 0) {
    o->moveMode = kMoveLand;
    o->request.distance = distance;
    o->request.angle = degreesToAngle(degrees);
  } else {
    o->moveMode = kMoveNone;
  }
}

// flags: bit 0 the angle is absolute, bit 1 slide along walls, bit 2 slip down steep land.
void objectSetMoveLandOption(HSQUIRRELVM vm, int32_t flags, ScriptObject table) {
  Object* o = callerObject(vm);
  if (o == nullptr) return;
  const OptionTable options(vm, table);
  const ScriptObject fall = options.at(kKeySlipFall);
  const SQObjectType fallType = fall.getType();
  const int32_t slipFall =
      fallType == OT_FLOAT || fallType == OT_INTEGER ? floatToFixed(fall.toFloat()) : 0;
  o->setLandMoveOption(angleOption(options, kKeySlideAngle), static_cast<uint32_t>(flags),
                       angleOption(options, kKeySlipAngle), slipFall);
}

// (float rise, float distance, float degrees, bool hint), read here rather than by the
// binding's templates, the first argument first.
void objectMoveAir(HSQUIRRELVM vm) {
  const ScriptStack args = ownArguments(vm);
  float rise = 0.0f, distance = 0.0f, degrees = 0.0f;
  bool hint = false;
  if (!args.readFloat(2, rise) || !args.readFloat(3, distance) || !args.readFloat(4, degrees) ||
      !args.readBool(5, hint)) {
    return;
  }
  Object* o = callerObject(vm);
  if (o == nullptr) return;
  const int32_t r = floatToFixed(rise);
  const int32_t d = floatToFixed(distance);
  if (r != 0 || d > 0) {
    o->moveMode = kMoveAir;
    o->request.rise = r;
    o->request.distance = d;
    o->request.angle = degreesToAngle(degrees);
    setFlag(*o, kObjectAirFromLand, hint);
  } else {
    o->moveMode = kMoveNone;
  }
}

// flags: bit 0 the angle is absolute, bit 1 slide along walls.
void objectSetMoveAirOption(HSQUIRRELVM vm, int32_t flags, ScriptObject table) {
  Object* o = callerObject(vm);
  if (o == nullptr) return;
  setFlag(*o, kObjectAirAngleAbsolute, (flags & 1) != 0);
  o->air.options = 0;
  if (flags & 2) {
    o->air.options |= kAirOptionSlide;
    o->air.slideAngle = angleOption(OptionTable(vm, table), kKeySlideAngle);
  }
}

// (float rise, float distance, float degrees, integer flags), read here.
void objectMoveMap(HSQUIRRELVM vm) {
  const ScriptStack args = ownArguments(vm);
  float rise = 0.0f, distance = 0.0f, degrees = 0.0f;
  int32_t flags = 0;
  if (!args.readFloat(2, rise) || !args.readFloat(3, distance) || !args.readFloat(4, degrees) ||
      !args.readInteger(5, flags)) {
    return;
  }
  Object* o = callerObject(vm);
  if (o == nullptr) return;
  o->moveMode = kMoveMap;
  o->request = {flags, floatToFixed(rise), floatToFixed(distance), degreesToAngle(degrees)};
}

// (float degrees, Vec3 pivot or null), read here. 0 degrees stops the turning.
void objectRotateMapLand(HSQUIRRELVM vm) {
  const ScriptStack args = ownArguments(vm);
  float degrees = 0.0f;
  ScriptObject pivot;
  if (!args.readFloat(2, degrees) || !args.readObject(3, pivot)) return;
  const Vec3* p = nullptr;
  if (present(pivot)) {
    p = static_cast<const Vec3*>(pivot.getInstanceUp(Vec3::typeTag()));
    if (p == nullptr) return;
  }
  Object* o = callerObject(vm);
  if (o == nullptr) return;
  o->turnAngle = degreesToAngle(degrees);
  o->turnPivot = p != nullptr ? ::vec3ToFixed(p->x, p->y, p->z) : FixedVec3{0, 0, 0};
}

ScriptObject objectGetMoveResult(HSQUIRRELVM vm) {
  Object* o = callerObject(vm);
  ScriptObject table = ScriptObject::newTable(vm);
  if (o == nullptr) return table;
  table.setSlot(u"flag", ScriptObject::newInteger(vm, int32_t(o->moveStatus)).getObject());
  table.setSlot(u"dir", Vec3::create(vm, o->moveDirection.x, o->moveDirection.y,
                                     o->moveDirection.z).getObject());
  table.setSlot(u"reflect", Vec3::create(vm, o->reflect.x, o->reflect.y, o->reflect.z).getObject());
  return table;
}

}  // namespace

void registerObjectMoveNatives(const ScriptObject& table) {
  table.registerFunction(u"objectMoveNone", &objectMoveNone)
      .registerFunction(u"objectMoveLand", &objectMoveLand)
      .registerFunction(u"objectSetMoveLandOption", &objectSetMoveLandOption)
      .registerFunction(u"objectMoveAir", &objectMoveAir)
      .registerFunction(u"objectSetMoveAirOption", &objectSetMoveAirOption)
      .registerFunction(u"objectMoveMap", &objectMoveMap)
      .registerFunction(u"objectRotateMapLand", &objectRotateMapLand)
      .registerFunction(u"objectGetMoveResult", &objectGetMoveResult);
}

}  // namespace vell

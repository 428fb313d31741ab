#include "script/Vec3.h"

#include "foundation/math/DetMath.h"
#include "script/ScriptAngle.h"
#include "script/ScriptManager.h"
#include "script/ScriptNative.h"

#include <cmath>

namespace {

char vec3Tag;

float toDegrees0To360(float radians) {
  return scriptWrapAngle(radians, 0.0f, kScriptFullTurn, kScriptFullTurn) * kScriptRadiansToDegrees;
}

}  // namespace

SQUserPointer Vec3::typeTag() {
  return &vec3Tag;
}

void Vec3::registerScriptClass(const ScriptObject& table) {
  table.registerClass<Vec3>()
      .registerFunction(u"constructor", &Vec3::construct)
      .registerFunction(u"set", &Vec3::construct)
      .registerFunction(u"lengthSq", &Vec3::lengthSq)
      .registerFunction(u"length", &Vec3::length)
      .registerFunction(u"lengthXZSq", &Vec3::lengthXZSq)
      .registerFunction(u"lengthXZ", &Vec3::lengthXZ)
      .registerFunction(u"lengthYSq", &Vec3::lengthYSq)
      .registerFunction(u"lengthY", &Vec3::lengthY)
      .registerFunction(u"normalize", &Vec3::normalize)
      .registerFunction(u"rotateX", &Vec3::rotateX)
      .registerFunction(u"rotateY", &Vec3::rotateY)
      .registerFunction(u"rotateZ", &Vec3::rotateZ)
      .registerFunction(u"getAngleXZ", &Vec3::getAngleXZ)
      .registerFunction(u"getAngleY", &Vec3::getAngleY)
      .registerFunction(u"_set", &Vec3::setMember)
      .registerFunction(u"_get", &Vec3::getMember)
      .registerFunction(u"_add", &Vec3::add)
      .registerFunction(u"_sub", &Vec3::sub)
      .registerFunction(u"_mul", &Vec3::mul)
      .registerFunction(u"_div", &Vec3::div)
      .registerFunction(u"_unm", &Vec3::unm);
}

ScriptObject Vec3::create(HSQUIRRELVM vm, float x, float y, float z) {
  ScriptManager* manager = scriptGetManager(vm);
  if (!manager) {
    return ScriptObject::newNull(vm);
  }
  return manager->prepareNewVec3().pushFloat(x).pushFloat(y).pushFloat(z).run();
}

void Vec3::construct(ScriptStack* stack) {
  switch (stack->top - 1) {
    case 1:
      if (stack->getType(2) == OT_INSTANCE) {
        if (const auto* other = static_cast<const Vec3*>(stack->getInstanceUp(2, typeTag()))) {
          *this = *other;
        }
      } else {
        x = y = z = stack->getFloat(2);
      }
      break;
    case 3:
      x = stack->getFloat(2);
      y = stack->getFloat(3);
      z = stack->getFloat(4);
      break;
    default:
      break;
  }
}

float Vec3::lengthSq() {
  return x * x + y * y + z * z;
}

float Vec3::length() {
  return std::sqrt(lengthSq());
}

float Vec3::lengthXZSq() {
  return x * x + z * z;
}

float Vec3::lengthXZ() {
  return std::sqrt(lengthXZSq());
}

float Vec3::lengthYSq() {
  return y * y;
}

float Vec3::lengthY() {
  return std::fabs(y);
}

ScriptObject Vec3::normalize(HSQUIRRELVM vm) {
  const float scale = 1.0f / length();
  return create(vm, x * scale, y * scale, z * scale);
}

ScriptObject Vec3::rotateX(HSQUIRRELVM vm, float degrees) {
  const float radians = degrees * kScriptDegreesToRadians;
  const float s = detmath::sin(radians);
  const float c = detmath::cos(radians);
  return create(vm, x, c * y - s * z, s * y + c * z);
}

ScriptObject Vec3::rotateY(HSQUIRRELVM vm, float degrees) {
  const float radians = degrees * kScriptDegreesToRadians;
  const float s = detmath::sin(radians);
  const float c = detmath::cos(radians);
  return create(vm, c * x + s * z, y, -s * x + c * z);
}

ScriptObject Vec3::rotateZ(HSQUIRRELVM vm, float degrees) {
  const float radians = degrees * kScriptDegreesToRadians;
  const float s = detmath::sin(radians);
  const float c = detmath::cos(radians);
  return create(vm, c * x - s * y, s * x + c * y, z);
}

float Vec3::getAngleXZ() {
  return toDegrees0To360(detmath::atan2(x, z));
}

float Vec3::getAngleY() {
  return toDegrees0To360(detmath::atan2(-y, lengthXZ()));
}

float Vec3::getMember(const char16_t* key) {
  if (key && key[0] != 0 && key[1] == 0) {
    switch (key[0]) {
      case u'x': return x;
      case u'y': return y;
      case u'z': return z;
      default: break;
    }
  }
  return 0.0f;
}

float Vec3::setMember(const char16_t* key, float value) {
  if (key && key[0] != 0 && key[1] == 0) {
    switch (key[0]) {
      case u'x': x = value; break;
      case u'y': y = value; break;
      case u'z': z = value; break;
      default: break;
    }
  }
  return value;
}

ScriptObject Vec3::add(HSQUIRRELVM vm, ScriptObject other) {
  const auto* b = static_cast<const Vec3*>(other.getInstanceUp(typeTag()));
  return b ? create(vm, x + b->x, y + b->y, z + b->z) : ScriptObject::newNull(vm);
}

ScriptObject Vec3::sub(HSQUIRRELVM vm, ScriptObject other) {
  const auto* b = static_cast<const Vec3*>(other.getInstanceUp(typeTag()));
  return b ? create(vm, x - b->x, y - b->y, z - b->z) : ScriptObject::newNull(vm);
}

ScriptObject Vec3::mul(HSQUIRRELVM vm, float factor) {
  return create(vm, x * factor, y * factor, z * factor);
}

ScriptObject Vec3::div(HSQUIRRELVM vm, float divisor) {
  const float scale = 1.0f / divisor;
  return create(vm, x * scale, y * scale, z * scale);
}

ScriptObject Vec3::unm(HSQUIRRELVM vm) {
  return create(vm, -x, -y, -z);
}

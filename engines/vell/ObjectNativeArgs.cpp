#include "engines/vell/ObjectNativeArgs.h"

#include "engines/vell/Engine.h"
#include "script/ScriptError.h"
#include "script/ScriptHandle.h"
#include "script/ScriptStackTop.h"
#include "script/Vec3.h"

namespace vell {

Object* callerObject(HSQUIRRELVM vm) { return objectOfBase(fieldEngine(vm).currentBase()); }

LVec3 vec3Value(const ScriptObject& value, const LVec3& fallback) {
  const auto* v = static_cast<const Vec3*>(value.getInstanceUp(Vec3::typeTag()));
  return v != nullptr ? LVec3{v->x, v->y, v->z} : fallback;
}

OptionTable::OptionTable(HSQUIRRELVM vm, const ScriptObject& table) : vm_(vm) {
  if (present(table)) table_ = table;
}

const HSQOBJECT& OptionTable::key(uint32_t index) const {
  return fieldEngine(vm_).scriptKeys().values[index].getObject();
}

ScriptObject OptionTable::at(uint32_t k) const {
  return table_.getVm() != nullptr ? table_.findSlotByKey(key(k)) : ScriptObject::newNull(vm_);
}

ScriptObject OptionTable::at(const char16_t* name) const {
  return table_.getVm() != nullptr ? table_.findSlot(name) : ScriptObject::newNull(vm_);
}

bool OptionTable::contains(uint32_t k) const {
  if (table_.getVm() == nullptr) return false;
  ScriptStackTop top(vm_);
  return table_.pushSlotByKey(key(k));
}

bool OptionTable::contains(const char16_t* name) const {
  if (table_.getVm() == nullptr) return false;
  ScriptStackTop top(vm_);
  return table_.pushSlot(name);
}

namespace {

float floatOr(const ScriptObject& v, float fallback) {
  const SQObjectType type = v.getType();
  return type == OT_FLOAT || type == OT_INTEGER ? v.toFloat() : fallback;
}

int32_t integerOr(const ScriptObject& v, int32_t fallback) {
  const SQObjectType type = v.getType();
  return type == OT_FLOAT || type == OT_INTEGER ? v.toInteger() : fallback;
}

}  // namespace

float OptionTable::floatAt(uint32_t k, float fallback) const { return floatOr(at(k), fallback); }
float OptionTable::floatAt(const char16_t* name, float fallback) const {
  return floatOr(at(name), fallback);
}
int32_t OptionTable::integerAt(uint32_t k, int32_t fallback) const {
  return integerOr(at(k), fallback);
}
int32_t OptionTable::integerAt(const char16_t* name, int32_t fallback) const {
  return integerOr(at(name), fallback);
}

bool OptionTable::boolAt(uint32_t k) const {
  const ScriptObject v = at(k);
  return v.getType() == OT_BOOL && v.getObject()._unVal.nInteger != 0;
}

ScriptObject OptionTable::requiredAt(uint32_t k) const {
  ScriptObject v = at(k);
  if (v.isNull() && contains(k)) {
    scriptError(u"[%ls] Script Error: can't find object(%ls)", ScriptKeys::kNames[k]);
  }
  return v;
}

LVec3 OptionTable::requiredVec3At(uint32_t k, const LVec3& fallback) const {
  const ScriptObject v = requiredAt(k);
  return v.isNull() ? fallback : vec3Value(v, fallback);
}

LVec3 OptionTable::requiredVec3At(const char16_t* name, const LVec3& fallback) const {
  const ScriptObject v = at(name);
  if (v.isNull()) {
    if (contains(name)) scriptError(u"[%ls] Script Error: can't find object(%ls)", name);
    return fallback;
  }
  return vec3Value(v, fallback);
}

ScriptStack ownArguments(HSQUIRRELVM vm) {
  return ScriptStack{vm, static_cast<int32_t>(sq_gettop(vm)) - 1};
}

bool checkSlot(int32_t slot, std::size_t count, const char16_t* what) {
  if (slot >= 0 && static_cast<std::size_t>(slot) < count) return true;
  scriptError(u"[%ls] Script Error: invalid %ls slot(%d)", what, slot);
  return false;
}

ObjectGeometry* ownGeometry(const Object& self, ObjectGeometry* geometry) {
  if (geometry == nullptr || geometry->owner == &self) return geometry;
  ScriptHandleTable::reportInvalid(geometry->handle, kGeometryHandleKind);
  return nullptr;
}

ObjectAnim* ownAnimation(const Object& self, ObjectAnim* animation) {
  if (animation == nullptr || animation->geometry->owner == &self) return animation;
  ScriptHandleTable::reportInvalid(animation->handle, kAnimationHandleKind);
  return nullptr;
}

}  // namespace vell

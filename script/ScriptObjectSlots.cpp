// Slot access of ScriptObject: lookups through sq_get, writes through sq_rawset, and the typed
// readers and writers built on them.
#include "script/ScriptError.h"
#include "script/ScriptObject.h"
#include "script/ScriptStackTop.h"

namespace {

bool isNumeric(const ScriptObject& value) {
  return (value.getType() & SQOBJECT_NUMERIC) != 0;
}

// The typed readings of a found value: only numbers count as numbers, only bools as bools.
int32_t integerOr(const ScriptObject& value, int32_t fallback) {
  return isNumeric(value) ? value.toInteger() : fallback;
}

float floatOr(const ScriptObject& value, float fallback) {
  return isNumeric(value) ? value.toFloat() : fallback;
}

bool isTrue(const ScriptObject& value) {
  return value.getType() == OT_BOOL && value.getObject()._unVal.nInteger != 0;
}

// The text of a string key for messages; null for any other key.
const char16_t* keyText(const HSQOBJECT& key) {
  HSQOBJECT copy = key;
  return sq_objtostring(&copy);
}

void pushName(HSQUIRRELVM vm, const char16_t* name) {
  sq_pushstring(vm, name, -1);
}

// Self, then the key pushed by `pushKey`; on success the value replaces both.
template <class PushKey>
bool pushFound(HSQUIRRELVM vm, const HSQOBJECT& self, PushKey pushKey) {
  if (!vm) {
    return false;
  }
  sq_pushobject(vm, self);
  pushKey();
  if (SQ_SUCCEEDED(sq_get(vm, -2))) {
    sq_remove(vm, -2);
    return true;
  }
  sq_pop(vm, 1);
  return false;
}

// Self, the key and the value, then sq_rawset; the top is restored whatever happens.
template <class PushKey, class PushValue>
bool rawSet(HSQUIRRELVM vm, const HSQOBJECT& self, PushKey pushKey, PushValue pushValue) {
  if (!vm) {
    return false;
  }
  ScriptStackTop top(vm);
  sq_pushobject(vm, self);
  pushKey();
  pushValue();
  return SQ_SUCCEEDED(sq_rawset(vm, -3));
}

}  // namespace

bool ScriptObject::pushSlot(const char16_t* name) const {
  return pushFound(vm_, object_, [&] { pushName(vm_, name); });
}

bool ScriptObject::pushSlotByIndex(int32_t index) const {
  return pushFound(vm_, object_, [&] { sq_pushinteger(vm_, index); });
}

bool ScriptObject::pushSlotByKey(const HSQOBJECT& key) const {
  return pushFound(vm_, object_, [&] { sq_pushobject(vm_, key); });
}

ScriptObject ScriptObject::findSlot(const char16_t* name) const {
  if (!vm_) {
    return ScriptObject();
  }
  ScriptStackTop top(vm_);
  return pushSlot(name) ? fromTop(vm_) : newNull(vm_);
}

ScriptObject ScriptObject::findSlotByIndex(int32_t index) const {
  if (!vm_) {
    return ScriptObject();
  }
  ScriptStackTop top(vm_);
  return pushSlotByIndex(index) ? fromTop(vm_) : newNull(vm_);
}

ScriptObject ScriptObject::findSlotByKey(const HSQOBJECT& key) const {
  if (!vm_) {
    return ScriptObject();
  }
  ScriptStackTop top(vm_);
  return pushSlotByKey(key) ? fromTop(vm_) : newNull(vm_);
}

ScriptObject ScriptObject::getSlot(const char16_t* name) const {
  ScriptObject value = findSlot(name);
  if (value.isNull()) {
    scriptError(u"[%ls] Script Error: can't find object(%ls)", name);
  }
  return value;
}

ScriptObject ScriptObject::getSlotByIndex(int32_t index) const {
  ScriptObject value = findSlotByIndex(index);
  if (value.isNull()) {
    scriptError(u"[%ls] Script Error: can't find object(%d)", index);
  }
  return value;
}

bool ScriptObject::hasSlot(const char16_t* name) const {
  return !findSlot(name).isNull();
}

bool ScriptObject::hasSlotByKey(const HSQOBJECT& key) const {
  return !findSlotByKey(key).isNull();
}

void ScriptObject::setSlot(const char16_t* name, const HSQOBJECT& value) const {
  if (!rawSet(vm_, object_, [&] { pushName(vm_, name); }, [&] { sq_pushobject(vm_, value); })) {
    scriptError(u"[%ls] Script Error: can't set value(%ls)", name);
  }
}

void ScriptObject::setSlotByIndex(int32_t index, const HSQOBJECT& value) const {
  if (!rawSet(vm_, object_, [&] { sq_pushinteger(vm_, index); },
              [&] { sq_pushobject(vm_, value); })) {
    scriptError(u"[%ls] Script Error: can't set value(%d)", index);
  }
}

int32_t ScriptObject::getIntegerSlot(const char16_t* name) const {
  return integerOr(findSlot(name), 0);
}

int32_t ScriptObject::getIntegerSlotByIndex(int32_t index, int32_t fallback) const {
  return integerOr(findSlotByIndex(index), fallback);
}

int32_t ScriptObject::getIntegerSlotByKey(const HSQOBJECT& key, int32_t fallback) const {
  return integerOr(findSlotByKey(key), fallback);
}

float ScriptObject::getFloatSlot(const char16_t* name) const {
  return floatOr(findSlot(name), 0.0f);
}

float ScriptObject::getFloatSlotByIndex(int32_t index, float fallback) const {
  return floatOr(findSlotByIndex(index), fallback);
}

float ScriptObject::getFloatSlotByKey(const HSQOBJECT& key, float fallback) const {
  return floatOr(findSlotByKey(key), fallback);
}

bool ScriptObject::getBoolSlot(const char16_t* name) const {
  return isTrue(findSlot(name));
}

bool ScriptObject::getBoolSlotByIndex(int32_t index) const {
  return isTrue(findSlotByIndex(index));
}

bool ScriptObject::getBoolSlotByKey(const HSQOBJECT& key) const {
  return isTrue(findSlotByKey(key));
}

// The characters stay valid after the handle is dropped because the slot still holds the string.
const char16_t* ScriptObject::getStringSlot(const char16_t* name) const {
  return findSlot(name).toString();
}

const char16_t* ScriptObject::getStringSlotByIndex(int32_t index) const {
  return findSlotByIndex(index).toString();
}

void* ScriptObject::getUserPointerSlot(const char16_t* name) const {
  if (!vm_) {
    scriptError(u"[%ls] Script Error: can't find slot(%ls) for user pointer", name);
    return nullptr;
  }
  ScriptStackTop top(vm_);
  if (!pushSlot(name)) {
    top.restore();
    scriptError(u"[%ls] Script Error: can't find slot(%ls) for user pointer", name);
    return nullptr;
  }
  return fromTop(vm_).getUserPointer();
}

void* ScriptObject::getUserPointerSlotByKey(const HSQOBJECT& key) const {
  if (!vm_) {
    scriptError(u"[%ls] Script Error: can't find slot(%ls) for user pointer", keyText(key));
    return nullptr;
  }
  ScriptStackTop top(vm_);
  if (!pushSlotByKey(key)) {
    top.restore();
    scriptError(u"[%ls] Script Error: can't find slot(%ls) for user pointer", keyText(key));
    return nullptr;
  }
  return fromTop(vm_).getUserPointer();
}

void ScriptObject::setIntegerSlot(const char16_t* name, int32_t value) const {
  if (!rawSet(vm_, object_, [&] { pushName(vm_, name); }, [&] { sq_pushinteger(vm_, value); })) {
    scriptError(u"[%ls] Script Error: can't set value(%ls)", name);
  }
}

void ScriptObject::setIntegerSlotByKey(const HSQOBJECT& key, int32_t value) const {
  if (!rawSet(vm_, object_, [&] { sq_pushobject(vm_, key); },
              [&] { sq_pushinteger(vm_, value); })) {
    scriptError(u"[%ls] Script Error: can't set value(%ls)", keyText(key));
  }
}

void ScriptObject::setFloatSlotByKey(const HSQOBJECT& key, float value) const {
  if (!rawSet(vm_, object_, [&] { sq_pushobject(vm_, key); }, [&] { sq_pushfloat(vm_, value); })) {
    scriptError(u"[%ls] Script Error: can't set value(%ls)", keyText(key));
  }
}

void ScriptObject::setFloatSlotByIndex(int32_t index, float value) const {
  if (!rawSet(vm_, object_, [&] { sq_pushinteger(vm_, index); },
              [&] { sq_pushfloat(vm_, value); })) {
    scriptError(u"[%ls] Script Error: can't set value(%d)", index);
  }
}

void ScriptObject::setBoolSlotByKey(const HSQOBJECT& key, bool value) const {
  if (!rawSet(vm_, object_, [&] { sq_pushobject(vm_, key); },
              [&] { sq_pushbool(vm_, value ? SQTrue : SQFalse); })) {
    scriptError(u"[%ls] Script Error: can't set value(%ls)", keyText(key));
  }
}

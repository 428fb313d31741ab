#include "script/ScriptStack.h"

#include "script/ScriptError.h"

SQObjectType ScriptStack::getType(int32_t n) const {
  if (!inFrame(n)) {
    scriptError(u"[%ls] Script Error: get stack type(%d)", n);
    return OT_NULL;
  }
  return sq_gettype(vm, n);
}

void* ScriptStack::getInstanceUp(int32_t n, SQUserPointer typeTag) const {
  SQUserPointer pointer = nullptr;
  if (!inFrame(n) || sq_gettype(vm, n) != OT_INSTANCE || !typeTag ||
      SQ_FAILED(sq_getinstanceup(vm, n, &pointer, typeTag)) || !pointer) {
    scriptError(u"[%ls] Script Error: get instance up from stack(%d)", n);
    return nullptr;
  }
  return pointer;
}

ScriptObject ScriptStack::getObject(int32_t n) const {
  ScriptObject value;
  readObject(n, value);
  return value;
}

float ScriptStack::getFloat(int32_t n) const {
  float value = 0.0f;
  readFloat(n, value);
  return value;
}

bool ScriptStack::readInteger(int32_t n, int32_t& out) const {
  SQInteger value = 0;
  if (!inFrame(n) || SQ_FAILED(sq_getinteger(vm, n, &value))) {
    scriptError(u"[%ls] Script Error: get integer from stack(%d)", n);
    return false;
  }
  out = value;
  return true;
}

bool ScriptStack::readFloat(int32_t n, float& out) const {
  SQFloat value = 0.0f;
  if (!inFrame(n) || SQ_FAILED(sq_getfloat(vm, n, &value))) {
    scriptError(u"[%ls] Script Error: get float from stack(%d)", n);
    return false;
  }
  out = value;
  return true;
}

bool ScriptStack::readBool(int32_t n, bool& out) const {
  SQBool value = SQFalse;
  if (!inFrame(n) || SQ_FAILED(sq_getbool(vm, n, &value))) {
    scriptError(u"[%ls] Script Error: get bool from stack(%d)", n);
    return false;
  }
  out = value == 1;
  return true;
}

bool ScriptStack::readString(int32_t n, const char16_t*& out) const {
  // The type is tested first so that a refused argument leaves no error on the machine.
  const SQChar* text = nullptr;
  if (!inFrame(n) || sq_gettype(vm, n) != OT_STRING || SQ_FAILED(sq_getstring(vm, n, &text))) {
    scriptError(u"[%ls] Script Error: get string from stack(%d)", n);
    return false;
  }
  out = text;
  return true;
}

bool ScriptStack::readUserPointer(int32_t n, void*& out) const {
  SQUserPointer pointer = nullptr;
  if (!inFrame(n) || sq_gettype(vm, n) != OT_USERPOINTER ||
      SQ_FAILED(sq_getuserpointer(vm, n, &pointer))) {
    scriptError(u"[%ls] Script Error: get user pointer from stack(%d)", n);
    return false;
  }
  out = pointer;
  return true;
}

bool ScriptStack::readObject(int32_t n, ScriptObject& out) const {
  if (!inFrame(n)) {
    scriptError(u"[%ls] Script Error: get stack object(%d)", n);
    out = ScriptObject::newNull(vm);
    return false;
  }
  out = ScriptObject::fromStack(vm, n);
  return true;
}

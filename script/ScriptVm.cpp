#include "script/ScriptVm.h"

#include "script/ScriptError.h"
#include "script/ScriptManager.h"
#include "script/ScriptStackTop.h"

#include <utility>

ScriptCall& ScriptCall::pushFloat(float value) {
  if (!refused) {
    sq_pushfloat(vm, value);
    ++argCount;
  }
  return *this;
}

ScriptCall& ScriptCall::pushInteger(int32_t value) {
  if (!refused) {
    sq_pushinteger(vm, value);
    ++argCount;
  }
  return *this;
}

ScriptCall& ScriptCall::pushObject(const ScriptObject& value) {
  if (!refused) {
    sq_pushobject(vm, value.getObject());
    ++argCount;
  }
  return *this;
}

ScriptObject ScriptCall::run() {
  const SQInteger params = argCount + 1;
  argCount = 0;
  if (refused) {
    sq_settop(vm, savedTop);
    return ScriptObject::newNull(vm);
  }
  if (SQ_FAILED(sq_call(vm, params, SQTrue, SQTrue))) {
    sq_settop(vm, savedTop);
    scriptError(u"[%ls] Script Error: can't run script");
    return ScriptObject::newNull(vm);
  }
  ScriptObject result = ScriptObject::fromStack(vm, -1);
  if (sq_getvmstate(vm) != SQ_VMSTATE_SUSPENDED) {
    sq_settop(vm, savedTop);
  } else if (*suspendedTop >= 0) {
    sq_settop(vm, savedTop);
    scriptError(u"[%ls] Script Error: can't save stack top");
  } else {
    sq_pop(vm, 1);
    *suspendedTop = savedTop;
  }
  return result;
}

void ScriptVm::release() {
  if (!vm) {
    return;
  }
  HSQUIRRELVM machine = std::exchange(vm, nullptr);
  HSQOBJECT thread = std::exchange(threadObject, HSQOBJECT{OT_NULL, {}});
  // Dropping the last reference may free the thread machine: it is not touched afterwards.
  sq_release(machine, &thread);
  if (ownsVm) {
    sq_close(machine);
  }
}

ScriptObject ScriptVm::getRootTable() const {
  ScriptStackTop top(vm);
  sq_pushroottable(vm);
  return ScriptObject::fromStack(vm, -1);
}

ScriptCall ScriptVm::prepareCall(const ScriptObject& callee) {
  const int32_t savedTop = sq_gettop(vm);
  if (isSuspended() || suspendedTop >= 0) {
    scriptError(u"[%ls] Script Error: can't prepare script because vm suspends now");
    return ScriptCall{vm, 0, savedTop, &suspendedTop, true};
  }
  sq_pushobject(vm, callee.getObject());
  sq_pushroottable(vm);
  return ScriptCall{vm, 0, savedTop, &suspendedTop};
}

void ScriptVm::newThread(ScriptManager& parent) {
  HSQUIRRELVM parentVm = parent.vm.vm;
  ScriptStackTop top(parentVm);
  HSQUIRRELVM thread = sq_newthread(parentVm, 1024);
  if (!thread) {
    top.restore();
    scriptError(u"[%ls] Script Error: can't create a new thread");
    return;
  }
  vm = thread;
  ownsVm = false;
  suspendedTop = -1;
  sq_getstackobj(parentVm, -1, &threadObject);
  sq_addref(parentVm, &threadObject);
}

bool ScriptVm::isSuspended() const {
  return vm && sq_getvmstate(vm) == SQ_VMSTATE_SUSPENDED;
}

ScriptObject ScriptVm::wakeUp() {
  if (!isSuspended() || suspendedTop < 0) {
    scriptError(u"[%ls] Script Error: can't wake up because no script is running yet");
    return ScriptObject::newNull(vm);
  }
  if (SQ_FAILED(sq_wakeupvm(vm, SQFalse, SQTrue, SQTrue, SQFalse))) {
    sq_settop(vm, std::exchange(suspendedTop, -1));
    scriptError(u"[%ls] Script Error: can't continue script");
    return ScriptObject::newNull(vm);
  }
  ScriptObject result = ScriptObject::fromStack(vm, -1);
  if (isSuspended()) {
    sq_pop(vm, 1);
  } else {
    sq_settop(vm, std::exchange(suspendedTop, -1));
  }
  return result;
}

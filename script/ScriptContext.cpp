#include "script/ScriptContext.h"

#include "script/ScriptError.h"
#include "script/ScriptManager.h"
#include "script/ScriptThread.h"

#include <type_traits>

static_assert(std::is_standard_layout_v<ScriptContext>, "the owner record must come first");

namespace {

ScriptMachineOwner* ownerOf(HSQUIRRELVM vm) {
  return vm ? static_cast<ScriptMachineOwner*>(sq_getforeignptr(vm)) : nullptr;
}

void reportMissing() {
  scriptError(u"[%ls] Script Error: can't find script context");
}

}  // namespace

ScriptContext* scriptFindContext(HSQUIRRELVM vm) {
  ScriptMachineOwner* owner = ownerOf(vm);
  return owner && owner->machineRole == ScriptMachineRole::Context
             ? reinterpret_cast<ScriptContext*>(owner)
             : nullptr;
}

ScriptManager* scriptFindManager(HSQUIRRELVM vm) {
  ScriptMachineOwner* owner = ownerOf(vm);
  if (!owner) {
    return nullptr;
  }
  if (owner->machineRole == ScriptMachineRole::Manager) {
    return static_cast<ScriptManager*>(owner);
  }
  const ScriptThread* thread = reinterpret_cast<ScriptContext*>(owner)->thread;
  return thread ? thread->manager : nullptr;
}

ScriptContext* scriptGetContext(HSQUIRRELVM vm) {
  ScriptContext* context = scriptFindContext(vm);
  if (!context) {
    reportMissing();
  }
  return context;
}

ScriptManager* scriptGetManager(HSQUIRRELVM vm) {
  ScriptManager* manager = scriptFindManager(vm);
  if (!manager) {
    reportMissing();
  }
  return manager;
}

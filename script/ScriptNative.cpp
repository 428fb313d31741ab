#include "script/ScriptNative.h"

#include "script/ScriptError.h"
#include "script/ScriptStackTop.h"

#include <cstring>

namespace ScriptNative {

bool readFunction(HSQUIRRELVM vm, SQInteger frameTop, void* function,
                  std::size_t size) {
  SQUserPointer data = nullptr;
  // Only a user data of exactly the pointer's size is taken for one: the dispatcher never
  // copies more than the closure was registered with.
  if (frameTop <= 0 || sq_gettype(vm, frameTop) != OT_USERDATA ||
      SQ_FAILED(sq_getuserdata(vm, frameTop, &data, nullptr)) ||
      sq_getsize(vm, frameTop) != static_cast<SQInteger>(size)) {
    scriptError(u"[%ls] Script Error: get user data from stack(%d)", frameTop);
    return false;
  }
  std::memcpy(function, data, size);
  return true;
}

void registerNative(const ScriptObject& target, const char16_t* name, const void* function,
                    std::size_t size, SQFUNCTION dispatcher) {
  HSQUIRRELVM vm = target.getVm();
  if (!vm) {
    return;
  }
  ScriptStackTop top(vm);
  target.push();
  sq_pushstring(vm, name, -1);
  std::memcpy(sq_newuserdata(vm, static_cast<SQUnsignedInteger>(size)), function, size);
  sq_newclosure(vm, dispatcher, 1);
  // Not static; a name registered twice replaces the first native. Targets other than tables
  // and classes are left unchanged.
  sq_newslot(vm, -3, SQFalse);
}

ScriptObject registerClass(const ScriptObject& table, const char16_t* name, int32_t size,
                           SQUserPointer typeTag) {
  HSQUIRRELVM vm = table.getVm();
  ScriptObject created;
  {
    ScriptStackTop top(vm);
    table.push();
    sq_pushstring(vm, name, -1);
    if (SQ_SUCCEEDED(sq_newclass(vm, SQFalse))) {
      sq_setclassudsize(vm, -1, size);
      sq_settypetag(vm, -1, typeTag);
      created = ScriptObject::fromStack(vm, -1);
      sq_newslot(vm, -3, SQFalse);
      return created;
    }
  }
  scriptError(u"[%ls] Script Error: can't create class(%ls)", name);
  return created;
}

}  // namespace ScriptNative

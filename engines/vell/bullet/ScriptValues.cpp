#include "engines/vell/bullet/ScriptValues.h"

#include "script/ScriptError.h"

namespace vell {

void setSlotByKey(const ScriptObject& table, const ScriptObject& key, const ScriptObject& value) {
  const HSQUIRRELVM vm = table.getVm();
  const SQInteger top = sq_gettop(vm);
  table.push();
  sq_pushobject(vm, key.getObject());
  sq_pushobject(vm, value.getObject());
  const bool ok = SQ_SUCCEEDED(sq_rawset(vm, -3));
  sq_settop(vm, top);
  if (!ok) scriptError(u"[%ls] Script Error: can't set value");
}

void appendToArray(const ScriptObject& array, const ScriptObject& value) {
  const HSQUIRRELVM vm = array.getVm();
  const SQInteger top = sq_gettop(vm);
  array.push();
  sq_pushobject(vm, value.getObject());
  const bool ok = SQ_SUCCEEDED(sq_arrayappend(vm, -2));
  sq_settop(vm, top);
  if (!ok) scriptError(u"[%ls] Script Error: can't append array");
}

}  // namespace vell

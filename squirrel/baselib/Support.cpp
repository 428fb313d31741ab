#include "squirrel/baselib/Support.h"

#include "squirrel/vm/Array.h"
#include "squirrel/vm/TypeMask.h"
#include "squirrel/vm/UserData.h"
#include "squirrel/vm/WeakRef.h"

namespace sqvm::baselib {

Value makeNative(SharedState& ss, const NativeReg& reg) {
  NativeClosure* nc = new NativeClosure(&ss, reg.function);
  Value v(OT_NATIVECLOSURE, nc);
  nc->name = ss.str(reg.name);
  nc->paramsCheck = reg.paramsCheck;
  if (reg.typeMask) compileTypeMask(reg.typeMask, nc->typeCheck);
  return v;
}

void registerNatives(SharedState& ss, Table* t, std::initializer_list<NativeReg> regs) {
  for (const NativeReg& r : regs) t->newSlot(ss.str(r.name), makeNative(ss, r));
}

Value makeDelegate(SharedState& ss, std::initializer_list<NativeReg> regs) {
  Table* t = new Table(&ss, 0);
  Value v(OT_TABLE, t);
  registerNatives(ss, t, regs);
  return v;
}

SQInteger delegateWeakRef(HSQUIRRELVM v) { return result(v, makeWeakRef(arg(v, 1))); }

SQInteger delegateToString(HSQUIRRELVM v) {
  Value s;
  if (!v->toString(Value(arg(v, 1)), s)) return SQ_ERROR;
  return result(v, std::move(s));
}

SQInteger delegateLen(HSQUIRRELVM v) {
  const Value& o = arg(v, 1);
  switch (o._type) {
    case OT_STRING: return result(v, Value::integer(static_cast<SQInteger>(asString(o)->length)));
    case OT_TABLE: return result(v, Value::integer(static_cast<SQInteger>(asTable(o)->count())));
    case OT_ARRAY:
      return result(v, Value::integer(static_cast<SQInteger>(asArray(o)->values.size())));
    case OT_USERDATA: return result(v, Value::integer(static_cast<SQInteger>(asUserData(o)->size)));
    default: return error(v, "the object has no length");
  }
}

SQInteger delegateClear(HSQUIRRELVM v) {
  const Value& o = arg(v, 1);
  if (o._type == OT_TABLE) {
    asTable(o)->clear();
  } else if (o._type == OT_ARRAY) {
    asArray(o)->values.clear();
  } else {
    return error(v, "clear only works on table and array");
  }
  return 0;
}

bool sliceRange(HSQUIRRELVM v, SQInteger len, SQInteger& start, SQInteger& end) {
  start = argCount(v) > 1 ? toInteger(arg(v, 2)) : 0;
  end = argCount(v) > 2 ? toInteger(arg(v, 3)) : len;
  if (start < 0) start += len;
  if (end < 0) end += len;
  if (end < start) return v->raise("wrong indexes");
  // A start still before the beginning would read outside the original's buffer.
  if (end > len || start < 0) return v->raise("slice out of range");
  return true;
}

void createDefaultDelegates(SharedState& ss) {
  createNumberDelegates(ss);
  createContainerDelegates(ss);
  createFunctionDelegates(ss);
  createObjectDelegates(ss);
}

}  // namespace sqvm::baselib

// The global functions and values of the base library.

#include "squirrel/baselib/BaseLib.h"
#include "squirrel/baselib/Support.h"
#include "squirrel/vm/Array.h"

namespace sqvm::baselib {

namespace {

bool isCallableOrNull(const Value& o) {
  return o._type == OT_CLOSURE || o._type == OT_NATIVECLOSURE || o._type == OT_NULL;
}

SQInteger basePrint(HSQUIRRELVM v) {
  Value s;
  if (!v->toString(Value(arg(v, 2)), s)) return SQ_ERROR;
  if (SQPRINTFUNCTION f = v->ss->printFunction) f(v, u"%s", asString(s)->data);
  return 0;
}

SQInteger baseAssert(HSQUIRRELVM v) {
  if (isFalse(arg(v, 2))) return error(v, "assertion failed");
  return 0;
}

SQInteger baseType(HSQUIRRELVM v) { return result(v, v->ss->typeName(arg(v, 2)._type)); }

SQInteger baseArray(HSQUIRRELVM v) {
  const Value& n = arg(v, 2);
  const SQInteger size = toInteger(n);
  if (size < 0) return error(v, "negative size");
  Array* a = new Array(v->ss, 0);
  Value out(OT_ARRAY, a);
  a->values.assign(static_cast<size_t>(size), argCount(v) > 2 ? arg(v, 3) : Value());
  return result(v, std::move(out));
}

SQInteger baseNewThread(HSQUIRRELVM v) {
  const Value& f = arg(v, 2);
  SQInteger stackSize = 16;
  if (f._type == OT_CLOSURE) stackSize = asClosure(f)->proto->stackSize + 16;
  Value fn = f;
  HSQUIRRELVM t = sq_newthread(v, stackSize);
  t->push(fn);
  return 1;
}

SQInteger baseSuspend(HSQUIRRELVM v) { return sq_suspendvm(v); }

SQInteger baseCompileString(HSQUIRRELVM v) {
  const String* src = asString(arg(v, 2));
  const SQChar* name = argCount(v) > 2 ? asString(arg(v, 3))->data : u"unnamedbuffer";
  if (SQ_SUCCEEDED(sq_compilebuffer(v, src->data, static_cast<SQInteger>(src->length), name, SQFalse))) {
    return 1;
  }
  return SQ_ERROR;
}

SQInteger baseGetRootTable(HSQUIRRELVM v) { return result(v, v->rootTable); }

SQInteger baseSetRootTable(HSQUIRRELVM v) {
  const Value& t = arg(v, 2);
  if (t._type != OT_TABLE && t._type != OT_NULL) return error(v, "ivalid type");
  v->rootTable = t;
  return 0;
}

SQInteger baseGetConstTable(HSQUIRRELVM v) { return result(v, v->ss->constTable); }

SQInteger baseSetConstTable(HSQUIRRELVM v) {
  if (arg(v, 2)._type != OT_TABLE) return error(v, "ivalid type, expected table");
  v->ss->constTable = arg(v, 2);
  return 0;
}

SQInteger baseSetErrorHandler(HSQUIRRELVM v) {
  if (isCallableOrNull(arg(v, 2))) v->errorHandler = arg(v, 2);
  return 0;
}

SQInteger baseSetDebugHook(HSQUIRRELVM v) {
  if (isCallableOrNull(arg(v, 2))) v->setDebugHook(arg(v, 2));
  return 0;
}

SQInteger baseEnableDebugInfo(HSQUIRRELVM v) {
  v->ss->debugInfo = arg(v, 2)._type != OT_NULL;
  return 0;
}

SQInteger baseGetStackInfos(HSQUIRRELVM v) {
  const Value& l = arg(v, 2);
  const SQInteger level = toInteger(l);
  SQStackInfos si;
  if (SQ_FAILED(sq_stackinfos(v, level, &si))) return result(v, Value());
  SharedState& ss = *v->ss;
  Table* t = new Table(&ss, 0);
  Value info(OT_TABLE, t);
  t->newSlot(ss.str("func"), ss.str(si.funcname ? si.funcname : u"unknown"));
  t->newSlot(ss.str("src"), ss.str(si.source ? si.source : u"unknown"));
  t->newSlot(ss.str("line"), Value::integer(si.line));
  Table* locals = new Table(&ss, 0);
  Value lv(OT_TABLE, locals);
  for (SQUnsignedInteger i = 0;; ++i) {
    const SQChar* name = sq_getlocal(v, static_cast<SQUnsignedInteger>(level), i);
    if (!name) break;
    locals->newSlot(ss.str(name), v->stackTop());
    v->pop(1);
  }
  t->newSlot(ss.str("locals"), lv);
  return result(v, std::move(info));
}

SQInteger baseCollectGarbage(HSQUIRRELVM v) { return result(v, Value::integer(sq_collectgarbage(v))); }

SQInteger baseDummy(HSQUIRRELVM) { return 0; }

}  // namespace

void registerBaseLib(VM* v) {
  SharedState& ss = *v->ss;
  Table* root = asTable(v->rootTable);
  registerNatives(ss, root, {
      {"seterrorhandler", baseSetErrorHandler, 2, nullptr},
      {"setdebughook", baseSetDebugHook, 2, nullptr},
      {"enabledebuginfo", baseEnableDebugInfo, 2, nullptr},
      {"getstackinfos", baseGetStackInfos, 2, u".n"},
      {"getroottable", baseGetRootTable, 1, nullptr},
      {"setroottable", baseSetRootTable, 2, nullptr},
      {"getconsttable", baseGetConstTable, 1, nullptr},
      {"setconsttable", baseSetConstTable, 2, nullptr},
      {"assert", baseAssert, 2, nullptr},
      {"print", basePrint, 2, nullptr},
      {"compilestring", baseCompileString, -2, u".ss"},
      {"newthread", baseNewThread, 2, u".c"},
      {"suspend", baseSuspend, -1, nullptr},
      {"array", baseArray, -2, u".n"},
      {"type", baseType, 2, nullptr},
      {"dummy", baseDummy, 0, nullptr},
      {"collectgarbage", baseCollectGarbage, 1, nullptr},
  });
  root->newSlot(ss.str("_version_"), ss.str("Squirrel 2.2.5 stable"));
  root->newSlot(ss.str("_charsize_"), Value::integer(2));
  root->newSlot(ss.str("_intsize_"), Value::integer(4));
  root->newSlot(ss.str("_floatsize_"), Value::integer(4));
}

}  // namespace sqvm::baselib

// Default delegates of functions, generators and threads.

#include "squirrel/baselib/Support.h"
#include "squirrel/vm/Array.h"
#include "squirrel/vm/Generator.h"

namespace sqvm::baselib {

namespace {

SQInteger closureCall(HSQUIRRELVM v, bool raiseError) {
  return SQ_SUCCEEDED(sq_call(v, argCount(v) - 1, SQTrue, raiseError ? SQTrue : SQFalse)) ? 1
                                                                                          : SQ_ERROR;
}

SQInteger closureACall(HSQUIRRELVM v, bool raiseError) {
  const ArrayValues params = asArray(arg(v, 2))->values;
  v->push(Value(arg(v, 1)));
  for (const Value& p : params) v->push(p);
  const SQInteger n = static_cast<SQInteger>(params.size());
  return SQ_SUCCEEDED(sq_call(v, n, SQTrue, raiseError ? SQTrue : SQFalse)) ? 1 : SQ_ERROR;
}

SQInteger fnCall(HSQUIRRELVM v) { return closureCall(v, true); }
SQInteger fnPCall(HSQUIRRELVM v) { return closureCall(v, false); }
SQInteger fnACall(HSQUIRRELVM v) { return closureACall(v, true); }
SQInteger fnPACall(HSQUIRRELVM v) { return closureACall(v, false); }

SQInteger fnBindEnv(HSQUIRRELVM v) { return SQ_SUCCEEDED(sq_bindenv(v, 1)) ? 1 : SQ_ERROR; }

SQInteger fnGetInfos(HSQUIRRELVM v) {
  SharedState& ss = *v->ss;
  Table* t = new Table(&ss, 0);
  Value info(OT_TABLE, t);
  const Value& o = arg(v, 1);
  if (o._type == OT_CLOSURE) {
    const FunctionProto* p = asClosure(o)->proto;
    Array* params = new Array(&ss, 0);
    Value pv(OT_ARRAY, params);
    params->values.assign(p->parameters.begin(), p->parameters.end());
    if (p->varargs) params->values.push_back(ss.str("..."));
    t->newSlot(ss.str("native"), Value::boolean(false));
    t->newSlot(ss.str("name"), p->name);
    t->newSlot(ss.str("src"), p->sourceName);
    t->newSlot(ss.str("parameters"), pv);
    t->newSlot(ss.str("varargs"), Value::boolean(p->varargs));
  } else {
    const NativeClosure* nc = asNativeClosure(o);
    Value typecheck;
    if (!nc->typeCheck.empty()) {
      Array* masks = new Array(&ss, 0);
      typecheck = Value(OT_ARRAY, masks);
      for (int32_t m : nc->typeCheck) masks->values.push_back(Value::integer(m));
    }
    t->newSlot(ss.str("native"), Value::boolean(true));
    t->newSlot(ss.str("name"), nc->name);
    t->newSlot(ss.str("paramscheck"), Value::integer(nc->paramsCheck));
    t->newSlot(ss.str("typecheck"), typecheck);
  }
  return result(v, std::move(info));
}

SQInteger generatorGetStatus(HSQUIRRELVM v) {
  switch (asGenerator(arg(v, 1))->state) {
    case Generator::State::Suspended: return result(v, v->ss->str("suspended"));
    case Generator::State::Running: return result(v, v->ss->str("running"));
    default: return result(v, v->ss->str("dead"));
  }
}

// Moves the result of a thread's call or wake-up to the calling machine, or its error.
SQInteger threadResult(HSQUIRRELVM v, VM* t, SQRESULT r) {
  if (SQ_FAILED(r)) {
    v->lastError = t->lastError;
    return SQ_ERROR;
  }
  Value out = t->stackTop();
  t->pop(1);
  return result(v, std::move(out));
}

SQInteger threadCall(HSQUIRRELVM v) {
  VM* t = asThread(arg(v, 1));
  Value keep(arg(v, 1));
  const int32_t n = argCount(v);
  t->push(t->rootTable);
  for (int32_t i = 2; i <= n; ++i) t->push(Value(arg(v, i)));
  return threadResult(v, t, sq_call(t, n, SQTrue, SQFalse));
}

SQInteger threadWakeup(HSQUIRRELVM v) {
  VM* t = asThread(arg(v, 1));
  Value keep(arg(v, 1));
  switch (sq_getvmstate(t)) {
    case SQ_VMSTATE_IDLE: return error(v, "cannot wakeup a idle thread");
    case SQ_VMSTATE_RUNNING: return error(v, "cannot wakeup a running thread");
    default: break;
  }
  const bool withValue = argCount(v) > 1;
  if (withValue) t->push(Value(arg(v, 2)));
  return threadResult(v, t, sq_wakeupvm(t, withValue ? SQTrue : SQFalse, SQTrue, SQTrue, SQFalse));
}

SQInteger threadGetStatus(HSQUIRRELVM v) {
  switch (sq_getvmstate(asThread(arg(v, 1)))) {
    case SQ_VMSTATE_IDLE: return result(v, v->ss->str("idle"));
    case SQ_VMSTATE_RUNNING: return result(v, v->ss->str("running"));
    default: return result(v, v->ss->str("suspended"));
  }
}

}  // namespace

void createFunctionDelegates(SharedState& ss) {
  ss.closureDelegate = makeDelegate(ss, {
      {"call", fnCall, -1, u"c"},
      {"pcall", fnPCall, -1, u"c"},
      {"acall", fnACall, 2, u"ca"},
      {"pacall", fnPACall, 2, u"ca"},
      {"weakref", delegateWeakRef, 1, nullptr},
      {"tostring", delegateToString, 1, u"."},
      {"bindenv", fnBindEnv, 2, u"c x|y|t"},
      {"getinfos", fnGetInfos, 1, u"c"},
  });
  ss.generatorDelegate = makeDelegate(ss, {
      {"getstatus", generatorGetStatus, 1, u"g"},
      {"weakref", delegateWeakRef, 1, nullptr},
      {"tostring", delegateToString, 1, u"."},
  });
  ss.threadDelegate = makeDelegate(ss, {
      {"call", threadCall, -1, u"v"},
      {"wakeup", threadWakeup, -1, u"v"},
      {"getstatus", threadGetStatus, 1, u"v"},
      {"weakref", delegateWeakRef, 1, nullptr},
      {"tostring", delegateToString, 1, u"."},
  });
}

}  // namespace sqvm::baselib

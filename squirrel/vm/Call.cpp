// Entering and leaving functions: script frames, native calls, metamethods, class calls.

#include "squirrel/vm/Generator.h"
#include "squirrel/vm/RunBudget.h"
#include "squirrel/vm/UserData.h"
#include "squirrel/vm/VM.h"
#include "squirrel/vm/WeakRef.h"

namespace sqvm {

namespace {

// Room a native may use without asking (sq_reservestack asks for more).
constexpr int32_t kNativeStackOverhead = 16;

}  // namespace

bool VM::startCall(Closure* c, int32_t target, int32_t nargs, int32_t newBase, bool tailCall) {
  FunctionProto* p = c->proto;
  const int32_t nparams = p->parameterCount();
  const int32_t newTop = newBase + p->stackSize;
  int32_t nvargs = 0;
  const int64_t needed = static_cast<int64_t>(newTop > newBase + nargs ? newTop : newBase + nargs) + 1;
  if (!frameFits(needed, tailCall ? FrameKind::TailCall : FrameKind::Script)) return false;
  ensureStack(static_cast<size_t>(needed));
  if (nparams != nargs) {
    const int32_t ndef = static_cast<int32_t>(c->defaults.size());
    if (nargs < nparams && nparams - nargs <= ndef) {
      for (int32_t i = nargs; i < nparams; ++i) stack[newBase + i] = c->defaults[ndef - nparams + i];
    } else if (p->varargs && nargs >= nparams) {
      nvargs = nargs - nparams;
    } else {
      return raise("wrong number of parameters");
    }
  }
  const int32_t vbase = static_cast<int32_t>(vargs.size());
  if (tailCall) {
    CallInfo& cur = calls.back();
    if (cur.ownsVargs()) vargs.resize(cur.vargsBase);
    traps.resize(traps.size() - cur.ntraps);
    cur.ntraps = 0;
  }
  // A tail call from a frame without varargs of its own begins them where they end now.
  const int32_t vargsBase = tailCall && calls.back().ownsVargs() ? calls.back().vargsBase : vbase;
  for (int32_t i = 0; i < nvargs; ++i) {
    vargs.push_back(std::move(stack[newBase + nparams + i]));
  }
  if (c->env._type == OT_WEAKREF) stack[newBase] = asWeakRef(c->env)->get();
  if (!tailCall) {
    calls.emplace_back();
    CallInfo& n = calls.back();
    n.prevBase = base;
    n.prevTop = top;
    n.target = target;
  } else {
    ++calls.back().ncalls;
  }
  CallInfo& n = calls.back();
  n.plainReturn = false;
  n.setClosure(Value(OT_CLOSURE, c));
  n.proto = p;
  n.ip = p->code.data();
  n.literals = p->literals.data();
  n.vargsBase = vargsBase;
  n.vargsCount = nvargs;
  // A tail call keeps the frame's generator: the generator dies when the callee returns.
  if (!tailCall) n.generator = nullptr;
  const int32_t oldTop = top;
  base = newBase;
  top = newTop;
  for (int32_t i = oldTop - 1; i >= newTop; --i) stack[i].setNull();
  if (debugHook._type != OT_NULL && !debugHookRunning) callDebugHook('c');
  return true;
}

bool VM::callNative(NativeClosure* nc, int32_t nargs, int32_t newBase, Value& ret, bool& suspend) {
  budget::chargeStep();
  suspend = false;
  const int32_t check = nc->paramsCheck;
  if ((check > 0 && check != nargs) || (check < 0 && nargs < -check)) {
    return raise("wrong number of parameters");
  }
  const int32_t ntypes = static_cast<int32_t>(nc->typeCheck.size());
  for (int32_t i = 0; i < ntypes && i < nargs; ++i) {
    const int32_t mask = nc->typeCheck[i];
    const SQObjectType t = stack[newBase + i]._type;
    if (mask != -1 && !(static_cast<int32_t>(t & 0x00FFFFFF) & mask)) {
      return raiseParamType(i, t, mask);
    }
  }
  if (!nestingFits()) return false;
  const int32_t nouters = static_cast<int32_t>(nc->outers.size());
  const int64_t needed = static_cast<int64_t>(newBase) + nargs + nouters + kNativeStackOverhead;
  if (!frameFits(needed, FrameKind::Native)) return false;
  ensureStack(static_cast<size_t>(needed));
  if (nc->env._type == OT_WEAKREF) stack[newBase] = asWeakRef(nc->env)->get();
  calls.emplace_back();
  CallInfo& n = calls.back();
  n.prevBase = base;
  n.prevTop = top;
  n.setClosure(Value(OT_NATIVECLOSURE, nc));
  n.vargsBase = static_cast<int32_t>(vargs.size());
  base = newBase;
  top = newBase + nargs;
  for (const Value& o : nc->outers) stack[top++] = o;
  SQInteger r;
  try {
    NativeNesting nesting(*this);
    r = nc->function(this);
  } catch (...) {
    leaveFrame();
    throw;
  }
  if (r == SQ_SUSPEND_FLAG) {
    if (nativeCalls != 1) {
      leaveFrame();
      return raise("cannot suspend through native calls/metamethods");
    }
    suspend = true;
    r = 1;
  }
  if (r < 0) {
    leaveFrame();
    return false;
  }
  overflowing = false;  // a native that succeeds has dealt with any failure of its own calls
  if (r > 0 && top > base) {
    // The result slot is cleared: a stale copy there would keep the object alive.
    ret = std::move(stack[top - 1]);
  } else {
    ret.setNull();
  }
  leaveFrame();
  return true;
}

bool VM::call(const Value& closure, int32_t nargs, int32_t stackBase, Value& out, bool raiseError) {
  switch (closure._type) {
    case OT_CLOSURE: return execute(closure, nargs, stackBase, out, raiseError);
    case OT_NATIVECLOSURE: {
      bool suspend;
      return callNative(asNativeClosure(closure), nargs, stackBase, out, suspend);
    }
    case OT_CLASS: {
      Value constructor;
      if (!createClassInstance(asClass(closure), out, constructor)) return false;
      if (constructor._type != OT_NULL) {
        stack[stackBase] = out;
        Value ignored;
        return call(constructor, nargs, stackBase, ignored, raiseError);
      }
      return true;
    }
    default: return raiseFormat("attempt to call '%s'", typeNameAscii(closure._type));
  }
}

bool VM::callMetaMethod(const Value& fn, int32_t nparams, Value& out) {
  const bool ok = call(fn, nparams, top - nparams, out, false);
  pop(nparams);
  return ok;
}

bool VM::getMetaMethod(const Value& obj, MetaMethod mm, Value& out) const {
  Table* d = nullptr;
  switch (obj._type) {
    case OT_TABLE: d = asTable(obj)->delegate(); break;
    case OT_USERDATA: d = asUserData(obj)->delegate; break;
    case OT_INSTANCE: {
      const Class* c = asInstance(obj)->cls;
      if (!c || c->metaMethods[mm]._type == OT_NULL) return false;
      out = c->metaMethods[mm];
      return true;
    }
    default: return false;
  }
  return d && d->get(ss->metaMethodNames[mm], out);
}

bool VM::createClassInstance(Class* c, Value& inst, Value& constructor) {
  inst = Value(OT_INSTANCE, c->createInstance());
  c->constructor(constructor);
  return true;
}

}  // namespace sqvm

// The execution loop: one loop runs script frames until the frame that started it returns.
// Calls to script closures stay inside the loop; natives and metamethods nest a new one.

#include <bit>

#include "squirrel/vm/Array.h"
#include "squirrel/vm/Generator.h"
#include "squirrel/vm/VM.h"

namespace sqvm {

namespace {

struct NativeCallCount {
  explicit NativeCallCount(int32_t& n) : n_(n) { ++n_; }
  ~NativeCallCount() { --n_; }
  int32_t& n_;
};

}  // namespace

bool VM::execute(const Value& closure, int32_t nargs, int32_t stackBase, Value& out,
                 bool raiseError, ExecType et) {
  if (nativeCalls + 1 > kMaxNativeCalls) return raise("Native stack overflow");
  NativeCallCount count(nativeCalls);
  size_t rootIndex = calls.size();
  bool pendingError = false;
  switch (et) {
    case ExecType::Call: {
      Closure* c = asClosure(closure);
      if (!startCall(c, -1, nargs, stackBase, false)) {
        if (rootIndex == 0 && raiseError) callErrorHandler(lastError);
        return false;
      }
      calls.back().root = true;
      if (c->proto->generator) {
        Generator* g = new Generator(ss, closure);
        out = Value(OT_GENERATOR, g);
        g->capture(this);
        return true;
      }
      break;
    }
    case ExecType::ResumeGenerator:
      if (!asGenerator(closure)->resume(this, -1)) return false;
      calls.back().root = true;
      break;
    case ExecType::ResumeVM:
    case ExecType::ResumeThrowVM:
      rootIndex = static_cast<size_t>(suspendedRootIndex);
      suspended = false;
      if (suspendedTarget != -1) stack[base + suspendedTarget] = wakeupValue;
      wakeupValue.setNull();
      pendingError = et == ExecType::ResumeThrowVM;
      break;
  }
  try {
    for (;;) {
      if (pendingError) {
        pendingError = false;
        if (!handleError(rootIndex, raiseError)) return false;
      }
      switch (run(static_cast<int32_t>(rootIndex), out)) {
        case LoopExit::Return:
        case LoopExit::Suspend: return true;
        case LoopExit::Error: pendingError = true; break;
      }
    }
  } catch (...) {
    // A host exception passing through: leave the frames of this loop so the machine stays
    // consistent for whoever catches it.
    while (calls.size() > rootIndex) leaveFrame();
    throw;
  }
}

bool VM::handleError(size_t rootIndex, bool raiseError) {
  Value err = lastError;
  if (notifyAllExceptions) callErrorHandler(err);
  bool hasTrap = false;
  for (size_t i = calls.size(); i-- > rootIndex;) {
    if (calls[i].ntraps > 0) {
      hasTrap = true;
      break;
    }
  }
  if (hasTrap) {
    while (calls.back().ntraps == 0) leaveFrame();
    CallInfo& c = calls.back();
    const Trap t = traps.back();
    traps.pop_back();
    --c.ntraps;
    const int32_t oldTop = top;
    base = t.stackBase;
    top = t.stackTop;
    for (int32_t i = oldTop - 1; i >= top; --i) stack[i].setNull();
    stack[base + t.target] = err;
    c.ip = t.handler;
    lastError = err;
    return true;
  }
  if (raiseError && !notifyAllExceptions) callErrorHandler(err);
  while (calls.size() > rootIndex) leaveFrame();
  lastError = err;
  return false;
}

#define R(n) (stack[base + (n)])

VM::LoopExit VM::run(int32_t rootIndex, Value& out) {
  for (;;) {
    CallInfo* c = &calls.back();
    const Instruction& in = *c->ip++;
    switch (in.op) {
      case OP_LINE:
        if (debugHook._type != OT_NULL && !debugHookRunning) callDebugHook('l', in.arg1);
        continue;
      case OP_LOAD: R(in.arg0) = c->literals[in.arg1]; continue;
      case OP_LOADINT: R(in.arg0).setInteger(in.arg1); continue;
      case OP_LOADFLOAT: R(in.arg0).setFloat(std::bit_cast<float>(in.arg1)); continue;
      case OP_DLOAD:
        R(in.arg0) = c->literals[in.arg1];
        R(in.arg2) = c->literals[in.arg3];
        continue;
      case OP_TAILCALL: {
        const Value& callee = R(in.arg1);
        if (callee._type == OT_CLOSURE && !asClosure(callee)->proto->generator) {
          Value clo = callee;
          for (int32_t i = 0; i < in.arg3; ++i) R(i) = R(in.arg2 + i);
          if (!startCall(asClosure(clo), c->target, in.arg3, base, true)) return LoopExit::Error;
          continue;
        }
        [[fallthrough]];
      }
      case OP_CALL: {
        bool suspend = false;
        if (!callInstruction(in, rootIndex, out, suspend)) return LoopExit::Error;
        if (suspend) return LoopExit::Suspend;
        continue;
      }
      case OP_PREPCALL:
      case OP_PREPCALLK: {
        Value key = in.op == OP_PREPCALLK ? c->literals[in.arg1] : R(in.arg1);
        if (!prepCall(in, key)) return LoopExit::Error;
        continue;
      }
      case OP_GETK: {
        Value tmp;
        if (!getWithRoot(R(in.arg2), c->literals[in.arg1], tmp)) {
          raiseIndexError(c->literals[in.arg1]);
          return LoopExit::Error;
        }
        R(in.arg0) = std::move(tmp);
        continue;
      }
      case OP_MOVE: R(in.arg0) = R(in.arg1); continue;
      case OP_NEWSLOT: {
        if (!newSlot(R(in.arg1), R(in.arg2), R(in.arg3), false)) return LoopExit::Error;
        if (in.arg0 != in.arg3) R(in.arg0) = R(in.arg3);
        continue;
      }
      case OP_DELETE: {
        Value removed;
        if (!deleteSlot(R(in.arg1), R(in.arg2), removed)) return LoopExit::Error;
        R(in.arg0) = std::move(removed);
        continue;
      }
      case OP_SET: {
        Value val = R(in.arg3);
        if (!set(R(in.arg1), R(in.arg2), val, true)) {
          raiseIndexError(R(in.arg2));
          return LoopExit::Error;
        }
        if (in.arg0 != in.arg3) R(in.arg0) = std::move(val);
        continue;
      }
      case OP_GET: {
        Value tmp;
        if (!getWithRoot(R(in.arg1), R(in.arg2), tmp)) {
          raiseIndexError(R(in.arg2));
          return LoopExit::Error;
        }
        R(in.arg0) = std::move(tmp);
        continue;
      }
      case OP_EQ:
      case OP_NE: {
        const Value& b = in.arg3 ? c->literals[in.arg1] : R(in.arg1);
        const bool eq = isEqual(R(in.arg2), b);
        R(in.arg0).setBool(in.op == OP_EQ ? eq : !eq);
        continue;
      }
      case OP_ARITH: {
        const Value& a = R(in.arg2);
        const Value& b = R(in.arg1);
        if (a._type == OT_INTEGER && b._type == OT_INTEGER) {
          const uint32_t x = static_cast<uint32_t>(a.i());
          const uint32_t y = static_cast<uint32_t>(b.i());
          switch (in.arg3) {
            case '+': R(in.arg0).setInteger(static_cast<SQInteger>(x + y)); continue;
            case '-': R(in.arg0).setInteger(static_cast<SQInteger>(x - y)); continue;
            case '*': R(in.arg0).setInteger(static_cast<SQInteger>(x * y)); continue;
            default: break;
          }
        } else if (a._type == OT_FLOAT && b._type == OT_FLOAT) {
          switch (in.arg3) {
            case '+': R(in.arg0).setFloat(a.f() + b.f()); continue;
            case '-': R(in.arg0).setFloat(a.f() - b.f()); continue;
            case '*': R(in.arg0).setFloat(a.f() * b.f()); continue;
            case '/': R(in.arg0).setFloat(a.f() / b.f()); continue;
            default: break;
          }
        }
        Value res;
        if (!arith(in.arg3, res, R(in.arg2), R(in.arg1))) return LoopExit::Error;
        R(in.arg0) = std::move(res);
        continue;
      }
      case OP_BITW: {
        Value res;
        if (!bitwise(in.arg3, res, R(in.arg2), R(in.arg1))) return LoopExit::Error;
        R(in.arg0) = std::move(res);
        continue;
      }
      case OP_RETURN: {
        Value res;
        if (in.arg0 != 0xFF) res = R(in.arg1);
        if (debugHook._type != OT_NULL && !debugHookRunning) {
          for (int32_t i = c->ncalls; i > 0; --i) callDebugHook('r');
          c = &calls.back();
        }
        const bool root = c->root;
        const int32_t target = c->target;
        leaveFrame();
        if (root) {
          out = std::move(res);
          return LoopExit::Return;
        }
        if (target != -1) R(target) = std::move(res);
        continue;
      }
      case OP_LOADNULLS:
        for (int32_t i = 0; i < in.arg1; ++i) R(in.arg0 + i).setNull();
        continue;
      case OP_LOADROOTTABLE: R(in.arg0) = rootTable; continue;
      case OP_LOADBOOL: R(in.arg0).setBool(in.arg1 != 0); continue;
      case OP_DMOVE:
        R(in.arg0) = R(in.arg1);
        R(in.arg2) = R(in.arg3);
        continue;
      case OP_JMP: c->ip += in.arg1; continue;
      case OP_JNZ:
        if (!isFalse(R(in.arg0))) c->ip += in.arg1;
        continue;
      case OP_JZ:
        if (isFalse(R(in.arg0))) c->ip += in.arg1;
        continue;
      case OP_LOADFREEVAR: R(in.arg0) = asClosure(c->closure)->outers[in.arg1]; continue;
      case OP_VARGC: R(in.arg0).setInteger(c->vargsCount); continue;
      case OP_GETVARGV: {
        Value v;
        if (!getVararg(*c, R(in.arg1), v)) return LoopExit::Error;
        R(in.arg0) = std::move(v);
        continue;
      }
      case OP_NEWTABLE:
        R(in.arg0) = Value(OT_TABLE, new Table(ss, in.arg1 > 0 ? static_cast<uint32_t>(in.arg1) : 0));
        continue;
      case OP_NEWARRAY: {
        Array* a = new Array(ss, 0);
        R(in.arg0) = Value(OT_ARRAY, a);
        if (in.arg1 > 0) a->values.reserve(in.arg1 < 4096 ? in.arg1 : 4096);
        continue;
      }
      case OP_APPENDARRAY: {
        if (R(in.arg0)._type != OT_ARRAY) {
          raise("appending to a value that is not an array");
          return LoopExit::Error;
        }
        asArray(R(in.arg0))->values.push_back(in.arg3 ? c->literals[in.arg1] : R(in.arg1));
        continue;
      }
      case OP_GETPARENT: {
        Value res;
        if (!getParent(R(in.arg1), res)) return LoopExit::Error;
        R(in.arg0) = std::move(res);
        continue;
      }
      case OP_COMPARITH:
      case OP_INC:
      case OP_PINC:
        if (!compoundSlot(in)) return LoopExit::Error;
        continue;
      case OP_COMPARITHL: {
        Value res;
        if (!arith(in.arg3, res, R(in.arg1), R(in.arg2))) return LoopExit::Error;
        R(in.arg1) = res;
        R(in.arg0) = std::move(res);
        continue;
      }
      case OP_INCL:
      case OP_PINCL: {
        Value& a = R(in.arg1);
        const int32_t step = static_cast<int8_t>(in.arg3);
        if (a._type == OT_INTEGER) {
          const SQInteger old = a.i();
          a.setInteger(static_cast<SQInteger>(static_cast<uint32_t>(old) + static_cast<uint32_t>(step)));
          if (in.op == OP_INCL) {
            R(in.arg0) = R(in.arg1);
          } else {
            R(in.arg0).setInteger(old);
          }
          continue;
        }
        Value old = a;
        Value res;
        if (!arith('+', res, old, Value::integer(step))) return LoopExit::Error;
        R(in.arg1) = res;
        R(in.arg0) = in.op == OP_INCL ? std::move(res) : std::move(old);
        continue;
      }
      case OP_CMP: {
        const Value& a = R(in.arg2);
        const Value& b = R(in.arg1);
        bool res;
        if (a._type == OT_INTEGER && b._type == OT_INTEGER) {
          const int32_t d = static_cast<int32_t>(static_cast<uint32_t>(a.i()) - static_cast<uint32_t>(b.i()));
          res = compareResult(in.arg3, d);
        } else if (!compareOp(in.arg3, a, b, res)) {
          return LoopExit::Error;
        }
        R(in.arg0).setBool(res);
        continue;
      }
      case OP_EXISTS: {
        const bool e = exists(R(in.arg1), R(in.arg2));
        R(in.arg0).setBool(e);
        continue;
      }
      case OP_INSTANCEOF: {
        const Value& cls = R(in.arg1);
        const Value& inst = R(in.arg2);
        if (cls._type != OT_CLASS || inst._type != OT_INSTANCE) {
          raiseFormat("cannot apply instanceof between a %s and a %s", typeNameAscii(cls._type),
                      typeNameAscii(inst._type));
          return LoopExit::Error;
        }
        const bool r = asInstance(inst)->instanceOf(asClass(cls));
        R(in.arg0).setBool(r);
        continue;
      }
      case OP_AND:
        if (isFalse(R(in.arg2))) {
          R(in.arg0) = R(in.arg2);
          c->ip += in.arg1;
        }
        continue;
      case OP_OR:
        if (!isFalse(R(in.arg2))) {
          R(in.arg0) = R(in.arg2);
          c->ip += in.arg1;
        }
        continue;
      case OP_NEG: {
        Value res;
        if (!negate(res, R(in.arg1))) return LoopExit::Error;
        R(in.arg0) = std::move(res);
        continue;
      }
      case OP_NOT: R(in.arg0).setBool(isFalse(R(in.arg1))); continue;
      case OP_BWNOT: {
        if (R(in.arg1)._type != OT_INTEGER) {
          raiseFormat("attempt to perform a bitwise op on a %s", typeNameAscii(R(in.arg1)._type));
          return LoopExit::Error;
        }
        R(in.arg0).setInteger(~R(in.arg1).i());
        continue;
      }
      case OP_CLOSURE:
        if (!createClosure(in)) return LoopExit::Error;
        continue;
      case OP_YIELD: {
        if (!c->generator) {
          raiseFormat("trying to yield a '%s',only genenerator can be yielded",
                      typeNameAscii(c->closure._type));
          return LoopExit::Error;
        }
        Value res;
        if (in.arg0 != 0xFF) res = R(in.arg1);
        const bool root = c->root;
        const int32_t target = c->target;
        c->generator->yield(this);
        if (root) {
          out = std::move(res);
          return LoopExit::Return;
        }
        if (target != -1) R(target) = std::move(res);
        continue;
      }
      case OP_RESUME: {
        Value g = R(in.arg1);
        if (g._type != OT_GENERATOR) {
          raiseFormat("trying to resume a '%s',only genenerator can be resumed",
                      typeNameAscii(g._type));
          return LoopExit::Error;
        }
        if (!asGenerator(g)->resume(this, in.arg0)) return LoopExit::Error;
        continue;
      }
      case OP_FOREACH: {
        ForeachStep step;
        if (!foreachStep(in, step)) return LoopExit::Error;
        c = &calls.back();
        if (step == ForeachStep::Produced) {
          ++c->ip;
        } else if (step == ForeachStep::Ended) {
          c->ip += in.arg1;
        } else {
          // The generator's frame is now current; its yield or return lands in the value
          // register and execution goes on at POSTFOREACH of this frame.
        }
        continue;
      }
      case OP_POSTFOREACH: {
        const Value& g = R(in.arg0);
        if (g._type == OT_GENERATOR && asGenerator(g)->state == Generator::State::Dead) {
          c->ip += in.arg1 - 1;
        }
        continue;
      }
      case OP_DELEGATE: {
        if (!setDelegateOp(R(in.arg1), R(in.arg2))) return LoopExit::Error;
        R(in.arg0) = R(in.arg1);
        continue;
      }
      case OP_CLONE: {
        Value res;
        if (!clone(R(in.arg1), res)) return LoopExit::Error;
        R(in.arg0) = std::move(res);
        continue;
      }
      case OP_TYPEOF: {
        Value res;
        if (!typeOf(R(in.arg1), res)) return LoopExit::Error;
        R(in.arg0) = std::move(res);
        continue;
      }
      case OP_PUSHTRAP:
        traps.push_back({base, top, c->ip + in.arg1, in.arg0});
        ++c->ntraps;
        continue;
      case OP_POPTRAP:
        for (int32_t i = 0; i < in.arg0 && c->ntraps > 0; ++i) {
          traps.pop_back();
          --c->ntraps;
        }
        continue;
      case OP_THROW: raise(R(in.arg0)); return LoopExit::Error;
      case OP_CLASS:
        if (!declareClass(in)) return LoopExit::Error;
        continue;
      case OP_NEWSLOTA:
        if (!newSlotA(in)) return LoopExit::Error;
        continue;
      default:
        raise("invalid instruction");
        return LoopExit::Error;
    }
  }
}

bool VM::callInstruction(const Instruction& in, int32_t rootIndex, Value& out, bool& suspend) {
  Value callee = R(in.arg1);
  const int32_t newBase = base + in.arg2;
  int32_t target = in.arg0;
  switch (callee._type) {
    case OT_CLOSURE: {
      Closure* clo = asClosure(callee);
      if (!startCall(clo, target, in.arg3, newBase, false)) return false;
      if (clo->proto->generator) {
        Generator* g = new Generator(ss, callee);
        Value gv(OT_GENERATOR, g);
        g->capture(this);
        R(target) = std::move(gv);
      }
      return true;
    }
    case OT_NATIVECLOSURE: {
      Value ret;
      if (!callNative(asNativeClosure(callee), in.arg3, newBase, ret, suspend)) return false;
      if (suspend) {
        suspended = true;
        suspendedTarget = target;
        suspendedRootIndex = rootIndex;
        out = std::move(ret);
        return true;
      }
      R(target) = std::move(ret);
      return true;
    }
    case OT_CLASS: {
      Value inst, constructor;
      if (!createClassInstance(asClass(callee), inst, constructor)) return false;
      R(target) = inst;
      if (constructor._type == OT_CLOSURE) {
        stack[newBase] = inst;
        Closure* clo = asClosure(constructor);
        if (!startCall(clo, -1, in.arg3, newBase, false)) return false;
        if (clo->proto->generator) {
          Generator* g = new Generator(ss, constructor);
          Value keep(OT_GENERATOR, g);
          g->capture(this);
        }
      } else if (constructor._type == OT_NATIVECLOSURE) {
        stack[newBase] = inst;
        Value ignored;
        bool s = false;
        if (!callNative(asNativeClosure(constructor), in.arg3, newBase, ignored, s)) return false;
      }
      return true;
    }
    case OT_TABLE:
    case OT_USERDATA:
    case OT_INSTANCE: {
      Value mm;
      if (getMetaMethod(callee, MT_CALL, mm)) {
        push(callee);
        for (int32_t i = 0; i < in.arg3; ++i) push(Value(stack[newBase + i]));
        Value ret;
        if (!callMetaMethod(mm, in.arg3 + 1, ret)) return false;
        R(target) = std::move(ret);
        return true;
      }
      break;
    }
    default: break;
  }
  return raiseFormat("attempt to call '%s'", typeNameAscii(callee._type));
}

bool VM::prepCall(const Instruction& in, const Value& key) {
  Value self = R(in.arg2);
  Value fn;
  bool callerThis = self._type == OT_CLASS;
  if (!getWithRoot(self, key, fn)) {
    // A class's own members are called with the caller's `this` (base-class calls); the
    // class default delegate's methods get the class.
    if (self._type != OT_CLASS || !asTable(ss->classDelegate)->get(key, fn)) {
      return raiseIndexError(key);
    }
    callerThis = false;
  }
  R(in.arg3) = callerThis ? Value(R(0)) : self;
  R(in.arg0) = std::move(fn);
  return true;
}

bool VM::compoundSlot(const Instruction& in) {
  Value self, operand;
  uint8_t op;
  if (in.op == OP_COMPARITH) {
    self = R((in.arg1 >> 16) & 0xFFFF);
    operand = R(in.arg1 & 0xFFFF);
    op = in.arg3;
  } else {
    self = R(in.arg1);
    operand = Value::integer(static_cast<int8_t>(in.arg3));
    op = '+';
  }
  Value key = R(in.arg2);
  Value old;
  if (!getWithRoot(self, key, old)) return raiseIndexError(key);
  Value res;
  if (!arith(op, res, old, operand)) return false;
  set(self, key, res, true);
  R(in.arg0) = in.op == OP_PINC ? std::move(old) : std::move(res);
  return true;
}

#undef R

}  // namespace sqvm

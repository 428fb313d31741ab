// Execution loops: one loop runs script frames until the frame that started it returns.
// Calls to script closures stay inside the loop; natives and metamethods nest a new one.

#include "squirrel/vm/Class.h"
#include "squirrel/vm/EnterFrame.h"
#include "squirrel/vm/Generator.h"
#include "squirrel/vm/VM.h"

namespace sqvm {

bool VM::execute(const Value& closure, int32_t nargs, int32_t stackBase, Value& out,
                 bool raiseError, ExecType et) {
  if (!nestingFits()) return false;
  NativeNesting nesting(*this);
  size_t rootIndex = calls.size();
  bool pendingError = false;
  // A host exception passing through (from a native, a hook or the first frame's entry) leaves
  // the frames of this loop, so the machine stays consistent for whoever catches it.
  try {
    switch (et) {
      case ExecType::Call: {
        Closure* c = asClosure(closure);
        if (!enterFrameFast(c, ClosureRef::Owned, -1, nargs, stackBase) &&
            !startCall(c, -1, nargs, stackBase, false)) {
          if (rootIndex == 0 && raiseError) callErrorHandler(lastError);
          return false;
        }
        calls.back().root = true;
        calls.back().plainReturn = false;
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
    for (;;) {
      if (pendingError) {
        pendingError = false;
        if (!handleError(rootIndex, raiseError)) return false;
      }
      switch (run(static_cast<int32_t>(rootIndex), out)) {
        case LoopExit::Return:
        case LoopExit::Suspend: overflowing = false; return true;
        case LoopExit::Error: pendingError = true; break;
      }
    }
  } catch (...) {
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
    overflowing = false;  // the script has caught it
    return true;
  }
  if (raiseError && !notifyAllExceptions) callErrorHandler(err);
  while (calls.size() > rootIndex) leaveFrame();
  lastError = err;
  return false;
}

#define R(n) (stack[base + (n)])

bool VM::callInstruction(Instruction in, int32_t rootIndex, Value& out, bool& suspend) {
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

bool VM::prepCall(Instruction in, const Value& key) {
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

void VM::noteNoMember(const Class* cls, CallSiteCache& site) {
  if (!cls || !cls->locked || cls->metaMethods[MT_GET]._type != OT_NULL) return;
  site.noMemberClass = cls;
  site.noMemberSerial = cls->serial;
}

bool VM::rootThroughThis(const Value& self, const Value& key, uint32_t& hint, Value& fn) {
  if (overflowing || rootTable._type != OT_TABLE || !rawEqual(self, stack[base])) return false;
  const Value& delegate = ss->instanceDelegate;
  if (delegate._type == OT_TABLE && asTable(delegate)->find(key)) return false;
  const Table::Node* n = asTable(rootTable)->findHinted(key, hint);
  if (!n) return false;
  fn = derefWeak(n->val);
  return true;
}

bool VM::compoundSlot(Instruction in) {
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

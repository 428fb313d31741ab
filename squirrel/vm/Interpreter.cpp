// The instruction loop: one case per opcode; everything that can nest a call is a helper.

#include "squirrel/vm/Array.h"
#include "squirrel/vm/Class.h"
#include "squirrel/vm/Generator.h"
#include "squirrel/vm/RunBudget.h"
#include "squirrel/vm/VM.h"

#include <bit>

namespace sqvm {

[[gnu::always_inline]] inline bool VM::enterFrameFast(Closure* c, int32_t target, int32_t nargs,
                                                      int32_t newBase) {
  FunctionProto* p = c->proto;
  if (p->parameterCount() != nargs || p->generator || c->env._type == OT_WEAKREF ||
      debugHook._type != OT_NULL || errorHandlerRunning) {
    return false;
  }
  const int32_t newTop = newBase + p->stackSize;
  const int32_t needed = (newTop > newBase + nargs ? newTop : newBase + nargs) + 1;
  // Near either limit startCall decides, and raises the overflow.
  if (static_cast<size_t>(needed) > kMaxStackSlots - kSpareStackSlots ||
      calls.size() + 1 > kMaxCallFrames - kSpareCallFrames) {
    return false;
  }
  ensureStack(static_cast<size_t>(needed));
  CallInfo& n = calls.emplace_back();
  n.closure = Value(OT_CLOSURE, c);
  n.prevBase = base;
  n.prevTop = top;
  n.target = target;
  n.proto = p;
  n.ip = p->code.data();
  n.literals = p->literals.data();
  n.vargsBase = static_cast<int32_t>(vargs.size());
  const int32_t oldTop = top;
  base = newBase;
  top = newTop;
  for (int32_t i = oldTop - 1; i >= newTop; --i) stack[i].setNull();
  return true;
}

// The running frame, its next instruction and its registers live in locals. The value stack
// never moves, so `regs` stays valid until the frame changes: after anything that may enter or
// leave a frame (calls, returns, generators) the three are read again with RELOAD. The frame's
// own `ip` is brought up to date before each instruction runs, so errors, hooks, generators and
// traps see the instruction being executed.
#define R(n) (regs[(n)])
#define RELOAD()          \
  do {                    \
    c = &calls.back();    \
    ip = c->ip;           \
    regs = &stack[base];  \
  } while (0)

VM::LoopExit VM::run(int32_t rootIndex, Value& out) {
  CallInfo* c;
  const Instruction* ip;
  Value* regs;
  // A copy: a return or tail call may free the function whose code this is.
  Instruction in;
  RELOAD();
  for (;;) {
    budget::chargeStep();
    in = *ip++;
    c->ip = ip;
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
          RELOAD();
          continue;
        }
        [[fallthrough]];
      }
      case OP_CALL: {
        const Value& callee = R(in.arg1);
        if (callee._type == OT_CLOSURE &&
            enterFrameFast(asClosure(callee), in.arg0, in.arg3, base + in.arg2)) {
          RELOAD();
          continue;
        }
        if (callee._type == OT_CLASS) {
          // An instance whose constructor is a plain script function, or that has none.
          Class* cls = asClass(callee);
          Value ctor;
          cls->constructor(ctor);
          if (ctor._type == OT_NULL || (ctor._type == OT_CLOSURE && !asClosure(ctor)->proto->generator)) {
            Value inst(OT_INSTANCE, cls->createInstance());
            const int32_t newBase = base + in.arg2;
            R(in.arg0) = inst;
            if (ctor._type == OT_CLOSURE) {
              stack[newBase] = std::move(inst);
              Closure* clo = asClosure(ctor);
              if (!enterFrameFast(clo, -1, in.arg3, newBase) &&
                  !startCall(clo, -1, in.arg3, newBase, false)) {
                return LoopExit::Error;
              }
              RELOAD();
            }
            continue;
          }
        }
        bool suspend = false;
        if (!callInstruction(in, rootIndex, out, suspend)) return LoopExit::Error;
        if (suspend) return LoopExit::Suspend;
        RELOAD();
        continue;
      }
      case OP_PREPCALL:
      case OP_PREPCALLK: {
        const Value& key = in.op == OP_PREPCALLK ? c->literals[in.arg1] : R(in.arg1);
        // A table's own slot or an instance's member: fetched here, with the object as `this`.
        const Value& self = R(in.arg2);
        Value fn;
        bool found = false;
        if (self._type == OT_TABLE) {
          if (const Table::Node* n = asTable(self)->find(key)) {
            fn = derefWeak(n->val);
            found = true;
          }
        } else if (self._type == OT_INSTANCE && in.op == OP_PREPCALLK) {
          found = cachedMemberGet(asInstance(self), key, c->proto->memberCacheAt(ip - 1), fn);
        } else if (self._type == OT_INSTANCE) {
          found = asInstance(self)->get(key, fn);
        }
        if (found) {
          R(in.arg3) = self;
          R(in.arg0) = std::move(fn);
          continue;
        }
        if (!prepCall(in, Value(key))) return LoopExit::Error;
        continue;
      }
      case OP_GETK: {
        Value tmp;
        const Value& self = R(in.arg2);
        if (self._type == OT_INSTANCE) {
          if (cachedMemberGet(asInstance(self), c->literals[in.arg1], c->proto->memberCacheAt(ip - 1),
                              tmp)) {
            R(in.arg0) = std::move(tmp);
            continue;
          }
        } else if (self._type == OT_TABLE) {
          if (const Table::Node* n = asTable(self)->find(c->literals[in.arg1])) {
            R(in.arg0) = derefWeak(n->val);
            continue;
          }
        }
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
        const Value& self = R(in.arg1);
        const bool field = self._type == OT_INSTANCE && asInstance(self)->set(R(in.arg2), val);
        if (!field && !set(self, R(in.arg2), val, true)) {
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
        if (fastArith(in.arg3, R(in.arg2), R(in.arg1), R(in.arg0))) continue;
        Value res;
        if (!arith(in.arg3, res, R(in.arg2), R(in.arg1))) return LoopExit::Error;
        R(in.arg0) = std::move(res);
        continue;
      }
      case OP_BITW: {
        const Value& a = R(in.arg2);
        const Value& b = R(in.arg1);
        SQInteger r;
        if (a._type == OT_INTEGER && b._type == OT_INTEGER && integerBitwise(in.arg3, a.i(), b.i(), r)) {
          R(in.arg0).setInteger(r);
          continue;
        }
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
        RELOAD();
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
      case OP_JMP: ip += in.arg1; continue;
      case OP_JNZ:
        if (!isFalse(R(in.arg0))) ip += in.arg1;
        continue;
      case OP_JZ:
        if (isFalse(R(in.arg0))) ip += in.arg1;
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
        // The local is updated and its new value copied to the target.
        if (fastArith(in.arg3, R(in.arg1), R(in.arg2), R(in.arg1))) {
          R(in.arg0) = R(in.arg1);
          continue;
        }
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
          res = compareResult(in.arg3, integerOrder(a.i(), b.i()));
        } else if (a._type == OT_FLOAT && b._type == OT_FLOAT) {
          res = compareResult(in.arg3, floatOrder(a.f(), b.f()));
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
          ip += in.arg1;
        }
        continue;
      case OP_OR:
        if (!isFalse(R(in.arg2))) {
          R(in.arg0) = R(in.arg2);
          ip += in.arg1;
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
        RELOAD();
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
        RELOAD();
        continue;
      }
      case OP_FOREACH: {
        ForeachStep step;
        if (!foreachStep(in, step)) return LoopExit::Error;
        RELOAD();
        if (step == ForeachStep::Produced) {
          ++ip;
        } else if (step == ForeachStep::Ended) {
          ip += in.arg1;
        } else {
          // The generator's frame is now current; its yield or return lands in the value
          // register and execution goes on at POSTFOREACH of this frame.
        }
        continue;
      }
      case OP_POSTFOREACH: {
        const Value& g = R(in.arg0);
        if (g._type == OT_GENERATOR && asGenerator(g)->state == Generator::State::Dead) {
          ip += in.arg1 - 1;
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
        traps.push_back({base, top, ip + in.arg1, in.arg0});
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

#undef RELOAD
#undef R

}  // namespace sqvm

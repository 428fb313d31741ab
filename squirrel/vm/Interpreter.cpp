// The instruction loop: one case per opcode; everything that can nest a call is a helper.

#include "squirrel/vm/Array.h"
#include "squirrel/vm/Class.h"
#include "squirrel/vm/EnterFrame.h"
#include "squirrel/vm/Generator.h"
#include "squirrel/vm/RunBudget.h"
#include "squirrel/vm/VM.h"

#include <bit>
#include <cstddef>
#include <cstring>

namespace sqvm {

namespace {

// The instruction being executed, the one before the next (`ip`), so that dispatching keeps
// one pointer; its fields are read where it lies, a byte load each. A handler that moves `ip`
// reads its own instruction's fields before it does, and one that reloads the frame (RELOAD)
// reads them no more unless the frame stayed the same. The code stays while a handler reads it:
// the running frame holds its function (or its caller's register does).
struct CurrentInstruction {
  const Instruction* const& next;

  int32_t arg1() const { return next[-1].arg1; }
  uint8_t op() const { return next[-1].op; }
  uint8_t arg0() const { return next[-1].arg0; }
  uint8_t arg2() const { return next[-1].arg2; }
  uint8_t arg3() const { return next[-1].arg3; }
  operator Instruction() const { return next[-1]; }
};

// A float result whose payload's low half is stored straight from the float register and its
// high half apart: an instruction that reads the value at once takes it from the store without
// waiting for a move through an integer register.
[[gnu::always_inline]] inline void storeFloat(Value& v, SQFloat f) {
  if (ISREFCOUNTED(v._type)) [[unlikely]] {
    v.setFloat(f);
    return;
  }
  v._type = OT_FLOAT;
  const uint32_t zero = 0;
  std::memcpy(reinterpret_cast<char*>(&v._unVal) + sizeof(SQFloat), &zero, sizeof zero);
  std::memcpy(&v._unVal, &f, sizeof f);
}
static_assert(sizeof(SQFloat) == 4 && sizeof(SQObjectValue) == 8);

// integerArith on a constant right operand, which for / and % the loader joins only when it is
// neither 0 nor -1: the quotient and remainder need no test.
[[gnu::always_inline]] inline bool constantArith(uint8_t op, SQInteger x, SQInteger k, SQInteger& r) {
  if (op == '/') {
    r = x / k;
    return true;
  }
  if (op == '%') {
    r = x % k;
    return true;
  }
  return integerArith(op, x, k, r);
}

}  // namespace

[[gnu::always_inline]] inline bool VM::reuseFrameFast(Closure* cl, int32_t nargs) {
  FunctionProto* p = cl->proto;
  CallInfo& f = calls.back();
  if (cl->plainCallArgs != nargs || (f.ntraps | f.vargsCount) != 0) {
    return false;
  }
  // Within the slots made so far, and no debug hook (see fastFrameTop).
  const int32_t newTop = base + p->stackSize;
  if (newTop > fastFrameTop) [[unlikely]] return false;
  SQObject callee;
  callee._type = OT_CLOSURE;
  callee._unVal.raw = 0;
  callee._unVal.pRefCounted = cl;
  ++f.ncalls;
  f.setClosure(callee);
  f.proto = p;
  f.ip = p->code.data();
  f.literals = p->literals.data();
  const int32_t oldTop = top;
  top = newTop;
  if (newTop < oldTop) releaseSlots(newTop, oldTop);
  return true;
}

// A function found in a slot of table `t` goes to the call's function register and `t` to its
// `this` register. The table is counted first, so that the slot outlives the release of the
// function register's old value; that register may be the table's own.
// A closure, the common case, is stored without testing its type again.
[[gnu::always_inline]] inline void VM::takeTableSlot(Table* t, const Value& slot, Value& fn, Value& thisReg) {
  addRef(t);
  if (slot._type == OT_CLOSURE) {
    addRef(slot._unVal.pRefCounted);
    fn.adoptReference(OT_CLOSURE, slot._unVal.pRefCounted);
  } else {
    fn = slot;
  }
  thisReg.adoptReference(OT_TABLE, t);
}

// A function's result, taken from its register before the frame is left. One in a slot that
// leaving releases (at or above the caller's top) is moved: the release would drop the slot's
// reference right after a copy took one.
[[gnu::always_inline]] inline void VM::takeResult(Value& src, int32_t prevTop, Value& res) {
  if (!ISREFCOUNTED(src._type)) {
    res._type = src._type;
    res._unVal = src._unVal;
  } else if (&src >= &stack[prevTop]) {
    res = std::move(src);
  } else {
    res = src;
  }
}

// The running frame, its next instruction and its registers live in locals. The value stack
// never moves, so `regs` stays valid until the frame changes: after anything that may enter or
// leave a frame (calls, returns, generators) the three are read again with RELOAD. The frame's
// own `ip` is brought up to date (SYNC_IP) by every instruction that may call out, so errors,
// hooks, generators, traps and returns into the frame see the instruction being executed.
#define R(n) (regs[(n)])
#define RELOAD()          \
  do {                    \
    c = &calls.back();    \
    ip = c->ip;           \
    regs = &stack[base];  \
  } while (0)
// Each handler jumps straight to the next one (a computed goto, so every handler has its own
// indirect jump for the predictor). Such a jump runs no destructors: NEXT stands only where no
// value with one is alive (clang refuses it otherwise); everywhere else `continue` leaves the
// scopes and dispatches at the top of the loop.
// The opcode is read from memory, which takes one machine instruction, rather than from the
// loaded word.
#define FETCH_AND_DISPATCH()               \
  do {                                     \
    budget::chargeStep();                  \
    const uint8_t nextOp = ip->op;         \
    ++ip;                                  \
    goto* kJump[nextOp];                   \
  } while (0)
#define NEXT() FETCH_AND_DISPATCH()
// The frame's `ip` is written by the handlers that may need it seen: every one that can call
// out of the loop (natives, metamethods, errors, hooks, generators, traps, calls) writes it
// first, while the short ones that only move values and jump leave it, and their general paths
// go through handlers that write it.
#define SYNC_IP() (c->ip = ip)
// Leaves a frame whose return is plain (CallInfo::plainReturn), giving `res` to the caller's
// target register; `prevTop`, `target` and `oldTop` are the frame's, read before.
#define LEAVE_PLAIN_FRAME(res)                    \
  do {                                            \
    base = c->prevBase;                           \
    top = prevTop;                                \
    calls.popBack(c);                             \
    releaseSlots(prevTop, oldTop);                \
    --c;                                          \
    ip = c->ip;                                   \
    regs = &stack[base];                          \
    if (target != -1) R(target) = std::move(res); \
  } while (0)

VM::LoopExit VM::run(int32_t rootIndex, Value& out) {
  CallInfo* c;
  const Instruction* ip;
  Value* regs;
  const CurrentInstruction in{ip};
  // The key of PREPCALL / PREPCALLK, set by the handler's entry for its form.
  const Value* prepKey;
  // One jump table entry per value of the opcode byte: stream forms first, then the machine's
  // own, then invalid ones, so that dispatching needs no range check.
#define INVALID4 &&L_INVALID, &&L_INVALID, &&L_INVALID, &&L_INVALID
#define INVALID16 INVALID4, INVALID4, INVALID4, INVALID4
  static const void* const kJump[] = {
      &&L_OP_LINE, &&L_OP_LOAD, &&L_OP_LOADINT, &&L_OP_LOADFLOAT, &&L_OP_DLOAD, &&L_OP_TAILCALL,
      &&L_OP_CALL, &&L_OP_PREPCALL, &&L_OP_PREPCALLK, &&L_OP_GETK, &&L_OP_MOVE, &&L_OP_NEWSLOT,
      &&L_OP_DELETE, &&L_OP_SET, &&L_OP_GET, &&L_OP_EQ, &&L_OP_NE, &&L_OP_ARITH, &&L_OP_BITW,
      &&L_OP_RETURN, &&L_OP_LOADNULLS, &&L_OP_LOADROOTTABLE, &&L_OP_LOADBOOL, &&L_OP_DMOVE,
      &&L_OP_JMP, &&L_OP_JNZ, &&L_OP_JZ, &&L_OP_LOADFREEVAR, &&L_OP_VARGC, &&L_OP_GETVARGV,
      &&L_OP_NEWTABLE, &&L_OP_NEWARRAY, &&L_OP_APPENDARRAY, &&L_OP_GETPARENT, &&L_OP_COMPARITH,
      &&L_OP_COMPARITHL, &&L_OP_INC, &&L_OP_INCL, &&L_OP_PINC, &&L_OP_PINCL, &&L_OP_CMP,
      &&L_OP_EXISTS, &&L_OP_INSTANCEOF, &&L_OP_AND, &&L_OP_OR, &&L_OP_NEG, &&L_OP_NOT,
      &&L_OP_BWNOT, &&L_OP_CLOSURE, &&L_OP_YIELD, &&L_OP_RESUME, &&L_OP_FOREACH,
      &&L_OP_POSTFOREACH, &&L_OP_DELEGATE, &&L_OP_CLONE, &&L_OP_TYPEOF, &&L_OP_PUSHTRAP,
      &&L_OP_POPTRAP, &&L_OP_THROW, &&L_OP_CLASS, &&L_OP_NEWSLOTA, &&L_OP_ADD, &&L_OP_SUB,
      &&L_OP_MUL, &&L_OP_DIV, &&L_OP_MOD, &&L_OP_BAND, &&L_OP_BOR, &&L_OP_BXOR, &&L_OP_SHL,
      &&L_OP_SHR, &&L_OP_USHR, &&L_OP_CMPG, &&L_OP_CMPGE, &&L_OP_CMPL, &&L_OP_CMPLE, &&L_OP_CMPGJZ, &&L_OP_CMPGEJZ,
      &&L_OP_CMPLJZ, &&L_OP_CMPLEJZ,
#define FORM_LABEL(kind, form) &&L_##kind##_THEN_##form,
#define FORM_LABELS(kind) SQ_LOAD_THEN_FORMS_OF(FORM_LABEL, kind)
      FORM_LABELS(LOADINT) FORM_LABELS(LOADFLOAT)
      &&L_OP_INCL_THEN_JMP, &&L_OP_PINCL_THEN_JMP,
      FORM_LABELS(INTK) FORM_LABELS(FLOATK)
      &&L_OP_INCL_THEN_LOOP, &&L_OP_PINCL_THEN_LOOP,
      &&L_OP_ADDL, &&L_OP_SUBL, &&L_OP_MULL, &&L_OP_DIVL, &&L_OP_MODL, &&L_OP_JMP_THEN_RETURN,
      &&L_OP_MOVE_THEN_RETURN,
      &&L_OP_INCL_THEN_LOOPK_G, &&L_OP_INCL_THEN_LOOPK_GE, &&L_OP_INCL_THEN_LOOPK_L,
      &&L_OP_INCL_THEN_LOOPK_LE, &&L_OP_PINCL_THEN_LOOPK_G, &&L_OP_PINCL_THEN_LOOPK_GE,
      &&L_OP_PINCL_THEN_LOOPK_L, &&L_OP_PINCL_THEN_LOOPK_LE,
      FORM_LABELS(INTK_STORE) FORM_LABELS(FLOATK_STORE)
#undef FORM_LABELS
#undef FORM_LABEL
      &&L_OP_ADD_THEN_RETURN, &&L_OP_SUB_THEN_RETURN, &&L_OP_MUL_THEN_RETURN,
      &&L_OP_DIV_THEN_RETURN, &&L_OP_MOD_THEN_RETURN, &&L_OP_PREPCALLK_STRING,
      INVALID16, INVALID16, INVALID4, &&L_INVALID};
#undef INVALID16
#undef INVALID4
  static_assert(sizeof(kJump) / sizeof(kJump[0]) == 256);
  RELOAD();
  for (;;) {
    FETCH_AND_DISPATCH();
    {
      L_OP_LINE: SYNC_IP();
        if (debugHook._type != OT_NULL && !debugHookRunning) callDebugHook('l', in.arg1());
        NEXT();
      L_OP_LOAD: R(in.arg0()) = c->literals[in.arg1()]; NEXT();
      L_OP_LOADINT: R(in.arg0()).setInteger(in.arg1()); NEXT();
      L_OP_LOADFLOAT: R(in.arg0()).setFloat(std::bit_cast<float>(in.arg1())); NEXT();
      L_OP_DLOAD:
        R(in.arg0()) = c->literals[in.arg1()];
        R(in.arg2()) = c->literals[in.arg3()];
        NEXT();
      L_OP_TAILCALL: SYNC_IP(); {
        const Value& callee = R(in.arg1());
        if (callee._type == OT_CLOSURE && !asClosure(callee)->proto->generator) {
          bool entered;
          {
            Value clo = callee;
            for (int32_t i = 0; i < in.arg3(); ++i) R(i) = R(in.arg2() + i);
            entered = reuseFrameFast(asClosure(clo), in.arg3()) ||
                      startCall(asClosure(clo), c->target, in.arg3(), base, true);
          }
          if (!entered) return LoopExit::Error;
          RELOAD();
          NEXT();
        }
      }
      L_OP_CALL: SYNC_IP(); {
        const Value& callee = R(in.arg1());
        if (callee._type == OT_CLOSURE) {
          const ClosureRef ref = in.arg1() < in.arg2() ? ClosureRef::Borrowed : ClosureRef::Owned;
          if (CallInfo* n = enterFrameFast(asClosure(callee), ref, in.arg0(), in.arg3(), base + in.arg2())) {
            c = n;
            ip = n->ip;
            regs = &stack[base];
            NEXT();
          }
        }
        if (callee._type == OT_CLASS) {
          // An instance whose constructor is a plain script function, or that has none.
          enum class Made { No, Instance, Frame, Error } made = Made::No;
          {
            Class* cls = asClass(callee);
            Value ctor;
            cls->constructor(ctor);
            if (ctor._type == OT_NULL || (ctor._type == OT_CLOSURE && !asClosure(ctor)->proto->generator)) {
              Value inst(OT_INSTANCE, cls->createInstance());
              const int32_t newBase = base + in.arg2();
              R(in.arg0()) = inst;
              made = Made::Instance;
              if (ctor._type == OT_CLOSURE) {
                stack[newBase] = std::move(inst);
                Closure* clo = asClosure(ctor);
                // The instance in the caller's target register holds its class, whose
                // constructor cannot change once the class is locked.
                const ClosureRef ref = in.arg0() < in.arg2() ? ClosureRef::Borrowed : ClosureRef::Owned;
                made = enterFrameFast(clo, ref, -1, in.arg3(), newBase) || startCall(clo, -1, in.arg3(), newBase, false)
                           ? Made::Frame
                           : Made::Error;
              }
            }
          }
          if (made == Made::Error) return LoopExit::Error;
          if (made == Made::Frame) RELOAD();
          if (made != Made::No) NEXT();
        }
        bool suspend = false;
        if (!callInstruction(in, rootIndex, out, suspend)) return LoopExit::Error;
        if (suspend) return LoopExit::Suspend;
        RELOAD();
        NEXT();
      }
      // A function in a slot of a table (a global through the root table as `this`) is
      // fetched straight away; everything else takes the general path with the constant key,
      // which is picked here, so that the constant form tests no opcode.
#define PREPCALLK_FORM(findKey)                                                   \
  {                                                                               \
    const Value& self = R(in.arg2());                                             \
    if (self._type == OT_TABLE) {                                                 \
      if (const Table::Node* n = asTable(self)->findKey(c->literals[in.arg1()])) { \
        /* A closure first: the store then knows the slot's type. */              \
        if (n->val._type == OT_CLOSURE) [[likely]] {                              \
          takeTableSlot(asTable(self), n->val, R(in.arg0()), R(in.arg3()));       \
          NEXT();                                                                 \
        }                                                                         \
        if (n->val._type != OT_WEAKREF) {                                         \
          takeTableSlot(asTable(self), n->val, R(in.arg0()), R(in.arg3()));       \
          NEXT();                                                                 \
        }                                                                         \
      }                                                                           \
    }                                                                             \
    prepKey = &c->literals[in.arg1()];                                            \
    goto prepcall_key;                                                            \
  }
      L_OP_PREPCALLK: PREPCALLK_FORM(find)
      L_OP_PREPCALLK_STRING: PREPCALLK_FORM(findString)
#undef PREPCALLK_FORM
      L_OP_PREPCALL:
        prepKey = &R(in.arg1());
      prepcall_key: {
        SYNC_IP();
        const Value& key = *prepKey;
        // A table's own slot or an instance's member, or for an instance that is `this` a slot
        // of the root table: fetched here, with the object as `this`.
        bool found = false;
        {
          const Value& self = R(in.arg2());
          if (self._type == OT_TABLE) {
            if (const Table::Node* n = asTable(self)->find(key)) {
              if (n->val._type != OT_WEAKREF) [[likely]] {
                takeTableSlot(asTable(self), n->val, R(in.arg0()), R(in.arg3()));
              } else {
                Value fn = derefWeak(n->val);
                R(in.arg3()) = self;
                R(in.arg0()) = std::move(fn);
              }
              found = true;
            }
          } else if (self._type == OT_INSTANCE) {
            Value fn;
            if (in.op() == OP_PREPCALLK || in.op() == OP_PREPCALLK_STRING) {
              // A member (remembered per instruction), else, for a class known to lack it, the
              // root table's slot when the instance is `this`.
              const Instance* inst = asInstance(self);
              const Class* cls = inst->cls;
              MemberCache& member = c->proto->memberCacheAt(ip - 1);
              if (cls && member.cls == cls && member.serial == cls->serial) [[likely]] {
                const SQInteger i = member.member & kMemberIndexMask;
                const Value& m = (member.member & kMemberField) ? inst->fields[i] : cls->methods[i].val;
                if (m._type != OT_WEAKREF) [[likely]] {
                  Value f(m);
                  R(in.arg3()) = self;
                  R(in.arg0()) = std::move(f);
                  goto prepcall_done;
                }
                fn = derefWeak(m);
                found = true;
              } else if (cls) {
                CallSiteCache& site = c->proto->callSiteAt(ip - 1);
                if (site.noMemberClass != cls || site.noMemberSerial != cls->serial) {
                  found = cachedMemberMiss(inst, key, member, fn);
                  if (!found) noteNoMember(cls, site);
                }
                if (!found && site.noMemberClass == cls) found = rootThroughThis(self, key, site.slotHint, fn);
              }
            } else {
              found = asInstance(self)->get(key, fn);
            }
            if (found) {
              R(in.arg3()) = self;
              R(in.arg0()) = std::move(fn);
            }
          }
        }
        if (found) NEXT();
        if (!prepCall(in, Value(key))) return LoopExit::Error;
        continue;
      prepcall_done:
        NEXT();
      }
      L_OP_GETK: SYNC_IP(); {
        const Value& self = R(in.arg2());
        // The member or slot goes straight into the target, which may be the object's own
        // register: the object is not read after the store.
        if (self._type == OT_INSTANCE) {
          if (cachedMemberGet(asInstance(self), c->literals[in.arg1()], c->proto->memberCacheAt(ip - 1),
                              R(in.arg0()))) {
            NEXT();
          }
        } else if (self._type == OT_TABLE) {
          if (const Table::Node* n = asTable(self)->find(c->literals[in.arg1()])) {
            R(in.arg0()) = derefWeak(n->val);
            NEXT();
          }
        }
        Value tmp;
        if (!getWithRoot(R(in.arg2()), c->literals[in.arg1()], tmp)) {
          raiseIndexError(c->literals[in.arg1()]);
          return LoopExit::Error;
        }
        R(in.arg0()) = std::move(tmp);
        continue;
      }
      L_OP_MOVE: R(in.arg0()) = R(in.arg1()); NEXT();
      L_OP_NEWSLOT: SYNC_IP(); {
        if (!newSlot(R(in.arg1()), R(in.arg2()), R(in.arg3()), false)) return LoopExit::Error;
        if (in.arg0() != in.arg3()) R(in.arg0()) = R(in.arg3());
        continue;
      }
      L_OP_DELETE: SYNC_IP(); {
        Value removed;
        if (!deleteSlot(R(in.arg1()), R(in.arg2()), removed)) return LoopExit::Error;
        R(in.arg0()) = std::move(removed);
        continue;
      }
      L_OP_SET: SYNC_IP(); {
        // A field of an instance by a string key: written in place, the entry remembered.
        bool written = false;
        {
          const Value& self = R(in.arg1());
          SQInteger member;
          if (self._type == OT_INSTANCE &&
              registerKeyEntry(asInstance(self), R(in.arg2()), c->proto->memberCacheAt(ip - 1), member) &&
              (member & kMemberField)) {
            Value val = R(in.arg3());
            asInstance(self)->fields[member & kMemberIndexMask] = val;
            if (in.arg0() != in.arg3()) R(in.arg0()) = std::move(val);
            written = true;
          }
        }
        if (written) NEXT();
        Value val = R(in.arg3());
        const Value& self = R(in.arg1());
        const bool field = self._type == OT_INSTANCE && asInstance(self)->set(R(in.arg2()), val);
        if (!field && !set(self, R(in.arg2()), val, true)) {
          raiseIndexError(R(in.arg2()));
          return LoopExit::Error;
        }
        if (in.arg0() != in.arg3()) R(in.arg0()) = std::move(val);
        continue;
      }
      L_OP_GET: SYNC_IP(); {
        {
          const Value& self = R(in.arg1());
          SQInteger member;
          if (self._type == OT_INSTANCE &&
              registerKeyEntry(asInstance(self), R(in.arg2()), c->proto->memberCacheAt(ip - 1), member)) {
            readMember(asInstance(self), member, R(in.arg0()));
            NEXT();
          }
        }
        Value tmp;
        if (!getWithRoot(R(in.arg1()), R(in.arg2()), tmp)) {
          raiseIndexError(R(in.arg2()));
          return LoopExit::Error;
        }
        R(in.arg0()) = std::move(tmp);
        continue;
      }
      L_OP_EQ:
      L_OP_NE: {
        const Value& b = in.arg3() ? c->literals[in.arg1()] : R(in.arg1());
        const bool eq = isEqual(R(in.arg2()), b);
        R(in.arg0()).setBool(in.op() == OP_EQ ? eq : !eq);
        NEXT();
      }
      L_OP_ARITH: {
        if (fastArith(in.arg3(), R(in.arg2()), R(in.arg1()), R(in.arg0()))) NEXT();
        SYNC_IP();
        Value res;
        if (!arith(in.arg3(), res, R(in.arg2()), R(in.arg1()))) return LoopExit::Error;
        R(in.arg0()) = std::move(res);
        continue;
      }
      L_OP_BITW: {
        const Value& a = R(in.arg2());
        const Value& b = R(in.arg1());
        SQInteger r;
        if (a._type == OT_INTEGER && b._type == OT_INTEGER && integerBitwise(in.arg3(), a.i(), b.i(), r)) {
          R(in.arg0()).setInteger(r);
          NEXT();
        }
        SYNC_IP();
        Value res;
        if (!bitwise(in.arg3(), res, R(in.arg2()), R(in.arg1()))) return LoopExit::Error;
        R(in.arg0()) = std::move(res);
        continue;
      }
      L_OP_RETURN: {
        // Returns to a script frame of this loop, without traps, varargs (the frame's are the
        // last ones on the list), a generator to clean up or a hook to call, are done here.
        if (c->plainReturn) [[likely]] {
        return_plain: {
            const int32_t prevTop = c->prevTop;
            const int32_t target = c->target;
            const int32_t oldTop = top;
            Value res;
            if (in.arg0() != 0xFF) takeResult(R(in.arg1()), prevTop, res);
            LEAVE_PLAIN_FRAME(res);
          }
          NEXT();
        }
        {
          SYNC_IP();
          if (debugHook._type != OT_NULL && !debugHookRunning) {
            for (int32_t i = c->ncalls; i > 0; --i) callDebugHook('r');
            c = &calls.back();
          }
          Value res;
          if (in.arg0() != 0xFF) takeResult(R(in.arg1()), c->prevTop, res);
          const bool root = c->root;
          const int32_t target = c->target;
          leaveFrame();
          if (root) {
            out = std::move(res);
            return LoopExit::Return;
          }
          RELOAD();
          if (target != -1) R(target) = std::move(res);
        }
        NEXT();
      }
      L_OP_LOADNULLS:
        for (int32_t i = 0; i < in.arg1(); ++i) R(in.arg0() + i).setNull();
        NEXT();
      L_OP_LOADROOTTABLE: R(in.arg0()) = rootTable; continue;
      L_OP_LOADBOOL: R(in.arg0()).setBool(in.arg1() != 0); NEXT();
      L_OP_DMOVE:
        R(in.arg0()) = R(in.arg1());
        R(in.arg2()) = R(in.arg3());
        NEXT();
      L_OP_JMP: ip += in.arg1(); NEXT();
      L_OP_MOVE_THEN_RETURN:
        // The return gives back the moved register: a plain one returns the move's source
        // (arg0 is never 0xFF here), and the frame's register, which leaving drops, stays
        // unwritten. Any other return goes the whole way, so that hooks see the return's line.
        if (c->plainReturn) [[likely]] goto return_plain;
        R(in.arg0()) = R(in.arg1());
        budget::chargeStep();
        ++ip;
        goto L_OP_JMP_THEN_RETURN;
      L_OP_JMP_THEN_RETURN:
        ip += in.arg1();
        budget::chargeStep();
        ++ip;
        goto L_OP_RETURN;
      L_OP_JNZ:
        if (!isFalse(R(in.arg0()))) ip += in.arg1();
        NEXT();
      L_OP_JZ:
        if (isFalse(R(in.arg0()))) ip += in.arg1();
        NEXT();
      L_OP_LOADFREEVAR: R(in.arg0()) = asClosure(c->closure)->outers[in.arg1()]; NEXT();
      L_OP_VARGC: R(in.arg0()).setInteger(c->vargsCount); continue;
      L_OP_GETVARGV: SYNC_IP(); {
        Value v;
        if (!getVararg(*c, R(in.arg1()), v)) return LoopExit::Error;
        R(in.arg0()) = std::move(v);
        continue;
      }
      L_OP_NEWTABLE: SYNC_IP();
        R(in.arg0()) = Value(OT_TABLE, new Table(ss, in.arg1() > 0 ? static_cast<uint32_t>(in.arg1()) : 0));
        continue;
      L_OP_NEWARRAY: SYNC_IP(); {
        Array* a = new Array(ss, 0);
        R(in.arg0()) = Value(OT_ARRAY, a);
        if (in.arg1() > 0) a->values.reserve(in.arg1() < 4096 ? in.arg1() : 4096);
        continue;
      }
      L_OP_APPENDARRAY: SYNC_IP(); {
        if (R(in.arg0())._type != OT_ARRAY) {
          raise("appending to a value that is not an array");
          return LoopExit::Error;
        }
        asArray(R(in.arg0()))->values.push_back(in.arg3() ? c->literals[in.arg1()] : R(in.arg1()));
        continue;
      }
      L_OP_GETPARENT: SYNC_IP(); {
        Value res;
        if (!getParent(R(in.arg1()), res)) return LoopExit::Error;
        R(in.arg0()) = std::move(res);
        continue;
      }
      // A number field of an instance by a string key is updated in place; the instance has no
      // metamethod in the way (a field is found before any), and the field is the value that
      // the general get would read and the general set would write.
      L_OP_COMPARITH: SYNC_IP(); {
        const Value& self = R((in.arg1() >> 16) & 0xFFFF);
        SQInteger member;
        if (self._type == OT_INSTANCE &&
            registerKeyEntry(asInstance(self), R(in.arg2()), c->proto->memberCacheAt(ip - 1), member) &&
            (member & kMemberField)) {
          Value& field = asInstance(self)->fields[member & kMemberIndexMask];
          if (fastArith(in.arg3(), field, R(in.arg1() & 0xFFFF), field)) {
            R(in.arg0()) = field;
            NEXT();
          }
        }
        if (!compoundSlot(in)) return LoopExit::Error;
        continue;
      }
      L_OP_INC:
      L_OP_PINC: SYNC_IP(); {
        const Value& self = R(in.arg1());
        SQInteger member;
        if (self._type == OT_INSTANCE &&
            registerKeyEntry(asInstance(self), R(in.arg2()), c->proto->memberCacheAt(ip - 1), member) &&
            (member & kMemberField)) {
          Value& field = asInstance(self)->fields[member & kMemberIndexMask];
          if (field._type == OT_INTEGER) {
            const SQInteger old = field.i();
            const SQInteger now = static_cast<SQInteger>(static_cast<uint32_t>(old) +
                                                         static_cast<uint32_t>(static_cast<int8_t>(in.arg3())));
            field._unVal.raw = payloadOf(now);
            R(in.arg0()).setInteger(in.op() == OP_PINC ? old : now);
            NEXT();
          }
        }
        if (!compoundSlot(in)) return LoopExit::Error;
        continue;
      }
      L_OP_COMPARITHL: {
        // The local is updated and its new value copied to the target.
        if (fastArith(in.arg3(), R(in.arg1()), R(in.arg2()), R(in.arg1()))) {
          R(in.arg0()) = R(in.arg1());
          NEXT();
        }
        SYNC_IP();
        Value res;
        if (!arith(in.arg3(), res, R(in.arg1()), R(in.arg2()))) return LoopExit::Error;
        R(in.arg1()) = res;
        R(in.arg0()) = std::move(res);
        continue;
      }
      L_OP_INCL:
      L_OP_PINCL: {
        Value& a = R(in.arg1());
        const int32_t step = static_cast<int8_t>(in.arg3());
        if (a._type == OT_INTEGER) {
          const SQInteger old = a.i();
          a.setInteger(static_cast<SQInteger>(static_cast<uint32_t>(old) + static_cast<uint32_t>(step)));
          if (in.op() == OP_INCL) {
            R(in.arg0()) = R(in.arg1());
          } else {
            R(in.arg0()).setInteger(old);
          }
          NEXT();
        }
        SYNC_IP();
        Value old = a;
        Value res;
        if (!arith('+', res, old, Value::integer(step))) return LoopExit::Error;
        R(in.arg1()) = res;
        const bool prefix = streamOpcode(in.op()) == OP_INCL;
        R(in.arg0()) = prefix ? std::move(res) : std::move(old);
        continue;
      }
      L_OP_INCL_THEN_JMP:
      L_OP_PINCL_THEN_JMP: {
        Value& a = R(in.arg1());
        // Anything but an integer takes the plain instruction's path; the JMP then runs alone.
        if (a._type != OT_INTEGER) goto L_OP_INCL;
        const SQInteger old = a.i();
        const int32_t step = static_cast<int8_t>(in.arg3());
        a.setInteger(static_cast<SQInteger>(static_cast<uint32_t>(old) + static_cast<uint32_t>(step)));
        if (in.op() == OP_INCL_THEN_JMP) {
          R(in.arg0()) = R(in.arg1());
        } else {
          R(in.arg0()).setInteger(old);
        }
        budget::chargeStep();
        ++ip;
        goto L_OP_JMP;
      }
      L_OP_INCL_THEN_LOOP:
      L_OP_PINCL_THEN_LOOP: {
        // The local and the step's target are written as the step writes them, then the
        // test's registers as the test writes them; a register the test overwrites anyway is
        // skipped. The local is not the target, the constant's register nor (for the joined
        // constant) the comparison's other operand: the loader checked that.
        Value& a = R(in.arg1());
        if (a._type != OT_INTEGER) goto L_OP_INCL;
        const SQInteger old = a.i();
        const SQInteger now =
            static_cast<SQInteger>(static_cast<uint32_t>(old) + static_cast<uint32_t>(static_cast<int8_t>(in.arg3())));
        a._unVal.raw = payloadOf(now);
        const SQInteger stepResult = in.op() == OP_INCL_THEN_LOOP ? now : old;
        const Instruction* head = ip + 1 + ip->arg1;
        const Instruction* test = head;
        SQInteger limit;
        const Instruction* jz;
        budget::chargeStep();
        budget::chargeStep();
        if (test->op >= OP_INTK_THEN) {
          limit = test->arg1;
          const uint8_t constantReg = test->arg0;
          test = head + 1;
          if (in.arg0() != constantReg && in.arg0() != test->arg0) R(in.arg0()).setInteger(stepResult);
          if (constantReg != test->arg0) R(constantReg).setInteger(limit);
          jz = head + 2;
          budget::chargeStep();
        } else {
          R(in.arg0()).setInteger(stepResult);
          const Value& b = R(test->arg1);
          if (b._type != OT_INTEGER) {
            // The test runs as it stands, after the jump.
            ip = head;
            NEXT();
          }
          limit = b.i();
          jz = head + 1;
        }
        const bool r = compareResult(test->arg3, integerOrder(now, limit));
        R(test->arg0).setBool(r);
        ip = jz + 1;
        if (!r) ip += jz->arg1;
        NEXT();
      }
      // The local is stepped and compared with the limit at the loop's test, arg2 instructions
      // back; the register that the step, the limit and the comparison share takes the
      // comparison's result, the only one of their values left when the loop runs on.
#define STEP_THEN_LOOPK(form, code)                                                             \
  L_OP_INCL_THEN_LOOPK_##form:                                                                  \
  L_OP_PINCL_THEN_LOOPK_##form: {                                                               \
    Value& a = R(in.arg1());                                                                    \
    if (a._type != OT_INTEGER) goto L_OP_INCL;                                                  \
    const uint32_t step = static_cast<uint32_t>(static_cast<int8_t>(in.arg3()));               \
    const SQInteger now = static_cast<SQInteger>(static_cast<uint32_t>(a.i()) + step);          \
    a._unVal.raw = payloadOf(now);                                                              \
    const Instruction* head = ip - 1 - in.arg2();                                               \
    const bool r = compareResult(code, integerOrder(now, head->arg1));      \
    R(in.arg0()).setBool(r);                                                                    \
    budget::chargeStep();                                                                       \
    budget::chargeStep();                                                                       \
    budget::chargeStep();                                                                       \
    ip = head + 3;                                                                              \
    if (!r) ip += head[2].arg1;                                                 \
    NEXT();                                                                                     \
  }
      STEP_THEN_LOOPK(G, 0)
      STEP_THEN_LOOPK(GE, 2)
      STEP_THEN_LOOPK(L, 3)
      STEP_THEN_LOOPK(LE, 4)
#undef STEP_THEN_LOOPK
      L_OP_CMP: {
        const Value& a = R(in.arg2());
        const Value& b = R(in.arg1());
        bool res;
        if (a._type == OT_INTEGER && b._type == OT_INTEGER) {
          res = compareResult(in.arg3(), integerOrder(a.i(), b.i()));
        } else if (a._type == OT_FLOAT && b._type == OT_FLOAT) {
          res = compareResult(in.arg3(), floatOrder(a.f(), b.f()));
        } else {
          SYNC_IP();
          if (!compareOp(in.arg3(), a, b, res)) return LoopExit::Error;
        }
        R(in.arg0()).setBool(res);
        NEXT();
      }
      L_OP_EXISTS: SYNC_IP(); {
        const bool e = exists(R(in.arg1()), R(in.arg2()));
        R(in.arg0()).setBool(e);
        continue;
      }
      L_OP_INSTANCEOF: SYNC_IP(); {
        const Value& cls = R(in.arg1());
        const Value& inst = R(in.arg2());
        if (cls._type != OT_CLASS || inst._type != OT_INSTANCE) {
          raiseFormat("cannot apply instanceof between a %s and a %s", typeNameAscii(cls._type),
                      typeNameAscii(inst._type));
          return LoopExit::Error;
        }
        const bool r = asInstance(inst)->instanceOf(asClass(cls));
        R(in.arg0()).setBool(r);
        continue;
      }
      L_OP_AND:
        if (isFalse(R(in.arg2()))) {
          R(in.arg0()) = R(in.arg2());
          ip += in.arg1();
        }
        NEXT();
      L_OP_OR:
        if (!isFalse(R(in.arg2()))) {
          R(in.arg0()) = R(in.arg2());
          ip += in.arg1();
        }
        NEXT();
      L_OP_NEG: SYNC_IP(); {
        Value res;
        if (!negate(res, R(in.arg1()))) return LoopExit::Error;
        R(in.arg0()) = std::move(res);
        continue;
      }
      L_OP_NOT: R(in.arg0()).setBool(isFalse(R(in.arg1()))); NEXT();
      L_OP_BWNOT: SYNC_IP(); {
        if (R(in.arg1())._type != OT_INTEGER) {
          raiseFormat("attempt to perform a bitwise op on a %s", typeNameAscii(R(in.arg1())._type));
          return LoopExit::Error;
        }
        R(in.arg0()).setInteger(~R(in.arg1()).i());
        continue;
      }
      L_OP_CLOSURE: SYNC_IP();
        if (!createClosure(in)) return LoopExit::Error;
        continue;
      L_OP_YIELD: SYNC_IP(); {
        if (!c->generator) {
          raiseFormat("trying to yield a '%s',only genenerator can be yielded",
                      typeNameAscii(c->closure._type));
          return LoopExit::Error;
        }
        Value res;
        if (in.arg0() != 0xFF) res = R(in.arg1());
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
      L_OP_RESUME: SYNC_IP(); {
        Value g = R(in.arg1());
        if (g._type != OT_GENERATOR) {
          raiseFormat("trying to resume a '%s',only genenerator can be resumed",
                      typeNameAscii(g._type));
          return LoopExit::Error;
        }
        if (!asGenerator(g)->resume(this, in.arg0())) return LoopExit::Error;
        RELOAD();
        continue;
      }
      L_OP_FOREACH: SYNC_IP(); {
        ForeachStep step;
        if (!foreachStep(in, step)) return LoopExit::Error;
        RELOAD();
        if (step == ForeachStep::Produced) {
          ++ip;
        } else if (step == ForeachStep::Ended) {
          ip += in.arg1();
        } else {
          // The generator's frame is now current; its yield or return lands in the value
          // register and execution goes on at POSTFOREACH of this frame.
        }
        continue;
      }
      L_OP_POSTFOREACH: SYNC_IP(); {
        const Value& g = R(in.arg0());
        if (g._type == OT_GENERATOR && asGenerator(g)->state == Generator::State::Dead) {
          ip += in.arg1() - 1;
        }
        continue;
      }
      L_OP_DELEGATE: SYNC_IP(); {
        if (!setDelegateOp(R(in.arg1()), R(in.arg2()))) return LoopExit::Error;
        R(in.arg0()) = R(in.arg1());
        continue;
      }
      L_OP_CLONE: SYNC_IP(); {
        Value res;
        if (!clone(R(in.arg1()), res)) return LoopExit::Error;
        R(in.arg0()) = std::move(res);
        continue;
      }
      L_OP_TYPEOF: SYNC_IP(); {
        Value res;
        if (!typeOf(R(in.arg1()), res)) return LoopExit::Error;
        R(in.arg0()) = std::move(res);
        continue;
      }
      L_OP_PUSHTRAP: SYNC_IP();
        traps.push_back({base, top, ip + in.arg1(), in.arg0()});
        ++c->ntraps;
        c->plainReturn = false;
        continue;
      L_OP_POPTRAP:
        for (int32_t i = 0; i < in.arg0() && c->ntraps > 0; ++i) {
          traps.pop_back();
          --c->ntraps;
        }
        continue;
      L_OP_THROW: SYNC_IP(); raise(R(in.arg0())); return LoopExit::Error;
      L_OP_CLASS: SYNC_IP();
        if (!declareClass(in)) return LoopExit::Error;
        continue;
      L_OP_NEWSLOTA: SYNC_IP();
        if (!newSlotA(in)) return LoopExit::Error;
        continue;
      // The machine's forms: the common operand types in place, anything else by the stream's
      // instruction (its operator is still in arg3).
#define ARITH_FORM(sym, general)                                      \
  if (fastArith(sym, R(in.arg2()), R(in.arg1()), R(in.arg0()))) NEXT(); \
  goto general;
      L_OP_ADD: ARITH_FORM('+', L_OP_ARITH)
      L_OP_SUB: ARITH_FORM('-', L_OP_ARITH)
      L_OP_MUL: ARITH_FORM('*', L_OP_ARITH)
      L_OP_DIV: ARITH_FORM('/', L_OP_ARITH)
      L_OP_MOD: ARITH_FORM('%', L_OP_ARITH)
#undef ARITH_FORM
      // The result goes straight to the caller; anything but a plain return of the common
      // operand types takes the stream's instruction, and then the RETURN after it.
#define ARITH_THEN_RETURN_FORM(sym)                                   \
  {                                                                   \
    bool returned = false;                                            \
    if (c->plainReturn) [[likely]] {                                  \
      Value res;                                                      \
      if (fastArith(sym, R(in.arg2()), R(in.arg1()), res)) [[likely]] { \
        const int32_t prevTop = c->prevTop;                           \
        const int32_t target = c->target;                             \
        const int32_t oldTop = top;                                   \
        LEAVE_PLAIN_FRAME(res);                                       \
        returned = true;                                              \
      }                                                               \
    }                                                                 \
    if (returned) NEXT();                                             \
    goto L_OP_ARITH;                                                  \
  }
      L_OP_ADD_THEN_RETURN: ARITH_THEN_RETURN_FORM('+')
      L_OP_SUB_THEN_RETURN: ARITH_THEN_RETURN_FORM('-')
      L_OP_MUL_THEN_RETURN: ARITH_THEN_RETURN_FORM('*')
      L_OP_DIV_THEN_RETURN: ARITH_THEN_RETURN_FORM('/')
      L_OP_MOD_THEN_RETURN: ARITH_THEN_RETURN_FORM('%')
#undef ARITH_THEN_RETURN_FORM
      // The local keeps its number type, so only its payload changes.
#define LOCAL_ARITH_FORM(sym)                                                        \
  {                                                                                  \
    Value& a = R(in.arg1());                                                         \
    const Value& b = R(in.arg2());                                                   \
    if (a._type == OT_INTEGER && b._type == OT_INTEGER) {                            \
      SQInteger r;                                                                   \
      if (!integerArith(sym, a.i(), b.i(), r)) goto L_OP_COMPARITHL;                 \
      a._unVal.raw = payloadOf(r);                                                   \
      R(in.arg0()).setInteger(r);                                                    \
      NEXT();                                                                        \
    }                                                                                \
    SQFloat r;                                                                       \
    if (a._type != OT_FLOAT || b._type != OT_FLOAT || !floatArith(sym, a.f(), b.f(), r)) \
      goto L_OP_COMPARITHL;                                                          \
    storeFloat(a, r);                                                                \
    storeFloat(R(in.arg0()), r);                                                     \
    NEXT();                                                                          \
  }
      L_OP_ADDL: LOCAL_ARITH_FORM('+')
      L_OP_SUBL: LOCAL_ARITH_FORM('-')
      L_OP_MULL: LOCAL_ARITH_FORM('*')
      L_OP_DIVL: LOCAL_ARITH_FORM('/')
      L_OP_MODL: LOCAL_ARITH_FORM('%')
#undef LOCAL_ARITH_FORM
#define BITWISE_FORM(code)                                                       \
  {                                                                              \
    const Value& a = R(in.arg2());                                                 \
    const Value& b = R(in.arg1());                                                 \
    SQInteger r;                                                                 \
    if (a._type == OT_INTEGER && b._type == OT_INTEGER) {                        \
      integerBitwise(code, a.i(), b.i(), r);                                     \
      R(in.arg0()).setInteger(r);                                                  \
      NEXT();                                                                    \
    }                                                                            \
    goto L_OP_BITW;                                                              \
  }
      L_OP_BAND: BITWISE_FORM(0)
      L_OP_BOR: BITWISE_FORM(2)
      L_OP_BXOR: BITWISE_FORM(3)
      L_OP_SHL: BITWISE_FORM(4)
      L_OP_SHR: BITWISE_FORM(5)
      L_OP_USHR: BITWISE_FORM(6)
#undef BITWISE_FORM
#define COMPARE_FORM(code)                                                       \
  {                                                                              \
    const Value& a = R(in.arg2());                                                 \
    const Value& b = R(in.arg1());                                                 \
    if (a._type == OT_INTEGER && b._type == OT_INTEGER) {                        \
      R(in.arg0()).setBool(compareResult(code, integerOrder(a.i(), b.i())));      \
      NEXT();                                                                    \
    }                                                                            \
    if (a._type == OT_FLOAT && b._type == OT_FLOAT) {                            \
      R(in.arg0()).setBool(floatCompare(code, a.f(), b.f()));                     \
      NEXT();                                                                    \
    }                                                                            \
    goto L_OP_CMP;                                                               \
  }
      L_OP_CMPG: COMPARE_FORM(0)
      L_OP_CMPGE: COMPARE_FORM(2)
      L_OP_CMPL: COMPARE_FORM(3)
      L_OP_CMPLE: COMPARE_FORM(4)
#undef COMPARE_FORM
#define COMPARE_JUMP_FORM(code)                                                  \
  {                                                                              \
    const Value& a = R(in.arg2());                                                 \
    const Value& b = R(in.arg1());                                                 \
    bool r;                                                                      \
    if (a._type == OT_INTEGER && b._type == OT_INTEGER) {                        \
      r = compareResult(code, integerOrder(a.i(), b.i()));                       \
    } else if (a._type == OT_FLOAT && b._type == OT_FLOAT) {                     \
      r = floatCompare(code, a.f(), b.f());                                      \
    } else {                                                                     \
      goto L_OP_CMP;                                                             \
    }                                                                            \
    R(in.arg0()).setBool(r);                                                       \
    budget::chargeStep();                                                        \
    ++ip;                                                                  \
    if (!r) ip += in.arg1();                                                       \
    NEXT();                                                                      \
  }
      L_OP_CMPGJZ: COMPARE_JUMP_FORM(0)
      L_OP_CMPGEJZ: COMPARE_JUMP_FORM(2)
      L_OP_CMPLJZ: COMPARE_JUMP_FORM(3)
      L_OP_CMPLEJZ: COMPARE_JUMP_FORM(4)
#undef COMPARE_JUMP_FORM
      // A constant load, then the form after it, reached by a direct jump.
#define LOAD_THEN(store, form)         \
  R(in.arg0()).store;                  \
  budget::chargeStep();                \
  ++ip;    \
  goto L_OP_##form;
#define LOADINT_THEN(form) \
  L_LOADINT_THEN_##form: LOAD_THEN(setInteger(in.arg1()), form)
#define LOADFLOAT_THEN(form) \
  L_LOADFLOAT_THEN_##form: LOAD_THEN(setFloat(std::bit_cast<float>(in.arg1())), form)
      SQ_LOAD_THEN_FORMS(LOADINT_THEN)
      SQ_LOAD_THEN_FORMS(LOADFLOAT_THEN)
#undef LOADFLOAT_THEN
#undef LOADINT_THEN
#undef LOAD_THEN
      // A constant right operand taken from the load instruction: the operator after it runs
      // here on a left operand of the constant's type, its registers read from the load's arg2
      // (left operand) and arg3 (target). The store forms write the constant's register first
      // (the target is another one, and the left operand is never that register), then run as
      // the others. Any other left operand goes through the load and the operator as they stand.
#define CONSTANT_FORM_END()               \
  ++ip;                                   \
  budget::chargeStep();                   \
  NEXT();
#define INTK_ARITH(form, sym)                                            \
  L_INTK_THEN_##form: {                                                  \
    const Value& a = R(in.arg2());                                       \
    SQInteger r;                                                         \
    if (a._type != OT_INTEGER || !constantArith(sym, a.i(), in.arg1(), r)) \
      goto L_LOADINT_THEN_##form;                                        \
    R(in.arg3()).setInteger(r);                                          \
    CONSTANT_FORM_END()                                                  \
  }
#define FLOATK_ARITH(form, sym)                                          \
  L_FLOATK_THEN_##form: {                                                \
    const Value& a = R(in.arg2());                                       \
    SQFloat r;                                                           \
    if (a._type != OT_FLOAT || !floatArith(sym, a.f(), std::bit_cast<float>(in.arg1()), r)) \
      goto L_LOADFLOAT_THEN_##form;                                      \
    storeFloat(R(in.arg3()), r);                                         \
    CONSTANT_FORM_END()                                                  \
  }
#define INTK_BITWISE(form, code)                                         \
  L_INTK_THEN_##form: {                                                  \
    const Value& a = R(in.arg2());                                       \
    SQInteger r;                                                         \
    if (a._type != OT_INTEGER) goto L_LOADINT_THEN_##form;               \
    integerBitwise(code, a.i(), in.arg1(), r);                           \
    R(in.arg3()).setInteger(r);                                          \
    CONSTANT_FORM_END()                                                  \
  }
#define FLOATK_BITWISE(form, code) \
  L_FLOATK_THEN_##form: goto L_LOADFLOAT_THEN_##form;
      // The comparison of the left operand with the constant, or a jump to the general path.
#define INTK_TEST(form, code)                                             \
  const Value& a = R(in.arg2());                                          \
  if (a._type != OT_INTEGER) goto L_LOADINT_THEN_##form;                  \
  const bool r = compareResult(code, integerOrder(a.i(), in.arg1()));
#define FLOATK_TEST(form, code)                                           \
  const Value& a = R(in.arg2());                                          \
  if (a._type != OT_FLOAT) goto L_LOADFLOAT_THEN_##form;                  \
  const bool r = floatCompare(code, a.f(), std::bit_cast<float>(in.arg1()));
#define K_COMPARE(kind, form, code)        \
  L_##kind##_THEN_##form: {                 \
    kind##_TEST(form, code)                 \
    R(in.arg3()).setBool(r);                \
    CONSTANT_FORM_END()                     \
  }
#define K_COMPARE_JUMP(kind, form, code)                        \
  L_##kind##_THEN_##form: {                                      \
    kind##_TEST(form, code)                                      \
    R(in.arg3()).setBool(r);                                     \
    budget::chargeStep();                                        \
    const int32_t skip = r ? 0 : ip[1].arg1; \
    ip += 1 + skip;                                              \
    CONSTANT_FORM_END()                                          \
  }
#define K_FORMS(kind)                                                                   \
  kind##_ARITH(ADD, '+') kind##_ARITH(SUB, '-') kind##_ARITH(MUL, '*')                  \
  kind##_ARITH(DIV, '/') kind##_ARITH(MOD, '%') kind##_BITWISE(BAND, 0)                 \
  kind##_BITWISE(BOR, 2) kind##_BITWISE(BXOR, 3) kind##_BITWISE(SHL, 4)                 \
  kind##_BITWISE(SHR, 5) kind##_BITWISE(USHR, 6) K_COMPARE(kind, CMPG, 0)               \
  K_COMPARE(kind, CMPGE, 2) K_COMPARE(kind, CMPL, 3) K_COMPARE(kind, CMPLE, 4)          \
  K_COMPARE_JUMP(kind, CMPGJZ, 0) K_COMPARE_JUMP(kind, CMPGEJZ, 2)                     \
  K_COMPARE_JUMP(kind, CMPLJZ, 3) K_COMPARE_JUMP(kind, CMPLEJZ, 4)
      K_FORMS(INTK)
      K_FORMS(FLOATK)
#define INTK_STORE(form)                  \
  L_INTK_STORE_THEN_##form:               \
    R(in.arg0()).setInteger(in.arg1());   \
    goto L_INTK_THEN_##form;
#define FLOATK_STORE(form)                                  \
  L_FLOATK_STORE_THEN_##form:                               \
    R(in.arg0()).setFloat(std::bit_cast<float>(in.arg1())); \
    goto L_FLOATK_THEN_##form;
      SQ_LOAD_THEN_FORMS(INTK_STORE)
      SQ_LOAD_THEN_FORMS(FLOATK_STORE)
#undef FLOATK_STORE
#undef INTK_STORE
#undef K_FORMS
#undef K_COMPARE_JUMP
#undef K_COMPARE
#undef FLOATK_TEST
#undef INTK_TEST
#undef FLOATK_BITWISE
#undef INTK_BITWISE
#undef FLOATK_ARITH
#undef INTK_ARITH
#undef CONSTANT_FORM_END
      L_INVALID:
        SYNC_IP();
        raise("invalid instruction");
        return LoopExit::Error;
    }
  }
}

#undef LEAVE_PLAIN_FRAME
#undef NEXT
#undef FETCH_AND_DISPATCH
#undef RELOAD
#undef R

}  // namespace sqvm

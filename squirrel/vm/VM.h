#pragma once

// One machine (the root machine or a thread): its value stack, call stack, exception traps and
// the execution loop. All threads of a state share one SharedState.

#include "squirrel/vm/CallInfo.h"
#include "squirrel/vm/Closure.h"
#include "squirrel/vm/Collectable.h"
#include "squirrel/vm/SharedState.h"
#include "squirrel/vm/StableStack.h"

#include <string>
#include <vector>

namespace sqvm {

inline constexpr int32_t kMaxNativeCalls = 100;
// The same for all threads of a state together: a thread that calls a new thread, which calls
// another, ... nests loops on the one native stack although each machine counts only its own.
inline constexpr int32_t kMaxNativeCallsAllThreads = 2 * kMaxNativeCalls;

// The most value slots and frames one machine may use. Both stacks reserve that much address
// space when the machine is made and never move (StableStack.h), so a reference to a register
// or a frame survives every call. A script frame that would not fit below the limits less a
// spare fails with "stack overflow"; the spare is left for the pushes of metamethod arguments,
// for natives and for the error handler that reports the overflow.
inline constexpr size_t kMaxStackSlots = size_t{1} << 20;
inline constexpr size_t kMaxCallFrames = size_t{1} << 18;
inline constexpr size_t kSpareStackSlots = size_t{1} << 14;
inline constexpr size_t kSpareCallFrames = 1024;

enum class ExecType { Call, ResumeGenerator, ResumeVM, ResumeThrowVM };
enum class RaiseError { No, Yes };

struct VM final : Collectable {
  StableStack<Value> stack;  // slots at or above `top` are null
  int32_t top = 0;
  int32_t base = 0;
  StableStack<CallInfo> calls;
  std::vector<Trap> traps;
  std::vector<Value> vargs;
  Value rootTable;
  Value errorHandler;
  Value debugHook;  // set by setDebugHook
  // The highest top a frame entered on the short path may reach: within the slots made so far
  // and below the spare room, or -1 (no frame) while a debug hook is set, since the short path
  // makes no hook calls.
  int32_t fastFrameTop = -1;
  Value lastError;
  SQUserPointer foreignPtr = nullptr;
  int32_t nativeCalls = 0;
  bool notifyAllExceptions = false;
  bool debugHookRunning = false;
  bool errorHandlerRunning = false;
  // Set from a stack overflow until a script catches the error, a call completes normally or
  // the outermost execution loop ends. Meanwhile no metamethod is called, a metamethod's failure
  // is not passed over for a fallback, and no other error replaces the overflow. Otherwise each
  // level of a recursion through metamethods would try its fallbacks (a failing `_get` falls
  // back to the root table, whose delegate may call `_get` again), and unwinding would take time
  // exponential in the depth instead of ending with the overflow.
  bool overflowing = false;
  // Suspension of the whole machine by a native (threads).
  bool suspended = false;
  int32_t suspendedTarget = -1;
  int32_t suspendedRootIndex = 0;
  bool suspendedRaiseError = false;
  Value wakeupValue;

  VM(SharedState* s, int32_t stackSize);
  ~VM() override;
  void finalize() override;
  void markChildren(Marker& m) override;

  // Stack access; indexes are absolute.
  void ensureStack(size_t n) {
    if (n > stack.size()) growStack(n);
  }
  void push(const Value& v) {
    if (static_cast<size_t>(top) >= stack.size()) growStack(top + 1);
    stack[top++] = v;
  }
  void push(Value&& v) {
    if (static_cast<size_t>(top) >= stack.size()) growStack(top + 1);
    stack[top++] = std::move(v);
  }
  void pushNull() { push(Value()); }
  void pop(int32_t n) {
    while (n-- > 0 && top > 0) stack[--top].setNull();
  }
  Value& stackTop() { return stack[top - 1]; }
  // Host index (1-based from the frame base, negative from the top) to absolute.
  int32_t absIndex(int32_t idx) const { return idx < 0 ? top + idx : base + idx - 1; }
  Value& at(int32_t idx) { return stack[absIndex(idx)]; }
  void setTop(int32_t newTop);

  // Errors: set the last error (always returns false, so `return raise(...)` reads well).
  bool raise(const Value& err);
  bool raise(const char* ascii);
  bool raiseFormat(const char* fmt, ...);
  bool raiseIndexError(const Value& key);
  bool raiseCompareError(const Value& a, const Value& b);
  bool raiseParamType(int param, SQObjectType got, int32_t expectedMask);
  bool raiseOverflow(const char* ascii);
  void callErrorHandler(const Value& err);

  // Calls.
  bool call(const Value& closure, int32_t nargs, int32_t stackBase, Value& out, bool raiseError);
  bool execute(const Value& closure, int32_t nargs, int32_t stackBase, Value& out,
               bool raiseError, ExecType et = ExecType::Call);
  bool startCall(Closure* c, int32_t target, int32_t nargs, int32_t newBase, bool tailCall);
  // False, with "stack overflow" raised, when a new frame whose slots end at `newTop` does not
  // fit. Natives and the error handler may use the spare, script frames may not; a tail call
  // reuses its frame.
  enum class FrameKind { Script, TailCall, Native };
  bool frameFits(int64_t newTop, FrameKind kind);
  bool callNative(NativeClosure* nc, int32_t nargs, int32_t newBase, Value& ret, bool& suspend);
  // Calls a metamethod whose `nparams` arguments (this first) are on top of the stack, and
  // pops them.
  bool callMetaMethod(const Value& fn, int32_t nparams, Value& out);
  bool getMetaMethod(const Value& obj, MetaMethod mm, Value& out) const;
  // Calls `fn` with the given arguments (the first is `this`). They are copied before the
  // first push: an argument may be a table slot or an array element that the call changes.
  template <typename... Args>
  bool callWith(const Value& fn, Value& out, const Args&... args) {
    Value copies[] = {Value(args)...};
    for (Value& a : copies) push(std::move(a));
    return callMetaMethod(fn, static_cast<int32_t>(sizeof...(Args)), out);
  }
  enum class Meta { Absent, Failed, Done };
  // Calls the metamethod `mm` of `obj` if it has one.
  template <typename... Args>
  Meta tryMeta(const Value& obj, MetaMethod mm, Value& out, const Args&... args) {
    Value fn;
    if (!getMetaMethod(obj, mm, fn)) return Meta::Absent;
    if (overflowing) return Meta::Failed;
    return callWith(fn, out, args...) ? Meta::Done : Meta::Failed;
  }
  // Adds a member to a class: through its _newmember when it has one, else directly.
  bool addClassMember(const Value& cls, const Value& key, const Value& val, const Value* attrs,
                      bool isStatic);
  bool createClassInstance(Class* c, Value& inst, Value& constructor);
  void leaveFrame() {
    CallInfo& c = calls.back();
    if (c.ntraps || c.generator || (c.ownsVargs() && vargs.size() != static_cast<size_t>(c.vargsBase)))
        [[unlikely]] {
      leaveFrameExtras(c);
    }
    const int32_t oldTop = top;
    base = c.prevBase;
    top = c.prevTop;
    calls.pop_back();
    releaseSlots(top, oldTop);
  }
  // Drops the counted references of the slots [from, to), the highest first, which is all a
  // slot at or above the top needs: a frame writes each of its registers before reading it,
  // and whoever raises the top over slots by other means (setTop) writes them. The stack never
  // moves, so the pointers hold while a released object's destructor runs. A return most often
  // has a few slots to look at, and a call site always as many: up to eight go without a loop,
  // through one jump.
  [[gnu::always_inline]] void releaseSlots(int32_t from, int32_t to) {
    Value* v = stack.begin() + from;
    int32_t n = to - from;
    for (; n > 8; --n) v[n - 1].dropReference();
    switch (n) {
      case 8: v[7].dropReference(); [[fallthrough]];
      case 7: v[6].dropReference(); [[fallthrough]];
      case 6: v[5].dropReference(); [[fallthrough]];
      case 5: v[4].dropReference(); [[fallthrough]];
      case 4: v[3].dropReference(); [[fallthrough]];
      case 3: v[2].dropReference(); [[fallthrough]];
      case 2: v[1].dropReference(); [[fallthrough]];
      case 1: v[0].dropReference(); [[fallthrough]];
      default: break;
    }
  }
  void enterNative();
  // False, with "Native stack overflow" raised, when no further loop or native may nest.
  bool nestingFits();

  // Values.
  bool get(const Value& self, const Value& key, Value& dest, bool raw);
  bool getWithRoot(const Value& self, const Value& key, Value& dest);
  bool set(const Value& self, const Value& key, const Value& val, bool fetchRoot);
  bool newSlot(const Value& self, const Value& key, const Value& val, bool isStatic);
  bool deleteSlot(const Value& self, const Value& key, Value& removed);
  bool exists(const Value& container, const Value& key);
  bool arith(uint8_t op, Value& target, const Value& a, const Value& b);
  bool bitwise(uint8_t op, Value& target, const Value& a, const Value& b);
  bool compare(const Value& a, const Value& b, int32_t& result);
  bool compareOp(uint8_t op, const Value& a, const Value& b, bool& result);
  bool negate(Value& target, const Value& a);
  bool toString(const Value& o, Value& out);
  bool typeOf(const Value& o, Value& out);
  bool clone(const Value& self, Value& out);
  bool stringConcat(const Value& a, const Value& b, Value& out);
  bool getVararg(const CallInfo& c, const Value& index, Value& out);
  bool getParent(const Value& o, Value& out);
  bool setDelegateOp(const Value& self, const Value& delegate);

  // Frames and debug information.
  CallInfo* ci() { return calls.empty() ? nullptr : &calls.back(); }
  int32_t frameLine(const CallInfo& c) const;
  void callDebugHook(int type, int32_t forcedLine = 0);
  // The frames running when a hook is set return through the hook's calls.
  void setDebugHook(const Value& hook) {
    debugHook = hook;
    if (hook._type != OT_NULL) {
      for (CallInfo& f : calls) f.plainReturn = false;
    }
    updateFastFrameTop();
  }

  SharedState& state() const { return *ss; }

 private:
  enum class LoopExit { Error, Return, Suspend };
  enum class ForeachStep { Produced, Ended, Generator };
  LoopExit run(int32_t rootIndex, Value& out);
  bool handleError(size_t rootIndex, bool raiseError);
  void growStack(size_t n);
  void updateFastFrameTop();
  bool foreachStep(Instruction in, ForeachStep& step);
  // The traps, varargs and generator of a frame being left.
  void leaveFrameExtras(CallInfo& c);
  // startCall for the common case (a plain call with exactly the parameters, no bound
  // environment, no debug hook); null when that case does not apply and startCall must decide.
  CallInfo* enterFrameFast(Closure* c, ClosureRef ref, int32_t target, int32_t nargs,
                           int32_t newBase);
  // startCall for a tail call in the common case (as enterFrameFast, from a frame without traps
  // or varargs): the running frame becomes the callee's, which it owns (the caller's register
  // that held it is overwritten); false when startCall must decide. The arguments are in place.
  bool reuseFrameFast(Closure* cl, int32_t nargs);
  void takeResult(Value& src, int32_t prevTop, Value& res);
  void takeTableSlot(Table* t, const Value& slot, Value& fn, Value& thisReg);
  bool fallbackGet(const Value& self, const Value& key, Value& dest);
  bool declareClass(Instruction in);
  bool newSlotA(Instruction in);
  bool createClosure(Instruction in);
  bool callInstruction(Instruction in, int32_t rootIndex, Value& out, bool& suspend);
  bool prepCall(Instruction in, const Value& key);
  // Remembers in `site` that instances of `cls` lack the name the instruction fetches, when the
  // class is locked and has no _get (the name then always goes to the fallbacks).
  static void noteNoMember(const Class* cls, CallSiteCache& site);
  // prepCall's fetch for an instance that lacks the name and has no _get: when the instance is
  // `this` and the name is not in the instances' default delegate but in the root table's own
  // slots, that slot (`hint` remembers its node); false leaves the fetch to prepCall.
  bool rootThroughThis(const Value& self, const Value& key, uint32_t& hint, Value& fn);
  bool compoundSlot(Instruction in);
};

// Counts one nested execution loop or native call for the duration of a scope. When the
// outermost one ends, an overflow being unwound is over too.
class NativeNesting {
 public:
  explicit NativeNesting(VM& v) : v_(v) {
    ++v_.nativeCalls;
    ++v_.ss->nativeCalls;
  }
  ~NativeNesting() {
    --v_.ss->nativeCalls;
    if (--v_.nativeCalls == 0) v_.overflowing = false;
  }
  NativeNesting(const NativeNesting&) = delete;
  NativeNesting& operator=(const NativeNesting&) = delete;

 private:
  VM& v_;
};

inline VM* asThread(const SQObject& o) { return static_cast<VM*>(o._unVal.pRefCounted); }

// Equality of `==`: identity, numbers across integer and float (never metamethods).
bool isEqual(const SQObject& a, const SQObject& b);

// Applies a comparison sub-operation (> 0, >= 2, < 3, <= 4) to a three-way result.
inline bool compareResult(uint8_t op, int32_t d) {
  switch (op) {
    case 0: return d > 0;
    case 2: return d >= 0;
    case 3: return d < 0;
    default: return d <= 0;
  }
}

// compareResult(op, floatOrder(a, b)) without the three-way value between them: a < b already
// implies different bits.
[[gnu::always_inline]] inline bool floatCompare(uint8_t op, SQFloat a, SQFloat b) {
  const bool same = std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
  switch (op) {
    case 0: return !same && !(a < b);
    case 2: return same || !(a < b);
    case 3: return a < b;
    default: return same || a < b;
  }
}

// Integer arithmetic with 32-bit wrap-around. False for a division or modulo by zero and for an
// unknown operator: the caller raises the error.
inline bool integerArith(uint8_t op, SQInteger x, SQInteger y, SQInteger& r) {
  const uint32_t ux = static_cast<uint32_t>(x);
  const uint32_t uy = static_cast<uint32_t>(y);
  switch (op) {
    case '+': r = static_cast<SQInteger>(ux + uy); return true;
    case '-': r = static_cast<SQInteger>(ux - uy); return true;
    case '*': r = static_cast<SQInteger>(ux * uy); return true;
    case '/':
      if (y == 0) return false;
      // INT_MIN / -1 traps on the original; the wrapped quotient is the defined result.
      r = y == -1 ? static_cast<SQInteger>(0u - ux) : x / y;
      return true;
    case '%':
      if (y == 0) return false;
      r = y == -1 ? 0 : x % y;
      return true;
    default: return false;
  }
}

// Float + - * / (each result rounded to single precision). False for other operators.
inline bool floatArith(uint8_t op, SQFloat x, SQFloat y, SQFloat& r) {
  switch (op) {
    case '+': r = x + y; return true;
    case '-': r = x - y; return true;
    case '*': r = x * y; return true;
    case '/': r = x / y; return true;
    default: return false;
  }
}

// An arithmetic operator on two integers or two floats, the common case done in place; false
// when it needs the general path (other types, a division or modulo by zero, float modulo).
// `target` may be one of the operands.
[[gnu::always_inline]] inline bool fastArith(uint8_t op, const Value& a, const Value& b, Value& target) {
  if (a._type == OT_INTEGER && b._type == OT_INTEGER) {
    SQInteger r;
    if (!integerArith(op, a.i(), b.i(), r)) return false;
    target.setInteger(r);
    return true;
  }
  if (a._type == OT_FLOAT && b._type == OT_FLOAT) {
    SQFloat r;
    if (!floatArith(op, a.f(), b.f(), r)) return false;
    target.setFloat(r);
    return true;
  }
  return false;
}

// Bitwise operators (& 0, | 2, ^ 3, << 4, >> 5, >>> 6); shift counts use their low 5 bits.
// False for an unknown operator.
inline bool integerBitwise(uint8_t op, SQInteger x, SQInteger y, SQInteger& r) {
  const uint32_t shift = static_cast<uint32_t>(y) & 31u;
  switch (op) {
    case 0: r = x & y; return true;
    case 2: r = x | y; return true;
    case 3: r = x ^ y; return true;
    case 4: r = static_cast<SQInteger>(static_cast<uint32_t>(x) << shift); return true;
    case 5: r = x >> shift; return true;
    case 6: r = static_cast<SQInteger>(static_cast<uint32_t>(x) >> shift); return true;
    default: return false;
  }
}

// The script text of a value the way printing shows it (without metamethods).
std::u16string plainText(const SQObject& o);
// Float text in the C runtime's %g convention of the original platform.
std::string formatFloat(double v, int precision);
std::u16string toU16(const std::string& ascii);

}  // namespace sqvm

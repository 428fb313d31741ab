#pragma once

// One frame of a machine's call stack, and one exception trap.

#include "squirrel/vm/FunctionProto.h"
#include "squirrel/vm/Value.h"

#include <cstdint>

namespace sqvm {

struct Generator;

// Whether a frame holds a reference to its closure. A frame entered from the execution loop
// borrows it when the callee's register lies below the new frame: that register belongs to the
// caller, which cannot run while the frame lives, and nothing else writes it (the host reaches
// only the slots of the running frame), so it keeps the closure alive until the frame is left.
enum class ClosureRef : bool { Owned, Borrowed };

struct CallInfo {
  const Instruction* ip = nullptr;  // next instruction (script frames)
  const Value* literals = nullptr;
  FunctionProto* proto = nullptr;   // null for a native frame
  // A counted reference unless `closureRef` says it is borrowed; setClosure replaces it.
  SQObject closure{OT_NULL, {}};
  int32_t prevBase = 0;
  int32_t prevTop = 0;
  int32_t target = -1;   // result register in the caller's frame; -1 drops the result
  // Where the frame's varargs begin in the machine's list, or kNoOwnVargs for a frame entered
  // by the short path, which has none and leaves the list as it found it.
  int32_t vargsBase = 0;
  static constexpr int32_t kNoOwnVargs = -1;
  int32_t ntraps = 0;
  int32_t vargsCount = 0;
  int32_t ncalls = 1;    // the call and the tail calls that reused this frame
  bool root = false;     // returning from it ends the execution loop that started it
  ClosureRef closureRef = ClosureRef::Owned;
  // Entered by the short path and since then without traps, a debug hook or a part as the
  // loop's root: a frame without varargs or a generator whose return needs nothing but the
  // value and the slots.
  bool plainReturn = false;
  Generator* generator = nullptr;

  CallInfo() = default;
  // A script frame entered by a plain call: every field written once.
  [[gnu::always_inline]] CallInfo(FunctionProto* p, RefCounted* callee, ClosureRef ref,
                                  int32_t prevBase_, int32_t prevTop_, int32_t target_)
      : ip(p->code.data()),
        literals(p->literals.data()),
        proto(p),
        closure{OT_CLOSURE, {.pRefCounted = callee}},
        prevBase(prevBase_),
        prevTop(prevTop_),
        target(target_),
        vargsBase(kNoOwnVargs),
        closureRef(ref),
        plainReturn(true) {
    if (ref == ClosureRef::Owned) addRef(callee);
  }
  // A copy always owns its closure (generators keep copies of their frame).
  CallInfo(const CallInfo& o) { *this = o; }
  CallInfo& operator=(const CallInfo& o) {
    if (this == &o) return *this;
    ip = o.ip;
    literals = o.literals;
    proto = o.proto;
    setClosure(o.closure);
    prevBase = o.prevBase;
    prevTop = o.prevTop;
    target = o.target;
    vargsBase = o.vargsBase;
    ntraps = o.ntraps;
    vargsCount = o.vargsCount;
    ncalls = o.ncalls;
    root = o.root;
    plainReturn = o.plainReturn;
    generator = o.generator;
    return *this;
  }
  [[gnu::always_inline]] ~CallInfo() {
    if (closureRef == ClosureRef::Owned && ISREFCOUNTED(closure._type)) {
      decRef(closure._unVal.pRefCounted);
    }
  }

  // Replaces the closure by a counted reference to `f` (or by null).
  void setClosure(const SQObject& f) {
    if (ISREFCOUNTED(f._type)) addRef(f._unVal.pRefCounted);
    const SQObject old = closure;
    const bool owned = closureRef == ClosureRef::Owned;
    closure = f;
    closureRef = ClosureRef::Owned;
    if (owned && ISREFCOUNTED(old._type)) decRef(old._unVal.pRefCounted);
  }

  // The frame's varargs begin at vargsBase and it must trim the list back to there.
  bool ownsVargs() const { return vargsBase != kNoOwnVargs; }

  // Index of the instruction being executed (or the call this frame waits on).
  int32_t currentIndex() const {
    return proto ? static_cast<int32_t>(ip - proto->code.data()) - 1 : -1;
  }
};

struct Trap {
  int32_t stackBase;
  int32_t stackTop;
  const Instruction* handler;
  int32_t target;
};

}  // namespace sqvm

#pragma once

// One frame of a machine's call stack, and one exception trap.

#include "squirrel/vm/FunctionProto.h"
#include "squirrel/vm/Value.h"

#include <cstdint>

namespace sqvm {

struct Generator;

struct CallInfo {
  const Instruction* ip = nullptr;  // next instruction (script frames)
  const Value* literals = nullptr;
  FunctionProto* proto = nullptr;   // null for a native frame
  Value closure;
  int32_t prevBase = 0;
  int32_t prevTop = 0;
  int32_t target = -1;   // result register in the caller's frame; -1 drops the result
  int32_t ntraps = 0;
  int32_t vargsBase = 0;
  int32_t vargsCount = 0;
  int32_t ncalls = 1;    // the call and the tail calls that reused this frame
  bool root = false;     // returning from it ends the execution loop that started it
  Generator* generator = nullptr;

  CallInfo() = default;
  // A script frame entered by a plain call: every field written once.
  [[gnu::always_inline]] CallInfo(FunctionProto* p, RefCounted* callee, int32_t prevBase_,
                                  int32_t prevTop_, int32_t target_, int32_t vargsBase_)
      : ip(p->code.data()),
        literals(p->literals.data()),
        proto(p),
        closure(OT_CLOSURE, callee),
        prevBase(prevBase_),
        prevTop(prevTop_),
        target(target_),
        vargsBase(vargsBase_) {}

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

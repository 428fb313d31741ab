#pragma once

// The short path of entering a script frame, shared by the execution loop's calls and the
// machine's own calls of script functions (metamethods, host calls): a plain call with
// exactly the parameters, no bound environment and no debug hook, within the stacks made so
// far. Everything else goes to VM::startCall.

#include "squirrel/vm/VM.h"

namespace sqvm {

[[gnu::always_inline]] inline CallInfo* VM::enterFrameFast(Closure* c, ClosureRef ref,
                                                           int32_t target, int32_t nargs,
                                                           int32_t newBase) {
  if (c->plainCallArgs != nargs) return nullptr;
  FunctionProto* p = c->proto;
  // The arguments are the parameters, which lie within the function's stack size. A frame
  // beyond the slots or frames made so far, or near either limit, is left to startCall, which
  // grows the stacks, lets the error handler use the spare room and raises the overflow; so
  // is every frame while a debug hook is set.
  const int32_t newTop = newBase + p->stackSize;
  if (newTop > fastFrameTop || !calls.roomForOneCommitted()) [[unlikely]] return nullptr;
  CallInfo& n = calls.emplaceCommitted(p, c, ref, base, top, target);
  const int32_t oldTop = top;
  base = newBase;
  top = newTop;
  // The new frame most often reaches above the old top, and then no slot is left to release.
  if (newTop < oldTop) [[unlikely]] releaseSlots(newTop, oldTop);
  return &n;
}

}  // namespace sqvm

#include "squirrel/vm/VM.h"

#include "squirrel/vm/Generator.h"
#include "squirrel/vm/RunBudget.h"

namespace sqvm {

VM::VM(SharedState* s, int32_t stackSize)
    : Collectable(s),
      stack(stackSize > 16 ? static_cast<size_t>(stackSize) : 16, kMaxStackSlots),
      calls(0, kMaxCallFrames) {
  calls.setCommittedCap(kMaxCallFrames - kSpareCallFrames);
  updateFastFrameTop();
  // Beyond its few pages a machine costs two reserved regions and their system calls: a budget
  // counts it as a megabyte, so a script cannot make threads without end.
  budget::chargeBytes(std::size_t{1} << 20);
}

VM::~VM() = default;

void VM::finalize() {
  calls.clear();
  traps.clear();
  vargs.clear();
  for (Value& v : stack) v.setNull();
  top = base = 0;
  rootTable.setNull();
  errorHandler.setNull();
  setDebugHook(Value());
  lastError.setNull();
  wakeupValue.setNull();
  suspended = false;
}

void VM::markChildren(Marker& m) {
  for (int32_t i = 0; i < top; ++i) m.mark(stack[i]);
  for (const CallInfo& c : calls) {
    m.mark(c.closure);
    m.mark(c.generator);
  }
  for (const Value& v : vargs) m.mark(v);
  m.mark(rootTable);
  m.mark(errorHandler);
  m.mark(debugHook);
  m.mark(lastError);
  m.mark(wakeupValue);
}

void VM::growStack(size_t n) {
  size_t size = stack.size() * 2;
  if (size < n) size = n;
  if (size > kMaxStackSlots && n <= kMaxStackSlots) size = kMaxStackSlots;
  stack.resize(size);  // beyond the limit: std::bad_alloc, as when memory runs out
  updateFastFrameTop();
}

void VM::updateFastFrameTop() {
  const size_t slots = stack.size() < kMaxStackSlots - kSpareStackSlots ? stack.size()
                                                                          : kMaxStackSlots - kSpareStackSlots;
  fastFrameTop = debugHook._type == OT_NULL ? static_cast<int32_t>(slots) - 1 : -1;
}

bool VM::nestingFits() {
  if (nativeCalls < kMaxNativeCalls && ss->nativeCalls < kMaxNativeCallsAllThreads) return true;
  return raiseOverflow("Native stack overflow");
}

bool VM::frameFits(int64_t newTop, FrameKind kind) {
  const bool spare = kind == FrameKind::Native || errorHandlerRunning;
  const size_t maxSlots = spare ? kMaxStackSlots : kMaxStackSlots - kSpareStackSlots;
  const size_t maxFrames = spare ? kMaxCallFrames : kMaxCallFrames - kSpareCallFrames;
  const size_t frames = calls.size() + (kind == FrameKind::TailCall ? 0 : 1);
  if (newTop >= 0 && static_cast<size_t>(newTop) <= maxSlots && frames <= maxFrames) return true;
  return raiseOverflow("stack overflow");
}

void VM::setTop(int32_t newTop) {
  if (newTop > top) {
    ensureStack(newTop);
    // Slots above the top may keep values that hold no reference (see releaseSlots).
    for (int32_t i = top; i < newTop; ++i) stack[i].setNull();
    top = newTop;
  } else {
    pop(top - newTop);
  }
}

void VM::leaveFrameExtras(CallInfo& c) {
  if (c.ntraps) traps.resize(traps.size() - c.ntraps);
  if (c.ownsVargs() && vargs.size() != static_cast<size_t>(c.vargsBase)) vargs.resize(c.vargsBase);
  if (c.generator) c.generator->kill();
}

int32_t VM::frameLine(const CallInfo& c) const {
  if (!c.proto) return -1;
  return c.proto->lineAt(c.currentIndex());
}

void VM::callErrorHandler(const Value& err) {
  const SQObjectType t = errorHandler._type;
  if (t != OT_CLOSURE && t != OT_NATIVECLOSURE) return;
  Value handler = errorHandler;
  // The handler runs as a call of its own: it may use the spare room above the stack limits,
  // and the overflow that may be unwinding around it does not hinder it.
  struct Restore {
    bool& flag;
    bool old;
    ~Restore() { flag = old; }
  } running{errorHandlerRunning, errorHandlerRunning}, unwinding{overflowing, overflowing};
  errorHandlerRunning = true;
  overflowing = false;
  push(rootTable);
  push(err);
  Value ret;
  call(handler, 2, top - 2, ret, false);
  pop(2);
}

}  // namespace sqvm

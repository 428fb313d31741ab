#include "squirrel/vm/VM.h"

#include "squirrel/vm/Generator.h"

namespace sqvm {

VM::VM(SharedState* s, int32_t stackSize) : Collectable(s) {
  stack.resize(stackSize > 16 ? stackSize : 16);
  calls.reserve(16);
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
  debugHook.setNull();
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
  stack.resize(size);
}

void VM::setTop(int32_t newTop) {
  if (newTop > top) {
    ensureStack(newTop);
    top = newTop;
  } else {
    pop(top - newTop);
  }
}

void VM::leaveFrame() {
  CallInfo& c = calls.back();
  const int32_t oldTop = top;
  if (c.ntraps) traps.resize(traps.size() - c.ntraps);
  if (vargs.size() != static_cast<size_t>(c.vargsBase)) vargs.resize(c.vargsBase);
  if (c.generator) c.generator->kill();
  base = c.prevBase;
  top = c.prevTop;
  calls.pop_back();
  for (int32_t i = oldTop - 1; i >= top; --i) stack[i].setNull();
}

int32_t VM::frameLine(const CallInfo& c) const {
  if (!c.proto) return -1;
  return c.proto->lineAt(c.currentIndex());
}

void VM::callErrorHandler(const Value& err) {
  const SQObjectType t = errorHandler._type;
  if (t != OT_CLOSURE && t != OT_NATIVECLOSURE) return;
  Value handler = errorHandler;
  push(rootTable);
  push(err);
  Value ret;
  call(handler, 2, top - 2, ret, false);
  pop(2);
}

}  // namespace sqvm

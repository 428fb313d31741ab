#include "squirrel/vm/Generator.h"

#include "squirrel/vm/VM.h"

namespace sqvm {

void Generator::markChildren(Marker& m) {
  m.mark(closure);
  m.mark(ci.closure);
  for (const Value& v : stack) m.mark(v);
  for (const Value& v : vargs) m.mark(v);
}

void Generator::kill() {
  state = State::Dead;
  std::vector<Value>().swap(stack);
  std::vector<Value>().swap(vargs);
  traps.clear();
  ci.setClosure(Value());
}

void Generator::capture(VM* v) { saveFrame(v); }

void Generator::yield(VM* v) { saveFrame(v); }

void Generator::saveFrame(VM* v) {
  CallInfo& c = v->calls.back();
  const int32_t size = c.proto->stackSize;
  stack.resize(size);
  for (int32_t i = 0; i < size; ++i) stack[i] = std::move(v->stack[v->base + i]);
  if (c.ownsVargs()) {
    vargs.assign(v->vargs.begin() + c.vargsBase, v->vargs.end());
  } else {
    vargs.clear();
  }
  traps.assign(v->traps.end() - c.ntraps, v->traps.end());
  for (Trap& t : traps) {
    t.stackBase -= v->base;
    t.stackTop -= v->base;
  }
  ci = c;
  ci.generator = nullptr;
  state = State::Suspended;
  c.generator = nullptr;  // leaving the frame must not kill the generator
  v->leaveFrame();
}

bool Generator::resume(VM* v, int32_t target) {
  if (state == State::Dead) return v->raise("resuming dead generator");
  if (state == State::Running) return v->raise("resuming active generator");
  const int32_t size = static_cast<int32_t>(stack.size());
  const int32_t newBase = v->top;
  if (!v->frameFits(static_cast<int64_t>(newBase) + size + 1, VM::FrameKind::Script)) return false;
  v->ensureStack(static_cast<size_t>(newBase + size) + 1);
  v->calls.push_back(ci);
  CallInfo& c = v->calls.back();
  c.prevBase = v->base;
  c.prevTop = v->top;
  c.target = target;
  c.root = false;
  c.generator = this;
  c.plainReturn = false;
  c.vargsBase = static_cast<int32_t>(v->vargs.size());
  c.ntraps = static_cast<int32_t>(traps.size());
  for (int32_t i = 0; i < size; ++i) v->stack[newBase + i] = std::move(stack[i]);
  for (Value& x : vargs) v->vargs.push_back(std::move(x));
  for (const Trap& t : traps) {
    v->traps.push_back({t.stackBase + newBase, t.stackTop + newBase, t.handler, t.target});
  }
  stack.clear();
  vargs.clear();
  traps.clear();
  ci.setClosure(Value());
  v->base = newBase;
  v->top = newBase + size;
  state = State::Running;
  if (v->debugHook._type != OT_NULL && !v->debugHookRunning) v->callDebugHook('c');
  return true;
}

}  // namespace sqvm

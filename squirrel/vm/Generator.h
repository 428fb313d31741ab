#pragma once

// Generators: a script function's frame that can be left at `yield` and entered again.
// While suspended the generator owns a copy of its registers, varargs and traps.

#include "squirrel/vm/CallInfo.h"
#include "squirrel/vm/Collectable.h"

#include <vector>

namespace sqvm {

struct VM;

struct Generator final : Collectable {
  enum class State { Running, Suspended, Dead };

  Value closure;
  State state = State::Suspended;
  std::vector<Value> stack;
  std::vector<Value> vargs;
  std::vector<Trap> traps;  // stack positions relative to the frame base
  CallInfo ci;

  Generator(SharedState* s, const Value& c) : Collectable(s), closure(c) {}
  void finalize() override { kill(); }
  void markChildren(Marker& m) override;
  void kill();
  // Takes the frame of the generator function that was just called (the current frame of v),
  // which becomes the generator's saved state.
  void capture(VM* v);
  // Saves the running frame at a `yield` and leaves it; the frame must be v's current one.
  void yield(VM* v);
  // Pushes the saved frame on v's stack above its top and makes it current; `target` is the
  // result register in the resumer's frame.
  bool resume(VM* v, int32_t target);

 private:
  // Moves the current frame of v (registers, varargs, traps) into the generator and leaves it.
  void saveFrame(VM* v);
};

inline Generator* asGenerator(const SQObject& o) {
  return static_cast<Generator*>(o._unVal.pRefCounted);
}

}  // namespace sqvm

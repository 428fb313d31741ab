#include "squirrel/vm/Collectable.h"

#include "squirrel/vm/SharedState.h"

namespace sqvm {

Collectable::Collectable(SharedState* state) : ss(state) {
  serial = state->nextSerial++;
  gcNext = state->gcChain;
  if (gcNext) gcNext->gcPrev = this;
  state->gcChain = this;
}

Collectable::~Collectable() {
  if (gcPrev) {
    gcPrev->gcNext = gcNext;
  } else {
    ss->gcChain = gcNext;
  }
  if (gcNext) gcNext->gcPrev = gcPrev;
}

}  // namespace sqvm

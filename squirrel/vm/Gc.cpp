// The cycle collector and the final teardown of a state.

#include "squirrel/vm/SharedState.h"
#include "squirrel/vm/VM.h"

namespace sqvm {

namespace {

// Finalizes the given objects while holding a reference to each, so none is freed while
// others still point at it, then lets them go.
int32_t finalizeObjects(std::vector<Collectable*>& objects) {
  for (Collectable* c : objects) addRef(c);
  for (Collectable* c : objects) c->finalize();
  for (Collectable* c : objects) decRef(c);
  return static_cast<int32_t>(objects.size());
}

}  // namespace

void SharedState::markRoots(Marker& m) {
  m.mark(registry);
  m.mark(constTable);
  m.mark(tableDelegate);
  m.mark(arrayDelegate);
  m.mark(stringDelegate);
  m.mark(numberDelegate);
  m.mark(closureDelegate);
  m.mark(generatorDelegate);
  m.mark(threadDelegate);
  m.mark(classDelegate);
  m.mark(instanceDelegate);
  m.mark(weakRefDelegate);
  for (auto& entry : hostRefs) m.mark(entry.second.object);
  m.mark(rootVM);
}

int32_t SharedState::collect() {
  Marker m;
  markRoots(m);
  // Machines that are executing right now are alive whoever holds them.
  for (Collectable* c = gcChain; c; c = c->gcNext) {
    if (VM* v = dynamic_cast<VM*>(c); v && !v->calls.empty()) m.mark(v);
  }
  m.drain();
  std::vector<Collectable*> garbage;
  for (Collectable* c = gcChain; c; c = c->gcNext) {
    if (!c->marked) garbage.push_back(c);
  }
  for (Collectable* c = gcChain; c; c = c->gcNext) c->marked = false;
  return finalizeObjects(garbage);
}

void SharedState::finalizeAll() {
  std::vector<Collectable*> all;
  for (Collectable* c = gcChain; c; c = c->gcNext) all.push_back(c);
  for (Collectable* c : all) addRef(c);
  for (Collectable* c : all) c->finalize();
  registry.setNull();
  constTable.setNull();
  tableDelegate.setNull();
  arrayDelegate.setNull();
  stringDelegate.setNull();
  numberDelegate.setNull();
  closureDelegate.setNull();
  generatorDelegate.setNull();
  threadDelegate.setNull();
  classDelegate.setNull();
  instanceDelegate.setNull();
  weakRefDelegate.setNull();
  hostRefs.clear();
  for (Collectable* c : all) decRef(c);
}

}  // namespace sqvm

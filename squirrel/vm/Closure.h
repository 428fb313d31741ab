#pragma once

// Script closures (a prototype with its captured outer values and default parameters) and
// native closures (a host function with free variables and a parameter check).

#include "squirrel/vm/Collectable.h"
#include "squirrel/vm/FunctionProto.h"

#include <vector>

namespace sqvm {

struct Closure final : Collectable {
  FunctionProto* proto;
  std::vector<Value> outers;
  std::vector<Value> defaults;
  Value env;  // weak reference to the bound `this`, or null; set by bindEnv
  // The argument count of a call that may take the execution loop's short path: the
  // prototype's, or -1 once the closure is bound to an environment (which replaces `this`).
  int32_t plainCallArgs;

  Closure(SharedState* s, FunctionProto* p)
      : Collectable(s), proto(p), plainCallArgs(p->plainCallArgs) {
    addRef(p);
  }
  void bindEnv(const Value& weak) {
    env = weak;
    plainCallArgs = env._type == OT_WEAKREF ? -1 : proto->plainCallArgs;
  }
  ~Closure() override { decRef(proto); }
  void finalize() override {
    std::vector<Value>().swap(outers);
    std::vector<Value>().swap(defaults);
    env.setNull();
  }
  void markChildren(Marker& m) override {
    for (const Value& v : outers) m.mark(v);
    for (const Value& v : defaults) m.mark(v);
  }
  Closure* clone() const {
    Closure* c = new Closure(ss, proto);
    c->outers = outers;
    c->defaults = defaults;
    c->bindEnv(env);
    return c;
  }
};

struct NativeClosure final : Collectable {
  SQFUNCTION function;
  std::vector<Value> outers;
  int32_t paramsCheck = 0;
  std::vector<int32_t> typeCheck;  // one mask per argument position; -1 accepts anything
  Value name;
  Value env;

  NativeClosure(SharedState* s, SQFUNCTION f) : Collectable(s), function(f) {}
  void finalize() override {
    std::vector<Value>().swap(outers);
    env.setNull();
  }
  void markChildren(Marker& m) override {
    for (const Value& v : outers) m.mark(v);
  }
  NativeClosure* clone() const {
    NativeClosure* c = new NativeClosure(ss, function);
    c->outers = outers;
    c->paramsCheck = paramsCheck;
    c->typeCheck = typeCheck;
    c->name = name;
    c->env = env;
    return c;
  }
};

inline Closure* asClosure(const SQObject& o) { return static_cast<Closure*>(o._unVal.pRefCounted); }
inline NativeClosure* asNativeClosure(const SQObject& o) {
  return static_cast<NativeClosure*>(o._unVal.pRefCounted);
}

}  // namespace sqvm

#pragma once

// Arrays: dense, 0-based vectors of values.

#include <cstddef>
#include <vector>

#include "squirrel/vm/Collectable.h"

namespace sqvm {

struct Array final : Collectable {
  std::vector<Value> values;

  Array(SharedState* s, size_t n) : Collectable(s), values(n) {}
  void finalize() override { std::vector<Value>().swap(values); }
  void markChildren(Marker& m) override {
    for (const Value& v : values) m.mark(v);
  }
};

inline Array* asArray(const SQObject& o) { return static_cast<Array*>(o._unVal.pRefCounted); }

}  // namespace sqvm

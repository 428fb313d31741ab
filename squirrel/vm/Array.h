#pragma once

// Arrays: dense, 0-based vectors of values.

#include "squirrel/vm/BigBlock.h"
#include "squirrel/vm/Collectable.h"

#include <cstddef>
#include <vector>

namespace sqvm {

// The elements of an array; big ones live in huge-page blocks (BigBlock.h).
using ArrayValues = std::vector<Value, BigBlockAllocator<Value>>;

struct Array final : Collectable {
  ArrayValues values;

  Array(SharedState* s, size_t n) : Collectable(s), values(n) {}
  void finalize() override { ArrayValues().swap(values); }
  void markChildren(Marker& m) override {
    for (const Value& v : values) m.mark(v);
  }
};

inline Array* asArray(const SQObject& o) { return static_cast<Array*>(o._unVal.pRefCounted); }

}  // namespace sqvm

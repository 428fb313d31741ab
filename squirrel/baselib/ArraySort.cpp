#include "squirrel/baselib/ArraySort.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace sqvm::baselib {

namespace {

class Sorter {
 public:
  Sorter(VM* v, Array* a, const Value& cmp) : v_(v), a_(a), cmp_(cmp) {}

  bool sort() {
    const int64_t n = static_cast<int64_t>(a_->values.size());
    if (n <= 1) return true;
    for (int64_t i = n / 2; i >= 0; --i) {
      if (!siftDown(i, n - 1)) return false;
    }
    for (int64_t i = n - 1; i >= 1; --i) {
      if (!swap(0, i) || !siftDown(0, i - 1)) return false;
    }
    return true;
  }

 private:
  // The comparator may change the array; every access is checked again.
  bool element(int64_t i, Value& out) {
    if (i < 0 || static_cast<size_t>(i) >= a_->values.size()) return v_->raise("array resized during sort");
    out = a_->values[i];
    return true;
  }
  bool swap(int64_t i, int64_t j) {
    auto& vals = a_->values;
    if (static_cast<size_t>(i) >= vals.size() || static_cast<size_t>(j) >= vals.size()) {
      return v_->raise("array resized during sort");
    }
    std::swap(vals[i], vals[j]);
    return true;
  }
  bool compare(int64_t i, int64_t j, int32_t& r) {
    if (cmp_._type == OT_NULL) {
      // Two integers need neither copies nor the general comparison (which could run script
      // code and change the array under references to its elements).
      const auto& vals = a_->values;
      if (static_cast<size_t>(i) < vals.size() && static_cast<size_t>(j) < vals.size() &&
          vals[i]._type == OT_INTEGER && vals[j]._type == OT_INTEGER) {
        r = integerOrder(vals[i].i(), vals[j].i());
        return true;
      }
    }
    Value x, y;
    if (!element(i, x) || !element(j, y)) return false;
    if (cmp_._type == OT_NULL) return v_->compare(x, y, r);
    v_->push(v_->rootTable);
    v_->push(x);
    v_->push(y);
    Value ret;
    const bool ok = v_->call(cmp_, 3, v_->top - 3, ret, false);
    v_->pop(3);
    if (!ok) {
      if (v_->lastError._type != OT_STRING) v_->raise("compare func failed");
      return false;
    }
    if (ret._type != OT_INTEGER) {
      return v_->raise("numeric value expected as return value of the compare function");
    }
    r = ret.i();
    return true;
  }
  bool siftDown(int64_t root, int64_t bottom) {
    bool done = false;
    while (root * 2 <= bottom && !done) {
      int64_t child;
      if (root * 2 == bottom) {
        child = root * 2;
      } else {
        int32_t r;
        if (!compare(root * 2, root * 2 + 1, r)) return false;
        child = r > 0 ? root * 2 : root * 2 + 1;
      }
      int32_t r;
      if (!compare(root, child, r)) return false;
      // Node 0 is its own child: a comparator that calls an element smaller than itself
      // would swap it with itself for ever, so that case ends the sift instead.
      if (r < 0 && child != root) {
        if (!swap(root, child)) return false;
        root = child;
      } else {
        done = true;
      }
    }
    return true;
  }

  VM* v_;
  Array* a_;
  Value cmp_;
};

// Integers that lie less than 2^31 apart, sorted without a comparator: their wrapped differences
// order them as plain integers, and equal integers cannot be told apart, so any correct sort
// gives what the heap sort gives. Sorting a copy of the numbers reads memory in runs where the
// heap sort jumps through the whole array. False, with the array untouched, for anything else.
bool sortCloseIntegers(Array* a) {
  auto& vals = a->values;
  int64_t lo = INT64_MAX;
  int64_t hi = INT64_MIN;
  for (const Value& x : vals) {
    if (x._type != OT_INTEGER) return false;
    lo = std::min<int64_t>(lo, x.i());
    hi = std::max<int64_t>(hi, x.i());
  }
  if (hi - lo > INT32_MAX) return false;
  std::vector<SQInteger> numbers;
  numbers.reserve(vals.size());
  for (const Value& x : vals) numbers.push_back(x.i());
  std::sort(numbers.begin(), numbers.end());
  for (size_t i = 0; i < numbers.size(); ++i) vals[i].setInteger(numbers[i]);
  return true;
}

}  // namespace

bool heapSort(VM* v, Array* a, const Value& cmp) {
  Value keep(OT_ARRAY, a);
  if (cmp._type == OT_NULL && a->values.size() > 1 && sortCloseIntegers(a)) return true;
  return Sorter(v, a, cmp).sort();
}

}  // namespace sqvm::baselib

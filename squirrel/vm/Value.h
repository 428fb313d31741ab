#pragma once

// The machine's value: a type word and a payload, holding one strong reference when the type
// is reference counted. It has the layout of the public SQObject, so a Value can be handed to
// the host as an HSQOBJECT and back.

#include "squirrel/squirrel.h"
#include "squirrel/vm/RefCounted.h"

#include <bit>
#include <cstdint>
#include <utility>

namespace sqvm {

// The payload word of a 32-bit number: its bits in the low half, zeros above. Written as one
// 64-bit store, so that the next read of the whole word (every assignment reads the old value)
// is served straight from the store; a store of zeros followed by a 32-bit store would stall it.
inline uint64_t payloadOf(SQInteger i) { return static_cast<uint32_t>(i); }
inline uint64_t payloadOf(SQFloat f) { return std::bit_cast<uint32_t>(f); }

class Value : public SQObject {
 public:
  Value() {
    _type = OT_NULL;
    _unVal.raw = 0;
  }
  [[gnu::always_inline]] Value(const Value& o) : SQObject(o) { retain(); }
  [[gnu::always_inline]] Value(Value&& o) noexcept : SQObject(o) {
    o._type = OT_NULL;
    o._unVal.raw = 0;
  }
  [[gnu::always_inline]] explicit Value(const SQObject& o) : SQObject(o) { retain(); }
  [[gnu::always_inline]] Value(SQObjectType t, RefCounted* p) {
    _type = t;
    _unVal.raw = 0;
    _unVal.pRefCounted = p;
    retain();
  }
  static Value integer(SQInteger i) {
    Value v;
    v._type = OT_INTEGER;
    v._unVal.raw = payloadOf(i);
    return v;
  }
  static Value number(SQFloat f) {
    Value v;
    v._type = OT_FLOAT;
    v._unVal.raw = payloadOf(f);
    return v;
  }
  static Value boolean(bool b) {
    Value v;
    v._type = OT_BOOL;
    v._unVal.raw = b ? 1 : 0;
    return v;
  }
  static Value userPointer(SQUserPointer p) {
    Value v;
    v._type = OT_USERPOINTER;
    v._unVal.pUserPointer = p;
    return v;
  }
  [[gnu::always_inline]] ~Value() { drop(); }

  [[gnu::always_inline]] Value& operator=(const Value& o) {
    if (ISREFCOUNTED(o._type)) addRef(o._unVal.pRefCounted);
    SQObject old = *this;
    _type = o._type;
    _unVal = o._unVal;
    if (ISREFCOUNTED(old._type)) decRef(old._unVal.pRefCounted);
    return *this;
  }
  [[gnu::always_inline]] Value& operator=(Value&& o) noexcept {
    if (this != &o) {
      SQObject old = *this;
      _type = o._type;
      _unVal = o._unVal;
      o._type = OT_NULL;
      o._unVal.raw = 0;
      if (ISREFCOUNTED(old._type)) decRef(old._unVal.pRefCounted);
    }
    return *this;
  }
  Value& operator=(const SQObject& o) { return *this = Value(o); }
  // The setters write the new value first and only then release the old one, whose
  // destruction may reach this slot.
  [[gnu::always_inline]] void setInteger(SQInteger i) {
    if (ISREFCOUNTED(_type)) [[unlikely]] {
      replaceReference(OT_INTEGER, payloadOf(i));
      return;
    }
    _type = OT_INTEGER;
    _unVal.raw = payloadOf(i);
  }
  [[gnu::always_inline]] void setFloat(SQFloat f) {
    if (ISREFCOUNTED(_type)) [[unlikely]] {
      replaceReference(OT_FLOAT, payloadOf(f));
      return;
    }
    _type = OT_FLOAT;
    _unVal.raw = payloadOf(f);
  }
  [[gnu::always_inline]] void setBool(bool b) {
    if (ISREFCOUNTED(_type)) [[unlikely]] {
      replaceReference(OT_BOOL, b ? 1 : 0);
      return;
    }
    _type = OT_BOOL;
    _unVal.raw = b ? 1 : 0;
  }
  // Takes a reference to `p`, of type `t`, that the caller has counted, releasing the old
  // value after the new one is in place.
  [[gnu::always_inline]] void adoptReference(SQObjectType t, RefCounted* p) {
    const SQObject old = *this;
    _type = t;
    _unVal.raw = 0;
    _unVal.pRefCounted = p;
    if (ISREFCOUNTED(old._type)) decRef(old._unVal.pRefCounted);
  }
  // Drops a counted reference, leaving null; any other value stays as it is.
  [[gnu::always_inline]] void dropReference() {
    if (ISREFCOUNTED(_type)) {
      RefCounted* p = _unVal.pRefCounted;
      _type = OT_NULL;
      _unVal.raw = 0;
      decRef(p);
    }
  }
  [[gnu::always_inline]] void setNull() {
    if (ISREFCOUNTED(_type)) {
      dropReference();
      return;
    }
    _type = OT_NULL;
    _unVal.raw = 0;
  }

  SQObjectType type() const { return _type; }
  bool isNull() const { return _type == OT_NULL; }
  bool isNumeric() const { return (_type & SQOBJECT_NUMERIC) != 0; }
  SQInteger i() const { return _unVal.nInteger; }
  SQFloat f() const { return _unVal.fFloat; }
  RefCounted* ref() const { return _unVal.pRefCounted; }
  // The number as a float or an integer (the value must be numeric).
  SQFloat toFloat() const { return _type == OT_INTEGER ? static_cast<SQFloat>(i()) : f(); }

 private:
  // A scalar over a counted reference: out of line, so that the setters' common case reads
  // only the old type word.
  [[gnu::noinline]] void replaceReference(SQObjectType t, uint64_t raw) {
    RefCounted* old = _unVal.pRefCounted;
    _type = t;
    _unVal.raw = raw;
    decRef(old);
  }
  [[gnu::always_inline]] void retain() {
    if (ISREFCOUNTED(_type)) addRef(_unVal.pRefCounted);
  }
  [[gnu::always_inline]] void drop() {
    if (ISREFCOUNTED(_type)) decRef(_unVal.pRefCounted);
  }
};

// Raw identity: same type word and same payload (floats by bits).
inline bool rawEqual(const SQObject& a, const SQObject& b) {
  if (a._type != b._type) return false;
  if (a._type == OT_INTEGER || a._type == OT_FLOAT || a._type == OT_BOOL) {
    return a._unVal.nInteger == b._unVal.nInteger;
  }
  return a._unVal.raw == b._unVal.raw;
}

// Truth (null, false, 0 and 0.0 of either sign are false).
inline bool isFalse(const SQObject& o) {
  switch (o._type) {
    case OT_NULL: return true;
    case OT_BOOL:
    case OT_INTEGER: return o._unVal.nInteger == 0;
    case OT_FLOAT: return o._unVal.fFloat == 0.0f;
    default: return false;
  }
}

// The order of two integers: the sign of their wrapped difference, so that values more than
// 2^31 apart compare the wrong way round, as in the original.
inline int32_t integerOrder(SQInteger a, SQInteger b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// The order of two floats: equal only with the same bits (so 0.0 and -0.0 are not), else by <
// (so a NaN is greater than anything it differs from).
inline int32_t floatOrder(SQFloat a, SQFloat b) {
  if (std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b)) return 0;
  return a < b ? -1 : 1;
}

// Float to integer the way the x86 conversion does it: out of range and NaN give INT_MIN.
inline SQInteger floatToInt(SQFloat f) {
  if (!(f > -2147483649.0f && f < 2147483648.0f)) return static_cast<SQInteger>(0x80000000u);
  return static_cast<SQInteger>(f);
}

}  // namespace sqvm

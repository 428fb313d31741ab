// Values as text, typeof, clone and string concatenation.

#include "squirrel/vm/Array.h"
#include "squirrel/vm/UserData.h"
#include "squirrel/vm/VM.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace sqvm {

std::string formatFloat(double v, int precision) {
  if (std::isnan(v)) {
    if (std::bit_cast<uint64_t>(v) == 0xFFF8000000000000ull) return "-1.#IND";
    return std::signbit(v) ? "-1.#QNAN" : "1.#QNAN";
  }
  if (std::isinf(v)) return v > 0 ? "1.#INF" : "-1.#INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", precision, v);
  std::string s = buf;
  // The original C runtime writes at least three exponent digits.
  const size_t e = s.find('e');
  if (e != std::string::npos && e + 2 < s.size()) {
    const size_t digits = s.size() - (e + 2);
    if (digits < 3) s.insert(e + 2, 3 - digits, '0');
  }
  return s;
}

namespace {

// Room for the decimal text of any 32-bit integer.
using IntegerBuffer = char16_t[12];

std::u16string_view integerText(SQInteger i, IntegerBuffer& buf) {
  char digits[sizeof(IntegerBuffer)];
  const auto end = std::to_chars(digits, digits + sizeof digits, i).ptr;
  const size_t n = static_cast<size_t>(end - digits);
  for (size_t k = 0; k < n; ++k) buf[k] = static_cast<char16_t>(digits[k]);
  return {buf, n};
}

}  // namespace

std::u16string plainText(const SQObject& o) {
  switch (o._type) {
    case OT_STRING: return std::u16string(asString(o)->view());
    case OT_INTEGER: {
      IntegerBuffer buf;
      return std::u16string(integerText(o._unVal.nInteger, buf));
    }
    case OT_FLOAT: return toU16(formatFloat(o._unVal.fFloat, 6));
    case OT_BOOL: return o._unVal.nInteger ? u"true" : u"false";
    case OT_NULL: return u"(null : 0x00000000)";
    default: {
      char buf[64];
      const uint32_t addr = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(o._unVal.pUserPointer));
      std::snprintf(buf, sizeof buf, "(%s : 0x%08X)", typeNameAscii(o._type), addr);
      return toU16(buf);
    }
  }
}

bool VM::toString(const Value& o, Value& out) {
  if (o._type == OT_STRING) {
    out = o;
    return true;
  }
  if (o._type == OT_TABLE || o._type == OT_USERDATA || o._type == OT_INSTANCE) {
    Value r;
    const Meta m = tryMeta(o, MT_TOSTRING, r, o);
    if (m == Meta::Done && r._type == OT_STRING) {
      out = std::move(r);
      return true;
    }
    if (m == Meta::Failed && overflowing) return false;
  }
  out = ss->str(plainText(o));
  return true;
}

bool VM::stringConcat(const Value& a, const Value& b, Value& out) {
  // An integer operand ("key" + i, the commonest case) is formatted in place instead of
  // through a string object of its own that would be freed again at once.
  IntegerBuffer bufA, bufB;
  Value sa, sb;
  std::u16string_view ta, tb;
  auto text = [this](const Value& v, IntegerBuffer& buf, Value& holder, std::u16string_view& t) {
    if (v._type == OT_INTEGER) {
      t = integerText(v.i(), buf);
      return true;
    }
    if (!toString(v, holder)) return false;
    t = asString(holder)->view();
    return true;
  };
  if (!text(a, bufA, sa, ta) || !text(b, bufB, sb, tb)) return false;
  out = Value(OT_STRING, ss->strings.concat(ta, tb));
  return true;
}

bool VM::typeOf(const Value& o, Value& out) {
  if (o._type == OT_TABLE || o._type == OT_USERDATA || o._type == OT_INSTANCE) {
    const Meta m = tryMeta(o, MT_TYPEOF, out, o);
    if (m == Meta::Done) return true;
    if (m == Meta::Failed && overflowing) return false;
  }
  out = ss->typeName(o._type);
  return true;
}

bool VM::clone(const Value& self, Value& out) {
  switch (self._type) {
    case OT_TABLE: out = Value(OT_TABLE, asTable(self)->clone()); break;
    case OT_INSTANCE: out = Value(OT_INSTANCE, asInstance(self)->clone()); break;
    case OT_ARRAY: {
      Array* a = new Array(ss, 0);
      out = Value(OT_ARRAY, a);
      a->values = asArray(self)->values;
      return true;
    }
    default: return raiseFormat("cloning a %s", typeNameAscii(self._type));
  }
  Value ignored;
  return !(tryMeta(out, MT_CLONED, ignored, out, self) == Meta::Failed && overflowing);
}

}  // namespace sqvm

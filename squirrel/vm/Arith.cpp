// Arithmetic, bitwise operators, negation, equality and ordering.

#include "squirrel/vm/VM.h"

#include <bit>
#include <cmath>

namespace sqvm {

namespace {

// The NaN that an invalid operation produces on the original platform (printed "-1.#IND").
float defaultNaN() { return std::bit_cast<float>(0xFFC00000u); }

MetaMethod arithMetaMethod(uint8_t op) {
  switch (op) {
    case '+': return MT_ADD;
    case '-': return MT_SUB;
    case '*': return MT_MUL;
    case '/': return MT_DIV;
    default: return MT_MODULO;
  }
}

}  // namespace

bool isEqual(const SQObject& a, const SQObject& b) {
  if (a._type == b._type) return rawEqual(a, b);
  if ((a._type & SQOBJECT_NUMERIC) && (b._type & SQOBJECT_NUMERIC)) {
    const float fa = a._type == OT_INTEGER ? static_cast<float>(a._unVal.nInteger) : a._unVal.fFloat;
    const float fb = b._type == OT_INTEGER ? static_cast<float>(b._unVal.nInteger) : b._unVal.fFloat;
    return fa == fb;
  }
  return false;
}

bool VM::arith(uint8_t op, Value& target, const Value& a, const Value& b) {
  if (a.isNumeric() && b.isNumeric()) {
    if (a._type == OT_INTEGER && b._type == OT_INTEGER) {
      SQInteger r;
      if (integerArith(op, a.i(), b.i(), r)) {
        target = Value::integer(r);
        return true;
      }
      if (op == '/') return raise("division by zero");
      if (op == '%') return raise("modulo by zero");
      return raise("invalid arithmetic operator");
    }
    const float x = a.toFloat();
    const float y = b.toFloat();
    switch (op) {
      case '+': target = Value::number(x + y); return true;
      case '-': target = Value::number(x - y); return true;
      case '*': target = Value::number(x * y); return true;
      case '/': target = Value::number(x / y); return true;
      case '%': {
        float r = static_cast<float>(std::fmod(static_cast<double>(x), static_cast<double>(y)));
        if (std::isnan(r) && !std::isnan(x) && !std::isnan(y)) r = defaultNaN();
        target = Value::number(r);
        return true;
      }
      default: return raise("invalid arithmetic operator");
    }
  }
  if (op == '+' && (a._type == OT_STRING || b._type == OT_STRING)) {
    return stringConcat(a, b, target);
  }
  if (a._type == OT_TABLE || a._type == OT_USERDATA || a._type == OT_INSTANCE) {
    const Meta m = tryMeta(a, arithMetaMethod(op), target, a, b);
    if (m != Meta::Absent) return m == Meta::Done;
  }
  return raiseFormat("arith op %c on between '%s' and '%s'", op, typeNameAscii(a._type),
                     typeNameAscii(b._type));
}

bool VM::bitwise(uint8_t op, Value& target, const Value& a, const Value& b) {
  if (a._type != OT_INTEGER || b._type != OT_INTEGER) {
    return raiseFormat("bitwise op between '%s' and '%s'", typeNameAscii(a._type),
                       typeNameAscii(b._type));
  }
  SQInteger r;
  if (!integerBitwise(op, a.i(), b.i(), r)) return raise("invalid bitwise operator");
  target = Value::integer(r);
  return true;
}

bool VM::negate(Value& target, const Value& a) {
  switch (a._type) {
    case OT_INTEGER:
      target = Value::integer(static_cast<SQInteger>(0u - static_cast<uint32_t>(a.i())));
      return true;
    case OT_FLOAT: target = Value::number(-a.f()); return true;
    case OT_TABLE:
    case OT_USERDATA:
    case OT_INSTANCE: {
      const Meta m = tryMeta(a, MT_UNM, target, a);
      if (m != Meta::Absent) return m == Meta::Done;
      break;
    }
    default: break;
  }
  return raiseFormat("attempt to negate a %s", typeNameAscii(a._type));
}

bool VM::compare(const Value& a, const Value& b, int32_t& result) {
  const SQObjectType ta = a._type;
  const SQObjectType tb = b._type;
  if (ta == tb) {
    if (rawEqual(a, b)) {
      result = 0;
      return true;
    }
    switch (ta) {
      case OT_STRING: {
        const auto x = asString(a)->view();
        const auto y = asString(b)->view();
        result = x.compare(y) < 0 ? -1 : 1;
        return true;
      }
      case OT_INTEGER:
        result = integerOrder(a.i(), b.i());
        return true;
      case OT_FLOAT: result = floatOrder(a.f(), b.f()); return true;
      case OT_BOOL: result = a.i() < b.i() ? -1 : 1; return true;
      case OT_TABLE:
      case OT_USERDATA:
      case OT_INSTANCE: {
        Value r;
        const Meta m = tryMeta(a, MT_CMP, r, a, b);
        if (m == Meta::Failed) return false;
        if (m == Meta::Done) {
          if (r._type != OT_INTEGER) return raiseCompareError(a, b);
          result = r.i();
          return true;
        }
        break;
      }
      default: break;
    }
    // Other objects order by identity: arbitrary but the same on every run.
    if (ISREFCOUNTED(ta)) {
      result = a.ref()->serial < b.ref()->serial ? -1 : 1;
    } else {
      result = a._unVal.raw < b._unVal.raw ? -1 : 1;
    }
    return true;
  }
  if (a.isNumeric() && b.isNumeric()) {
    // An integer and a float order exactly: a double holds every value of both, whereas in
    // single precision 2147483647 and 2147483648.0 would be equal. A NaN gives +1.
    const double x = a._type == OT_INTEGER ? static_cast<double>(a.i()) : static_cast<double>(a.f());
    const double y = b._type == OT_INTEGER ? static_cast<double>(b.i()) : static_cast<double>(b.f());
    result = x == y ? 0 : (x < y ? -1 : 1);
    return true;
  }
  if (ta == OT_NULL) {
    result = -1;
    return true;
  }
  if (tb == OT_NULL) {
    result = 1;
    return true;
  }
  return raiseCompareError(a, b);
}

bool VM::compareOp(uint8_t op, const Value& a, const Value& b, bool& result) {
  int32_t d;
  if (!compare(a, b, d)) return false;
  result = compareResult(op, d);
  return true;
}

}  // namespace sqvm

// Default delegates of numbers, bools and strings.

#include "squirrel/baselib/NumberText.h"
#include "squirrel/baselib/Support.h"
#include "squirrel/vm/WeakRef.h"

namespace sqvm::baselib {

namespace {

SQInteger numberToInteger(HSQUIRRELVM v) {
  const Value& o = arg(v, 1);
  if (o._type == OT_FLOAT) return result(v, Value::integer(floatToInt(o.f())));
  return result(v, Value::integer(o.i()));
}

SQInteger numberToFloat(HSQUIRRELVM v) {
  const Value& o = arg(v, 1);
  if (o._type == OT_FLOAT) return result(v, o);
  return result(v, Value::number(static_cast<SQFloat>(o.i())));
}

SQInteger numberToChar(HSQUIRRELVM v) {
  const Value& o = arg(v, 1);
  const SQInteger n = toInteger(o);
  const char16_t c = static_cast<char16_t>(n);
  return result(v, v->ss->str(std::u16string_view(&c, 1)));
}

SQInteger stringToNumber(HSQUIRRELVM v, NumberKind wanted) {
  const auto text = asString(arg(v, 1))->view();
  const NumberKind kind = text.find(u'.') != std::u16string_view::npos ? NumberKind::Float
                                                                        : NumberKind::Integer;
  SQInteger i = 0;
  SQFloat f = 0;
  if (!parseNumber(text, kind, i, f)) return error(v, "cannot convert the string");
  if (wanted == NumberKind::Integer) {
    return result(v, Value::integer(kind == NumberKind::Integer ? i : floatToInt(f)));
  }
  return result(v, Value::number(kind == NumberKind::Float ? f : static_cast<SQFloat>(i)));
}

SQInteger stringToInteger(HSQUIRRELVM v) { return stringToNumber(v, NumberKind::Integer); }
SQInteger stringToFloat(HSQUIRRELVM v) { return stringToNumber(v, NumberKind::Float); }

SQInteger stringSlice(HSQUIRRELVM v) {
  const String* s = asString(arg(v, 1));
  SQInteger start, end;
  if (!sliceRange(v, static_cast<SQInteger>(s->length), start, end)) return SQ_ERROR;
  return result(v, v->ss->str(s->view().substr(start, end - start)));
}

SQInteger stringFind(HSQUIRRELVM v) {
  const auto text = asString(arg(v, 1))->view();
  const auto sub = asString(arg(v, 2))->view();
  SQInteger start = 0;
  if (argCount(v) > 2) start = toInteger(arg(v, 3));
  if (start < 0 || static_cast<size_t>(start) >= text.size()) return result(v, Value());
  const size_t pos = text.find(sub, static_cast<size_t>(start));
  if (pos == std::u16string_view::npos) return result(v, Value());
  return result(v, Value::integer(static_cast<SQInteger>(pos)));
}

SQInteger stringCase(HSQUIRRELVM v, bool upper) {
  std::u16string s(asString(arg(v, 1))->view());
  for (char16_t& c : s) {
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char16_t>(c - 32);
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char16_t>(c + 32);
  }
  return result(v, v->ss->str(s));
}

SQInteger stringToLower(HSQUIRRELVM v) { return stringCase(v, false); }
SQInteger stringToUpper(HSQUIRRELVM v) { return stringCase(v, true); }

}  // namespace

void createNumberDelegates(SharedState& ss) {
  ss.numberDelegate = makeDelegate(ss, {
      {"tointeger", numberToInteger, 1, u"n|b"},
      {"tofloat", numberToFloat, 1, u"n|b"},
      {"tostring", delegateToString, 1, u"."},
      {"tochar", numberToChar, 1, u"n|b"},
      {"weakref", delegateWeakRef, 1, nullptr},
  });
  ss.stringDelegate = makeDelegate(ss, {
      {"len", delegateLen, 1, u"s"},
      {"tointeger", stringToInteger, 1, u"s"},
      {"tofloat", stringToFloat, 1, u"s"},
      {"tostring", delegateToString, 1, u"."},
      {"slice", stringSlice, -1, u" s n  n"},
      {"find", stringFind, -2, u"s s n "},
      {"tolower", stringToLower, 1, u"s"},
      {"toupper", stringToUpper, 1, u"s"},
      {"weakref", delegateWeakRef, 1, nullptr},
  });
}

}  // namespace sqvm::baselib

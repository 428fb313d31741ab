// Raising errors: the last error value and the texts of the built-in messages.

#include "squirrel/vm/VM.h"

#include <cstdarg>
#include <cstdio>

namespace sqvm {

namespace {

std::u16string keyText(const SQObject& o) {
  switch (o._type) {
    case OT_INTEGER: return toU16(std::to_string(o._unVal.nInteger));
    case OT_FLOAT: return toU16(formatFloat(o._unVal.fFloat, 14));
    case OT_STRING: return std::u16string(asString(o)->view());
    default: return toU16(typeNameAscii(o._type));
  }
}

}  // namespace

std::u16string toU16(const std::string& ascii) {
  std::u16string s;
  s.reserve(ascii.size());
  for (unsigned char c : ascii) s.push_back(c);
  return s;
}

bool VM::raise(const Value& err) {
  if (!overflowing) lastError = err;
  return false;
}

bool VM::raiseOverflow(const char* ascii) {
  raise(ascii);
  overflowing = true;
  return false;
}

bool VM::raise(const char* ascii) { return raise(ss->str(ascii)); }

bool VM::raiseFormat(const char* fmt, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  return raise(buf);
}

bool VM::raiseIndexError(const Value& key) {
  return raise(ss->str(u"the index '" + keyText(key) + u"' does not exist"));
}

bool VM::raiseCompareError(const Value& a, const Value& b) {
  return raise(ss->str(u"comparsion between '" + keyText(a) + u"' and '" + keyText(b) + u"'"));
}

bool VM::raiseParamType(int param, SQObjectType got, int32_t expectedMask) {
  std::string expected;
  for (int bit = 0; bit < 17; ++bit) {
    if (expectedMask & (1 << bit)) {
      if (!expected.empty()) expected += '|';
      expected += typeNameAscii(static_cast<SQObjectType>(1u << bit));
    }
  }
  return raiseFormat("parameter %d has an invalid type '%s' ; expected: '%s'", param,
                     typeNameAscii(got), expected.c_str());
}

}  // namespace sqvm

#include "squirrel/baselib/NumberText.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace sqvm::baselib {

namespace {

bool isSpace(char16_t c) { return c == ' ' || (c >= 9 && c <= 13); }
bool isDigit(char16_t c) { return c >= '0' && c <= '9'; }

}  // namespace

bool parseNumber(std::u16string_view text, NumberKind kind, SQInteger& i, SQFloat& f) {
  size_t p = 0;
  while (p < text.size() && isSpace(text[p])) ++p;
  std::string ascii;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) ascii.push_back(static_cast<char>(text[p++]));
  size_t digits = 0;
  while (p < text.size() && isDigit(text[p])) {
    ascii.push_back(static_cast<char>(text[p++]));
    ++digits;
  }
  if (kind == NumberKind::Integer) {
    if (digits == 0) return false;
    const long long v = std::strtoll(ascii.c_str(), nullptr, 10);
    i = v > 2147483647LL ? 2147483647 : (v < -2147483648LL ? INT32_MIN : static_cast<SQInteger>(v));
    if (ascii.size() > 19) i = ascii[0] == '-' ? INT32_MIN : 2147483647;
    return true;
  }
  if (p < text.size() && text[p] == '.') {
    ascii.push_back('.');
    ++p;
    while (p < text.size() && isDigit(text[p])) {
      ascii.push_back(static_cast<char>(text[p++]));
      ++digits;
    }
  }
  if (digits == 0) return false;
  if (p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
    size_t q = p + 1;
    std::string exp = "e";
    if (q < text.size() && (text[q] == '+' || text[q] == '-')) exp.push_back(static_cast<char>(text[q++]));
    if (q < text.size() && isDigit(text[q])) {
      while (q < text.size() && isDigit(text[q])) exp.push_back(static_cast<char>(text[q++]));
      ascii += exp;
    }
  }
  f = static_cast<SQFloat>(std::strtod(ascii.c_str(), nullptr));
  return true;
}

}  // namespace sqvm::baselib

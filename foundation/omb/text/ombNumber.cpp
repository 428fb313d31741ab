#include "foundation/omb/text/ombNumber.h"

#include <locale.h>

#include <clocale>
#include <cstdlib>

namespace {

// Numbers never need more than this many units; a longer run of number characters is cut,
// which only matters for digits past any precision a float or long can hold.
constexpr int kMaxUnits = 320;

bool isSpace(char16_t u) { return u == ' ' || (u >= '\t' && u <= '\r'); }

// The ASCII prefix of the text (after its blanks) in a narrow buffer; returns where it starts.
const char16_t* narrowPrefix(const char16_t* text, char (&out)[kMaxUnits + 1]) {
  const char16_t* start = text;
  while (isSpace(*start)) ++start;
  int n = 0;
  for (const char16_t* p = start; n < kMaxUnits && *p > 0x20 && *p < 0x7F; ++p) out[n++] = char(*p);
  out[n] = 0;
  return start;
}

locale_t cLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return locale;
}

}  // namespace

double ombStrToDouble(const char16_t* text, const char16_t** end) {
  char narrow[kMaxUnits + 1];
  const char16_t* start = narrowPrefix(text, narrow);
  char* stop = narrow;
  const double value = strtod_l(narrow, &stop, cLocale());
  if (end != nullptr) *end = stop == narrow ? text : start + (stop - narrow);
  return value;
}

long ombStrToLong(const char16_t* text, const char16_t** end) {
  char narrow[kMaxUnits + 1];
  const char16_t* start = narrowPrefix(text, narrow);
  char* stop = narrow;
  const long value = strtol_l(narrow, &stop, 0, cLocale());
  if (end != nullptr) *end = stop == narrow ? text : start + (stop - narrow);
  return value;
}

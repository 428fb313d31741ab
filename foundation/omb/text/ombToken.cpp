#include "foundation/omb/text/ombToken.h"

#include "foundation/omb/text/ombChar.h"

namespace {

bool isDelimiter(char16_t u, const char16_t* delimiters) {
  if (!delimiters) {
    return false;
  }
  for (const char16_t* d = delimiters; *d; ++d) {
    if (*d == u) {
      return true;
    }
  }
  return false;
}

bool isEquals(char16_t u) {
  return u == u'=' || u == 0xFF1D;
}

bool isQuote(char16_t u) {
  return u == 0x0022 || u == 0x201D;
}

bool isEscape(char16_t u) {
  return u == 0x005C || u == 0xFFE5;
}

}  // namespace

const char16_t* ombStrSkipBlank(const char16_t* p) {
  // The terminator counts as invisible; the walk must not pass it.
  while (*p && (ombCharIsBlank(*p) || ombCharIsInvisible(*p))) {
    ++p;
  }
  return p;
}

const char16_t* ombStrParseToken(const char16_t* p, const char16_t* delimiters,
                                 char16_t* destination, uint32_t capacity, bool stopAtEquals) {
  p = ombStrSkipBlank(p);
  bool quoted = false;
  bool escaped = false;
  uint32_t length = 0;
  for (;; ++p) {
    const char16_t u = *p;
    if (u == 0 || u == u'\n' || u == u'\r') {
      break;
    }
    if (!escaped && !quoted &&
        (ombCharIsBlank(u) || ombCharIsInvisible(u) || isDelimiter(u, delimiters) ||
         (stopAtEquals && isEquals(u)))) {
      break;
    }
    if (!escaped && isQuote(u)) {
      quoted = !quoted;
      continue;
    }
    if (!escaped && isEscape(u)) {
      escaped = true;
      continue;
    }
    if (destination && length + 1 < capacity) {
      destination[length++] = u;
    }
    escaped = false;
  }
  if (destination && capacity != 0) {
    destination[length] = 0;
  }
  return p;
}

const char16_t* ombStrSkipToken(const char16_t* p, const char16_t* delimiters) {
  const char16_t* end = ombStrParseToken(p, delimiters, nullptr, 0, true);
  const char16_t* next = ombStrSkipBlank(end);
  if (isEquals(*next)) {
    return ombStrSkipBlank(ombStrParseToken(next + 1, delimiters, nullptr, 0, false));
  }
  return next;
}

const char16_t* ombStrGetToken(uint32_t capacity, char16_t* destination, const char16_t* p,
                               const char16_t* delimiters) {
  if (capacity != 0) {
    destination[0] = 0;
  }
  const char16_t* end = ombStrParseToken(p, delimiters, destination, capacity, true);
  const char16_t* next = ombStrSkipBlank(end);
  if (isEquals(*next)) {
    return ombStrParseToken(next + 1, delimiters, nullptr, 0, false);
  }
  return end;
}

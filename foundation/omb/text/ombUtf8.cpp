#include "foundation/omb/text/ombUtf8.h"

#include "platform/text/Utf8.h"

namespace {

bool isHigh(char16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}

bool isLow(char16_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace

uint32_t ombStrUtf16ToUtf8(char* destination, uint32_t capacity, uint32_t* unitsOut,
                           const char16_t* source) {
  uint32_t needed = 0;
  uint32_t written = 0;
  uint32_t units = 0;
  for (const char16_t* p = source; *p;) {
    char32_t cp = *p;
    uint32_t taken = 1;
    if (isHigh(p[0]) && isLow(p[1])) {
      cp = 0x10000 + ((char32_t{p[0]} - 0xD800) << 10) + (char32_t{p[1]} - 0xDC00);
      taken = 2;
    } else if (isHigh(p[0]) || isLow(p[0])) {
      cp = 0xFFFD;
    }
    char bytes[4];
    const auto length = static_cast<uint32_t>(platform::encodeUtf8(cp, bytes));
    needed += length;
    if (destination && capacity - written > length && capacity > written) {
      for (uint32_t i = 0; i < length; ++i) {
        destination[written++] = bytes[i];
      }
      units += taken;
    }
    p += taken;
  }
  if (destination && capacity != 0) {
    destination[written] = 0;
  }
  if (unitsOut) {
    *unitsOut = units;
  }
  return needed;
}

uint32_t ombStrUtf8ToUtf16(char16_t* destination, uint32_t capacity, uint32_t* bytesOut,
                           const char* source) {
  const auto* p = reinterpret_cast<const unsigned char*>(source);
  uint32_t decoded = 0;
  uint32_t stored = 0;
  uint32_t bytes = 0;
  while (*p) {
    const unsigned char b = p[0];
    char16_t unit;
    uint32_t length;
    if ((b & 0xF8) == 0xF0) {
      if (!p[1] || !p[2] || !p[3]) {
        break;
      }
      unit = u'?';
      length = 4;
    } else if ((b & 0xF0) == 0xE0) {
      if (!p[1] || !p[2]) {
        break;
      }
      unit = static_cast<char16_t>(((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
      length = 3;
    } else if ((b & 0xE0) == 0xC0) {
      if (!p[1]) {
        break;
      }
      unit = static_cast<char16_t>(((b & 0x1F) << 6) | (p[1] & 0x3F));
      length = 2;
    } else {
      unit = b;
      length = 1;
    }
    if (destination && capacity > stored + 1) {
      destination[stored++] = unit;
      bytes += length;
    }
    ++decoded;
    p += length;
  }
  if (destination && capacity != 0) {
    destination[stored] = 0;
  }
  if (bytesOut) {
    *bytesOut = bytes;
  }
  return decoded;
}

#include "foundation/dbtl/Dstr.h"

#include "foundation/dbtl/DstrChar.h"

#include <cstring>

namespace dbtl {

namespace {

const char* orEmpty(const char* text) { return text != nullptr ? text : ""; }

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Texts of different lengths differ without a look at their characters; texts of one length
// are compared by compareN over that length.
using CompareN = int (*)(const char*, const char*, uint32_t);

int compareWhole(const char* a, const char* b, CompareN compareN) {
  a = orEmpty(a);
  b = orEmpty(b);
  const size_t length = std::strlen(a);
  if (length != std::strlen(b)) return 1;
  return compareN(a, b, static_cast<uint32_t>(length));
}

}  // namespace

void DstrCopyN(char* dst, const char* src, uint32_t size) {
  if (size == 0) return;
  src = orEmpty(src);
  uint32_t i = 0;
  for (; i + 1 < size && src[i] != '\0'; ++i) dst[i] = src[i];
  dst[i] = '\0';
}

void DstrCopy(char* dst, const char* src) { std::strcpy(dst, orEmpty(src)); }

void DstrCat(char* dst, const char* src) { std::strcat(dst, orEmpty(src)); }

int DstrCompareN(const char* a, const char* b, uint32_t n) {
  a = orEmpty(a);
  b = orEmpty(b);
  for (uint32_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return 1;
    if (a[i] == '\0') return 0;
  }
  return 0;
}

int DstrCompare(const char* a, const char* b) { return compareWhole(a, b, DstrCompareN); }

int DstrCompareNoCaseN(const char* a, const char* b, uint32_t n) {
  a = orEmpty(a);
  b = orEmpty(b);
  uint32_t i = 0;
  while (i < n) {
    const size_t widthA = DstrCharLength(a + i);
    const size_t widthB = DstrCharLength(b + i);
    if (widthA != widthB) return 1;
    if (widthA == 0) return 0;
    if (widthA == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return 1;
    } else if (foldAscii(a[i]) != foldAscii(b[i])) {
      return 1;
    }
    i += static_cast<uint32_t>(widthA);
  }
  return 0;
}

int DstrCompareNoCase(const char* a, const char* b) {
  return compareWhole(a, b, DstrCompareNoCaseN);
}

uint32_t DstrToCodeArrayN(uint16_t* dst, const char* src, uint32_t n) {
  src = orEmpty(src);
  uint32_t taken = 0;
  uint32_t codes = 0;
  while (taken < n) {
    const size_t width = DstrCharLength(src + taken);
    if (width == 0) break;
    const auto lead = static_cast<unsigned char>(src[taken]);
    if (width == 2) {
      dst[codes++] = static_cast<uint16_t>(lead << 8 | static_cast<unsigned char>(src[taken + 1]));
    } else {
      dst[codes++] = lead;
    }
    taken += static_cast<uint32_t>(width);
  }
  dst[codes] = 0;
  return codes;
}

uint32_t DstrToCodeArray(const char* src, uint16_t* dst) {
  src = orEmpty(src);
  return DstrToCodeArrayN(dst, src, static_cast<uint32_t>(std::strlen(src)));
}

uint32_t DstrFromCodeArrayN(char* dst, const uint16_t* codes, uint32_t n) {
  uint32_t written = 0;
  for (uint32_t i = 0; i < n && codes[i] != 0; ++i) {
    if (codes[i] >= 256) dst[written++] = static_cast<char>(codes[i] >> 8);
    dst[written++] = static_cast<char>(codes[i] & 0xFF);
  }
  dst[written++] = '\0';
  return written;
}

uint32_t DstrFromCodeArray(char* dst, const uint16_t* codes) {
  uint32_t n = 0;
  while (codes[n] != 0) ++n;
  return DstrFromCodeArrayN(dst, codes, n);
}

}  // namespace dbtl

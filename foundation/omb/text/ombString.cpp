#include "foundation/omb/text/ombString.h"

#include "foundation/omb/ombCore.h"
#include "foundation/omb/text/ombChar.h"

#include <cstdlib>

uint32_t ombStrLength(const char16_t* text) {
  uint32_t length = 0;
  while (text[length]) {
    ++length;
  }
  return length;
}

void ombStrCopy(const char16_t* source, char16_t* destination, uint32_t capacity) {
  if (capacity == 0) {
    return;
  }
  uint32_t i = 0;
  for (; i + 1 < capacity && source[i]; ++i) {
    destination[i] = source[i];
  }
  destination[i] = 0;
}

void ombStrCat(uint32_t capacity, char16_t* destination, const char16_t* source) {
  uint32_t length = 0;
  while (length < capacity && destination[length]) {
    ++length;
  }
  if (length >= capacity) {
    return;
  }
  ombStrCopy(source, destination + length, capacity - length);
}

char16_t* ombStrDup(const char16_t* source) {
  const std::size_t units = std::size_t{ombStrLength(source)} + 1;
  auto* copy = ombCheckAlloc(static_cast<char16_t*>(std::malloc(units * sizeof(char16_t))));
  if (copy) {
    for (std::size_t i = 0; i < units; ++i) {
      copy[i] = source[i];
    }
  }
  return copy;
}

bool ombStrIsEqual(const char16_t* a, const char16_t* b) {
  if (a == b) {
    return true;
  }
  for (; *a == *b; ++a, ++b) {
    if (*a == 0) {
      return true;
    }
  }
  return false;
}

bool ombStrIsEqualNoCase(const char16_t* a, const char16_t* b, uint32_t count) {
  if (a == b) {
    return true;
  }
  for (uint32_t i = 0; i < count; ++i) {
    const char16_t x = ombCharToLower(a[i]);
    if (x != ombCharToLower(b[i])) {
      return false;
    }
    if (x == 0) {
      break;
    }
  }
  return true;
}

void ombStrToLower(char16_t* text) {
  for (; *text; ++text) {
    *text = ombCharToLower(*text);
  }
}

const char16_t* ombPathFindSeparator(const char16_t* text) {
  for (; *text; ++text) {
    if (ombPathIsSeparator(*text)) {
      return text;
    }
  }
  return nullptr;
}

const char16_t* ombPathFindLastSeparator(const char16_t* text) {
  const char16_t* last = nullptr;
  for (; *text; ++text) {
    if (ombPathIsSeparator(*text)) {
      last = text;
    }
  }
  return last;
}

const char16_t* ombUrlFindScheme(const char16_t* text) {
  for (; *text; ++text) {
    if (text[0] == u':' && text[1] == u'/' && text[2] == u'/') {
      return text;
    }
  }
  return nullptr;
}

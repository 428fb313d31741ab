#include "foundation/text/l3dText.h"

#include "platform/text/Cp932LeadByte.h"

#include <cstring>

namespace {

bool isLineEnd(char c) { return c == '\0' || c == '\r' || c == '\n'; }

// Bytes of the character at p: 2 for a lead byte with a trail byte, else 1 (0 at a NUL). A lead
// byte right before a line end stands alone, so no walk steps over the end of the line.
uint32_t charLength(const char* p) {
  if (*p == '\0') return 0;
  if (platform::cp932IsLeadByte(static_cast<unsigned char>(*p)) && !isLineEnd(p[1])) return 2;
  return 1;
}

bool isBlank(const char* p) {
  if (*p == '\t' || *p == ' ') return true;
  return charLength(p) == 2 && static_cast<unsigned char>(p[0]) == 0x81 &&
         static_cast<unsigned char>(p[1]) == 0x40;
}

// Appends the character of n bytes at p when it fits below limit; used keeps the bytes stored.
void store(char* buffer, uint32_t limit, uint32_t& used, const char* p, uint32_t n) {
  if (used + n > limit) return;
  std::memmove(buffer + used, p, n);  // in place, source and destination may be the same
  used += n;
}

// Copies n bytes of text into a pair buffer, cut to whole characters within 1023 bytes.
void copyPart(char* out, const char* start, uint32_t n) {
  uint32_t used = 0;
  for (uint32_t i = 0; i < n;) {
    uint32_t step = charLength(start + i);
    if (step == 0) break;
    if (i + step > n) step = n - i;
    if (used + step > kL3dTextPairBytes - 1) break;
    std::memcpy(out + used, start + i, step);
    used += step;
    i += step;
  }
  out[used] = '\0';
}

}  // namespace

void l3dTextSkipBlank(const char*& cursor) {
  while (!isLineEnd(*cursor) && isBlank(cursor)) cursor += charLength(cursor);
}

void l3dTextSkipLine(const char*& cursor) {
  while (!isLineEnd(*cursor)) cursor += charLength(cursor);
  while (*cursor == '\r' || *cursor == '\n') ++cursor;
}

const char* l3dTextReadWord(const char*& cursor, char* buffer, uint32_t size) {
  l3dTextSkipBlank(cursor);
  const char* start = cursor;
  const uint32_t limit = size > 0 ? size - 1 : 0;
  uint32_t used = 0;
  while (!isLineEnd(*cursor) && !isBlank(cursor)) {
    const uint32_t n = charLength(cursor);
    store(buffer, limit, used, cursor, n);
    cursor += n;
  }
  if (size > 0) buffer[used] = '\0';
  return start;
}

void l3dTextParseKeyValue(const char*& cursor, const char*& keyStart, uint32_t& keyLength,
                          const char*& valueStart, uint32_t& valueLength, bool& endOfLine) {
  if (endOfLine) return;
  keyStart = cursor;
  keyLength = 0;
  valueStart = cursor;
  valueLength = 0;

  l3dTextSkipBlank(cursor);
  if (isLineEnd(*cursor)) {
    endOfLine = true;
    return;
  }
  keyStart = cursor;
  while (!isLineEnd(*cursor) && !isBlank(cursor) && *cursor != '=') cursor += charLength(cursor);
  keyLength = static_cast<uint32_t>(cursor - keyStart);

  l3dTextSkipBlank(cursor);
  valueStart = cursor;
  if (isLineEnd(*cursor)) {
    endOfLine = true;
    return;
  }
  if (*cursor != '=') return;  // a key without a value; the cursor is on the next word
  ++cursor;
  l3dTextSkipBlank(cursor);
  valueStart = cursor;

  bool quoted = false;
  for (;;) {
    if (isLineEnd(*cursor)) {
      endOfLine = true;
      break;
    }
    if (*cursor == '\\') {
      ++cursor;
      if (isLineEnd(*cursor)) {
        endOfLine = true;
        break;
      }
      cursor += charLength(cursor);
      continue;
    }
    if (*cursor == '"') {
      quoted = !quoted;
      ++cursor;
      continue;
    }
    if (!quoted && isBlank(cursor)) break;
    cursor += charLength(cursor);
  }
  valueLength = static_cast<uint32_t>(cursor - valueStart);
}

void l3dTextReadKeyValue(bool& endOfLine, char* key, char* value, const char*& cursor) {
  const char* keyStart = cursor;
  const char* valueStart = cursor;
  uint32_t keyLength = 0;
  uint32_t valueLength = 0;
  l3dTextParseKeyValue(cursor, keyStart, keyLength, valueStart, valueLength, endOfLine);
  copyPart(key, keyStart, keyLength);
  copyPart(value, valueStart, valueLength);
}

char l3dTextReadToken(char* buffer, uint32_t size, const char* text) {
  const uint32_t limit = size > 0 ? size - 1 : 0;
  uint32_t used = 0;
  const char* p = text;
  while (!isLineEnd(*p)) {
    if (*p == '"') {
      ++p;
      continue;
    }
    if (*p == '\\') {
      ++p;
      if (isLineEnd(*p)) break;
    }
    const uint32_t n = charLength(p);
    // In place, the bytes are read before they can be overwritten: used never exceeds p - text.
    store(buffer, limit, used, p, n);
    p += n;
  }
  if (size > 0) buffer[used] = '\0';
  return *p;
}

void l3dTextCopyToken(char* buffer, uint32_t size, const char* text, uint32_t length) {
  if (size == 0) return;
  const uint32_t limit = size - 1;
  uint32_t used = 0;
  // The name is not terminated: a lead byte at its last position has no trail byte to take.
  while (text != nullptr && used < length && text[used] != '\0') {
    const uint32_t n = used + 1 < length ? charLength(text + used) : 1;
    if (used + n > limit) break;
    std::memcpy(buffer + used, text + used, n);
    used += n;
  }
  buffer[used] = '\0';
  l3dTextReadToken(buffer, size, buffer);
}

#include "sound/mpeg/DmpaScan.h"

size_t DmpaId3v2Length(const uint8_t* b, size_t size) {
  if (size < 10 || b[0] != 'I' || b[1] != 'D' || b[2] != '3') return 0;
  if (b[3] == 0xFF || b[4] == 0xFF) return 0;
  // The body length is a synchsafe integer: four bytes of seven bits each.
  for (int i = 6; i < 10; ++i)
    if (b[i] & 0x80) return 0;
  const size_t body = (size_t{b[6]} << 21) | (size_t{b[7]} << 14) | (size_t{b[8]} << 7) | b[9];
  const size_t footer = (b[5] & 0x10) ? 10 : 0;
  return 10 + body + footer;
}

long DmpaFindSync(const uint8_t* block, size_t n) {
  for (size_t i = 0; i + 3 < n; ++i) {
    if (block[i] == 0xFF && (block[i + 1] & 0xF0) >= 0xE0) return static_cast<long>(i);
  }
  return -1;
}

bool DmpaIsId3v1(const uint8_t* tail) { return tail[0] == 'T' && tail[1] == 'A' && tail[2] == 'G'; }

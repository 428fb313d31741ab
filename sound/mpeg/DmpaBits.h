#pragma once

#include "sound/mpeg/Dmpa.h"

#include <cstring>

// The bit reader shared by all layers. Reads are most significant bit first. The reader keeps
// up to 64 bits; loads stop at `end`, and the bits past it read as zeros, so no damaged length
// field can make a layer read outside the data it was given.

inline void DmpaBitsStart(_DMPABITS* b, const uint8_t* data, size_t size) {
  b->acc = 0;
  b->count = 0;
  b->begin = data;
  b->next = 0;
  b->end = size;
}

// Refills whole bytes while 56 or fewer bits are held: eight bytes in one load while they lie
// before `end`, byte by byte near it.
inline void DmpaNeedBits(_DMPABITS* b) {
  if (b->count > 56) return;
  if (b->next + 8 <= b->end) {
    uint64_t word;
    std::memcpy(&word, b->begin + b->next, 8);
    word = __builtin_bswap64(word);
    const int take = (64 - b->count) >> 3;  // 1 ... 8 bytes
    b->acc = take == 8 ? word : (b->acc << (8 * take)) | (word >> (64 - 8 * take));
    b->next += static_cast<size_t>(take);
    b->count += 8 * take;
    return;
  }
  while (b->count <= 56) {
    uint64_t byte = b->next < b->end ? b->begin[b->next] : 0;
    ++b->next;
    b->acc = (b->acc << 8) | byte;
    b->count += 8;
  }
}

// The next n bits (1 <= n <= 32) without consuming them.
inline uint32_t DmpaPeekBits(_DMPABITS* b, int n) {
  if (b->count < n) DmpaNeedBits(b);
  return static_cast<uint32_t>((b->acc >> (b->count - n)) & ((uint64_t{1} << n) - 1));
}

inline void DmpaSkipBits(_DMPABITS* b, int n) { b->count -= n; }

// n bits (0 <= n <= 32), consumed.
inline uint32_t DmpaGetBits(_DMPABITS* b, int n) {
  if (n == 0) return 0;
  uint32_t v = DmpaPeekBits(b, n);
  b->count -= n;
  return v;
}

// As DmpaGetBits; refills already when fewer than n + 2 bits are held.
inline uint32_t DmpaGetBitsAhead(_DMPABITS* b, int n) {
  if (b->count < n + 2) DmpaNeedBits(b);
  return DmpaGetBits(b, n);
}

// Bits consumed since `begin`.
inline long DmpaBitsPosition(const _DMPABITS* b) {
  return static_cast<long>(b->next) * 8 - b->count;
}

// Moves the reader to bit `pos` from `begin`.
inline void DmpaBitsSeek(_DMPABITS* b, long pos) {
  b->acc = 0;
  b->count = 0;
  b->next = static_cast<size_t>(pos / 8);
  DmpaGetBits(b, static_cast<int>(pos % 8));
}

// Skips n bits: whole bytes are stepped over, the rest taken from the reader.
inline void DmpaSkipMany(_DMPABITS* b, long n) {
  if (n <= b->count) {
    b->count -= static_cast<int>(n);
    return;
  }
  DmpaBitsSeek(b, DmpaBitsPosition(b) + n);
}

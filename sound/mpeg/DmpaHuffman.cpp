#include "sound/mpeg/DmpaHuffman.h"

#include "sound/mpeg/DmpaBits.h"
#include "sound/mpeg/DmpaHuffmanCodes.h"

#include <cstring>
#include <vector>

// The code tables are turned into lookup tables once: a root table indexed by the next bits,
// whose entries are either a decoded pair (x, y and the code length) or a link to a smaller
// table for the following bits.

namespace {

constexpr uint32_t kLink = 0x80000000u;

struct Lut {
  int rootBits = 0;
  std::vector<uint32_t> entries;
};

struct Builder {
  const dmpa::HuffmanCode& code;
  int symbols;
  std::vector<uint32_t>& out;

  int Build(uint32_t prefix, int prefixLen, int bits) {
    const int base = static_cast<int>(out.size());
    out.resize(out.size() + (size_t{1} << bits));
    for (uint32_t i = 0; i < (1u << bits); ++i) {
      const uint32_t c = (prefix << bits) | i;
      const int len = prefixLen + bits;
      uint32_t entry = 0;
      int longest = 0;
      bool leaf = false;
      for (int s = 0; s < symbols; ++s) {
        const int l = code.lengths[s];
        if (l <= len && (c >> (len - l)) == static_cast<uint32_t>(code.codes[s])) {
          const int x = s / code.size, y = s % code.size;
          entry = static_cast<uint32_t>(l << 8 | x << 4 | y);
          leaf = true;
          break;
        }
        if (l > len && static_cast<uint32_t>(code.codes[s] >> (l - len)) == c && l > longest) longest = l;
      }
      if (!leaf) {
        const int sub = longest - len < 6 ? longest - len : 6;
        const int at = Build(c, len, sub);
        entry = kLink | static_cast<uint32_t>(sub) << 24 | static_cast<uint32_t>(at);
      }
      out[base + i] = entry;
    }
    return base;
  }
};

Lut MakeLut(const dmpa::HuffmanCode& code, int symbols) {
  Lut lut;
  int maxLen = 0;
  for (int s = 0; s < symbols; ++s) maxLen = code.lengths[s] > maxLen ? code.lengths[s] : maxLen;
  lut.rootBits = maxLen < 10 ? maxLen : 10;
  Builder b{code, symbols, lut.entries};
  b.Build(0, 0, lut.rootBits);
  return lut;
}

// A count-one quadruple with its signs in one lookup: by the quadruple's magnitudes (bit 3 for
// the first value) and the next four bits, the four values as 4-bit two's complement nibbles
// (the first in bits 0-3) and, in bits 16-18, the number of sign bits they take.
uint32_t QuadEntry(int q, int next4) {
  int used = 0;
  uint32_t entry = 0;
  for (int k = 0; k < 4; ++k) {
    int v = (q >> (3 - k)) & 1;
    if (v) {
      if ((next4 >> (3 - used)) & 1) v = -v;
      ++used;
    }
    entry |= (static_cast<uint32_t>(v) & 15) << (4 * k);
  }
  return entry | static_cast<uint32_t>(used) << 16;
}

struct Luts {
  Lut pairs[32];
  Lut quadA;
  uint32_t quads[16][16];
  Luts() {
    for (int q = 0; q < 16; ++q)
      for (int n = 0; n < 16; ++n) quads[q][n] = QuadEntry(q, n);
    for (int t = 0; t < 32; ++t) {
      const auto& c = dmpa::kHuffmanCodes[t];
      if (c.codes) pairs[t] = MakeLut(c, c.size * c.size);
    }
    quadA = MakeLut(dmpa::kCount1CodeA, 16);
  }
};

const Luts& GetLuts() {
  static const Luts luts;
  return luts;
}

// Reads one code: returns x << 4 | y (or the quadruple) and consumes its bits. The reader must
// hold at least 19 bits.
inline uint32_t ReadCode(_DMPABITS* b, const Lut& lut) {
  int used = lut.rootBits;
  uint32_t e = lut.entries[(b->acc >> (b->count - used)) & ((1u << used) - 1)];
  while (e & kLink) {
    const int sub = static_cast<int>((e >> 24) & 0x7F);
    const uint32_t idx = static_cast<uint32_t>((b->acc >> (b->count - used - sub)) & ((1u << sub) - 1));
    used += sub;
    e = lut.entries[(e & 0xFFFFFF) + idx];
  }
  b->count -= static_cast<int>(e >> 8);
  return e & 0xFF;
}

// A non-zero magnitude is followed by its sign bit. Without branches: the signs are as good as
// random.
inline int Signed(_DMPABITS* b, int v) {
  const int has = v != 0;
  const int sign = static_cast<int>((b->acc >> (b->count - 1)) & 1) & has;
  b->count -= has;
  return (v ^ -sign) + sign;
}

}  // namespace

namespace {

inline int Decode(_DMPABITS* b, long partEnd, const DmpaHuffmanRegions& r, int* values) {
  const Luts& luts = GetLuts();
  int line = 0, nonzero = 0;
  bool overrun = false;
  for (int region = 0; region < 3 && !overrun; ++region) {
    const int end = r.end[region];
    const int t = r.table[region];
    const auto& code = dmpa::kHuffmanCodes[t];
    if (!code.codes) {
      for (; line < end; ++line) values[line] = 0;
      continue;
    }
    const Lut& lut = luts.pairs[t];
    const int linbits = code.linbits;
    for (; line < end; line += 2) {
      DmpaNeedBits(b);  // >= 57 bits: a code (<= 19), two linbits fields (13) and two signs
      const uint32_t xy = ReadCode(b, lut);
      int x = static_cast<int>(xy >> 4), y = static_cast<int>(xy & 15);
      if (linbits) {
        if (x == 15) x += static_cast<int>(DmpaGetBits(b, linbits));
        x = Signed(b, x);
        if (y == 15) y += static_cast<int>(DmpaGetBits(b, linbits));
        y = Signed(b, y);
      } else {
        x = Signed(b, x);
        y = Signed(b, y);
      }
      values[line] = x;
      values[line + 1] = y;
      if (x | y) nonzero = line + 2;
      if (DmpaBitsPosition(b) > partEnd) {
        overrun = true;
        break;
      }
    }
  }
  if (overrun) {
    std::memset(values, 0, sizeof(int) * 576);
    return -1;
  }
  // Count-one quadruples while lines and bits remain; one that runs past the part is dropped.
  while (line < r.limit && DmpaBitsPosition(b) < partEnd) {
    DmpaNeedBits(b);
    uint32_t q;
    if (r.count1Table) {
      q = static_cast<uint32_t>(~(b->acc >> (b->count - 4)) & 15);
      b->count -= 4;
    } else {
      const uint32_t xy = ReadCode(b, luts.quadA);  // the quadruple's index as row and column
      q = (xy >> 4) * 4 + (xy & 15);
    }
    // Written in place: a quadruple that runs past the part is cleared with the rest below.
    const uint32_t e = luts.quads[q][(b->acc >> (b->count - 4)) & 15];
    b->count -= static_cast<int>(e >> 16);
    int* v = values + line;
    for (int k = 0; k < 4; ++k) v[k] = (static_cast<int>((e >> (4 * k)) & 15) ^ 8) - 8;
    if (DmpaBitsPosition(b) > partEnd) break;
    if (q & 3) nonzero = line + 4;
    else if (q & 12) nonzero = line + 2;
    line += 4;
  }
  if (line < 576) std::memset(values + line, 0, sizeof(int) * (576 - line));
  return nonzero;
}

}  // namespace

int DmpaHuffmanDecode(_DMPABITS* reader, long partEnd, const DmpaHuffmanRegions& r, int* values) {
  // A local copy of the reader: its count is an int like the values, so through the pointer
  // every store of a value would make the compiler load the reader again.
  _DMPABITS local = *reader;
  _DMPABITS* b = &local;
  const int nonzero = Decode(b, partEnd, r, values);
  *reader = local;
  return nonzero;
}

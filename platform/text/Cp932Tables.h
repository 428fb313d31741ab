#pragma once

#include <cstddef>
#include <cstdint>

// The code page 932 tables. They are generated at build time (tools/cp932table) from the
// system's iconv CP932 module, whose decoding follows Windows' table: 0x5C and 0x7E are the ASCII
// backslash and tilde, 0xA1-0xDF the half-width katakana, 0xF040-0xF9FC the private use area.
namespace platform::cp932 {

// Marks a byte or byte pair that is not a character of the code page.
inline constexpr char16_t kInvalid = 0xFFFF;

// Lead bytes 0x81-0x9F and 0xE0-0xFC; trail bytes 0x40-0x7E and 0x80-0xFC.
inline constexpr std::size_t kLeadCount = 31 + 29;
inline constexpr std::size_t kTrailCount = 63 + 125;

// Index of a lead byte among the lead bytes, or -1.
constexpr int leadIndex(unsigned char b) {
  if (b >= 0x81 && b <= 0x9F) return b - 0x81;
  if (b >= 0xE0 && b <= 0xFC) return 31 + (b - 0xE0);
  return -1;
}

// Index of a trail byte among the trail bytes, or -1.
constexpr int trailIndex(unsigned char b) {
  if (b >= 0x40 && b <= 0x7E) return b - 0x40;
  if (b >= 0x80 && b <= 0xFC) return 63 + (b - 0x80);
  return -1;
}

// Unit of each single byte; kInvalid for lead bytes and undefined bytes.
extern const char16_t kSingleByte[256];

// Unit of each lead/trail pair at leadIndex * kTrailCount + trailIndex; kInvalid when undefined.
extern const char16_t kDoubleByte[kLeadCount * kTrailCount];

// The reverse direction, sorted by unit. Where several codes decode to one unit, the code chosen
// is the one Windows writes: the lowest, except that the NEC-selected IBM extensions (lead bytes
// 0xED and 0xEE) give way to the IBM extensions (0xFA-0xFC).
struct EncodePair {
  char16_t unit;
  uint16_t code;  // a single byte below 0x100, else lead << 8 | trail
};
extern const EncodePair kEncode[];
extern const std::size_t kEncodeCount;

}  // namespace platform::cp932

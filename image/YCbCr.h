#pragma once

#include <cstdint>

// Integer YCbCr conversion for pixel kind 7 (bytes Y, Cr, Cb). Every conversion runs on thirteen
// tables of 256 products filled once at start-up, so no pixel needs floating point. The tables
// are all zero until DimgInitYCbCrTables has run: a conversion before that gives black-ish
// garbage, not a crash, so the start-up must call it before any image is touched.

struct DimgYCbCrTableSet {
  // Forward tables, index 0..255, coefficients scaled by 128: shares of R, G, B in Y, Cr, Cb.
  int32_t RY[256], GY[256], BY[256];
  int32_t RCr[256], GCr[256], BCr[256];
  int32_t RCb[256], GCb[256], BCb[256];
  // Backward tables, index i stands for i - 128. CrR and CbB hold the unscaled offsets of R and
  // B; CrG and CbG are scaled by 128 and summed before their shift. (Other texts call the same
  // tables TYr, TYg, TYb, TCrR, TCrG, TCrB, TCbR, TCbG, TCbB, TR, TGr, TGb, TB.)
  int32_t CrR[256], CrG[256], CbG[256], CbB[256];
};

// Fills the tables; returns true. Each entry is the single-precision product of the index and
// its coefficient, rounded to nearest with exact halves to even (CbB[3] = -221.5 becomes -222).
// Also decides whether the conversion rows may compute the entries in vector registers
// (DimgYCbCrVectorReady).
bool DimgInitYCbCrTables();

// The coefficients of the tables: JFIF's times 128, except CrR and CbB, which are the plain
// factors. They are single-precision constants on purpose: the rounded products depend on it.
namespace dimg_ycc {
inline constexpr float kRY = 38.272f, kGY = 75.136f, kBY = 14.592f;
inline constexpr float kRCr = 64.0f, kGCr = -53.59232f, kBCr = -10.40768f;
inline constexpr float kRCb = -21.59872f, kGCb = -42.40128f, kBCb = 64.0f;
inline constexpr float kCrR = 1.402f, kCrG = -91.40992f, kCbG = -44.04992f, kCbB = 1.772f;
static_assert(kRCr == 64.0f && kBCb == 64.0f, "the vector rows shift by 6 for these");

// The vector rows' rounding: a float below 2^22 in magnitude plus kRoundBias is rounded to a whole
// number (half to even), and its bit pattern is kRoundBits plus that number.
inline constexpr float kRoundBias = 12582912.0f;  // 1.5 x 2^23
inline constexpr int32_t kRoundBits = 0x4B400000;
// A sum of patterns wraps in a 32-bit lane; its offsets are taken off modulo 2^32 as well.
constexpr int32_t Wrapped(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }
// The Cr and Cb centre, 128, before the shift by 7.
inline constexpr int32_t kCentre = 128 * 128;

// The 16-bit rule of the AVX2 rows, with no floating point: an entry is the whole part of its
// coefficient (rounded down) times the index, plus the index times the rest of the coefficient in
// Q15, rounded as the rounding high multiply rounds ((j * q + 2^14) >> 15, arithmetic). The Q15
// fraction is the one nearest the coefficient's; DimgYCbCrIntegerRuleHolds checks that this gives
// every entry (a nearer-to-even tie such as CbB[3] included).
constexpr int32_t WholePart(float c) {
  const auto w = static_cast<int32_t>(c);
  return static_cast<float>(w) > c ? w - 1 : w;
}
constexpr int32_t FractionQ15(float c) {
  return static_cast<int32_t>((static_cast<double>(c) - WholePart(c)) * 32768.0 + 0.5);
}
constexpr int32_t IntegerShare(int32_t index, float c) {
  return WholePart(c) * index + ((index * FractionQ15(c) + 16384) >> 15);
}
}  // namespace dimg_ycc

// Whether `tables` hold, entry for entry, what the AVX2 rows compute by dimg_ycc::IntegerShare
// (index less 128 for the backward tables).
bool DimgYCbCrIntegerRuleHolds(const DimgYCbCrTableSet& tables);

// Whether `tables` hold, entry for entry, what the eight-pixel blocks compute in float lanes:
// the float product of the index (less 128 for the backward tables) and its coefficient,
// rounded by adding kRoundBias in the processor's round-to-nearest-even. That is the tables' own
// rule, so it holds unless the floating-point rounding mode has been changed (or the tables
// edited).
bool DimgYCbCrVectorRuleHolds(const DimgYCbCrTableSet& tables);

const DimgYCbCrTableSet& DimgYCbCrTables();

namespace dimg_detail {
extern DimgYCbCrTableSet ycbcrTables;
extern bool ycbcrVectorReady;

constexpr uint8_t Clamp8(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }
}  // namespace dimg_detail

// True once DimgInitYCbCrTables has filled the tables and found both DimgYCbCrVectorRuleHolds
// and DimgYCbCrIntegerRuleHolds; until then the rows convert kind 7 pixel by pixel through the
// tables.
inline bool DimgYCbCrVectorReady() { return dimg_detail::ycbcrVectorReady; }

// Shifts below are arithmetic (C++20 defines >> of a negative value as a floor), which the
// conversions rely on: a sum of -1 shifted by 7 is -1, not 0.

inline uint8_t DimgYFromRGB(uint8_t r, uint8_t g, uint8_t b) {
  const auto& t = dimg_detail::ycbcrTables;
  return dimg_detail::Clamp8((t.RY[r] + t.GY[g] + t.BY[b]) >> 7);
}

inline uint8_t DimgCrFromRGB(uint8_t r, uint8_t g, uint8_t b) {
  const auto& t = dimg_detail::ycbcrTables;
  return dimg_detail::Clamp8(((t.RCr[r] + t.GCr[g] + t.BCr[b]) >> 7) + 128);
}

inline uint8_t DimgCbFromRGB(uint8_t r, uint8_t g, uint8_t b) {
  const auto& t = dimg_detail::ycbcrTables;
  return dimg_detail::Clamp8(((t.RCb[r] + t.GCb[g] + t.BCb[b]) >> 7) + 128);
}

// Read Y and Cr (bytes 0 and 1) or Y and Cb (bytes 0 and 2) of a kind-7 pixel.
inline uint8_t DimgRFromYCrCb(const uint8_t* pixel) {
  return dimg_detail::Clamp8(pixel[0] + dimg_detail::ycbcrTables.CrR[pixel[1]]);
}

inline uint8_t DimgBFromYCrCb(const uint8_t* pixel) {
  return dimg_detail::Clamp8(pixel[0] + dimg_detail::ycbcrTables.CbB[pixel[2]]);
}

// The argument order (Cr, Cb, Y) is this routine's own; DimgYccToG below takes (Y, Cr, Cb).
inline uint8_t DimgGFromYCrCb(uint8_t cr, uint8_t cb, uint8_t y) {
  const auto& t = dimg_detail::ycbcrTables;
  return dimg_detail::Clamp8(y + ((t.CrG[cr] + t.CbG[cb]) >> 7));
}

// The texture copy families name the same component operations differently and give the green
// routine the order (Y, Cr, Cb). They are the routines above under those names, not copies: one
// formula each, whichever name a caller uses.
inline uint8_t DimgRgbToY(uint8_t r, uint8_t g, uint8_t b) { return DimgYFromRGB(r, g, b); }
inline uint8_t DimgRgbToCr(uint8_t r, uint8_t g, uint8_t b) { return DimgCrFromRGB(r, g, b); }
inline uint8_t DimgRgbToCb(uint8_t r, uint8_t g, uint8_t b) { return DimgCbFromRGB(r, g, b); }
inline uint8_t DimgYccToG(uint8_t y, uint8_t cr, uint8_t cb) { return DimgGFromYCrCb(cr, cb, y); }

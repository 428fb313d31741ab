#include "image/PixelConvert.h"

#include "image/tests/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Word(uint16_t w) { return {uint8_t(w), uint8_t(w >> 8)}; }

// Runs the conversion of one pair chosen at run time, over the pair's compiled instance.
template <template <uint32_t, uint32_t> class Rule>
Bytes Apply(uint32_t d, uint32_t s, const Bytes& src, Bytes dst) {
  bool found = false;
  imgtest::ForEachPair([&](auto dk, auto sk) {
    if (dk() == d && sk() == s) {
      Rule<dk(), sk()>::Run(src.data(), dst.data());
      found = true;
    }
  });
  EXPECT_TRUE(found);
  return dst;
}

template <uint32_t D, uint32_t S>
struct Convert {
  static void Run(const uint8_t* s, uint8_t* d) { DimgConvertPixel<D, S>(s, d); }
};
template <uint32_t D, uint32_t S>
struct Colour {
  static void Run(const uint8_t* s, uint8_t* d) { DimgColorPixel<D, S>(s, d); }
};

struct PairCase {
  const char* what;
  uint32_t d, s;
  Bytes src;
  Bytes before;  // the destination pixel before the write
  Bytes after;
};

std::string Describe(const PairCase& c) {
  return std::string(c.what) + " (" + std::to_string(c.d) + " <- " + std::to_string(c.s) + ")";
}

class PixelRules : public ::testing::Test {
 protected:
  void SetUp() override { imgtest::EnsureYCbCrTables(); }
};

// The kind-converting rule, with the pairs whose results are easy to get wrong.
TEST_F(PixelRules, ConversionExceptions) {
  const PairCase cases[] = {
      {"565 green widens with five bits", 0, 6, Word(0xFFFF), {0, 0, 0, 0}, {0xF8, 0xF8, 0xF8, 0xFF}},
      {"565 written back clears bit 5", 6, 0, {0xF8, 0xF8, 0xF8, 0xFF}, Word(0), Word(0xFFDF)},
      {"565 onto 565 keeps bit 5", 6, 6, Word(0xFFFF), Word(0), Word(0xFFFF)},
      {"565 onto 565 keeps a lone bit 5", 6, 6, Word(0x0020), Word(0), Word(0x0020)},
      {"1555 alpha bit widens to 255", 0, 4, Word(0x8000), {1, 2, 3, 4}, {0, 0, 0, 0xFF}},
      {"1555 alpha bit becomes nibble 8", 5, 4, Word(0x8000), Word(0), Word(0x8000)},
      {"1555 clear bit becomes nibble 0", 5, 4, Word(0x7FFF), Word(0xFFFF), Word(0x0FFF)},
      {"through 8 bits the nibble is 15", 5, 0, {0, 0, 0, 0xFF}, Word(0), Word(0xF000)},
      {"4444 widens without low bits", 0, 5, Word(0x1234), {0, 0, 0, 0}, {0x20, 0x30, 0x40, 0x10}},
      {"4444 to 565 puts green at 7-10", 6, 5, Word(0x1234), Word(0), Word(0x2188)},
      {"alpha 127 clears the 1555 bit", 4, 0, {0, 0, 0, 127}, Word(0xFFFF), Word(0x0000)},
      {"alpha 128 sets the 1555 bit", 4, 0, {0, 0, 0, 128}, Word(0), Word(0x8000)},
      {"no source alpha gives 255", 0, 1, {1, 2, 3}, {9, 9, 9, 9}, {1, 2, 3, 0xFF}},
      {"no source alpha gives the 1555 bit", 4, 3, {0, 0, 0}, Word(0), Word(0x8000)},
      {"no source alpha gives nibble 15", 5, 6, Word(0), Word(0), Word(0xF000)},
      {"destination drops alpha", 1, 0, {1, 2, 3, 4}, {9, 9, 9}, {1, 2, 3}},
      {"byte order swaps R and B", 2, 0, {1, 2, 3, 4}, {0, 0, 0, 0}, {3, 2, 1, 4}},
      {"1555 to 565 keeps red and blue", 6, 4, Word(0xFFFF), Word(0), Word(0xFFDF)},
      {"565 to 1555 drops green's low bit", 4, 6, Word(0x0020), Word(0), Word(0x8000)},
      {"ycc red decodes to 254", 0, 7, {0x4C, 0xFF, 0x54}, {9, 9, 9, 9}, {254, 0, 0, 0xFF}},
  };
  for (const PairCase& c : cases) {
    EXPECT_EQ(Apply<Convert>(c.d, c.s, c.src, c.before), c.after) << Describe(c);
  }
}

// The colour copy's rule: colour from the source, alpha of the destination left alone.
TEST_F(PixelRules, ColourCopyKeepsDestinationAlpha) {
  const PairCase cases[] = {
      {"565 full green reads 0,248,0", 0, 6, Word(0x07E0), {9, 9, 9, 0x55}, {0, 248, 0, 0x55}},
      {"565 back from 8 bits loses bit 5", 6, 0, {0, 248, 0, 0x55}, Word(0), Word(0x07C0)},
      {"565 onto 565 copies the word", 6, 6, Word(0x07E0), Word(0), Word(0x07E0)},
      {"1555 white reads 248", 1, 4, Word(0x7FFF), {0, 0, 0}, {248, 248, 248}},
      {"4444 into kind 0 keeps byte 3", 0, 5, Word(0x1234), {0xAA, 0xBB, 0xCC, 0xDD},
       {0x20, 0x30, 0x40, 0xDD}},
      {"kind 1 into 1555 keeps bit 15", 4, 1, {0x9C, 0x5A, 0x37}, Word(0x8000),
       Word(0x8000 | 0x13 << 10 | 0x0B << 5 | 0x06)},
      {"kind 1 into 1555 keeps a clear bit", 4, 1, {0x9C, 0x5A, 0x37}, Word(0x7FFF),
       Word(0x13 << 10 | 0x0B << 5 | 0x06)},
      {"kind 1 into 4444 keeps nibble A", 5, 1, {0x9C, 0x5A, 0x37}, Word(0xA000),
       Word(0xA000 | 9 << 8 | 5 << 4 | 3)},
      {"kind 1 into 565", 6, 1, {0x9C, 0x5A, 0x37}, Word(0xFFFF),
       Word(0x13 << 11 | 0x0B << 6 | 0x06)},
      {"kind 3 into kind 2 keeps byte 3", 2, 3, {1, 2, 3}, {0, 0, 0, 0x42}, {1, 2, 3, 0x42}},
      {"kind 0 into kind 2 ignores source alpha", 2, 0, {1, 2, 3, 4}, {0, 0, 0, 0x42},
       {3, 2, 1, 0x42}},
      {"1555 onto 1555 copies low 15 bits", 4, 4, Word(0x7FFF), Word(0x8000), Word(0xFFFF)},
      {"4444 onto 4444 copies low 12 bits", 5, 5, Word(0xF123), Word(0x3FFF), Word(0x3123)},
      {"small channels vanish in 5 and 4 bits", 4, 1, {7, 8, 15}, Word(0), Word(0 << 10 | 1 << 5 | 1)},
      {"ycc into kind 0 keeps byte 3", 0, 7, {0x4C, 0xFF, 0x54}, {9, 9, 9, 0x66}, {254, 0, 0, 0x66}},
  };
  for (const PairCase& c : cases) {
    EXPECT_EQ(Apply<Colour>(c.d, c.s, c.src, c.before), c.after) << Describe(c);
  }
}

// Over every pair, the colour rule must never change the destination's alpha bits and must
// agree with the converting rule on the colour bits.
TEST_F(PixelRules, ColourRuleAgreesWithConversionOnColourBits) {
  std::mt19937 rng(7);
  imgtest::ForEachPair([&](auto dk, auto sk) {
    constexpr uint32_t D = dk(), S = sk();
    for (int i = 0; i < 64; ++i) {
      uint8_t src[4], before[4];
      for (auto& b : src) b = uint8_t(rng());
      for (auto& b : before) b = uint8_t(rng());
      uint8_t colour[4], converted[4];
      std::copy(before, before + 4, colour);
      std::copy(before, before + 4, converted);
      DimgColorPixel<D, S>(src, colour);
      DimgConvertPixel<D, S>(src, converted);
      // Bits of the destination that hold alpha: byte 3, bit 15, bits 12-15.
      uint8_t alphaMask[4] = {0, 0, 0, 0};
      if (D == 0 || D == 2) alphaMask[3] = 0xFF;
      if (D == 4) alphaMask[1] = 0x80;
      if (D == 5) alphaMask[1] = 0xF0;
      for (int b = 0; b < 4; ++b) {
        EXPECT_EQ(colour[b] & alphaMask[b], before[b] & alphaMask[b])
            << D << " <- " << S << " byte " << b;
        EXPECT_EQ(colour[b] & ~alphaMask[b], converted[b] & ~alphaMask[b])
            << D << " <- " << S << " byte " << b;
      }
    }
  });
}

}  // namespace

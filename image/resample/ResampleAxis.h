#pragma once

#include <cstdint>
#include <vector>

// Where the output samples of one resampled axis fall on the source axis. Output k starts at
// source position p(k): p(0) = 0 and p(k + 1) = p(k) + step, step = L / N, all in single
// precision. The positions are accumulated, not computed as k × step, so each carries the
// rounding of every earlier addition; results depend on that bit for bit, so neither the order
// of the additions nor their precision may change.
//
// On long axes the accumulated rounding can carry a position past the source: from about 8192
// samples (8192 onto 8194 linearly, 8432 onto 8233 by area) the integer part reaches L. Every
// index below is therefore kept inside 0..L-1; shorter axes never get there, so none of their
// results depend on it.

// The linear pass's view of one output: samples `first` and `second` (the next one, or `first`
// again at the far edge) and the 16-bit weight of `second`.
struct DimgLinearTap {
  uint32_t first;
  uint32_t second;
  int32_t weight;  // 0..65535
};

// Steps through the N output positions of an axis of L samples (L, N at least 1).
class DimgLinearAxis {
 public:
  DimgLinearAxis(uint32_t srcLength, uint32_t dstLength)
      : step_(static_cast<float>(srcLength) / static_cast<float>(dstLength)),
        last_(srcLength - 1) {}

  DimgLinearTap Tap() const {
    const auto whole = static_cast<uint64_t>(position_);
    // Exact: the integer part of a float is a float, and so is the difference.
    const float fraction = position_ - static_cast<float>(whole);
    const uint32_t first = whole < last_ ? static_cast<uint32_t>(whole) : last_;
    const uint32_t second = first < last_ ? first + 1 : first;
    return {first, second, static_cast<int32_t>(fraction * 65536.0f)};
  }

  void Advance() { position_ = position_ + step_; }

 private:
  float position_ = 0.0f;
  float step_;
  uint32_t last_;
};

// The taps of all N outputs, made once per horizontal pass and used for every row;
// std::bad_alloc when the table cannot be made.
std::vector<DimgLinearTap> DimgLinearTaps(uint32_t srcLength, uint32_t dstLength);

// One channel blended between two samples: a + (((b - a) × weight) >> 16), the shift rounding
// towards minus infinity, so the result lies between a and b.
constexpr uint8_t DimgLinearBlend(uint8_t a, uint8_t b, int32_t weight) {
  return static_cast<uint8_t>(a + (((int32_t{b} - int32_t{a}) * weight) >> 16));
}

// Unsigned division by a divisor that many sums share, as a multiplication: for a divisor
// below 2^32 and a dividend below 2^32 (every footprint shorter than 65,000 samples) the
// quotient is the high half of dividend × ceil(2^64 / divisor), exactly the truncated quotient;
// anything else divides.
class DimgSharedDivisor {
 public:
  DimgSharedDivisor() = default;
  explicit DimgSharedDivisor(uint64_t divisor)
      : divisor_(divisor),
        reciprocal_(divisor > 1 && divisor <= UINT32_MAX ? UINT64_MAX / divisor + 1 : 0) {}

  uint64_t Divide(uint64_t n) const {
    if (reciprocal_ != 0 && n <= UINT32_MAX) {
      return static_cast<uint64_t>((static_cast<unsigned __int128>(n) * reciprocal_) >> 64);
    }
    return n / divisor_;
  }

 private:
  uint64_t divisor_ = 1;
  uint64_t reciprocal_ = 0;
};

// The footprint of one output of an area average, in 256ths of a sample. A channel's result is
//   ( (v(first) × firstWeight & firstMask)
//   + 256 × v(i) for every first < i < end
//   + (v(end) × endWeight & ~0xFF) ) / divisor,
// v(end) read only when endWeight is not 0. An inner output keeps only the whole part of each
// edge product (the mask drops the low byte) and divides by W = 256 × step, truncated, so a
// uniform 255 comes out as 253 to 255 depending on the edge weights: the values that outputs
// have always had. The output whose footprint reaches the end of the source (the last one, and
// on long axes any that runs past it) covers the rest of the source and divides by that span's
// own length, the first sample weighted exactly, so it is the true weighted mean of what it
// covers and never exceeds 255. At whole-number steps that is the same value as the inner
// rule's, since the span is then W and the first sample whole.
struct DimgAreaSpan {
  uint32_t first;
  uint32_t end;
  uint32_t firstWeight;  // 1..256
  uint32_t firstMask;
  uint32_t endWeight;  // 0..255
  DimgSharedDivisor divisor;
};

// The N footprints of an area average of L samples onto N (N < L, so the step exceeds 1). The
// table is made once per pass and serves every row or column; std::bad_alloc when it cannot be.
std::vector<DimgAreaSpan> DimgAreaSpans(uint32_t srcLength, uint32_t dstLength);

// The whole-sample part of a footprint, as the passes add it up.
constexpr uint64_t DimgAreaWhole(uint32_t v) { return uint64_t{v} << 8; }
constexpr uint64_t DimgAreaFirst(uint32_t v, const DimgAreaSpan& span) {
  return (v * span.firstWeight) & span.firstMask;
}
constexpr uint64_t DimgAreaEnd(uint32_t v, const DimgAreaSpan& span) {
  return (v * span.endWeight) & ~0xFFu;
}

#pragma once

#include <cstdint>

// Integer nearest-index stepping shared by every stretch (one row's columns, or a rectangle's
// rows). Destination index d takes source index min(S - 1, ceil((2·S·d - D) / (2·D))): d·S/D
// rounded to nearest with exact halves rounded down, not centred on pixel middles, so
// destination index 0 always takes source index 0 (2 onto 6 gives 0, 0, 1, 1, 1, 1).
//
// The error term is 64-bit: with 32 bits, 2·S overflows for lengths of 2^30 and more, which an
// image may legally have; for all smaller lengths the sequence is the same.
class DimgNearestStep {
 public:
  // srcLength must be at least 1; the callers test for empty rows first.
  DimgNearestStep(uint32_t srcLength, uint32_t dstLength)
      : last_(srcLength - 1),
        error_(2 * int64_t{srcLength} - int64_t{dstLength}),
        srcTwice_(2 * int64_t{srcLength}),
        dstTwice_(2 * int64_t{dstLength}) {}

  uint32_t Index() const { return index_; }

  // Moves on to the source index of the next destination index. The clamp at S - 1 does not
  // stop the error term from falling.
  void Advance() {
    while (error_ > 0) {
      if (index_ < last_) {
        ++index_;
      }
      error_ -= dstTwice_;
    }
    error_ += srcTwice_;
  }

 private:
  uint32_t index_ = 0;
  uint32_t last_;
  int64_t error_;
  int64_t srcTwice_;
  int64_t dstTwice_;
};

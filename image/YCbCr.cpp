#include "image/YCbCr.h"

#include "image/DimgRound.h"

#include <emmintrin.h>

namespace dimg_detail {
DimgYCbCrTableSet ycbcrTables{};
bool ycbcrVectorReady = false;
}  // namespace dimg_detail

namespace {

// One table: where it lives, its coefficient (YCbCr.h) and the value its index 0 stands for.
struct TableRule {
  int32_t (DimgYCbCrTableSet::*table)[256];
  float coefficient;
  int32_t indexOffset;  // 0 for the forward tables, 128 for the backward ones
};

using namespace dimg_ycc;  // NOLINT: the thirteen coefficients below

constexpr TableRule kRules[] = {
    {&DimgYCbCrTableSet::RY, kRY, 0},     {&DimgYCbCrTableSet::GY, kGY, 0},
    {&DimgYCbCrTableSet::BY, kBY, 0},     {&DimgYCbCrTableSet::RCr, kRCr, 0},
    {&DimgYCbCrTableSet::GCr, kGCr, 0},   {&DimgYCbCrTableSet::BCr, kBCr, 0},
    {&DimgYCbCrTableSet::RCb, kRCb, 0},   {&DimgYCbCrTableSet::GCb, kGCb, 0},
    {&DimgYCbCrTableSet::BCb, kBCb, 0},   {&DimgYCbCrTableSet::CrR, kCrR, 128},
    {&DimgYCbCrTableSet::CrG, kCrG, 128}, {&DimgYCbCrTableSet::CbG, kCbG, 128},
    {&DimgYCbCrTableSet::CbB, kCbB, 128},
};

}  // namespace

bool DimgInitYCbCrTables() {
  for (const TableRule& rule : kRules) {
    int32_t* entries = dimg_detail::ycbcrTables.*rule.table;
    for (int32_t i = 0; i < 256; ++i) {
      // The product is rounded to float first; the integer rounding works on that float.
      const float product = static_cast<float>(i - rule.indexOffset) * rule.coefficient;
      entries[i] = static_cast<int32_t>(DimgRoundHalfEven(product));
    }
  }
  dimg_detail::ycbcrVectorReady = DimgYCbCrVectorRuleHolds(dimg_detail::ycbcrTables) &&
                                  DimgYCbCrIntegerRuleHolds(dimg_detail::ycbcrTables);
  return true;
}

bool DimgYCbCrVectorRuleHolds(const DimgYCbCrTableSet& tables) {
  for (const TableRule& rule : kRules) {
    const int32_t* entries = tables.*rule.table;
    for (int32_t i = 0; i < 256; i += 4) {
      const __m128i index =
          _mm_sub_epi32(_mm_setr_epi32(i, i + 1, i + 2, i + 3), _mm_set1_epi32(rule.indexOffset));
      const __m128i got =
          _mm_cvtps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(index), _mm_set1_ps(rule.coefficient)));
      const __m128i want = _mm_loadu_si128(reinterpret_cast<const __m128i*>(entries + i));
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(got, want)) != 0xFFFF) {
        return false;
      }
    }
  }
  return true;
}

bool DimgYCbCrIntegerRuleHolds(const DimgYCbCrTableSet& tables) {
  for (const TableRule& rule : kRules) {
    const int32_t* entries = tables.*rule.table;
    for (int32_t i = 0; i < 256; ++i) {
      if (entries[i] != dimg_ycc::IntegerShare(i - rule.indexOffset, rule.coefficient)) {
        return false;
      }
    }
  }
  return true;
}

const DimgYCbCrTableSet& DimgYCbCrTables() { return dimg_detail::ycbcrTables; }

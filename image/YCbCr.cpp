#include "image/YCbCr.h"

#include "image/DimgRound.h"
#include "image/YCbCrPacked.h"

namespace dimg_detail {
DimgYCbCrTableSet ycbcrTables{};
}  // namespace dimg_detail

namespace {

// JFIF coefficients times 128, except CrR and CbB, which are the plain factors. They are
// single-precision constants on purpose: the rounded products depend on it.
struct TableRule {
  int32_t (DimgYCbCrTableSet::*table)[256];
  float coefficient;
  int32_t indexOffset;  // 0 for the forward tables, 128 for the backward ones
};

constexpr TableRule kRules[] = {
    {&DimgYCbCrTableSet::RY, 38.272f, 0},       {&DimgYCbCrTableSet::GY, 75.136f, 0},
    {&DimgYCbCrTableSet::BY, 14.592f, 0},       {&DimgYCbCrTableSet::RCr, 64.0f, 0},
    {&DimgYCbCrTableSet::GCr, -53.59232f, 0},   {&DimgYCbCrTableSet::BCr, -10.40768f, 0},
    {&DimgYCbCrTableSet::RCb, -21.59872f, 0},   {&DimgYCbCrTableSet::GCb, -42.40128f, 0},
    {&DimgYCbCrTableSet::BCb, 64.0f, 0},        {&DimgYCbCrTableSet::CrR, 1.402f, 128},
    {&DimgYCbCrTableSet::CrG, -91.40992f, 128}, {&DimgYCbCrTableSet::CbG, -44.04992f, 128},
    {&DimgYCbCrTableSet::CbB, 1.772f, 128},
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
  DimgBuildYCbCrPacked(dimg_detail::ycbcrTables, dimg_detail::ycbcrPacked);
  return true;
}

const DimgYCbCrTableSet& DimgYCbCrTables() { return dimg_detail::ycbcrTables; }

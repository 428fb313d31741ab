#include "image/resample/ResampleAxis.h"

namespace {

struct Position {
  uint64_t whole;
  uint32_t fraction256;  // the fraction in 256ths, truncated
};

Position Split(float position) {
  const auto whole = static_cast<uint64_t>(position);
  return {whole, static_cast<uint32_t>((position - static_cast<float>(whole)) * 256.0f)};
}

}  // namespace

std::vector<DimgLinearTap> DimgLinearTaps(uint32_t srcLength, uint32_t dstLength) {
  std::vector<DimgLinearTap> taps(dstLength);
  DimgLinearAxis axis(srcLength, dstLength);
  for (DimgLinearTap& tap : taps) {
    tap = axis.Tap();
    axis.Advance();
  }
  return taps;
}

std::vector<DimgAreaSpan> DimgAreaSpans(uint32_t srcLength, uint32_t dstLength) {
  std::vector<DimgAreaSpan> spans(dstLength);
  const float step = static_cast<float>(srcLength) / static_cast<float>(dstLength);
  const DimgSharedDivisor innerDivisor(static_cast<uint64_t>(step * 256.0f));
  const uint32_t last = srcLength - 1;
  float position = 0.0f;
  Position start = Split(position);
  for (uint32_t k = 0; k < dstLength; ++k) {
    position = position + step;
    const Position next = Split(position);
    DimgAreaSpan& span = spans[k];
    // A start past the source (long axes only) is held on the last sample.
    span.first = start.whole < last ? static_cast<uint32_t>(start.whole) : last;
    span.firstWeight = 256 - start.fraction256;
    if (k + 1 < dstLength && next.whole < srcLength) {
      span.end = static_cast<uint32_t>(next.whole);
      span.endWeight = next.fraction256;
      span.firstMask = ~0xFFu;
      span.divisor = innerDivisor;
    } else {
      span.end = srcLength;
      span.endWeight = 0;
      span.firstMask = ~0u;
      span.divisor = DimgSharedDivisor(span.firstWeight + (uint64_t{last - span.first} << 8));
    }
    start = next;
  }
  return spans;
}

#include "image/YCbCrPacked.h"

#include <algorithm>
#include <cstdint>

namespace dimg_detail {
DimgYCbCrPacked ycbcrPacked{};
}  // namespace dimg_detail

namespace {

constexpr int64_t kLaneLimit = 0xFFFF;

int64_t Min(const int32_t (&t)[256]) { return *std::min_element(t, t + 256); }
int64_t Max(const int32_t (&t)[256]) { return *std::max_element(t, t + 256); }

uint64_t Lanes(int64_t l0, int64_t l1, int64_t l2) {
  return static_cast<uint64_t>(l0) | static_cast<uint64_t>(l1) << 16 |
         static_cast<uint64_t>(l2) << 32;
}

// One forward lane: the shares of R, G and B in one component. Returns the bias of each table
// so that every biased entry is non-negative and the biases add up to `total`, or false when the
// biased sum could leave 0..32767 (then >> 7 would not give the clamped component).
bool ForwardLane(const int32_t (&r)[256], const int32_t (&g)[256], const int32_t (&b)[256],
                 int64_t total, int64_t (&bias)[3]) {
  bias[1] = -std::min<int64_t>(Min(g), 0);
  bias[2] = -std::min<int64_t>(Min(b), 0);
  bias[0] = total - bias[1] - bias[2];
  const int64_t low = Min(r) + bias[0];
  const int64_t high = Max(r) + Max(g) + Max(b) + total;
  return low >= 0 && high <= 32767;
}

}  // namespace

void DimgBuildYCbCrPacked(const DimgYCbCrTableSet& t, DimgYCbCrPacked& packed) {
  packed.ready = false;
  int64_t y[3], cr[3], cb[3];
  constexpr int64_t kCentre = 128 * 128;  // +128 after the shift by 7
  if (!ForwardLane(t.RY, t.GY, t.BY, 0, y) || !ForwardLane(t.RCr, t.GCr, t.BCr, kCentre, cr) ||
      !ForwardLane(t.RCb, t.GCb, t.BCb, kCentre, cb)) {
    return;
  }
  // Backward: R and B offsets scaled by 128 so that one shift serves all lanes; G's two shares
  // biased by a multiple of 128 in total, so the shift floors their sum exactly as >> 7 does.
  const int64_t rBias = -std::min<int64_t>(Min(t.CrR), 0);
  const int64_t bBias = -std::min<int64_t>(Min(t.CbB), 0);
  const int64_t crG = -std::min<int64_t>(Min(t.CrG), 0);
  const int64_t cbG = (crG - std::min<int64_t>(Min(t.CbG), 0) + 127) / 128 * 128 - crG;
  if (128 * (Max(t.CrR) + rBias) > kLaneLimit || 128 * (Max(t.CbB) + bBias) > kLaneLimit ||
      Max(t.CrG) + crG + Max(t.CbG) + cbG > kLaneLimit) {
    return;
  }
  for (int i = 0; i < 256; ++i) {
    packed.fromR[i] = Lanes(t.RY[i] + y[0], t.RCr[i] + cr[0], t.RCb[i] + cb[0]);
    packed.fromG[i] = Lanes(t.GY[i] + y[1], t.GCr[i] + cr[1], t.GCb[i] + cb[1]);
    packed.fromB[i] = Lanes(t.BY[i] + y[2], t.BCr[i] + cr[2], t.BCb[i] + cb[2]);
    packed.fromCr[i] = Lanes(128 * (t.CrR[i] + rBias), t.CrG[i] + crG, 0);
    packed.fromCb[i] = Lanes(0, t.CbG[i] + cbG, 128 * (t.CbB[i] + bBias));
  }
  packed.decodeBias[0] = static_cast<uint16_t>(rBias);
  packed.decodeBias[1] = static_cast<uint16_t>((crG + cbG) / 128);
  packed.decodeBias[2] = static_cast<uint16_t>(bBias);
  packed.decodeBias[3] = 0;
  packed.ready = true;
}

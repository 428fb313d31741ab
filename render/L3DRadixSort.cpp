#include "render/L3DRadixSort.h"

#include "foundation/dbtl/DBuffer.h"

#include <cstring>
#include <utility>

namespace {

struct RankBuffers {
  dbtl::DBuffer<uint32_t, 256> a;
  dbtl::DBuffer<uint32_t, 256> b;
};

RankBuffers& buffers() {
  static RankBuffers shared;
  return shared;
}

inline uint32_t bitsOf(float key) {
  uint32_t bits;
  std::memcpy(&bits, &key, 4);
  return bits;
}

inline uint32_t byteOf(uint32_t bits, uint32_t pass) { return (bits >> (8 * pass)) & 0xFF; }

// The sign byte: non-negative keys ascend by their byte from after the negatives; negative
// keys (byte 128 and above) descend by magnitude, byte 255 first, each placed from the end of
// its range downwards so that a larger magnitude lands earlier.
void signPass(const float* keys, uint32_t count, const uint32_t (&histogram)[256],
              const uint32_t* from, uint32_t* to) {
  uint32_t negatives = 0;
  for (uint32_t b = 128; b < 256; ++b) negatives += histogram[b];
  uint32_t slot[256];
  slot[0] = negatives;
  for (uint32_t b = 1; b < 128; ++b) slot[b] = slot[b - 1] + histogram[b - 1];
  // For the negatives, slot holds the end of the byte's range.
  slot[255] = histogram[255];
  for (uint32_t b = 254; b >= 128; --b) slot[b] = slot[b + 1] + histogram[b];
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t rank = from[i];
    const uint32_t b = byteOf(bitsOf(keys[rank]), 3);
    if (b < 128) {
      to[slot[b]++] = rank;
    } else {
      to[--slot[b]] = rank;
    }
  }
}

}  // namespace

const uint32_t* l3dRadixSort(const float* keys, uint32_t count) {
  if (keys == nullptr || count == 0) return nullptr;
  RankBuffers& shared = buffers();
  shared.a.Reserve(count);
  shared.b.Reserve(count);
  uint32_t* ranks = shared.a.GetData();
  uint32_t* other = shared.b.GetData();
  for (uint32_t i = 0; i < count; ++i) ranks[i] = i;

  uint32_t histogram[4][256] = {};
  bool ordered = true;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t bits = bitsOf(keys[i]);
    for (uint32_t pass = 0; pass < 4; ++pass) ++histogram[pass][byteOf(bits, pass)];
    if (ordered && i > 0 && keys[i] < keys[i - 1]) ordered = false;
  }
  if (ordered) return ranks;

  const uint32_t first = bitsOf(keys[0]);
  for (uint32_t pass = 0; pass < 3; ++pass) {
    const uint32_t(&h)[256] = histogram[pass];
    if (h[byteOf(first, pass)] == count) continue;
    uint32_t slot[256];
    slot[0] = 0;
    for (uint32_t b = 1; b < 256; ++b) slot[b] = slot[b - 1] + h[b - 1];
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t rank = ranks[i];
      other[slot[byteOf(bitsOf(keys[rank]), pass)]++] = rank;
    }
    std::swap(ranks, other);
  }

  const uint32_t sign = byteOf(first, 3);
  if (histogram[3][sign] == count) {
    // All negative: ascending magnitude is descending value.
    if (sign >= 128) {
      for (uint32_t i = 0, j = count - 1; i < j; ++i, --j) std::swap(ranks[i], ranks[j]);
    }
    return ranks;
  }
  signPass(keys, count, histogram[3], ranks, other);
  return other;
}

void l3dRadixSortRelease() {
  buffers().a.Release();
  buffers().b.Release();
}

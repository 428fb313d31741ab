#pragma once

// Test-only reference model of the pixel rules, written straight from the kinds' decoding and
// encoding tables (the literal masks and shifts, not the production field templates), plus a
// small image of either row order with poisoned padding.

#include "image/DImage.h"
#include "image/DImageReverse.h"
#include "image/YCbCr.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <utility>
#include <vector>

namespace imgtest {

inline void EnsureYCbCrTables() {
  static const bool ready = DimgInitYCbCrTables();
  (void)ready;
}

inline uint32_t RefBytes(uint32_t kind) {
  static const uint32_t bytes[8] = {4, 3, 4, 3, 2, 2, 2, 3};
  return bytes[kind];
}

using Rgba = std::array<int, 4>;

inline int Clamp(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

inline Rgba RefDecode(uint32_t kind, const uint8_t* p) {
  const uint32_t w = p[0] | p[1] << 8;
  const DimgYCbCrTableSet& t = DimgYCbCrTables();
  switch (kind) {
    case 0: return {p[0], p[1], p[2], p[3]};
    case 1: return {p[0], p[1], p[2], 255};
    case 2: return {p[2], p[1], p[0], p[3]};
    case 3: return {p[2], p[1], p[0], 255};
    case 4:
      return {int((w >> 7) & 0xF8), int((w >> 2) & 0xF8), int((w << 3) & 0xF8),
              (w & 0x8000) ? 255 : 0};
    case 5:
      return {int((w >> 4) & 0xF0), int(w & 0xF0), int((w << 4) & 0xF0), int((w >> 8) & 0xF0)};
    case 6:
      return {int((w >> 8) & 0xF8), int((w >> 3) & 0xF8), int((w << 3) & 0xF8), 255};
    default: {
      const int y = p[0], cr = p[1], cb = p[2];
      return {Clamp(y + t.CrR[cr]), Clamp(y + ((t.CrG[cr] + t.CbG[cb]) >> 7)),
              Clamp(y + t.CbB[cb]), 255};
    }
  }
}

inline void RefEncode(uint32_t kind, const Rgba& c, uint8_t* p) {
  const uint32_t r = c[0], g = c[1], b = c[2], a = c[3];
  const DimgYCbCrTableSet& t = DimgYCbCrTables();
  uint32_t w = 0;
  switch (kind) {
    case 0: p[0] = r; p[1] = g; p[2] = b; p[3] = a; return;
    case 1: p[0] = r; p[1] = g; p[2] = b; return;
    case 2: p[0] = b; p[1] = g; p[2] = r; p[3] = a; return;
    case 3: p[0] = b; p[1] = g; p[2] = r; return;
    case 4: w = (a >> 7) << 15 | (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3); break;
    case 5: w = (a >> 4) << 12 | (r >> 4) << 8 | (g >> 4) << 4 | (b >> 4); break;
    case 6: w = (r >> 3) << 11 | (g >> 3) << 6 | (b >> 3); break;
    default:
      p[0] = Clamp((t.RY[r] + t.GY[g] + t.BY[b]) >> 7);
      p[1] = Clamp(((t.RCr[r] + t.GCr[g] + t.BCr[b]) >> 7) + 128);
      p[2] = Clamp(((t.RCb[r] + t.GCb[g] + t.BCb[b]) >> 7) + 128);
      return;
  }
  p[0] = uint8_t(w);
  p[1] = uint8_t(w >> 8);
}

// The pair rule of the kind-converting pixel conversion.
inline void RefConvert(uint32_t d, uint32_t s, const uint8_t* src, uint8_t* dst) {
  if (d == s && d != 7) {
    std::memcpy(dst, src, RefBytes(d));
  } else if (d == 5 && s == 4) {
    const uint32_t w = src[0] | src[1] << 8;
    uint8_t tmp[2];
    Rgba c = RefDecode(4, src);
    c[3] = 0;
    RefEncode(5, c, tmp);
    const uint32_t out = (tmp[0] | tmp[1] << 8) | (w & 0x8000);
    dst[0] = uint8_t(out);
    dst[1] = uint8_t(out >> 8);
  } else {
    RefEncode(d, RefDecode(s, src), dst);
  }
}

// Source index that destination index d of a stretch from s to dlen picks:
// d·s/dlen rounded to nearest, exact halves down, never past s - 1.
inline uint32_t RefStretchIndex(uint64_t s, uint64_t dlen, uint64_t d) {
  const int64_t num = int64_t(2 * s * d) - int64_t(dlen);
  const int64_t den = int64_t(2 * dlen);
  int64_t idx = num <= 0 ? 0 : (num + den - 1) / den;
  if (idx > int64_t(s - 1)) idx = int64_t(s - 1);
  return uint32_t(idx);
}

enum class RowOrder { TopDown, BottomUp };

// A real image of either row order whose pitch is wider than its pixels; all of its memory
// (pixels and padding) starts out as a poison pattern.
struct TestImage {
  TestImage(uint32_t kindIn, uint32_t w, uint32_t h, uint32_t padding, RowOrder order)
      : kind(kindIn) {
    if (order == RowOrder::TopDown) {
      image = std::make_unique<dbtl::DImage>();
    } else {
      image = std::make_unique<dbtl::DImageReverse>();
    }
    created = image->Create(w, h, w * RefBytes(kindIn) + padding, kindIn);
    if (created) {
      std::memset(image->GetBuffer(), 0xA5, MemoryBytes());
    }
  }

  size_t MemoryBytes() const { return size_t(image->GetHeight()) * image->GetPitch(); }
  std::vector<uint8_t> Memory() const {
    const uint8_t* start = image->GetBuffer();
    return std::vector<uint8_t>(start, start + MemoryBytes());
  }
  uint8_t* Pixel(uint32_t x, uint32_t y) const { return image->GetPixelAddress(x, y); }
  size_t Offset(uint32_t x, uint32_t y) const { return size_t(Pixel(x, y) - image->GetBuffer()); }
  uint8_t* Bits() const { return image->GetBits(); }
  void FillPixels(std::mt19937& rng) {
    for (uint32_t y = 0; y < image->GetHeight(); ++y) {
      for (uint32_t i = 0; i < image->GetWidth() * RefBytes(kind); ++i) Pixel(0, y)[i] = uint8_t(rng());
    }
  }

  uint32_t kind;
  std::unique_ptr<dbtl::DImage> image;
  bool created = false;
};

// Calls f(std::integral_constant<uint32_t, D>, std::integral_constant<uint32_t, S>) for all
// 64 pairs of kinds.
template <class F, uint32_t... I>
void ForEachPairImpl(F&& f, std::integer_sequence<uint32_t, I...>) {
  (f(std::integral_constant<uint32_t, I / 8>{}, std::integral_constant<uint32_t, I % 8>{}), ...);
}

template <class F>
void ForEachPair(F&& f) {
  ForEachPairImpl(f, std::make_integer_sequence<uint32_t, 64>{});
}

}  // namespace imgtest

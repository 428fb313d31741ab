#include "platform/d3d9/raster/Rasteriser.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if D3D9_SSE2
#include <emmintrin.h>
#endif

namespace d3d9 {
namespace {

constexpr int64_t kSub = 256;  // sub-pixel steps per pixel

int64_t floorDiv(int64_t n, int64_t d) {  // d > 0
  return n >= 0 ? n / d : -((-n + d - 1) / d);
}

int64_t ceilDiv(int64_t n, int64_t d) { return -floorDiv(-n, d); }

struct Edge {
  int64_t a, b, c;  // E(P) = a * Px + b * Py + c, P in sub-pixel units; inside where E >= 0
};

Edge makeEdge(int64_t xi, int64_t yi, int64_t xj, int64_t yj) {
  const int64_t dx = xj - xi, dy = yj - yi;
  // Pixels exactly on an edge belong to the triangle only for top edges (horizontal, running
  // right on a clockwise triangle) and left edges (running up); the others exclude them.
  const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
  return {-dy, dx, dy * xi - dx * yi - (topLeft ? 0 : 1)};
}

}  // namespace

void Rasteriser::begin(PixelStage* stage, const MergeSetup* merge, const DepthSetup* depth,
                       uint32_t cullMode, const ClipRect& clip) {
  stage_ = stage;
  merge_ = merge;
  depth_ = depth;
  cull_ = cullMode;
  clip_ = clip;
  channelCount_ = stage->channels().count;
  stepped_ = stage->channels().stepped;
  wide_ = simdLevel() == SimdLevel::Sse2;
  rowCount_ = 0;
  pos_ = 0;
  for (uint32_t c = 0; c < channelCount_; ++c) channelPtr_[c] = values_[c];
}

void Rasteriser::triangle(const ScreenVertex& va, const ScreenVertex& vb,
                          const ScreenVertex& vc) {
  const ScreenVertex* v[3] = {&va, &vb, &vc};
  int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i) {
    // The comparisons are false for NaN as well: such a triangle is not drawn.
    if (!(std::fabs(v[i]->x) <= kRasterLimit && std::fabs(v[i]->y) <= kRasterLimit)) return;
    X[i] = std::llround(double(v[i]->x) * kSub);
    Y[i] = std::llround(double(v[i]->y) * kSub);
  }
  int64_t cross = (X[1] - X[0]) * (Y[2] - Y[0]) - (Y[1] - Y[0]) * (X[2] - X[0]);
  if (cross == 0) return;
  // With y pointing down, a positive cross product is a clockwise triangle on screen.
  const bool clockwise = cross > 0;
  if ((cull_ == D3DCULL_CW && clockwise) || (cull_ == D3DCULL_CCW && !clockwise)) return;
  if (!clockwise) {
    std::swap(v[1], v[2]);
    std::swap(X[1], X[2]);
    std::swap(Y[1], Y[2]);
    cross = -cross;
  }
  const Edge edges[3] = {makeEdge(X[0], Y[0], X[1], Y[1]), makeEdge(X[1], Y[1], X[2], Y[2]),
                         makeEdge(X[2], Y[2], X[0], Y[0])};

  // Attribute planes over the snapped positions, in pixels. The vertices are taken in one
  // canonical order (by row, then column) so that the same triangle given in another order, or
  // from a strip or a fan, gets bit-identical planes.
  int o[3] = {0, 1, 2};
  std::sort(o, o + 3, [&](int p, int q) { return Y[p] != Y[q] ? Y[p] < Y[q] : X[p] < X[q]; });
  const double x0 = double(X[o[0]]) / kSub, y0 = double(Y[o[0]]) / kSub;
  const double x1 = double(X[o[1]]) / kSub - x0, y1 = double(Y[o[1]]) / kSub - y0;
  const double x2 = double(X[o[2]]) / kSub - x0, y2 = double(Y[o[2]]) / kSub - y0;
  const double det = x1 * y2 - x2 * y1;
  const ScreenVertex& p0 = *v[o[0]];
  const ScreenVertex& p1 = *v[o[1]];
  const ScreenVertex& p2 = *v[o[2]];
  auto plane = [&](float a0, float a1, float a2) {
    const double d1 = double(a1) - a0, d2 = double(a2) - a0;
    const double dx = (d1 * y2 - d2 * y1) / det;
    const double dy = (d2 * x1 - d1 * x2) / det;
    return Plane{double(a0) - dx * x0 - dy * y0, dx, dy};
  };
  z_ = plane(p0.z, p1.z, p2.z);
  rhw_ = plane(p0.rhw, p1.rhw, p2.rhw);
  perspective_ = !(p0.rhw == p1.rhw && p1.rhw == p2.rhw);
  // Rows are batched only where the pixel stages interpolate every pixel on its own: a span
  // without a gradient of 1/w is sampled by stepping from its first pixel.
  batch_ = float(rhw_.dx) != 0.0f || float(rhw_.dy) != 0.0f;
  for (uint32_t c = 0; c < channelCount_; ++c) {
    ch_[c] = plane(p0.ch[c], p1.ch[c], p2.ch[c]);
    gradX_[c] = float(ch_[c].dx);
    gradY_[c] = float(ch_[c].dy);
    // A value equal at the three vertices is the same over the whole triangle, with or
    // without perspective (then only value x rhw varies).
    const float a = p0.ch[c] / p0.rhw, b = p1.ch[c] / p1.rhw, e = p2.ch[c] / p2.rhw;
    const float tolerance = 1e-6f * std::max(1.0f, std::fabs(a));
    flat_[c] = std::fabs(b - a) <= tolerance && std::fabs(e - a) <= tolerance;
    flatValue_[c] = a;
  }

  const int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
  const int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
  const int64_t rowFirst = std::max<int64_t>(ceilDiv(minY, kSub), clip_.top);
  const int64_t rowLast = std::min<int64_t>(floorDiv(maxY, kSub), clip_.bottom - 1);
  const int64_t colFirst = std::max<int64_t>(ceilDiv(minX, kSub), clip_.left);
  const int64_t colLast = std::min<int64_t>(floorDiv(maxX, kSub), clip_.right - 1);
  for (int64_t py = rowFirst; py <= rowLast; ++py) {
    int64_t left = colFirst, right = colLast;
    for (const Edge& e : edges) {
      // a * (px * kSub) + r >= 0 solved for px.
      const int64_t r = e.b * py * kSub + e.c;
      const int64_t a = e.a * kSub;
      if (a > 0) {
        left = std::max(left, ceilDiv(-r, a));
      } else if (a < 0) {
        right = std::min(right, floorDiv(r, -a));
      } else if (r < 0) {
        right = left - 1;
      }
    }
    for (int64_t x = left; x <= right; x += kChunk) {
      addRow(int32_t(x), int32_t(py), uint32_t(std::min<int64_t>(kChunk, right - x + 1)));
    }
  }
  flush();
}

namespace {

// The per-pixel interpolation of a span, in plain loops and in SSE2 loops four pixels at a time
// that perform the same float operations in the same order (so the same bits). The SSE2 loops
// fill whole groups of four: the rasteriser's arrays hold kMaxSpan values, a multiple of four,
// and what lies past `count` is never read.
template <bool kWide>
struct SpanLoops {
  // out[i] = base + step x (x + i)
  static void ramp(float base, float step, int32_t x, uint32_t count, float* out) {
    for (uint32_t i = 0; i < count; ++i) out[i] = base + step * float(x + int32_t(i));
  }
  // out[i] = 1 / (base + step x (x + i))
  static void reciprocalRamp(float base, float step, int32_t x, uint32_t count, float* out) {
    for (uint32_t i = 0; i < count; ++i) out[i] = 1.0f / (base + step * float(x + int32_t(i)));
  }
  // out[i] = (base + step x (x + i)) x w[i]
  static void weightedRamp(float base, float step, int32_t x, uint32_t count, const float* w,
                           float* out) {
    for (uint32_t i = 0; i < count; ++i) out[i] = (base + step * float(x + int32_t(i))) * w[i];
  }
  // live[i] = pass(z[i], depth[i]); answers how many pass.
  template <class Pass>
  static uint32_t test(const float* z, const float* depth, uint32_t count, uint8_t* live,
                       Pass pass) {
    uint32_t n = 0;
    for (uint32_t i = 0; i < count; ++i) {
      const bool ok = pass(z[i], depth[i]);
      live[i] = ok;
      n += ok;
    }
    return n;
  }
  // The depth test by a D3DCMP function: one loop per comparison, so that the test is not a
  // call per pixel.
  static uint32_t depthTest(uint32_t func, const float* z, const float* depth, uint32_t count,
                            uint8_t* live) {
    switch (func) {
      case D3DCMP_LESS: return test(z, depth, count, live, [](float a, float b) { return a < b; });
      case D3DCMP_LESSEQUAL:
        return test(z, depth, count, live, [](float a, float b) { return a <= b; });
      case D3DCMP_GREATER:
        return test(z, depth, count, live, [](float a, float b) { return a > b; });
      case D3DCMP_GREATEREQUAL:
        return test(z, depth, count, live, [](float a, float b) { return a >= b; });
      default:
        return test(z, depth, count, live,
                    [func](float a, float b) { return compare(func, a, b); });
    }
  }
};

#if D3D9_SSE2
template <>
struct SpanLoops<true> {
  static __m128i columns(int32_t x) {
    return _mm_add_epi32(_mm_set1_epi32(x), _mm_setr_epi32(0, 1, 2, 3));
  }
  static void ramp(float base, float step, int32_t x, uint32_t count, float* out) {
    const __m128 b = _mm_set1_ps(base), d = _mm_set1_ps(step);
    __m128i xs = columns(x);
    for (uint32_t i = 0; i < count; i += 4, xs = _mm_add_epi32(xs, _mm_set1_epi32(4))) {
      _mm_storeu_ps(out + i, _mm_add_ps(b, _mm_mul_ps(d, _mm_cvtepi32_ps(xs))));
    }
  }
  static void reciprocalRamp(float base, float step, int32_t x, uint32_t count, float* out) {
    const __m128 b = _mm_set1_ps(base), d = _mm_set1_ps(step), one = _mm_set1_ps(1.0f);
    __m128i xs = columns(x);
    for (uint32_t i = 0; i < count; i += 4, xs = _mm_add_epi32(xs, _mm_set1_epi32(4))) {
      _mm_storeu_ps(out + i, _mm_div_ps(one, _mm_add_ps(b, _mm_mul_ps(d, _mm_cvtepi32_ps(xs)))));
    }
  }
  static void weightedRamp(float base, float step, int32_t x, uint32_t count, const float* w,
                           float* out) {
    const __m128 b = _mm_set1_ps(base), d = _mm_set1_ps(step);
    __m128i xs = columns(x);
    for (uint32_t i = 0; i < count; i += 4, xs = _mm_add_epi32(xs, _mm_set1_epi32(4))) {
      const __m128 v = _mm_add_ps(b, _mm_mul_ps(d, _mm_cvtepi32_ps(xs)));
      _mm_storeu_ps(out + i, _mm_mul_ps(v, _mm_loadu_ps(w + i)));
    }
  }
  // The depth surface is read only up to `count`: the last pixels past a group of four are
  // tested one by one.
  template <class Pass>
  static uint32_t test(const float* z, const float* depth, uint32_t count, uint8_t* live,
                       Pass pass) {
    // Bytes 0 or 1 for each of four lanes, and how many are 1, by the comparison's bits.
    static constexpr uint32_t kBytes[16] = {
        0x00000000, 0x00000001, 0x00000100, 0x00000101, 0x00010000, 0x00010001,
        0x00010100, 0x00010101, 0x01000000, 0x01000001, 0x01000100, 0x01000101,
        0x01010000, 0x01010001, 0x01010100, 0x01010101};
    static constexpr uint8_t kCount[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};
    uint32_t n = 0, i = 0;
    for (; i + 4 <= count; i += 4) {
      const int bits = _mm_movemask_ps(pass(_mm_loadu_ps(z + i), _mm_loadu_ps(depth + i)));
      std::memcpy(live + i, &kBytes[bits], 4);
      n += kCount[bits];
    }
    for (; i < count; ++i) {
      const int bits = _mm_movemask_ps(pass(_mm_set_ss(z[i]), _mm_set_ss(depth[i]))) & 1;
      live[i] = uint8_t(bits);
      n += uint32_t(bits);
    }
    return n;
  }
  // The comparisons are false for NaN, as the scalar ones are.
  static uint32_t depthTest(uint32_t func, const float* z, const float* depth, uint32_t count,
                            uint8_t* live) {
    switch (func) {
      case D3DCMP_LESS:
        return test(z, depth, count, live, [](__m128 a, __m128 b) { return _mm_cmplt_ps(a, b); });
      case D3DCMP_LESSEQUAL:
        return test(z, depth, count, live, [](__m128 a, __m128 b) { return _mm_cmple_ps(a, b); });
      case D3DCMP_GREATER:
        return test(z, depth, count, live, [](__m128 a, __m128 b) { return _mm_cmpgt_ps(a, b); });
      case D3DCMP_GREATEREQUAL:
        return test(z, depth, count, live, [](__m128 a, __m128 b) { return _mm_cmpge_ps(a, b); });
      default: return SpanLoops<false>::depthTest(func, z, depth, count, live);
    }
  }
};
#else
template <>
struct SpanLoops<true> : SpanLoops<false> {};
#endif

}  // namespace

void Rasteriser::addRow(int32_t x, int32_t y, uint32_t count) {
  // The SSE2 loops fill whole groups of four from the row's first index.
  if (pos_ + ((count + 3) & ~3u) > kChunk) flush();
  const bool any = wide_ ? interpolate<true>(x, y, count) : interpolate<false>(x, y, count);
  if (!any) return;
  rows_[rowCount_++] = {uint32_t(x), uint32_t(y), pos_, count};
  pos_ += count;
  if (!batch_) {
    flush();
  } else if (pos_ & 1) {
    live_[pos_++] = 0;
  }
}

void Rasteriser::flush() {
  if (rowCount_ == 0) return;
  const PixelSpan span{rows_[0].x, rows_[0].y, pos_,   live_,          ws_,
                       channelPtr_, flat_,      gradX_, gradY_,         float(rhw_.dx),
                       float(rhw_.dy), rows_,   rowCount_};
  stage_->shade(span, colours_);
  for (uint32_t r = 0; r < rowCount_; ++r) {
    const SpanRow& row = rows_[r];
    mergeSpan(*merge_, *depth_, row.x, row.y, row.count, live_ + row.begin,
              colours_ + row.begin, zs_ + row.begin, scratch_);
  }
  rowCount_ = 0;
  pos_ = 0;
}

template <bool kWide>
bool Rasteriser::interpolate(int32_t x, int32_t y, uint32_t count) {
  using Loops = SpanLoops<kWide>;
  const float fy = float(y);
  const float zRow = float(z_.base + z_.dy * y), zdx = float(z_.dx);
  float* zs = zs_ + pos_;
  uint8_t* live = live_ + pos_;
  float* ws = ws_ + pos_;
  const DepthSetup& d = *depth_;
  Loops::ramp(zRow, zdx, x, count, zs);
  if (d.test) {
    const float* depthRow = d.values + size_t(y) * d.pitch + x;
    if (Loops::depthTest(d.func, zs, depthRow, count, live) == 0) return false;
  } else {
    std::fill(live, live + count, uint8_t(1));
  }
  const float rhwRow = float(rhw_.base + rhw_.dy * y), rhwdx = float(rhw_.dx);
  if (perspective_) {
    Loops::reciprocalRamp(rhwRow, rhwdx, x, count, ws);
  } else {
    std::fill(ws, ws + count, 1.0f / rhwRow);
  }
  for (uint32_t c = 0; c < channelCount_; ++c) {
    const float row = float(ch_[c].base + ch_[c].dy * fy), dx = float(ch_[c].dx);
    // Flat channels, and stepped ones without perspective (never batched), carry their first
    // value only, at index 0.
    if (flat_[c]) {
      values_[c][0] = flatValue_[c];
    } else if (!perspective_ && (stepped_ >> c & 1)) {
      values_[c][0] = (row + dx * float(x)) * ws[0];
    } else {
      Loops::weightedRamp(row, dx, x, count, ws, values_[c] + pos_);
    }
  }
  return true;
}

}  // namespace d3d9

#include "platform/d3d9/Rasteriser.h"

#include <algorithm>
#include <cmath>

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
  for (uint32_t c = 0; c < channelCount_; ++c) channelPtr_[c] = values_[c];
}

void Rasteriser::triangle(const ScreenVertex& va, const ScreenVertex& vb,
                          const ScreenVertex& vc) {
  const ScreenVertex* v[3] = {&va, &vb, &vc};
  int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i) {
    // Clipping keeps positions inside the guard band; what is not finite is not drawn.
    if (!std::isfinite(v[i]->x) || !std::isfinite(v[i]->y)) return;
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
      shadeChunk(int32_t(x), int32_t(py), uint32_t(std::min<int64_t>(kChunk, right - x + 1)));
    }
  }
}

void Rasteriser::shadeChunk(int32_t x, int32_t y, uint32_t count) {
  const float fy = float(y);
  const float zRow = float(z_.base + z_.dy * y), zdx = float(z_.dx);
  uint32_t liveCount = 0;
  const DepthSetup& d = *depth_;
  const float* depthRow = d.test ? d.values + size_t(y) * d.pitch + x : nullptr;
  for (uint32_t i = 0; i < count; ++i) zs_[i] = zRow + zdx * float(x + int32_t(i));
  // One loop per comparison, so that the test is not a call per pixel.
  auto test = [&](auto pass) {
    for (uint32_t i = 0; i < count; ++i) {
      const bool ok = pass(zs_[i], depthRow[i]);
      live_[i] = ok;
      liveCount += ok;
    }
  };
  if (!depthRow) {
    std::fill(live_, live_ + count, uint8_t(1));
    liveCount = count;
  } else {
    switch (d.func) {
      case D3DCMP_LESS: test([](float a, float b) { return a < b; }); break;
      case D3DCMP_LESSEQUAL: test([](float a, float b) { return a <= b; }); break;
      case D3DCMP_GREATER: test([](float a, float b) { return a > b; }); break;
      case D3DCMP_GREATEREQUAL: test([](float a, float b) { return a >= b; }); break;
      default: test([&](float a, float b) { return compare(d.func, a, b); }); break;
    }
  }
  if (liveCount == 0) return;
  const float rhwRow = float(rhw_.base + rhw_.dy * y), rhwdx = float(rhw_.dx);
  if (perspective_) {
    for (uint32_t i = 0; i < count; ++i) ws_[i] = 1.0f / (rhwRow + rhwdx * float(x + int32_t(i)));
  } else {
    const float w = 1.0f / rhwRow;
    for (uint32_t i = 0; i < count; ++i) ws_[i] = w;
  }
  for (uint32_t c = 0; c < channelCount_; ++c) {
    const float row = float(ch_[c].base + ch_[c].dy * fy), dx = float(ch_[c].dx);
    float* out = values_[c];
    if (flat_[c]) {
      out[0] = flatValue_[c];
      continue;
    }
    if (!perspective_ && (stepped_ >> c & 1)) {
      out[0] = (row + dx * float(x)) * ws_[0];
      continue;
    }
    for (uint32_t i = 0; i < count; ++i) out[i] = (row + dx * float(x + int32_t(i))) * ws_[i];
  }
  const PixelSpan span{uint32_t(x), uint32_t(y), count,  live_,          ws_,           channelPtr_,
                       flat_,        gradX_,      gradY_, float(rhw_.dx), float(rhw_.dy)};
  stage_->shade(span, colours_);
  mergeSpan(*merge_, d, uint32_t(x), uint32_t(y), count, live_, colours_, zs_, scratch_);
}

}  // namespace d3d9

#include "platform/d3d9/raster/Pipeline.h"

#include "platform/d3d9/raster/ShaderBackend.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace d3d9 {
namespace {

ShaderBackend* gBackend = nullptr;

// Screen-space limits beyond which triangles are cut before they reach the rasteriser, and the
// guard band of transformed ones in clip space: far enough that clipping is rare, near enough
// for exact edge arithmetic (kRasterLimit is far larger).
constexpr float kScreenLimit = 16384.0f;
constexpr float kGuardPixels = 8192.0f;
static_assert(kScreenLimit + kGuardPixels < kRasterLimit);
constexpr ClipPlane kScreenPlanes[4] = {{1, 0, 0, 0, kScreenLimit},
                                        {-1, 0, 0, 0, kScreenLimit},
                                        {0, 1, 0, 0, kScreenLimit},
                                        {0, -1, 0, 0, kScreenLimit}};

// A position with a coordinate that is infinite or not a number has no point to clip towards:
// its triangle is dropped whole.
bool finitePosition(const float* p) {
  return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]) &&
         std::isfinite(p[3]);
}
constexpr int64_t kMaxVertexRange = int64_t(1) << 22;

uint32_t readIndex(const DrawSource& s, uint64_t i) {
  if (s.indices32) {
    uint32_t v;
    std::memcpy(&v, s.indices + i * 4, 4);
    return v;
  }
  uint16_t v;
  std::memcpy(&v, s.indices + i * 2, 2);
  return v;
}

}  // namespace

void setShaderBackend(ShaderBackend* backend) { gBackend = backend; }
ShaderBackend* shaderBackend() { return gBackend; }

HRESULT Pipeline::assemble(D3DPRIMITIVETYPE type, uint32_t count, const DrawSource& s) {
  const uint64_t needed = type == D3DPT_TRIANGLELIST ? uint64_t(count) * 3 : uint64_t(count) + 2;
  if (s.indices && needed > s.indexLimit) return D3DERR_INVALIDCALL;
  std::vector<int64_t>& numbers = numbers_;
  if (numbers.size() < needed) numbers.resize(needed);
  int64_t lo = INT64_MAX, hi = INT64_MIN;
  for (uint64_t i = 0; i < needed; ++i) {
    const int64_t index = s.indices ? int64_t(readIndex(s, i)) : int64_t(i);
    if (s.declaredRange && (index < s.minIndex || index >= int64_t(s.minIndex) + s.vertexCount)) {
      return D3DERR_INVALIDCALL;
    }
    const int64_t n = index + s.baseVertex;
    numbers[i] = n;
    lo = std::min(lo, n);
    hi = std::max(hi, n);
  }
  if (lo < 0 || (s.vertexLimit && uint64_t(hi) >= s.vertexLimit)) return D3DERR_INVALIDCALL;
  // Vertices are processed for the whole range the indices span; a range far beyond any real
  // mesh is refused rather than allocated.
  if (hi - lo >= kMaxVertexRange) return D3DERR_INVALIDCALL;
  firstVertex_ = uint32_t(lo);
  // The buffers only grow: resizing down and up again would clear them on every draw.
  shadedCount_ = uint32_t(hi - lo + 1);
  if (shaded_.size() < shadedCount_) shaded_.resize(shadedCount_);
  order_.clear();
  auto add = [&](uint64_t a, uint64_t b, uint64_t c) {
    order_.push_back(uint32_t(numbers[a] - lo));
    order_.push_back(uint32_t(numbers[b] - lo));
    order_.push_back(uint32_t(numbers[c] - lo));
  };
  for (uint64_t t = 0; t < count; ++t) {
    if (type == D3DPT_TRIANGLELIST) {
      add(3 * t, 3 * t + 1, 3 * t + 2);
    } else if (type == D3DPT_TRIANGLESTRIP) {
      // Every second triangle of a strip is turned around to keep one winding.
      if (t % 2) {
        add(t + 1, t, t + 2);
      } else {
        add(t, t + 1, t + 2);
      }
    } else {
      add(0, t + 1, t + 2);
    }
  }
  return D3D_OK;
}

HRESULT Pipeline::draw(const DeviceState& state, IDirect3DSurface9& target,
                       IDirect3DSurface9* depth, D3DPRIMITIVETYPE type, uint32_t count,
                       const DrawSource& source, DrawWork work) {
  if (type != D3DPT_TRIANGLELIST && type != D3DPT_TRIANGLESTRIP && type != D3DPT_TRIANGLEFAN) {
    return D3DERR_INVALIDCALL;
  }
  if (count == 0) return D3D_OK;
  const auto layout = vertexLayout(state.fvf);
  if (!layout || source.stride < layout->stride) return D3DERR_INVALIDCALL;

  ShaderBackend* backend = gBackend ? gBackend : &interpreter_;
  VertexStage* vertexStage = &fixedVertex_;
  if (state.vertexShader) {
    if (const HRESULT hr = backend->vertexStage(*state.vertexShader, state, *layout, vertexStage);
        FAILED(hr)) {
      return hr;
    }
  } else {
    fixedVertex_.prepare(state, *layout);
  }
  PixelStage* pixelStage = &fixedPixel_;
  if (state.pixelShader) {
    if (const HRESULT hr = backend->pixelStage(*state.pixelShader, state, pixelStage);
        FAILED(hr)) {
      return hr;
    }
  } else if (const HRESULT hr = fixedPixel_.prepare(state); FAILED(hr)) {
    return hr;
  }
  if (const HRESULT hr = prepareMerge(state, target.store(), merge_); FAILED(hr)) return hr;

  const PixelStore& rt = target.store();
  depth_ = DepthSetup{};
  if (state.render[D3DRS_ZENABLE] && depth) {
    const PixelStore& ds = depth->store();
    if (ds.width < rt.width || ds.height < rt.height) return D3DERR_INVALIDCALL;
    depth_.test = true;
    depth_.write = state.render[D3DRS_ZWRITEENABLE] != 0;
    depth_.func = state.render[D3DRS_ZFUNC];
    depth_.values = depth->depth().data();
    depth_.pitch = ds.width;
  }
  if (const HRESULT hr = assemble(type, count, source); FAILED(hr)) return hr;
  if (work == DrawWork::CheckOnly) return D3D_OK;

  const VertexBatch batch{source.vertices + uint64_t(firstVertex_) * source.stride,
                          source.stride, shadedCount_, &*layout};
  vertexStage->run(batch, shaded_.data());

  channels_ = pixelStage->channels();
  pretransformed_ = vertexStage->pretransformed();
  viewport_ = state.viewport;
  const ClipRect clip{int32_t(viewport_.X), int32_t(viewport_.Y),
                      int32_t(std::min(viewport_.X + viewport_.Width, rt.width)),
                      int32_t(std::min(viewport_.Y + viewport_.Height, rt.height))};
  if (pretransformed_) {
    planeCount_ = 4;
    std::copy(std::begin(kScreenPlanes), std::end(kScreenPlanes), planes_);
  } else {
    const float kx = 1.0f + kGuardPixels / float(viewport_.Width);
    const float ky = 1.0f + kGuardPixels / float(viewport_.Height);
    planeCount_ = 7;
    planes_[0] = {0, 0, 1, 0, 0};        // z >= 0
    planes_[1] = {0, 0, -1, 1, 0};       // z <= w
    planes_[2] = {0, 0, 0, 1, -1e-6f};   // w > 0
    planes_[3] = {-1, 0, 0, kx, 0};
    planes_[4] = {1, 0, 0, kx, 0};
    planes_[5] = {0, -1, 0, ky, 0};
    planes_[6] = {0, 1, 0, ky, 0};
  }
  raster_.begin(pixelStage, &merge_, &depth_, state.render[D3DRS_CULLMODE], clip);
  for (size_t i = 0; i + 2 < order_.size(); i += 3) {
    drawTriangle(shaded_[order_[i]], shaded_[order_[i + 1]], shaded_[order_[i + 2]]);
  }
  target.touch();
  return D3D_OK;
}

void Pipeline::gather(const ShadedVertex& v, float* out) const {
  std::memcpy(out, v.position, 4 * sizeof(float));
  float* ch = out + 4;
  if (channels_.diffuse >= 0) std::memcpy(ch + channels_.diffuse, v.diffuse, 16);
  if (channels_.specular >= 0) std::memcpy(ch + channels_.specular, v.specular, 16);
  if (channels_.fog >= 0) ch[channels_.fog] = v.fog;
  for (uint32_t t = 0; t < 8; ++t) {
    if (channels_.tex[t] >= 0) {
      std::memcpy(ch + channels_.tex[t], v.tex[t], 4 * channels_.texComponents[t]);
    }
  }
}

void Pipeline::drawTriangle(const ShadedVertex& a, const ShadedVertex& b, const ShadedVertex& c) {
  ClipVertex polygon[kMaxClipVertices];
  const uint32_t width = 4 + channels_.count;
  gather(a, polygon[0]);
  gather(b, polygon[1]);
  gather(c, polygon[2]);
  for (int i = 0; i < 3; ++i) {
    if (!finitePosition(polygon[i])) return;
  }
  if (pretransformed_) {
    // Screen-space data: channels become (value x rhw) before any clipping, so that cutting
    // interpolates quantities that are linear on screen.
    for (int i = 0; i < 3; ++i) {
      const float rhw = polygon[i][3];
      if (!(rhw > 0.0f) || !std::isfinite(rhw)) return;
      for (uint32_t k = 4; k < width; ++k) polygon[i][k] *= rhw;
    }
  }
  const uint32_t c0 = outcode(polygon[0], planes_, planeCount_);
  const uint32_t c1 = outcode(polygon[1], planes_, planeCount_);
  const uint32_t c2 = outcode(polygon[2], planes_, planeCount_);
  if (c0 & c1 & c2) return;
  uint32_t count = 3;
  if (c0 | c1 | c2) count = clipPolygon(polygon, 3, width, planes_, planeCount_, c0 | c1 | c2);
  emit(polygon, count, pretransformed_);
}

void Pipeline::emit(ClipVertex* polygon, uint32_t count, bool screenSpace) {
  if (count < 3) return;
  const uint32_t channels = channels_.count;
  const uint32_t width = 4 + channels;
  if (!screenSpace) {
    // Projection in place: x, y, z, 1/w and the channels times 1/w, all linear on screen.
    const float halfW = float(viewport_.Width) * 0.5f, halfH = float(viewport_.Height) * 0.5f;
    const float zScale = viewport_.MaxZ - viewport_.MinZ;
    uint32_t outside = 0;
    for (uint32_t i = 0; i < count; ++i) {
      float* p = polygon[i];
      // Pixel centres lie on integer coordinates: clip -1 maps onto the centre of the
      // viewport's first pixel and +1 onto the centre of the pixel just past its last.
      const float rhw = 1.0f / p[3];
      p[0] = float(viewport_.X) + (1.0f + p[0] * rhw) * halfW;
      p[1] = float(viewport_.Y) + (1.0f - p[1] * rhw) * halfH;
      p[2] = viewport_.MinZ + p[2] * rhw * zScale;
      p[3] = rhw;
      for (uint32_t k = 4; k < width; ++k) p[k] *= rhw;
      if (!finitePosition(p)) return;
      outside |= outcode(p, kScreenPlanes, 4);
    }
    // The clip-space band holds in exact arithmetic only. Where the clipper cut across numbers
    // of very different sizes (w near zero, coordinates near 1e30), rounding can leave a vertex
    // whose projection lies far beyond the band: the projected polygon is cut once more at the
    // screen limits.
    if (outside) count = clipPolygon(polygon, count, width, kScreenPlanes, 4, outside);
    if (count < 3) return;
  }
  ScreenVertex sv[kMaxClipVertices];
  for (uint32_t i = 0; i < count; ++i) {
    const float* p = polygon[i];
    ScreenVertex& s = sv[i];
    s.x = p[0];
    s.y = p[1];
    s.z = p[2];
    s.rhw = p[3];
    std::memcpy(s.ch, p + 4, channels * sizeof(float));
  }
  for (uint32_t i = 1; i + 1 < count; ++i) raster_.triangle(sv[0], sv[i], sv[i + 1]);
}

}  // namespace d3d9

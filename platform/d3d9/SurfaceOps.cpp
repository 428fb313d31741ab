#include "platform/d3d9/SurfaceOps.h"

#include "platform/d3d9/Format.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace d3d9 {
namespace {

uint32_t lerpChannel(uint32_t a, uint32_t b, uint32_t w256) {
  return (a * (256 - w256) + b * w256 + 128) >> 8;
}

uint32_t lerpColour(uint32_t a, uint32_t b, uint32_t w256) {
  uint32_t out = 0;
  for (int s = 0; s < 32; s += 8) {
    out |= lerpChannel((a >> s) & 255, (b >> s) & 255, w256) << s;
  }
  return out;
}

}  // namespace

PixelRect wholeOr(const RECT* rect, const PixelStore& store) {
  if (!rect) return {0, 0, store.width, store.height};
  return {uint32_t(rect->left), uint32_t(rect->top), uint32_t(rect->right),
          uint32_t(rect->bottom)};
}

void fillPixels(PixelStore& store, const PixelRect& r, uint32_t argb) {
  const PixelCodec codec = pixelCodec(store.format);
  const FormatInfo* info = formatInfo(store.format);
  if (!codec.encode || r.left >= r.right || r.top >= r.bottom) return;
  const uint32_t width = r.right - r.left;
  std::vector<uint32_t> colours(width, argb);
  std::vector<uint8_t> encoded(size_t(width) * info->bytesPerPixel);
  codec.encode(colours.data(), width, encoded.data());
  for (uint32_t y = r.top; y < r.bottom; ++y) {
    std::copy(encoded.begin(), encoded.end(),
              store.row(y) + size_t(r.left) * info->bytesPerPixel);
  }
  ++store.version;
}

void stretchPixels(const PixelStore& src, const PixelRect& sr, PixelStore& dst,
                   const PixelRect& dr, bool linear) {
  const PixelCodec in = pixelCodec(src.format), out = pixelCodec(dst.format);
  if (!in.decode || !out.encode) return;
  const uint32_t sw = sr.right - sr.left, sh = sr.bottom - sr.top;
  const uint32_t dw = dr.right - dr.left, dh = dr.bottom - dr.top;
  const uint32_t srcBpp = formatInfo(src.format)->bytesPerPixel;
  const uint32_t dstBpp = formatInfo(dst.format)->bytesPerPixel;
  std::vector<uint32_t> rows(size_t(sw) * sh);
  for (uint32_t y = 0; y < sh; ++y) {
    in.decode(src.row(sr.top + y) + size_t(sr.left) * srcBpp, sw, rows.data() + size_t(y) * sw);
  }
  std::vector<uint32_t> line(dw);
  auto texel = [&](int64_t x, int64_t y) {
    x = std::clamp<int64_t>(x, 0, sw - 1);
    y = std::clamp<int64_t>(y, 0, sh - 1);
    return rows[size_t(y) * sw + size_t(x)];
  };
  for (uint32_t y = 0; y < dh; ++y) {
    for (uint32_t x = 0; x < dw; ++x) {
      if (!linear) {
        line[x] = texel(int64_t((uint64_t(2 * x + 1) * sw) / (2 * uint64_t(dw))),
                        int64_t((uint64_t(2 * y + 1) * sh) / (2 * uint64_t(dh))));
        continue;
      }
      // Source position of the destination pixel's centre, in 1/256 texels.
      const double fx = (x + 0.5) * sw / dw - 0.5, fy = (y + 0.5) * sh / dh - 0.5;
      const int64_t ix = int64_t(std::floor(fx)), iy = int64_t(std::floor(fy));
      const uint32_t wx = uint32_t((fx - double(ix)) * 256.0);
      const uint32_t wy = uint32_t((fy - double(iy)) * 256.0);
      const uint32_t top = lerpColour(texel(ix, iy), texel(ix + 1, iy), wx);
      const uint32_t bottom = lerpColour(texel(ix, iy + 1), texel(ix + 1, iy + 1), wx);
      line[x] = lerpColour(top, bottom, wy);
    }
    out.encode(line.data(), dw, dst.row(dr.top + y) + size_t(dr.left) * dstBpp);
  }
  ++dst.version;
}

}  // namespace d3d9

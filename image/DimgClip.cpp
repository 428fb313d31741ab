#include "image/DimgClip.h"

#include "image/DimgRound.h"

#include <algorithm>
#include <cstdint>
#include <limits>

// Both clips work on 64-bit copies of their arguments. With 32-bit arithmetic a size plus a
// position can wrap (a width near 2^32 at position 32 sums to less than the image width and is
// not cut), and a position moved by a cut can pass INT32_MAX; either would let a blit write
// outside its image. For every input without such an overflow the results are the same.

namespace {

constexpr int64_t kMaxPos = std::numeric_limits<int32_t>::max();

// Scaled cuts are capped far above any 32-bit size or position, so that a tiny or zero ratio
// (a destination size of 0) gives an empty rectangle instead of an overflowing sum.
constexpr int64_t kCap = int64_t{1} << 40;

int64_t Cut(int64_t size, int64_t n) { return size < n ? 0 : size - n; }

// A negative position on one side: the size shrinks by it and the other side moves along.
void MoveStart(int64_t& size, int64_t& pos, int64_t& otherPos) {
  if (pos < 0) {
    size = Cut(size, -pos);
    otherPos += -pos;
    pos = 0;
  }
}

// The size, cut so that the rectangle ends inside an image of the given extent.
int64_t FitEnd(int64_t size, int64_t pos, int64_t extent) {
  return size + pos > extent ? std::max<int64_t>(0, extent - pos) : size;
}

int32_t StorePos(int64_t pos) { return static_cast<int32_t>(std::min(pos, kMaxPos)); }

uint32_t StoreSize(int64_t size) {
  return static_cast<uint32_t>(std::clamp<int64_t>(size, 0, std::numeric_limits<uint32_t>::max()));
}

// A negative start on one side: that side is cut by n and starts at 0, the other side is cut by
// toOther(n) and moves along by it.
template <class Scale>
void ClipScaledStart(int64_t& pos, int64_t& size, int64_t& otherPos, int64_t& otherSize,
                     Scale toOther) {
  if (pos < 0) {
    const int64_t n = -pos;
    const int64_t k = toOther(n);
    size = Cut(size, n);
    pos = 0;
    otherSize = Cut(otherSize, k);
    otherPos += k;
  }
}

// A side that runs past its image's end is cut to it; the other side follows at the same scale,
// unless it is already shorter, in which case this side is sized from it instead.
template <class ToOther, class FromOther>
void ClipScaledEnd(int64_t pos, int64_t& size, int64_t extent, int64_t& otherSize,
                   ToOther toOther, FromOther fromOther) {
  if (size + pos > extent) {
    size = std::max<int64_t>(0, extent - pos);
    const int64_t k = toOther(size);
    if (otherSize >= k) {
      otherSize = k;
    } else {
      size = fromOther(otherSize);
    }
  }
}

// One axis of DimgClipScaled: the start on each side, then the end on each side.
void ClipScaledAxis(int64_t& dstPos, int64_t& dstSize, int64_t dstExtent, int64_t& srcPos,
                    int64_t& srcSize, int64_t srcExtent, float ratio) {
  const auto toSrc = [ratio](int64_t a) {
    return std::min(DimgRoundHalfEven(static_cast<float>(a) / ratio), kCap);
  };
  const auto toDst = [ratio](int64_t a) {
    return std::min(DimgRoundHalfEven(static_cast<float>(a) * ratio), kCap);
  };
  ClipScaledStart(dstPos, dstSize, srcPos, srcSize, toSrc);
  ClipScaledStart(srcPos, srcSize, dstPos, dstSize, toDst);
  ClipScaledEnd(dstPos, dstSize, dstExtent, srcSize, toSrc, toDst);
  ClipScaledEnd(srcPos, srcSize, srcExtent, dstSize, toDst, toSrc);
  // A start beyond INT32_MAX lies past every image; the stored position saturates, so the
  // rectangle must be empty.
  if (dstPos > kMaxPos || srcPos > kMaxPos) {
    dstSize = 0;
    srcSize = 0;
  }
}

}  // namespace

void DimgClip(uint32_t& width, uint32_t& height, int32_t& dstX, int32_t& dstY,
              uint32_t dstImageWidth, uint32_t dstImageHeight, int32_t& srcX, int32_t& srcY,
              uint32_t srcImageWidth, uint32_t srcImageHeight) {
  int64_t w = width, h = height;
  int64_t dx = dstX, dy = dstY, sx = srcX, sy = srcY;
  MoveStart(w, dx, sx);
  MoveStart(w, sx, dx);
  MoveStart(h, dy, sy);
  MoveStart(h, sy, dy);
  w = FitEnd(w, dx, dstImageWidth);
  h = FitEnd(h, dy, dstImageHeight);
  w = FitEnd(w, sx, srcImageWidth);
  h = FitEnd(h, sy, srcImageHeight);
  if (dx > kMaxPos || sx > kMaxPos) {
    w = 0;
  }
  if (dy > kMaxPos || sy > kMaxPos) {
    h = 0;
  }
  width = StoreSize(w);
  height = StoreSize(h);
  dstX = StorePos(dx);
  dstY = StorePos(dy);
  srcX = StorePos(sx);
  srcY = StorePos(sy);
}

void DimgClipScaled(int32_t& dstX, int32_t& dstY, uint32_t& dstWidth, uint32_t& dstHeight,
                    uint32_t dstImageWidth, uint32_t dstImageHeight, int32_t& srcX, int32_t& srcY,
                    uint32_t& srcWidth, uint32_t& srcHeight, uint32_t srcImageWidth,
                    uint32_t srcImageHeight) {
  if (srcWidth == 0 || srcHeight == 0) {
    return;
  }
  const float rx = static_cast<float>(dstWidth) / static_cast<float>(srcWidth);
  const float ry = static_cast<float>(dstHeight) / static_cast<float>(srcHeight);
  int64_t dx = dstX, dy = dstY, sx = srcX, sy = srcY;
  int64_t dw = dstWidth, dh = dstHeight, sw = srcWidth, sh = srcHeight;
  // The axes do not depend on each other, so each is clipped whole: left and right edges with
  // the widths, then top and bottom with the heights.
  ClipScaledAxis(dx, dw, dstImageWidth, sx, sw, srcImageWidth, rx);
  ClipScaledAxis(dy, dh, dstImageHeight, sy, sh, srcImageHeight, ry);
  dstX = StorePos(dx);
  dstY = StorePos(dy);
  srcX = StorePos(sx);
  srcY = StorePos(sy);
  dstWidth = StoreSize(dw);
  dstHeight = StoreSize(dh);
  srcWidth = StoreSize(sw);
  srcHeight = StoreSize(sh);
}

#pragma once

// Pixel operations over whole surfaces, shared by the device's fills, clears, copies and
// presentation: every one converts through A8R8G8B8 so any pair of colour formats works.

#include "platform/d3d9/Resource.h"

namespace d3d9 {

struct PixelRect {
  uint32_t left;
  uint32_t top;
  uint32_t right;
  uint32_t bottom;
};

// The rectangle, or the whole store when rect is null.
PixelRect wholeOr(const RECT* rect, const PixelStore& store);

// Fills the rectangle with one colour, converted to the store's format.
void fillPixels(PixelStore& store, const PixelRect& rect, uint32_t argb);

// Copies src's rectangle into dst's, scaling with nearest texels or, with `linear`, with
// bilinear filtering; pixel centres map onto pixel centres.
void stretchPixels(const PixelStore& src, const PixelRect& srcRect, PixelStore& dst,
                   const PixelRect& dstRect, bool linear);

}  // namespace d3d9

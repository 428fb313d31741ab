#pragma once

// Test-only models of the four kind-to-kind copies (the plain blit and the colour, alpha and
// opaque families), written from their pixel rules over the reference decoding and encoding of
// ImageTestSupport.h, and a harness that runs one dispatcher on real images and checks every
// byte of the destination's memory against the model.

#include "image/DImage.h"
#include "image/DimgBlit.h"
#include "image/DimgClip.h"
#include "image/copy/DimgBlitAlpha.h"
#include "image/copy/DimgBlitColor.h"
#include "image/copy/DimgBlitOpaque.h"
#include "image/tests/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace imgtest {

using Dispatcher = void (*)(dbtl::DImage&, uint32_t, uint32_t, const dbtl::DImage&, uint32_t,
                            uint32_t, uint8_t, uint8_t);

// The new bytes of one destination pixel from one source pixel and the constant byte.
using RefPixelRule = void (*)(uint32_t d, uint32_t s, const uint8_t* src, uint8_t* dst,
                              uint8_t constant);

inline bool RefHasAlpha(uint32_t kind) { return kind == 0 || kind == 2 || kind == 4 || kind == 5; }

inline void RefBlitPixel(uint32_t d, uint32_t s, const uint8_t* src, uint8_t* dst, uint8_t) {
  RefConvert(d, s, src, dst);
}

// Colour of the source, alpha of the destination as it was.
inline void RefColourPixel(uint32_t d, uint32_t s, const uint8_t* src, uint8_t* dst, uint8_t) {
  if (!RefHasAlpha(d)) {
    RefConvert(d, s, src, dst);
    return;
  }
  const Rgba in = RefDecode(s, src);
  RefEncode(d, {in[0], in[1], in[2], RefDecode(d, dst)[3]}, dst);
}

// Alpha from the source's green, colour of the destination as it was; no alpha, no write.
inline void RefAlphaPixel(uint32_t d, uint32_t s, const uint8_t* src, uint8_t* dst, uint8_t) {
  if (!RefHasAlpha(d)) {
    return;
  }
  Rgba kept = RefDecode(d, dst);
  kept[3] = RefDecode(s, src)[1];
  RefEncode(d, kept, dst);
}

// Colour of the source with the given alpha.
inline void RefOpaquePixel(uint32_t d, uint32_t s, const uint8_t* src, uint8_t* dst,
                           uint8_t alpha) {
  if (!RefHasAlpha(d)) {
    RefConvert(d, s, src, dst);
    return;
  }
  Rgba in = RefDecode(s, src);
  in[3] = alpha;
  RefEncode(d, in, dst);
}

struct CopyFamily {
  const char* name;
  Dispatcher run;
  RefPixelRule ref;
  bool usesConstant;  // the first byte is the opaque copy's alpha
};

inline const CopyFamily kCopyFamilies[] = {
    {"DimgBlit", DimgBlit, RefBlitPixel, false},
    {"DimgBlitColor", DimgBlitColor, RefColourPixel, false},
    {"DimgBlitAlpha", DimgBlitAlpha, RefAlphaPixel, false},
    {"DimgBlitOpaque", DimgBlitOpaque, RefOpaquePixel, true},
};

// Image sizes and the four requested sizes of one call.
struct CopyShape {
  const char* what;
  uint32_t srcImageW, srcImageH, dstImageW, dstImageH;
  uint32_t dstW, dstH, srcW, srcH;
};

inline std::string Describe(const CopyFamily& family, uint32_t d, uint32_t s,
                            const CopyShape& shape, RowOrder dstOrder, RowOrder srcOrder) {
  return std::string(family.name) + " " + std::to_string(d) + " <- " + std::to_string(s) + ", " +
         shape.what + (dstOrder == RowOrder::BottomUp ? ", bottom-up destination" : "") +
         (srcOrder == RowOrder::BottomUp ? ", bottom-up source" : "");
}

// Runs the family once on a random source and a random destination (padding poisoned) and
// compares the destination's whole memory with the model: inside the clipped rectangle each
// pixel follows the model from the source pixel that nearest-index stepping picks, every other
// byte keeps its value. A second run on an equal destination with other unused bytes must give
// the same memory.
inline void ExpectCopyMatchesModel(const CopyFamily& family, uint32_t d, uint32_t s,
                                   const CopyShape& shape, RowOrder dstOrder, RowOrder srcOrder,
                                   std::mt19937& rng) {
  const std::string what = Describe(family, d, s, shape, dstOrder, srcOrder);
  TestImage src(s, shape.srcImageW, shape.srcImageH, 3, srcOrder);
  TestImage dst(d, shape.dstImageW, shape.dstImageH, 5, dstOrder);
  TestImage twin(d, shape.dstImageW, shape.dstImageH, 5, dstOrder);
  ASSERT_TRUE(src.created && dst.created && twin.created) << what;
  src.FillPixels(rng);
  dst.FillPixels(rng);
  std::memcpy(twin.image->GetBuffer(), dst.image->GetBuffer(), dst.MemoryBytes());

  // The rectangles as the scaled clip leaves them (the clip has its own tests).
  int32_t dx = 0, dy = 0, sx = 0, sy = 0;
  uint32_t dw = shape.dstW, dh = shape.dstH, sw = shape.srcW, sh = shape.srcH;
  DimgClipScaled(dx, dy, dw, dh, shape.dstImageW, shape.dstImageH, sx, sy, sw, sh,
                 shape.srcImageW, shape.srcImageH);
  // A source size of 0 leaves the clip alone and nothing is copied, whatever else is asked.
  if (sw == 0 || sh == 0) {
    dw = dh = sw = sh = 0;
  }
  ASSERT_TRUE(dw <= shape.dstImageW && dh <= shape.dstImageH && sw <= shape.srcImageW &&
              sh <= shape.srcImageH)
      << what << ": clipped to " << dw << "x" << dh << " from " << sw << "x" << sh;

  std::vector<uint8_t> expected = dst.Memory();
  const uint8_t constant = static_cast<uint8_t>(rng());
  for (uint32_t y = 0; y < dh; ++y) {
    for (uint32_t x = 0; x < dw; ++x) {
      const uint8_t* from = src.Pixel(RefStretchIndex(sw, dw, x), RefStretchIndex(sh, dh, y));
      family.ref(d, s, from, expected.data() + dst.Offset(x, y), constant);
    }
  }

  family.run(*dst.image, shape.dstW, shape.dstH, *src.image, shape.srcW, shape.srcH, constant,
             0x00);
  EXPECT_EQ(dst.Memory(), expected) << what;

  const uint8_t otherConstant = family.usesConstant ? constant : static_cast<uint8_t>(~constant);
  family.run(*twin.image, shape.dstW, shape.dstH, *src.image, shape.srcW, shape.srcH,
             otherConstant, 0xFF);
  EXPECT_EQ(twin.Memory(), dst.Memory()) << what << ": the unused bytes changed the result";
}

}  // namespace imgtest

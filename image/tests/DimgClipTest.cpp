#include "image/DimgClip.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

struct ClipCase {
  const char* what;
  // in
  uint32_t w, h;
  int32_t dx, dy;
  uint32_t dIw, dIh;
  int32_t sx, sy;
  uint32_t sIw, sIh;
  // out
  uint32_t ew, eh;
  int32_t edx, edy, esx, esy;
};

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

TEST(DimgClip, Table) {
  const ClipCase cases[] = {
      {"inside", 4, 3, 1, 1, 10, 10, 2, 2, 10, 10, 4, 3, 1, 1, 2, 2},
      {"negative dstX moves srcX", 10, 1, -3, 0, 20, 5, 2, 0, 20, 5, 7, 1, 0, 0, 5, 0},
      {"negative srcX moves dstX", 10, 1, 2, 0, 20, 5, -4, 0, 20, 5, 6, 1, 6, 0, 0, 0},
      {"both negative", 10, 10, -3, -1, 20, 20, -5, -2, 20, 20, 5, 8, 2, 1, 0, 0},
      {"wholly right of destination", 5, 5, 12, 0, 10, 10, 0, 0, 20, 20, 0, 5, 12, 0, 0, 0},
      {"cut by destination end", 8, 8, 4, 6, 10, 10, 0, 0, 20, 20, 6, 4, 4, 6, 0, 0},
      {"cut by source end", 8, 8, 0, 0, 20, 20, 5, 7, 10, 10, 5, 3, 0, 0, 5, 7},
      {"negative cut larger than size", 3, 3, -5, 0, 10, 10, 0, 0, 10, 10, 0, 3, 0, 0, 5, 0},
      // A size near 2^32 plus a position must not wrap past the image width.
      {"huge width", 0xFFFFFFF0u, 1, 32, 0, 64, 4, 0, 0, 64, 4, 32, 1, 32, 0, 0, 0},
      // A position pushed past INT32_MAX lies beyond any image.
      {"position saturates", 20, 1, -10, 0, 0xFFFFFFFFu, 1, kMax - 5, 0, 0xFFFFFFFFu, 1, 0, 1, 0,
       0, kMax, 0},
  };
  for (const ClipCase& c : cases) {
    uint32_t w = c.w, h = c.h;
    int32_t dx = c.dx, dy = c.dy, sx = c.sx, sy = c.sy;
    DimgClip(w, h, dx, dy, c.dIw, c.dIh, sx, sy, c.sIw, c.sIh);
    EXPECT_EQ(w, c.ew) << c.what;
    EXPECT_EQ(h, c.eh) << c.what;
    EXPECT_EQ(dx, c.edx) << c.what;
    EXPECT_EQ(dy, c.edy) << c.what;
    EXPECT_EQ(sx, c.esx) << c.what;
    EXPECT_EQ(sy, c.esy) << c.what;
  }
}

struct ScaledCase {
  const char* what;
  int32_t dx, dy;
  uint32_t dw, dh, dIw, dIh;
  int32_t sx, sy;
  uint32_t sw, sh, sIw, sIh;
  int32_t edx, edy;
  uint32_t edw, edh;
  int32_t esx, esy;
  uint32_t esw, esh;
};

TEST(DimgClipScaled, Table) {
  const ScaledCase cases[] = {
      {"ratio 2, destination starts at -2", -2, 0, 8, 1, 8, 1, 0, 0, 4, 1, 4, 1,
       0, 0, 6, 1, 1, 0, 3, 1},
      {"ratio 2, destination runs past its end; 1.5 rounds to 2", 5, 0, 8, 1, 8, 1, 0, 0, 4, 1, 4, 1,
       5, 0, 3, 1, 0, 0, 2, 1},
      {"zero source width changes nothing", -3, -3, 8, 8, 4, 4, -2, -2, 0, 8, 4, 4,
       -3, -3, 8, 8, -2, -2, 0, 8},
      {"zero source height changes nothing", -3, -3, 8, 8, 4, 4, -2, -2, 8, 0, 4, 4,
       -3, -3, 8, 8, -2, -2, 8, 0},
      {"inside both images", 0, 0, 6, 6, 6, 6, 0, 0, 2, 2, 2, 2, 0, 0, 6, 6, 0, 0, 2, 2},
      {"20x20 from 10x10 into 10x10 images", 0, 0, 20, 20, 10, 10, 0, 0, 10, 10, 10, 10,
       0, 0, 10, 10, 0, 0, 5, 5},
      {"8x8 both, 3x2 destination image, 5x5 source image", 0, 0, 8, 8, 3, 2, 0, 0, 8, 8, 5, 5,
       0, 0, 3, 2, 0, 0, 3, 2},
      {"6x6 both, 2x2 source image", 0, 0, 6, 6, 6, 6, 0, 0, 6, 6, 2, 2, 0, 0, 2, 2, 0, 0, 2, 2},
      {"10 onto 20 in a 12-wide destination", 0, 0, 20, 1, 12, 1, 0, 0, 10, 1, 10, 1,
       0, 0, 12, 1, 0, 0, 6, 1},
      {"20 onto 30 from a 10-wide source", 0, 0, 30, 1, 30, 1, 0, 0, 20, 1, 10, 1,
       0, 0, 15, 1, 0, 0, 10, 1},
      {"2 onto 3 in a 1-wide destination", 0, 0, 3, 1, 1, 1, 0, 0, 2, 1, 2, 1,
       0, 0, 1, 1, 0, 0, 1, 1},
      {"negative source start moves the destination", 0, 0, 8, 1, 8, 1, -1, 0, 4, 1, 4, 1,
       2, 0, 6, 1, 0, 0, 3, 1},
      // A destination size of 0 gives the ratio 0; the quotients by it stay defined.
      {"zero destination width, source cut", 0, 0, 0, 4, 4, 4, 0, 0, 8, 4, 4, 4,
       0, 0, 0, 4, 0, 0, 4, 4},
      {"zero destination width beyond its image (0 / 0)", 5, 0, 0, 4, 4, 4, 0, 0, 8, 4, 8, 4,
       5, 0, 0, 4, 0, 0, 0, 4},
      {"zero destination width at a negative start", -2, 0, 0, 4, 4, 4, 0, 0, 8, 4, 8, 4,
       0, 0, 0, 4, kMax, 0, 0, 4},
  };
  for (const ScaledCase& c : cases) {
    int32_t dx = c.dx, dy = c.dy, sx = c.sx, sy = c.sy;
    uint32_t dw = c.dw, dh = c.dh, sw = c.sw, sh = c.sh;
    DimgClipScaled(dx, dy, dw, dh, c.dIw, c.dIh, sx, sy, sw, sh, c.sIw, c.sIh);
    EXPECT_EQ(dx, c.edx) << c.what;
    EXPECT_EQ(dy, c.edy) << c.what;
    EXPECT_EQ(dw, c.edw) << c.what;
    EXPECT_EQ(dh, c.edh) << c.what;
    EXPECT_EQ(sx, c.esx) << c.what;
    EXPECT_EQ(sy, c.esy) << c.what;
    EXPECT_EQ(sw, c.esw) << c.what;
    EXPECT_EQ(sh, c.esh) << c.what;
  }
}

}  // namespace

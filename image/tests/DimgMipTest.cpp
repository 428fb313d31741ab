#include "image/resample/DimgResampleMip.h"
#include "image/tests/DimgResampleModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using imgtest::CopyShape;
using imgtest::ExactImage;
using imgtest::RefPicture;
using imgtest::RowOrder;
using imgtest::TestImage;

enum class Path { Blocks, Vertical, Horizontal, Convert, Resample };

const char* Name(Path path) {
  switch (path) {
    case Path::Blocks: return "2 x 2 blocks";
    case Path::Vertical: return "vertical pairs";
    case Path::Horizontal: return "horizontal pairs";
    case Path::Convert: return "conversion";
    default: return "two-pass resample";
  }
}

// Source columns and rows that one destination pixel of an averaging path takes.
uint32_t Cols(Path path) { return path == Path::Vertical ? 1 : 2; }
uint32_t Rows(Path path) { return path == Path::Horizontal ? 1 : 2; }

// The model of one path (the conversion is the harness's own equal-size case).
imgtest::FilterModel ModelOf(Path path) {
  if (path == Path::Resample) return imgtest::RefResample;
  return [path](const RefPicture& in, uint32_t w, uint32_t h) {
    return imgtest::RefAverage(in, w, h, Cols(path), Rows(path));
  };
}

// Means rounded down on the decoded channels, by kind; 16-bit words as little-endian bytes.
TEST(DimgMip, KindResults) {
  imgtest::ExpectKindCases(DimgResampleMip, {
      {"kind 0 block: 1, 2, 2, 2 gives 1; alpha averaged too", 0, 0, 2, 2,
       {1, 0, 255, 10, 2, 0, 255, 20, 2, 0, 255, 30, 2, 3, 254, 40}, 1, 1, {1, 0, 254, 25}},
      {"6 <- 6: four 0xFFFF give 0xFFDF", 6, 6, 2, 2,
       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 1, 1, {0xDF, 0xFF}},
      {"6 <- 6: two 0x07E0 give 0x07C0", 6, 6, 2, 1, {0xE0, 0x07, 0xE0, 0x07}, 1, 1,
       {0xC0, 0x07}},
      {"4 <- 4: four white opaque stay 0xFFFF", 4, 4, 2, 2,
       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 1, 1, {0xFF, 0xFF}},
      {"4 <- 4: two of four opaque clear the bit", 4, 4, 2, 2,
       {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F}, 1, 1, {0xFF, 0x7F}},
      {"4 <- 4: three of four opaque set it", 4, 4, 2, 2,
       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF}, 1, 1, {0xFF, 0xFF}},
      {"4 <- 4: a horizontal pair, one opaque", 4, 4, 2, 1, {0xFF, 0xFF, 0xFF, 0x7F}, 1, 1,
       {0xFF, 0x7F}},
      {"5 <- 4: four opaque 0x8000 give 0xF000", 5, 4, 2, 2,
       {0x00, 0x80, 0x00, 0x80, 0x00, 0x80, 0x00, 0x80}, 1, 1, {0x00, 0xF0}},
      {"5 <- 4: two of four give 0x7000", 5, 4, 2, 2,
       {0x00, 0x80, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00}, 1, 1, {0x00, 0x70}},
      {"0 <- 5 from 0xFFFF", 0, 5, 2, 2, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 1, 1,
       {240, 240, 240, 240}},
      {"0 <- 4 from 0xFFFF", 0, 4, 2, 2, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 1, 1,
       {248, 248, 248, 255}},
      {"7 <- 7: black through R, G, B", 7, 7, 2, 2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 1,
       {79, 71, 83}},
      {"0 <- 1: opaque", 0, 1, 2, 1, {10, 20, 30, 11, 21, 31}, 1, 1, {10, 20, 30, 255}},
  });
}

struct SizeCase {
  uint32_t srcW, srcH, dstW, dstH;
  Path path;
  bool tellApart = true;  // false: the other candidate gives the same values on every input
};

// Which sizes halve and which fall back. Each row runs on random kind-0 pixels over exactly
// sized memory; its result must be its path's and, on pixels drawn so that the two differ, not
// the other candidate's. For an averaging path, the source pixels it must never read (an odd
// last column or row) are then changed without changing the result. Pairs of an even line
// (1 x 6 onto 1 x 3) are the two-pass resample's own values at a step of exactly 2, so there
// the path cannot be told from the values.
TEST(DimgMip, SizeTable) {
  imgtest::EnsureYCbCrTables();
  const SizeCase cases[] = {
      {4, 4, 2, 2, Path::Blocks},           {5, 3, 2, 1, Path::Blocks},
      {2, 4, 1, 2, Path::Blocks},           {2, 2, 1, 1, Path::Blocks},
      {3, 3, 1, 1, Path::Blocks},           {7, 5, 3, 2, Path::Blocks},
      {1, 6, 1, 3, Path::Vertical, false},  {1, 5, 1, 2, Path::Vertical},
      {1, 3, 1, 1, Path::Vertical},         {1, 2, 1, 1, Path::Vertical, false},
      {6, 1, 3, 1, Path::Horizontal, false}, {7, 1, 3, 1, Path::Horizontal},
      {3, 1, 1, 1, Path::Horizontal},       {2, 1, 1, 1, Path::Horizontal, false},
      {4, 2, 2, 2, Path::Resample},         {4, 4, 2, 1, Path::Resample},
      {1, 4, 1, 1, Path::Resample},         {4, 1, 1, 1, Path::Resample},
      {5, 5, 3, 3, Path::Resample},         {2, 4, 1, 1, Path::Resample},
      {3, 3, 3, 3, Path::Convert},
  };
  std::mt19937 rng(5);
  for (const SizeCase& c : cases) {
    const std::string what = std::to_string(c.srcW) + " x " + std::to_string(c.srcH) + " onto " +
                             std::to_string(c.dstW) + " x " + std::to_string(c.dstH) + " by " +
                             Name(c.path);
    // The other candidate: the two-pass resample for a halving, an average of the blocks the
    // source's shape suggests for a fallback (where they fit). Small pictures often agree on
    // both, so the pixels are drawn again until they do not.
    const auto otherOf = [&c](const RefPicture& in) -> std::optional<RefPicture> {
      if (c.path == Path::Convert || !c.tellApart) return std::nullopt;
      if (c.path != Path::Resample) return imgtest::RefResample(in, c.dstW, c.dstH);
      const uint32_t cols = c.srcW > 1 ? 2 : 1, rows = c.srcH > 1 ? 2 : 1;
      if (c.dstW * cols > c.srcW || c.dstH * rows > c.srcH) return std::nullopt;
      return imgtest::RefAverage(in, c.dstW, c.dstH, cols, rows);
    };
    ExactImage src(0, c.srcW, c.srcH);
    RefPicture in, expected;
    for (int attempt = 0;; ++attempt) {
      ASSERT_LT(attempt, 100) << what << ": no pixels tell the paths apart";
      imgtest::FillRandom(src, rng);
      in = imgtest::RefRead(src.image, 0, c.srcW, c.srcH);
      expected = c.path == Path::Convert ? in : ModelOf(c.path)(in, c.dstW, c.dstH);
      const std::optional<RefPicture> other = otherOf(in);
      if (!other || other->pixels != expected.pixels) break;
    }

    ExactImage dst(0, c.dstW, c.dstH);
    DimgResampleMip(dst.image, c.dstW, c.dstH, src.image, c.srcW, c.srcH, 0, 0);
    EXPECT_EQ(imgtest::RefRead(dst.image, 0, c.dstW, c.dstH).pixels, expected.pixels) << what;

    if (c.path == Path::Blocks || c.path == Path::Vertical || c.path == Path::Horizontal) {
      for (uint32_t y = 0; y < c.srcH; ++y)
        for (uint32_t x = 0; x < c.srcW; ++x)
          if (x >= c.dstW * Cols(c.path) || y >= c.dstH * Rows(c.path))
            src.image.GetPixelAddress(x, y)[1] ^= 0xFF;
      ExactImage again(0, c.dstW, c.dstH);
      DimgResampleMip(again.image, c.dstW, c.dstH, src.image, c.srcW, c.srcH, 0, 0);
      EXPECT_EQ(again.Pixels(), dst.Pixels()) << what << ": a pixel that must not be read was";
    }
  }
}

// Whole mip chains as the texture creation writes them: each level from the level above,
// halved and rounded down, never below 1, every level over exactly sized memory.
TEST(DimgMip, FullChains) {
  imgtest::EnsureYCbCrTables();
  struct Chain {
    uint32_t kind, w, h;
  };
  const Chain chains[] = {{2, 5, 3}, {0, 37, 23}, {5, 64, 16}, {7, 10, 6}, {4, 1, 9}};
  std::mt19937 rng(9);
  for (const Chain& c : chains) {
    std::vector<std::unique_ptr<ExactImage>> levels;
    levels.push_back(std::make_unique<ExactImage>(c.kind, c.w, c.h));
    imgtest::FillRandom(*levels.back(), rng);
    while (levels.back()->image.GetWidth() > 1 || levels.back()->image.GetHeight() > 1) {
      const dbtl::DImage& above = levels.back()->image;
      const uint32_t w = std::max(1u, above.GetWidth() / 2), h = std::max(1u, above.GetHeight() / 2);
      levels.push_back(std::make_unique<ExactImage>(c.kind, w, h));
      ExactImage& level = *levels.back();
      const std::vector<uint8_t> before = level.Memory();
      DimgResampleMip(level.image, w, h, above, above.GetWidth(), above.GetHeight(), 0, 0);

      const Path path = above.GetWidth() == 1   ? Path::Vertical
                        : above.GetHeight() == 1 ? Path::Horizontal
                                                 : Path::Blocks;
      const RefPicture in = imgtest::RefRead(above, c.kind, above.GetWidth(), above.GetHeight());
      EXPECT_EQ(level.Memory(), imgtest::RefWrite(level, before, ModelOf(path)(in, w, h)))
          << "kind " << c.kind << ", " << c.w << " x " << c.h << ", level " << levels.size() - 1
          << " by " << Name(path);
    }
  }
}

struct MipShape {
  CopyShape shape;
  Path path;
};

const MipShape kShapes[] = {
    {{"5 x 3 onto 2 x 1", 5, 3, 2, 1, 2, 1, 5, 3}, Path::Blocks},
    {{"7 x 6 onto 3 x 3", 7, 6, 3, 3, 3, 3, 7, 6}, Path::Blocks},
    {{"1 x 5 onto 1 x 2", 1, 5, 1, 2, 1, 2, 1, 5}, Path::Vertical},
    {{"7 x 1 onto 3 x 1", 7, 1, 3, 1, 3, 1, 7, 1}, Path::Horizontal},
    {{"3 x 2 onto 3 x 2", 3, 2, 3, 2, 3, 2, 3, 2}, Path::Convert},
    {{"4 x 2 onto 2 x 2", 4, 2, 2, 2, 2, 2, 4, 2}, Path::Resample},
    {{"8 x 8 requested onto 4 x 4 in a 3 x 3 image: 6 x 6 onto 3 x 3", 8, 8, 3, 3, 4, 4, 8, 8},
     Path::Blocks},
    {{"source width 0, destination beyond its image", 4, 4, 2, 2, 9, 9, 0, 4}, Path::Convert},
};

// Every pair of kinds on every path, both row orders on either side and exactly sized memory,
// against the model; the byte arguments change nothing.
TEST(DimgMip, AllPairsMatchModel) {
  imgtest::EnsureYCbCrTables();
  std::mt19937 rng(13);
  imgtest::ForEachPair([&](auto dk, auto sk) {
    const uint32_t d = dk, s = sk;
    for (const MipShape& m : kShapes) {
      const CopyShape& shape = m.shape;
      const imgtest::FilterModel model = ModelOf(m.path);
      const std::string what = "DimgResampleMip " + std::to_string(d) + " <- " +
                               std::to_string(s) + ", " + shape.what;
      for (RowOrder dstOrder : {RowOrder::TopDown, RowOrder::BottomUp}) {
        for (RowOrder srcOrder : {RowOrder::TopDown, RowOrder::BottomUp}) {
          TestImage src(s, shape.srcImageW, shape.srcImageH, 3, srcOrder);
          TestImage dst(d, shape.dstImageW, shape.dstImageH, 5, dstOrder);
          TestImage twin(d, shape.dstImageW, shape.dstImageH, 5, dstOrder);
          ASSERT_TRUE(src.created && dst.created && twin.created) << what;
          imgtest::ExpectFilterMatchesModel(
              DimgResampleMip, model, dst, twin, src, shape,
              what + (dstOrder == RowOrder::BottomUp ? ", bottom-up destination" : "") +
                  (srcOrder == RowOrder::BottomUp ? ", bottom-up source" : ""),
              rng);
        }
      }
      ExactImage src(s, shape.srcImageW, shape.srcImageH);
      ExactImage dst(d, shape.dstImageW, shape.dstImageH);
      ExactImage twin(d, shape.dstImageW, shape.dstImageH);
      imgtest::ExpectFilterMatchesModel(DimgResampleMip, model, dst, twin, src, shape,
                                        what + ", exact memory", rng);
    }
  });
}

}  // namespace

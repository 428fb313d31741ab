#pragma once

// Test-only model of the filtering blits, written per channel on plain integers straight from
// their rules: one axis resampled linearly or by area, the two-pass resample built from it on
// the reference decoding and encoding of ImageTestSupport.h, and the mip averages. Plus images
// over exactly sized memory, so that a read or write past the last pixel is caught by the
// address sanitizer instead of landing in allocation slack.

#include "foundation/dbtl/rcptr.h"
#include "image/DImage.h"
#include "image/DImageHolder.h"
#include "image/DimgClip.h"
#include "image/tests/CopyTestSupport.h"
#include "image/tests/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace imgtest {

// L samples of one channel onto n: linear when n >= L, area average otherwise. Positions are
// accumulated in single precision; indices that the rounding carries past the source are held
// on the last sample. The last area output (and any whose footprint runs past the source) is
// the exact weighted mean of the rest of the source.
inline std::vector<int> RefResampleAxis(const std::vector<int>& v, uint32_t n) {
  const auto len = static_cast<uint32_t>(v.size());
  std::vector<float> p(n + 1);
  const float step = static_cast<float>(len) / static_cast<float>(n);
  for (uint32_t k = 0; k < n; ++k) p[k + 1] = p[k] + step;
  std::vector<int> out(n);
  if (n >= len) {
    for (uint32_t k = 0; k < n; ++k) {
      uint64_t i = static_cast<uint64_t>(p[k]);
      const int c = static_cast<int>((p[k] - static_cast<float>(i)) * 65536.0f);
      if (i > len - 1) i = len - 1;
      const uint64_t j = i + 1 < len ? i + 1 : i;
      out[k] = v[i] + (((v[j] - v[i]) * c) >> 16);
    }
    return out;
  }
  const uint64_t w = static_cast<uint64_t>(step * 256.0f);
  for (uint32_t k = 0; k < n; ++k) {
    uint64_t i = static_cast<uint64_t>(p[k]);
    const uint64_t f = static_cast<uint64_t>((p[k] - static_cast<float>(i)) * 256.0f);
    const uint64_t next = static_cast<uint64_t>(p[k + 1]);
    if (k + 1 < n && next < len) {
      const uint64_t fNext = static_cast<uint64_t>((p[k + 1] - static_cast<float>(next)) * 256.0f);
      uint64_t s = (v[i] * (256 - f)) >> 8;
      for (uint64_t m = i + 1; m < next; ++m) s += v[m];
      const uint64_t e = (v[next] * fNext) >> 8;
      out[k] = static_cast<int>(((s + e) * 256) / w);
    } else {
      if (i > len - 1) i = len - 1;
      uint64_t s = v[i] * (256 - f);
      for (uint64_t m = i + 1; m < len; ++m) s += 256 * uint64_t(v[m]);
      out[k] = static_cast<int>(s / ((256 - f) + 256 * (len - 1 - i)));
    }
  }
  return out;
}

// A picture as decoded channels, row-major.
struct RefPicture {
  uint32_t width = 0, height = 0;
  std::vector<Rgba> pixels;
  Rgba& At(uint32_t x, uint32_t y) { return pixels[size_t(y) * width + x]; }
  const Rgba& At(uint32_t x, uint32_t y) const { return pixels[size_t(y) * width + x]; }
};

// The top-left w x h pixels of an image, decoded.
inline RefPicture RefRead(const dbtl::DImage& image, uint32_t kind, uint32_t w, uint32_t h) {
  RefPicture pic{w, h, std::vector<Rgba>(size_t(w) * h)};
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) pic.At(x, y) = RefDecode(kind, image.GetPixelAddress(x, y));
  return pic;
}

// Two passes: every row onto the new width, then every column onto the new height.
inline RefPicture RefResample(const RefPicture& in, uint32_t w, uint32_t h) {
  RefPicture rows{w, in.height, std::vector<Rgba>(size_t(w) * in.height)};
  for (uint32_t y = 0; y < in.height; ++y) {
    for (int c = 0; c < 4; ++c) {
      std::vector<int> line(in.width);
      for (uint32_t x = 0; x < in.width; ++x) line[x] = in.At(x, y)[c];
      const std::vector<int> out = RefResampleAxis(line, w);
      for (uint32_t x = 0; x < w; ++x) rows.At(x, y)[c] = out[x];
    }
  }
  RefPicture result{w, h, std::vector<Rgba>(size_t(w) * h)};
  for (uint32_t x = 0; x < w; ++x) {
    for (int c = 0; c < 4; ++c) {
      std::vector<int> line(in.height);
      for (uint32_t y = 0; y < in.height; ++y) line[y] = rows.At(x, y)[c];
      const std::vector<int> out = RefResampleAxis(line, h);
      for (uint32_t y = 0; y < h; ++y) result.At(x, y)[c] = out[y];
    }
  }
  return result;
}

// Destination pixel (x, y) is the rounded-down mean of the cols x rows block at (cols·x, rows·y).
inline RefPicture RefAverage(const RefPicture& in, uint32_t w, uint32_t h, uint32_t cols,
                             uint32_t rows) {
  RefPicture result{w, h, std::vector<Rgba>(size_t(w) * h)};
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (uint32_t dy = 0; dy < rows; ++dy)
          for (uint32_t dx = 0; dx < cols; ++dx) sum += in.At(cols * x + dx, rows * y + dy)[c];
        result.At(x, y)[c] = sum / int(cols * rows);
      }
  return result;
}

// The expected memory of a destination (a TestImage or an ExactImage): `pic` encoded into its
// top-left pixels, every other byte as in `before`.
template <class Image>
std::vector<uint8_t> RefWrite(const Image& dst, std::vector<uint8_t> before,
                              const RefPicture& pic) {
  for (uint32_t y = 0; y < pic.height; ++y)
    for (uint32_t x = 0; x < pic.width; ++x)
      RefEncode(dst.kind, pic.At(x, y), before.data() + dst.Offset(x, y));
  return before;
}

// A top-down image over exactly height x pitch bytes of its own (pitch = the row's bytes plus
// `padding`), so the byte after the last row's last pixel (padding 0) is outside any allocation.
struct ExactImage {
  ExactImage(uint32_t kindIn, uint32_t w, uint32_t h, uint32_t padding = 0) : kind(kindIn) {
    const uint32_t pitch = w * RefBytes(kind) + padding;
    memory.Create(pitch * h);
    std::memset(memory.Get(), 0xA5, size_t(pitch) * h);
    attached = image.Attach(memory, w, h, pitch, kind);
  }
  size_t MemoryBytes() const { return size_t(image.GetHeight()) * image.GetPitch(); }
  std::vector<uint8_t> Memory() const {
    return std::vector<uint8_t>(memory.Get(), memory.Get() + MemoryBytes());
  }
  size_t Offset(uint32_t x, uint32_t y) const {
    return size_t(image.GetPixelAddress(x, y) - memory.Get());
  }
  // Fills the pixels (not the padding) from `bytes`, row after row.
  void SetPixels(const std::vector<uint8_t>& bytes) {
    const size_t row = size_t(image.GetWidth()) * RefBytes(kind);
    for (uint32_t y = 0; y < image.GetHeight(); ++y)
      std::memcpy(image.GetPixelAddress(0, y), bytes.data() + y * row, row);
  }
  std::vector<uint8_t> Pixels() const {
    const size_t row = size_t(image.GetWidth()) * RefBytes(kind);
    std::vector<uint8_t> out;
    for (uint32_t y = 0; y < image.GetHeight(); ++y) {
      const uint8_t* p = image.GetPixelAddress(0, y);
      out.insert(out.end(), p, p + row);
    }
    return out;
  }

  uint32_t kind;
  dbtl::rcptr<uint8_t> memory;
  dbtl::DImageHolder image;
  bool attached = false;
};

inline const dbtl::DImage& ImageOf(const TestImage& t) { return *t.image; }
inline dbtl::DImage& ImageOf(TestImage& t) { return *t.image; }
inline const dbtl::DImage& ImageOf(const ExactImage& t) { return t.image; }
inline dbtl::DImage& ImageOf(ExactImage& t) { return t.image; }

template <class Image>
void FillRandom(Image& t, std::mt19937& rng) {
  const dbtl::DImage& image = ImageOf(t);
  for (uint32_t y = 0; y < image.GetHeight(); ++y) {
    uint8_t* row = image.GetPixelAddress(0, y);
    for (uint32_t i = 0; i < image.GetWidth() * RefBytes(t.kind); ++i) row[i] = uint8_t(rng());
  }
}

// What a filtering blit makes of the clipped source picture when the clipped sizes differ.
using FilterModel = std::function<RefPicture(const RefPicture& src, uint32_t w, uint32_t h)>;

// Runs a filtering dispatcher once on a random source and a random destination and compares the
// destination's whole memory with the model: the rectangles clipped as DimgClipScaled leaves
// them (nothing at all with a source size of 0), equal clipped sizes converted pixel by pixel,
// other sizes as `model` gives, every other byte unchanged. A second run on a twin of the
// destination with other byte arguments must give the same memory.
template <class DstImage, class SrcImage>
void ExpectFilterMatchesModel(Dispatcher run, const FilterModel& model, DstImage& dst,
                              DstImage& twin, SrcImage& src, const CopyShape& shape,
                              const std::string& what, std::mt19937& rng) {
  FillRandom(src, rng);
  FillRandom(dst, rng);
  std::memcpy(ImageOf(twin).GetBuffer(), ImageOf(dst).GetBuffer(), dst.MemoryBytes());
  int32_t dx = 0, dy = 0, sx = 0, sy = 0;
  uint32_t dw = shape.dstW, dh = shape.dstH, sw = shape.srcW, sh = shape.srcH;
  DimgClipScaled(dx, dy, dw, dh, shape.dstImageW, shape.dstImageH, sx, sy, sw, sh,
                 shape.srcImageW, shape.srcImageH);
  if (sw == 0 || sh == 0 || dw == 0 || dh == 0) {
    dw = dh = sw = sh = 0;
  }
  ASSERT_TRUE(dw <= shape.dstImageW && dh <= shape.dstImageH && sw <= shape.srcImageW &&
              sh <= shape.srcImageH)
      << what << ": clipped to " << dw << "x" << dh << " from " << sw << "x" << sh;

  std::vector<uint8_t> expected = dst.Memory();
  if (dw == sw && dh == sh) {
    for (uint32_t y = 0; y < dh; ++y)
      for (uint32_t x = 0; x < dw; ++x)
        RefConvert(dst.kind, src.kind, ImageOf(src).GetPixelAddress(x, y),
                   expected.data() + dst.Offset(x, y));
  } else {
    expected = RefWrite(dst, expected, model(RefRead(ImageOf(src), src.kind, sw, sh), dw, dh));
  }
  run(ImageOf(dst), shape.dstW, shape.dstH, ImageOf(src), shape.srcW, shape.srcH, 0x00, 0x00);
  EXPECT_EQ(dst.Memory(), expected) << what;
  run(ImageOf(twin), shape.dstW, shape.dstH, ImageOf(src), shape.srcW, shape.srcH, 0xFF, 0x5A);
  EXPECT_EQ(twin.Memory(), dst.Memory()) << what << ": the byte arguments changed the result";
}

// Runs a dispatcher on srcW x srcH pixels of kind s (bytes row after row) onto dstW x dstH of
// kind d, both images over exactly sized memory, and returns the destination's bytes.
inline std::vector<uint8_t> RunExact(Dispatcher run, uint32_t d, uint32_t dstW, uint32_t dstH,
                                     uint32_t s, uint32_t srcW, uint32_t srcH,
                                     const std::vector<uint8_t>& pixels) {
  EnsureYCbCrTables();
  ExactImage src(s, srcW, srcH);
  ExactImage dst(d, dstW, dstH);
  EXPECT_TRUE(src.attached && dst.attached);
  src.SetPixels(pixels);
  run(dst.image, dstW, dstH, src.image, srcW, srcH, 0, 0);
  return dst.Pixels();
}

// One hand-worked result: source bytes of kind s in, destination bytes of kind d out.
struct KindCase {
  const char* what;
  uint32_t d, s;
  uint32_t srcW, srcH;
  std::vector<uint8_t> src;
  uint32_t dstW, dstH;
  std::vector<uint8_t> expected;
};

inline void ExpectKindCases(Dispatcher run, const std::vector<KindCase>& cases) {
  for (const KindCase& t : cases) {
    EXPECT_EQ(RunExact(run, t.d, t.dstW, t.dstH, t.s, t.srcW, t.srcH, t.src), t.expected)
        << t.what;
  }
}

}  // namespace imgtest

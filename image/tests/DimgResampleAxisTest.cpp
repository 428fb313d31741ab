#include "image/resample/DimgResample.h"
#include "image/tests/DimgResampleModel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using imgtest::ExactImage;

enum class Axis { Horizontal, Vertical };

const char* Name(Axis axis) { return axis == Axis::Horizontal ? "horizontal" : "vertical"; }

// Resamples one line of kind-0 pixels along one axis (the other axis is 1 long) and returns the
// output line of channel c. Every channel gets its own copy of the samples, shifted so the four
// differ, so a channel mixed up with another shows.
std::vector<int> ResampleLine(const std::vector<int>& samples, uint32_t n, Axis axis, int c) {
  const auto len = static_cast<uint32_t>(samples.size());
  const bool across = axis == Axis::Horizontal;
  ExactImage src(0, across ? len : 1, across ? 1 : len);
  ExactImage dst(0, across ? n : 1, across ? 1 : n);
  std::vector<uint8_t> bytes;
  for (int v : samples)
    for (int ch = 0; ch < 4; ++ch) bytes.push_back(uint8_t(v ^ (ch == c ? 0 : 0x55 * ch)));
  src.SetPixels(bytes);
  DimgResample(dst.image, dst.image.GetWidth(), dst.image.GetHeight(), src.image,
               src.image.GetWidth(), src.image.GetHeight(), 0, 0);
  std::vector<int> out;
  const std::vector<uint8_t> pixels = dst.Pixels();
  for (uint32_t k = 0; k < n; ++k) out.push_back(pixels[k * 4 + c]);
  return out;
}

std::vector<int> Uniform(uint32_t n, int v) { return std::vector<int>(n, v); }

struct AxisCase {
  const char* what;
  std::vector<int> samples;
  uint32_t n;
  std::vector<int> expected;  // a shorter list checks only the first outputs
};

// The rules' own examples, each run along both axes and on every channel.
TEST(DimgResampleAxis, WorkedExamples) {
  std::vector<int> tens;
  for (int v = 10; v <= 90; v += 10) tens.push_back(v);
  std::vector<int> ninety(511, 254);
  ninety.push_back(255);
  const AxisCase cases[] = {
      {"linear 2 onto 4, rising", {0, 255}, 4, {0, 127, 255, 255}},
      {"linear 2 onto 4, falling", {255, 0}, 4, {255, 127, 0, 0}},
      {"linear 2 onto 4", {200, 100}, 4, {200, 150, 100, 100}},
      {"linear 3 onto 4", {10, 50, 90}, 4, {10, 40, 70, 90}},
      {"equal lengths reproduce the samples", {7, 250, 3}, 3, {7, 250, 3}},
      {"area 4 onto 2", {10, 20, 30, 41}, 2, {15, 35}},
      {"area 3 onto 2 of 255 (fractional edge weight)", Uniform(3, 255), 2, {254, 255}},
      {"area 3 onto 2, the last output the mean of the rest", {90, 30, 60}, 2, {70, 50}},
      {"area 3 onto 2, last output over half a sample and one whole", {0, 0, 255}, 2, {0, 170}},
      {"area 9 onto 3 of 255", Uniform(9, 255), 3, {255, 255, 255}},
      {"area 9 onto 3", tens, 3, {20, 50, 80}},
      {"area 9 onto 7 of 255", Uniform(9, 255), 7, {254, 254, 254, 253, 254, 254, 255}},
      {"area 512 onto 256 of 255", Uniform(512, 255), 256, Uniform(256, 255)},
      {"area 640 onto 512 of 255", Uniform(640, 255), 512, ninety},
  };
  for (const AxisCase& t : cases) {
    for (Axis axis : {Axis::Horizontal, Axis::Vertical}) {
      for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(ResampleLine(t.samples, t.n, axis, c), t.expected)
            << t.what << ", " << Name(axis) << ", channel " << c;
      }
    }
  }
}

// Positions accumulated in single precision run past the source on long axes: 8192 onto 8194
// reaches position 8192 with its last output, 8432 onto 8233 ends its second-to-last footprint
// on sample 8432, 8426 onto 8235 a 256th into sample 8426. Over exactly sized rows an index that was not held on the last sample reads
// past the image (the address sanitizer reports it); here the outputs must also be what the
// clamped rule gives, and a line of one value must stay that value to the end.
TEST(DimgResampleAxis, LongAxesStayInsideTheSource) {
  struct LongCase {
    uint32_t len, n;
  };
  const LongCase cases[] = {{8192, 8194}, {8432, 8233}, {8426, 8235}, {8195, 8197}};
  std::mt19937 rng(7);
  for (const LongCase& t : cases) {
    std::vector<int> samples(t.len);
    for (int& v : samples) v = int(rng() & 0xFF);
    const std::vector<int> expected = imgtest::RefResampleAxis(samples, t.n);
    for (Axis axis : {Axis::Horizontal, Axis::Vertical}) {
      const std::string what = std::to_string(t.len) + " onto " + std::to_string(t.n) + ", " +
                               Name(axis);
      const std::vector<int> out = ResampleLine(samples, t.n, axis, 1);
      EXPECT_EQ(out, expected) << what;
      if (t.n > t.len) {
        EXPECT_EQ(out.back(), samples.back()) << what << ": the last output is the last sample";
      }
      const std::vector<int> flat = ResampleLine(Uniform(t.len, 200), t.n, axis, 2);
      if (t.n > t.len) {
        EXPECT_EQ(flat, Uniform(t.n, 200)) << what;
      } else {
        for (int v : flat) ASSERT_TRUE(v >= 198 && v <= 200) << what << ": " << v;
        EXPECT_EQ(flat.back(), 200) << what;
      }
    }
  }
}

// Many step sizes, whole and fractional, growing and shrinking, against the model: the tables
// of the area pass, its last output and the linear taps over lengths from 1 to 300.
TEST(DimgResampleAxis, AgreesWithModelOverManyLengths) {
  std::mt19937 rng(3);
  for (uint32_t len = 1; len <= 300; len += 7) {
    for (uint32_t n = 1; n <= 300; n += 11) {
      std::vector<int> samples(len);
      for (int& v : samples) v = int(rng() & 0xFF);
      ASSERT_EQ(ResampleLine(samples, n, Axis::Horizontal, 0),
                imgtest::RefResampleAxis(samples, n))
          << len << " onto " << n;
    }
  }
}

// The area passes divide by multiplying with a reciprocal; the quotient must be the truncated
// one for every dividend, at the edges of the fast path (2^32 - 1, 2^32) and next to the
// divisor's multiples, where a reciprocal that is one too small or too large shows first.
TEST(DimgResampleAxis, SharedDivisorDividesExactly) {
  std::mt19937_64 rng(17);
  std::vector<uint64_t> divisors = {1, 2, 3, 255, 256, 257, 384, 511, 65536, 65537,
                                    0xFFFFFFFFull, 0x100000000ull, 0x100000001ull};
  for (int i = 0; i < 200; ++i) divisors.push_back(1 + (rng() >> (rng() % 63)));
  for (uint64_t d : divisors) {
    const DimgSharedDivisor divisor(d);
    std::vector<uint64_t> dividends = {0, 1, d - 1, d, d + 1, 0xFFFFFFFFull, 0x100000000ull,
                                       0xFFFFFFFFull / d * d, 0xFFFFFFFFull / d * d - 1};
    for (int i = 0; i < 500; ++i) dividends.push_back(rng() >> (rng() % 64));
    for (int i = 0; i < 100; ++i) dividends.push_back(d * (rng() % (0xFFFFFFFFull / d + 1)) - 1);
    for (uint64_t n : dividends) {
      ASSERT_EQ(divisor.Divide(n), n / d) << n << " / " << d;
    }
  }
}

}  // namespace

// The textured 3D scenes (D3dScenes.h) must come out pixel for pixel as the reviewed picture in
// golden/textured_scenes.bmp: perspective division, trilinear filtering, the shader interpreter
// and the output merger may be made faster, never different. On a mismatch the picture drawn
// is written beside the test's build files for a look.

#include "platform/d3d9/raster/Simd.h"
#include "platform/d3d9/raster/tests/D3dScenes.h"
#include "testsupport/FileBytes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace d3d9 {
namespace {

using namespace testing;

constexpr uint32_t kWidth = 128, kHeight = 96;

void put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// A 24-bit bottom-up BMP (the width keeps rows a multiple of four bytes).
std::vector<uint8_t> bmp(const PixelStore& s) {
  std::vector<uint8_t> out{'B', 'M'};
  const uint32_t size = s.width * s.height * 3;
  for (uint32_t v : {54 + size, 0u, 54u, 40u, s.width, s.height}) put(out, v, 4);
  put(out, 1, 2);
  put(out, 24, 2);
  for (uint32_t v : {0u, size, 2835u, 2835u, 0u, 0u}) put(out, v, 4);
  for (uint32_t y = s.height; y-- > 0;) {
    for (uint32_t x = 0; x < s.width; ++x) put(out, pixelAt(s, x, y), 3);
  }
  return out;
}

// Restores the level of the vector loops that the process started with.
struct SimdLevelGuard {
  SimdLevel saved = simdLevel();
  ~SimdLevelGuard() { selectSimdLevel(saved); }
};

// The plain loops are the reference and the SSE2 loops must match them bit for bit, so the
// picture is drawn by both.
class D3dSceneGolden : public ::testing::TestWithParam<SimdLevel> {};

TEST_P(D3dSceneGolden, TexturedScenesMatchTheGoldenImage) {
  SimdLevelGuard guard;
  if (selectSimdLevel(GetParam()) != GetParam()) GTEST_SKIP() << "not on this processor";
  auto t = makeDevice("default", kWidth, kHeight);
  IDirect3DDevice9* d = t.device.get();
  d->SetRenderState(D3DRS_LIGHTING, 0);
  drawSceneQuadrants(d, kWidth, kHeight);
  const std::vector<uint8_t> rendered = bmp(target(d));

  const std::string path = std::string(TEST_SOURCE_DIR) + "/d3d9/raster/tests/golden/textured_scenes.bmp";
  const std::vector<uint8_t> golden = readFileBytes(path);
  const bool sameSize = golden.size() == rendered.size();
  size_t differing = sameSize ? 0 : kWidth * kHeight, first = 0;
  for (size_t i = 54; sameSize && i < golden.size(); i += 3) {
    if (golden[i] != rendered[i] || golden[i + 1] != rendered[i + 1] ||
        golden[i + 2] != rendered[i + 2]) {
      if (differing++ == 0) first = (i - 54) / 3;
    }
  }
  if (differing) {
    const std::string out = std::string(TEST_BINARY_DIR) + "/d3d_textured_scenes_" +
                            (GetParam() == SimdLevel::Scalar ? "scalar" : "sse2") + ".bmp";
    std::ofstream(out, std::ios::binary).write(reinterpret_cast<const char*>(rendered.data()),
                                               std::streamsize(rendered.size()));
    ADD_FAILURE() << differing << " pixels differ from " << path << ", the first at ("
                  << first % kWidth << ", " << kHeight - 1 - first / kWidth << "); drawn: " << out;
  }
}

INSTANTIATE_TEST_SUITE_P(Loops, D3dSceneGolden, ::testing::Values(SimdLevel::Scalar, SimdLevel::Sse2),
                         [](const ::testing::TestParamInfo<SimdLevel>& info) {
                           return std::string(info.param == SimdLevel::Scalar ? "Scalar" : "Sse2");
                         });

}  // namespace
}  // namespace d3d9

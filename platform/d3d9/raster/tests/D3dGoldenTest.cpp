// The golden scene (three interpenetrating triangles, see tools/d3dgolden) must come out of the
// rasteriser pixel for pixel as the reviewed picture in golden/depth_triangles.bmp.

#include "testsupport/FileBytes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<char> readFile(const std::string& path) {
  const std::string text = readFileText(path);
  return {text.begin(), text.end()};
}

TEST(D3dGolden, DepthTestedTrianglesMatchTheGoldenImage) {
  const std::string out = std::string(TEST_BINARY_DIR) + "/d3d_golden_depth_triangles.bmp";
  const std::string command = std::string(TEST_BIN_DIR) + "/d3dgolden " + out;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const auto golden = readFile(std::string(TEST_SOURCE_DIR) + "/d3d9/raster/tests/golden/depth_triangles.bmp");
  const auto rendered = readFile(out);
  ASSERT_EQ(golden.size(), 54u + 32u * 32u * 3u);
  ASSERT_EQ(rendered.size(), golden.size());
  size_t differing = 0;
  for (size_t i = 54; i < golden.size(); i += 3) {
    differing += golden[i] != rendered[i] || golden[i + 1] != rendered[i + 1] ||
                 golden[i + 2] != rendered[i + 2];
  }
  EXPECT_EQ(differing, 0u) << "pixels that differ from the golden image";
}

}  // namespace

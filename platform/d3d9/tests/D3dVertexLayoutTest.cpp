#include "platform/d3d9/D3d9States.h"
#include "platform/d3d9/VertexLayout.h"

#include <gtest/gtest.h>

namespace d3d9 {
namespace {

TEST(D3dVertexLayout, FormatsOfTheRendererAndTheSpriteLayers) {
  struct Case {
    DWORD fvf;
    uint32_t stride;
    int32_t diffuse;
    uint32_t texCount;
    uint32_t lastTexOffset;
    bool pretransformed;
  } cases[] = {
      {0x815E, 56, 44, 1, 48, false},  // position, 5 betas, normal, diffuse, one pair
      {0x835E, 72, 44, 3, 64, false},
      {0x244, 36, 16, 2, 28, true},    // x, y, z, rhw, diffuse, two pairs
      {0x842, 80, 12, 8, 72, false},   // position, diffuse, eight pairs
      {D3DFVF_XYZ | D3DFVF_TEX1 | (1u << 16), 24, -1, 1, 12, false},  // one 3-float set
  };
  for (const auto& c : cases) {
    const auto l = vertexLayout(c.fvf);
    ASSERT_TRUE(l) << std::hex << c.fvf;
    EXPECT_EQ(l->stride, c.stride) << std::hex << c.fvf;
    EXPECT_EQ(l->diffuse, c.diffuse) << std::hex << c.fvf;
    EXPECT_EQ(l->texCount, c.texCount);
    EXPECT_EQ(l->texOffset[c.texCount - 1], c.lastTexOffset) << std::hex << c.fvf;
    EXPECT_EQ(l->pretransformed, c.pretransformed);
  }
  EXPECT_FALSE(vertexLayout(D3DFVF_DIFFUSE));  // no position
  EXPECT_FALSE(vertexLayout(D3DFVF_XYZ | 0x900));  // nine texture sets
}

}  // namespace
}  // namespace d3d9

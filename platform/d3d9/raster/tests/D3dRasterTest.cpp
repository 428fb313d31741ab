#include "platform/d3d9/tests/D3dDrawHelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace d3d9 {
namespace {

using namespace testing;

// Pixel centres lie on integer coordinates and left and top edges own the centres on them.
TEST(D3dRaster, QuadsCoverThePixelCentresInsideThem) {
  struct Case {
    float x0, y0, x1, y1;
    uint32_t left, top, size;  // the covered square
  } cases[] = {
      {-0.5f, -0.5f, 63.5f, 63.5f, 0, 0, 64},  // the sprite layers' half-pixel shift
      {0, 0, 4, 4, 0, 0, 4},                    // centres on all four edges
      {0.5f, 0.5f, 4.5f, 4.5f, 1, 1, 4},
      {2.25f, 3.25f, 2.75f, 3.75f, 0, 0, 0},    // no centre inside
      {9.999f, 9.0f, 12.001f, 11.0f, 10, 9, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.x0) + "," + std::to_string(c.y0));
    auto t = make2D(80, 80);
    IDirect3DDevice9* d = t.device.get();
    const auto q = quadList(c.x0, c.y0, c.x1, c.y1, 0xFFFFFFFFu);
    ASSERT_EQ(drawList(d, q.data(), 2), D3D_OK);
    const PixelStore& s = target(d);
    EXPECT_EQ(countPixels(s, [](uint32_t p) { return (p & 0xFFFFFF) != 0; }), c.size * c.size);
    if (c.size) {
      EXPECT_NE(pixelAt(s, c.left, c.top) & 0xFFFFFF, 0u);
      EXPECT_NE(pixelAt(s, c.left + c.size - 1, c.top + c.size - 1) & 0xFFFFFF, 0u);
    }
  }
}

// Additive drawing of a small value shows every pixel hit twice as 2.
TEST(D3dRaster, SharedEdgesCoverEachPixelOnce) {
  struct Shape {
    const char* name;
    std::vector<std::array<float, 2>> ring;  // a convex polygon, drawn as a fan from its centre
  } shapes[] = {
      {"diagonal square", {{1.3f, 1.7f}, {30.2f, 2.1f}, {29.9f, 29.5f}, {2.2f, 30.8f}}},
      {"pixel-aligned", {{4, 4}, {20, 4}, {20, 20}, {4, 20}}},
      {"centres on edges", {{0.5f, 0.5f}, {16.5f, 0.5f}, {31.5f, 16.5f}, {16.5f, 31.5f}}},
      {"thin fan", {{3.1f, 10.2f}, {28.7f, 3.3f}, {30.1f, 4.9f}, {29.2f, 27.6f}, {5.5f, 12.1f}}},
  };
  for (const auto& shape : shapes) {
    SCOPED_TRACE(shape.name);
    auto t = make2D(32, 32);
    IDirect3DDevice9* d = t.device.get();
    blendDiffuse(d, D3DBLEND_ONE, D3DBLEND_ONE);
    float cx = 0, cy = 0;
    for (const auto& p : shape.ring) {
      cx += p[0] / float(shape.ring.size());
      cy += p[1] / float(shape.ring.size());
    }
    std::vector<TLVertex> tris;
    for (size_t i = 0; i < shape.ring.size(); ++i) {
      const auto& a = shape.ring[i];
      const auto& b = shape.ring[(i + 1) % shape.ring.size()];
      for (auto p : {std::array<float, 2>{cx, cy}, a, b}) {
        tris.push_back({p[0], p[1], 0.5f, 1, 0x01010101u, 0, 0});
      }
    }
    ASSERT_EQ(drawList(d, tris.data(), UINT(tris.size() / 3)), D3D_OK);
    const PixelStore& s = target(d);
    EXPECT_EQ(countPixels(s, [](uint32_t p) { return (p & 0xFF) > 1; }), 0u);
    EXPECT_GT(countPixels(s, [](uint32_t p) { return (p & 0xFF) == 1; }), 100u);
  }
}

TEST(D3dRaster, HalfGreyOverBlack) {
  auto t = make2D(4, 4);
  IDirect3DDevice9* d = t.device.get();
  blendDiffuse(d, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
  const auto q = quadList(-0.5f, -0.5f, 3.5f, 3.5f, 0x80FFFFFFu);
  ASSERT_EQ(drawList(d, q.data(), 2), D3D_OK);
  const uint32_t g = pixelAt(target(d), 1, 1) & 0xFF;
  EXPECT_GE(g, 127u);
  EXPECT_LE(g, 128u);
}

TEST(D3dRaster, CullingFollowsScreenWinding) {
  struct Case {
    DWORD cull;
    bool clockwise;
    bool drawn;
  } cases[] = {{D3DCULL_NONE, true, true},  {D3DCULL_NONE, false, true},
               {D3DCULL_CW, true, false},   {D3DCULL_CW, false, true},
               {D3DCULL_CCW, true, true},   {D3DCULL_CCW, false, false}};
  for (const auto& c : cases) {
    auto t = make2D(8, 8);
    IDirect3DDevice9* d = t.device.get();
    d->SetRenderState(D3DRS_CULLMODE, c.cull);
    TLVertex a{0, 0, 0.5f, 1, 0xFFFFFFFFu, 0, 0}, b{8, 0, 0.5f, 1, 0xFFFFFFFFu, 0, 0},
        e{0, 8, 0.5f, 1, 0xFFFFFFFFu, 0, 0};
    // (0,0) -> (8,0) -> (0,8) turns clockwise with y pointing down.
    const TLVertex tri[3] = {a, c.clockwise ? b : e, c.clockwise ? e : b};
    ASSERT_EQ(drawList(d, tri, 1), D3D_OK);
    EXPECT_EQ((pixelAt(target(d), 1, 1) & 0xFF) != 0, c.drawn)
        << "cull " << c.cull << " clockwise " << c.clockwise;
  }
}

TEST(D3dRaster, AlphaTestAndWriteMask) {
  struct Case {
    DWORD func;
    DWORD ref;
    bool drawn;
  } cases[] = {{D3DCMP_GREATER, 0x7F, true}, {D3DCMP_GREATER, 0x80, false},
               {D3DCMP_LESS, 0x81, true},    {D3DCMP_EQUAL, 0x180, true},
               {D3DCMP_NOTEQUAL, 0x80, false}, {D3DCMP_NEVER, 0, false}};
  for (const auto& c : cases) {
    auto t = make2D(4, 4);
    IDirect3DDevice9* d = t.device.get();
    d->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
    d->SetRenderState(D3DRS_ALPHAFUNC, c.func);
    d->SetRenderState(D3DRS_ALPHAREF, c.ref);  // only the low byte counts
    const auto q = quadList(-0.5f, -0.5f, 3.5f, 3.5f, 0x80FFFFFFu);
    ASSERT_EQ(drawList(d, q.data(), 2), D3D_OK);
    EXPECT_EQ((pixelAt(target(d), 2, 2) & 0xFF) != 0, c.drawn) << c.func << " " << c.ref;
  }
  auto t = make2D(4, 4);
  IDirect3DDevice9* d = t.device.get();
  d->SetRenderState(D3DRS_COLORWRITEENABLE, 0x1 | 0x4);  // red and blue only
  const auto q = quadList(-0.5f, -0.5f, 3.5f, 3.5f, 0xFF112233u);
  ASSERT_EQ(drawList(d, q.data(), 2), D3D_OK);
  EXPECT_EQ(pixelAt(target(d), 0, 0), 0xFF110033u);
}

TEST(D3dRaster, VertexFogMixesTowardsTheFogColour) {
  auto t = make2D(4, 4);
  IDirect3DDevice9* d = t.device.get();
  d->SetRenderState(D3DRS_FOGENABLE, 1);
  d->SetRenderState(D3DRS_FOGCOLOR, 0x000000FFu);
  struct V {
    float x, y, z, rhw;
    uint32_t diffuse, specular;
  };
  // Fog factor 0 on the left edge (all fog), 1 on the right (no fog).
  const V v[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xFFFF0000u, 0x00000000u},
                  {3.5f, -0.5f, 0.5f, 1, 0xFFFF0000u, 0xFF000000u},
                  {-0.5f, 3.5f, 0.5f, 1, 0xFFFF0000u, 0x00000000u},
                  {3.5f, 3.5f, 0.5f, 1, 0xFFFF0000u, 0xFF000000u}};
  d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  d->BeginScene();
  ASSERT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
  d->EndScene();
  const uint32_t left = pixelAt(target(d), 0, 1), right = pixelAt(target(d), 3, 1);
  EXPECT_GT(left & 0xFF, 0xC0u);          // mostly fog blue
  EXPECT_GT((right >> 16) & 0xFF, 0xC0u);  // mostly the red colour
}

TEST(D3dRaster, AttributesArePerspectiveCorrect) {
  auto t = make2D(8, 1);
  IDirect3DDevice9* d = t.device.get();
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  // The right edge is three times as far away: at screen fraction t the red channel is
  // (t / 3) / ((1 - t) + t / 3) of the way, not t.
  const TLVertex v[4] = {{-0.5f, -0.5f, 0.5f, 1.0f, 0xFF000000u, 0, 0},
                         {7.5f, -0.5f, 0.5f, 1.0f / 3, 0xFFFF0000u, 0, 0},
                         {-0.5f, 0.5f, 0.5f, 1.0f, 0xFF000000u, 0, 0},
                         {7.5f, 0.5f, 0.5f, 1.0f / 3, 0xFFFF0000u, 0, 0}};
  d->SetFVF(kTLFvf);
  d->BeginScene();
  ASSERT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVertex)), D3D_OK);
  d->EndScene();
  const float f = 3.5f / 8.0f;
  const float expected = 255.0f * (f / 3) / ((1 - f) + f / 3);
  const float red = float((pixelAt(target(d), 3, 0) >> 16) & 0xFF);
  EXPECT_NEAR(red, expected, 1.5f);
}

// A channel that is the same at the three vertices keeps its value over the triangle, also when
// the other channels of its colour vary (and whatever an earlier draw interpolated).
TEST(D3dRaster, AChannelFlatOnItsOwnKeepsItsValue) {
  auto t = make2D(16, 2);
  IDirect3DDevice9* d = t.device.get();
  auto rt = makeRenderTexture(d, 16, 2);
  ASSERT_EQ(d->SetRenderTarget(0, levelZero(rt.get()).get()), D3D_OK);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  const auto quad = [](uint32_t left, uint32_t right) {
    const TLVertex a{-0.5f, -0.5f, 0.5f, 1, left, 0, 0}, b{15.5f, -0.5f, 0.5f, 1, right, 0, 0};
    const TLVertex c{-0.5f, 1.5f, 0.5f, 1, left, 0, 0}, e{15.5f, 1.5f, 0.5f, 1, right, 0, 0};
    return std::array<TLVertex, 6>{a, b, c, c, b, e};
  };
  const auto alphaRamp = quad(0x00FFFFFFu, 0xFFFFFFFFu);
  ASSERT_EQ(drawList(d, alphaRamp.data(), 2), D3D_OK);
  const auto colourRamp = quad(0x80000000u, 0x80FF00FFu);
  ASSERT_EQ(drawList(d, colourRamp.data(), 2), D3D_OK);
  for (uint32_t x = 0; x < 16; ++x) {
    const uint32_t p = pixelAt(target(d), x, 1);
    EXPECT_EQ(p >> 24, 0x80u) << x;
    EXPECT_EQ(p >> 16 & 255, p & 255) << x;  // red and blue rise together
  }
  EXPECT_LT(pixelAt(target(d), 0, 1) & 255, 0x10u);
  EXPECT_GT(pixelAt(target(d), 15, 1) & 255, 0xF0u);
}

}  // namespace
}  // namespace d3d9

#include "platform/d3d9/tests/D3dDrawHelpers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace d3d9 {
namespace {

using namespace testing;

Ref<IDirect3DTexture9> makeTexture(IDirect3DDevice9* d, UINT w, UINT h, UINT levels,
                                   const std::function<uint32_t(UINT, UINT, UINT)>& texel) {
  IDirect3DTexture9* raw = nullptr;
  EXPECT_EQ(d->CreateTexture(w, h, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &raw, nullptr),
            D3D_OK);
  for (UINT l = 0; l < levels; ++l) {
    D3DLOCKED_RECT r{};
    raw->LockRect(l, &r, nullptr, 0);
    D3DSURFACE_DESC desc{};
    raw->GetLevelDesc(l, &desc);
    for (UINT y = 0; y < desc.Height; ++y) {
      for (UINT x = 0; x < desc.Width; ++x) {
        const uint32_t v = texel(l, x, y);
        std::memcpy(static_cast<uint8_t*>(r.pBits) + y * r.Pitch + x * 4, &v, 4);
      }
    }
    raw->UnlockRect(l);
  }
  return Ref<IDirect3DTexture9>(raw);
}

// Texel (x, y) of a 4 x 4 texture: x in the red channel, y in the green channel.
uint32_t gridTexel(UINT, UINT x, UINT y) { return 0xFF000000u | (x * 16 + 1) << 16 | (y * 16 + 1) << 8; }

struct AddressCase {
  const char* name;
  DWORD address;
  float uMax;       // the quad's u runs from 0 to uMax over 8 pixels
  UINT pixel;       // pixel column read
  uint32_t expected;
};

TEST(D3dSampler, PointSamplingWithAddressModes) {
  const uint32_t border = 0xFF0000FFu;
  const AddressCase cases[] = {
      {"clamp inside", D3DTADDRESS_CLAMP, 1.0f, 5, gridTexel(0, 2, 0)},
      {"wrap repeats", D3DTADDRESS_WRAP, 2.0f, 5, gridTexel(0, 1, 0)},
      {"clamp holds the edge", D3DTADDRESS_CLAMP, 2.0f, 7, gridTexel(0, 3, 0)},
      {"border outside", D3DTADDRESS_BORDER, 2.0f, 5, border},
      {"border inside", D3DTADDRESS_BORDER, 2.0f, 3, gridTexel(0, 3, 0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto t = make2D(8, 1);
    IDirect3DDevice9* d = t.device.get();
    auto tex = makeTexture(d, 4, 4, 1, gridTexel);
    d->SetTexture(0, tex.get());
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, c.address);
    d->SetSamplerState(0, D3DSAMP_ADDRESSV, c.address);
    d->SetSamplerState(0, D3DSAMP_BORDERCOLOR, border);
    const auto q = quadList(-0.5f, -0.5f, 7.5f, 0.5f, 0xFFFFFFFFu, 0, 0, c.uMax, 0.25f);
    ASSERT_EQ(drawList(d, q.data(), 2), D3D_OK);
    EXPECT_EQ(pixelAt(target(d), c.pixel, 0), c.expected);
  }
}

TEST(D3dSampler, LinearFilteringWeighsTheNearestTexelCentres) {
  auto t = make2D(4, 1);
  IDirect3DDevice9* d = t.device.get();
  // Black and white texels: centres at u = 0.25 and 0.75; pixel centres at 0.125 ... 0.875.
  auto tex = makeTexture(d, 2, 1, 1, [](UINT, UINT x, UINT) {
    return x ? 0xFFFFFFFFu : 0xFF000000u;
  });
  d->SetTexture(0, tex.get());
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  const auto q = quadList(-0.5f, -0.5f, 3.5f, 0.5f, 0xFFFFFFFFu);
  ASSERT_EQ(drawList(d, q.data(), 2), D3D_OK);
  const uint32_t expected[4] = {0, 63, 191, 255};
  for (UINT x = 0; x < 4; ++x) {
    EXPECT_NEAR(double(pixelAt(target(d), x, 0) & 0xFF), expected[x], 1.0) << x;
  }
}

// Level i of an 8 x 8 texture is filled with colour i; the quad's size decides the level.
struct MipCase {
  const char* name;
  float size;       // quad side in pixels (texture coordinates 0..1)
  DWORD mipFilter;
  float bias;
  DWORD maxLevel;
  UINT expectedLevel;
};

TEST(D3dSampler, MipLevelFollowsTheScreenSize) {
  const uint32_t colours[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
  const MipCase cases[] = {
      {"magnified", 16, D3DTEXF_POINT, 0, 0, 0},
      {"one to one", 8, D3DTEXF_POINT, 0, 0, 0},
      {"half", 4, D3DTEXF_POINT, 0, 0, 1},
      {"quarter", 2, D3DTEXF_POINT, 0, 0, 2},
      {"half, bias -1", 4, D3DTEXF_POINT, -1.0f, 0, 0},
      {"one to one, bias +2", 8, D3DTEXF_POINT, 2.0f, 0, 2},
      {"half, no mip filter", 4, D3DTEXF_NONE, 0, 0, 0},
      {"one to one, max level 2", 8, D3DTEXF_POINT, 0, 2, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto t = make2D(16, 16);
    IDirect3DDevice9* d = t.device.get();
    auto tex = makeTexture(d, 8, 8, 4, [&](UINT l, UINT, UINT) { return colours[l]; });
    d->SetTexture(0, tex.get());
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetSamplerState(0, D3DSAMP_MIPFILTER, c.mipFilter);
    d->SetSamplerState(0, D3DSAMP_MIPMAPLODBIAS, floatBits(c.bias));
    d->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, c.maxLevel);
    const auto q = quadList(-0.5f, -0.5f, c.size - 0.5f, c.size - 0.5f, 0xFFFFFFFFu);
    ASSERT_EQ(drawList(d, q.data(), 2), D3D_OK);
    EXPECT_EQ(pixelAt(target(d), 0, 0), colours[c.expectedLevel]);
  }
}

TEST(D3dSampler, UnboundStageReadsOpaqueWhite) {
  auto t = make2D(4, 4);
  IDirect3DDevice9* d = t.device.get();
  // Default stage 0: texture x diffuse for colour and alpha; nothing bound.
  const auto q = quadList(-0.5f, -0.5f, 3.5f, 3.5f, 0x80FF8000u);
  ASSERT_EQ(drawList(d, q.data(), 2), D3D_OK);
  // The X8R8G8B8 back buffer reads back opaque; the colour is the diffuse one, unchanged.
  EXPECT_EQ(pixelAt(target(d), 2, 2), 0xFFFF8000u);
}

TEST(D3dSampler, StagesCombineTextureCurrentAndDiffuse) {
  struct Case {
    const char* name;
    DWORD op0, arg01, arg02, op1, arg11, arg12;
    uint32_t expected;
  } cases[] = {
      {"modulate", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, 0, 0,
       0xFF402000u},
      {"add saturates", D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, 0, 0,
       0xFFFFC040u},
      {"select texture", D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, 0, 0,
       0xFF804040u},
      {"second stage adds diffuse to current", D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE,
       D3DTOP_ADD, D3DTA_CURRENT, D3DTA_DIFFUSE, 0xFFFFC040u},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto t = make2D(2, 2);
    IDirect3DDevice9* d = t.device.get();
    auto tex = makeTexture(d, 1, 1, 1, [](UINT, UINT, UINT) { return 0xFF804040u; });
    d->SetTexture(0, tex.get());
    d->SetTextureStageState(0, D3DTSS_COLOROP, c.op0);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, c.arg01);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, c.arg02);
    d->SetTextureStageState(1, D3DTSS_COLOROP, c.op1);
    d->SetTextureStageState(1, D3DTSS_COLORARG1, c.arg11);
    d->SetTextureStageState(1, D3DTSS_COLORARG2, c.arg12);
    const auto q = quadList(-0.5f, -0.5f, 1.5f, 1.5f, 0xFF808000u);
    ASSERT_EQ(drawList(d, q.data(), 2), D3D_OK);
    EXPECT_EQ(pixelAt(target(d), 1, 1), c.expected);
  }
}

TEST(D3dSampler, UnsupportedStatesAreRefused) {
  auto t = make2D(2, 2);
  IDirect3DDevice9* d = t.device.get();
  auto tex = makeTexture(d, 1, 1, 1, [](UINT, UINT, UINT) { return 0xFFFFFFFFu; });
  d->SetTexture(0, tex.get());
  const auto q = quadList(-0.5f, -0.5f, 1.5f, 1.5f, 0xFFFFFFFFu);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE2X);
  EXPECT_EQ(drawList(d, q.data(), 2), D3DERR_UNSUPPORTEDCOLOROPERATION);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
  EXPECT_EQ(drawList(d, q.data(), 2), D3DERR_UNSUPPORTEDTEXTUREFILTER);
  EXPECT_EQ(pixelAt(target(d), 0, 0), 0xFF000000u);  // refused draws leave no pixel
}

}  // namespace
}  // namespace d3d9

// Shaders drawing through the device: vertex shaders against the fixed-function result,
// indexed constants selected by packed blend indices, pixel shaders of every model, texture
// reads, texkill and fog after the shader.

#include "platform/d3d9/shader/tests/ShaderTestKit.h"

#include <cstring>

namespace d3d9 {
namespace {

using namespace testing;

struct XyzColour {
  float x, y, z;
  uint32_t colour;
};
constexpr DWORD kXyzColourFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

Ref<IDirect3DTexture9> solidTexture(IDirect3DDevice9* d, uint32_t w, uint32_t h,
                                    const std::vector<uint32_t>& texels) {
  IDirect3DTexture9* t = nullptr;
  EXPECT_EQ(d->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  D3DLOCKED_RECT r{};
  t->LockRect(0, &r, nullptr, 0);
  for (uint32_t y = 0; y < h; ++y) {
    std::memcpy(static_cast<uint8_t*>(r.pBits) + y * r.Pitch, &texels[y * w], 4 * w);
  }
  t->UnlockRect(0);
  return Ref<IDirect3DTexture9>(t);
}

uint32_t argbOf(const float c[4]) {
  auto b = [](float v) { return uint32_t(v * 255.0f + 0.5f); };
  return b(c[3]) << 24 | b(c[0]) << 16 | b(c[1]) << 8 | b(c[2]);
}

TEST(ShaderDraw, TransformByFourConstantsMatchesTheFixedFunctionTriangle) {
  // Pixel coordinates to clip space for a 16 x 16 target, as a row-vector matrix.
  const D3DMATRIX m = {{{0.125f, 0, 0, 0}, {0, -0.125f, 0, 0}, {0, 0, 1, 0}, {-1, 1, 0, 1}}};
  const float colour[4] = {0.2f, 0.6f, 1.0f, 1.0f};
  const XyzColour tri[3] = {{2.5f, 1.5f, 0.5f, argbOf(colour)}, {13.0f, 3.0f, 0.5f, argbOf(colour)},
                            {4.0f, 12.5f, 0.5f, argbOf(colour)}};
  auto fixed = make2D(16, 16);
  fixed.device->SetTransform(D3DTS_PROJECTION, &m);
  fixed.device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  fixed.device->SetFVF(kXyzColourFvf);
  fixed.device->BeginScene();
  ASSERT_EQ(fixed.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(XyzColour)), D3D_OK);
  fixed.device->EndScene();

  auto t = make2D(16, 16);
  IDirect3DDevice9* d = t.device.get();
  auto vs = vertexShader(d, R"(vs_1_1
      dcl_position v0
      m4x4 oPos, v0, c0      ; the four constants hold the transposed matrix
      mov oD0, c4)");
  float constants[5][4];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) constants[r][c] = m.m[c][r];
  }
  std::memcpy(constants[4], colour, sizeof colour);
  d->SetVertexShaderConstantF(0, &constants[0][0], 5);
  d->SetVertexShader(vs.get());
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  d->SetFVF(kXyzColourFvf);
  d->BeginScene();
  ASSERT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(XyzColour)), D3D_OK);
  d->EndScene();
  uint32_t covered = 0;
  for (uint32_t y = 0; y < 16; ++y) {
    for (uint32_t x = 0; x < 16; ++x) {
      ASSERT_EQ(pixelAt(target(d), x, y), pixelAt(target(fixed.device.get()), x, y)) << x << "," << y;
      covered += pixelAt(target(d), x, y) == argbOf(colour);
    }
  }
  EXPECT_EQ(pixelAt(target(d), 4, 4), argbOf(colour));
  EXPECT_EQ(pixelAt(target(d), 14, 14), 0xFF000000u);
  EXPECT_GT(covered, 40u);
}

TEST(ShaderDraw, PackedBlendIndexScaledBy765SelectsThePaletteEntry) {
  auto t = make2D(4, 4);
  IDirect3DDevice9* d = t.device.get();
  // Register 8 + j holds j in its red and green bytes.
  std::vector<float> palette(4 * 800);
  for (uint32_t j = 0; j < 800; ++j) {
    palette[4 * j] = float(j & 255) / 255.0f;
    palette[4 * j + 1] = float(j >> 8) / 255.0f;
    palette[4 * j + 3] = 1.0f;
  }
  ASSERT_EQ(d->SetVertexShaderConstantF(8, palette.data(), 800), D3D_OK);
  const char* sources[] = {
      R"(vs_1_1
         dcl_position v0
         dcl_blendindices v1
         def c0, 0, 0, 0, 765.01
         mul r0, v1.zyxw, c0.wwww
         mov a0.x, r0.x
         mov oPos, v0
         mov oD0, c[a0.x + 8])",
      R"(vs_2_0
         dcl_position v0
         dcl_blendindices v1
         def c0, 0, 0, 0, 765.01
         mul r0, v1.zyxw, c0.wwww
         mova a0.x, r0.x
         mov oPos, v0
         mov oD0, c[a0.x + 8])",
  };
  d->SetFVF(kRendererFvf);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  for (const char* source : sources) {
    auto vs = vertexShader(d, source);
    d->SetVertexShader(vs.get());
    for (uint32_t k : {0u, 1u, 2u, 37u, 85u, 128u, 254u, 255u}) {
      // Index 0 is the lowest byte; the other bytes must not matter.
      const uint32_t packed = 0x0DC84D00u | k;
      RendererVertex v[3] = {};
      const float corners[3][2] = {{-1.5f, 1.5f}, {3.0f, 1.5f}, {-1.5f, -3.0f}};
      for (int i = 0; i < 3; ++i) {
        v[i].x = corners[i][0];
        v[i].y = corners[i][1];
        v[i].z = 0.5f;
        v[i].indices = packed;
      }
      d->BeginScene();
      ASSERT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(RendererVertex)), D3D_OK);
      d->EndScene();
      const uint32_t p = pixelAt(target(d), 1, 1);
      EXPECT_EQ((p >> 16 & 255) | (p >> 8 & 255) << 8, 3 * k) << source << " index " << k;
    }
  }
}

// A pretransformed quad over the 4 x 4 target, texture coordinates 0..1.
void drawQuad(IDirect3DDevice9* d, float u0 = 0, float u1 = 1) {
  const auto q = quadList(-0.5f, -0.5f, 3.5f, 3.5f, 0xFF808080u, u0, 0, u1, 1);
  ASSERT_EQ(drawList(d, q.data(), 2), D3D_OK);
}

TEST(ShaderDraw, LrpOfTwoTexturesInPixelShader20) {
  auto t = make2D(4, 4);
  IDirect3DDevice9* d = t.device.get();
  auto a = solidTexture(d, 2, 2, std::vector<uint32_t>(4, 0xFF2040C0u));
  auto b = solidTexture(d, 2, 2, std::vector<uint32_t>(4, 0x80E0A000u));
  d->SetTexture(0, a.get());
  d->SetTexture(1, b.get());
  auto ps = pixelShader(d, R"(ps_2_0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      texld r0, t0, s0
      texld r1, t0, s1
      lrp r2, c0, r0, r1
      mov oC0, r2)");
  d->SetPixelShader(ps.get());
  const float c0[4] = {0.25f, 0.5f, 0.75f, 1.0f};
  d->SetPixelShaderConstantF(0, c0, 1);
  drawQuad(d);
  auto mix = [](float f, uint32_t x, uint32_t y) {
    return uint32_t((f * float(x) / 255.0f + (1 - f) * float(y) / 255.0f) * 255.0f + 0.5f);
  };
  const uint32_t expected = mix(1.0f, 0xFF, 0x80) << 24 | mix(0.25f, 0x20, 0xE0) << 16 |
                            mix(0.5f, 0x40, 0xA0) << 8 | mix(0.75f, 0xC0, 0x00);
  EXPECT_EQ(pixelAt(target(d), 2, 2), expected);
}

TEST(ShaderDraw, PixelShader1xModifiersRangesAndCoissue) {
  struct Case {
    const char* source;
    uint32_t expected;
  } cases[] = {
      {"ps_1_1\nmov r0, c0", 0xFF336699u},
      {"ps_1_1\nmul r0, c0, v0", 0xFF1A334Du},  // the vertex colour is 0x80 grey
      {"ps_1_1\nadd_sat r0, c0, c1", 0xFFB3E6FFu},
      {"ps_1_1\nmul_x2 r0, c0, c1", 0xFF336699u},
      {"ps_1_1\nmov_d2 r0, c0", 0x801A334Du},
      {"ps_1_1\nmov r0, 1-c0", 0x00CC9966u},
      {"ps_1_1\nmov r0, c0_bias", 0x8000001Au},
      {"ps_1_1\ndp3 r0, c0_bx2, c1_bx2", 0x00000000u},
      {"ps_1_1\nlrp r0, c1, c0, c2", 0xCC1A4D80u},
      {"ps_1_1\nmov r0, c2\ncnd r0, r0.a, c0, c1", 0xFF336699u},
      {"ps_1_2\ncmp r0, c1_bias, c0, c2", 0xFF336699u},
      // Constants of versions 1.x are clamped to -1..1 before use.
      {"ps_1_1\nmul r0, c3, c1", 0x80808080u},
      // A co-issued pair reads its sources before either writes.
      {"ps_1_1\nmov r0, c0\nadd r0.rgb, r0, c1\n+mov r0.a, r0.b", 0x99B3E6FFu},
      {"ps_1_4\nmov r0, c0\nphase\nmov r0.rgb, c2\n+mov r0.a, c1", 0x80000000u | 0x003366u},
  };
  for (const auto& c : cases) {
    auto t = make2D(4, 4);
    IDirect3DDevice9* d = t.device.get();
    // A target that keeps alpha.
    auto rt = makeRenderTexture(d, 4, 4);
    auto level = levelZero(rt.get());
    ASSERT_EQ(d->SetRenderTarget(0, level.get()), D3D_OK);
    const float constants[4][4] = {{0.2f, 0.4f, 0.6f, 1.0f},
                                   {0.5f, 0.5f, 0.5f, 0.5f},
                                   {0.0f, 0.2f, 0.4f, 0.6f},
                                   {2.0f, 3.0f, 4.0f, 1.0f}};
    d->SetPixelShaderConstantF(0, &constants[0][0], 4);
    auto ps = pixelShader(d, c.source);
    d->SetPixelShader(ps.get());
    drawQuad(d);
    EXPECT_TRUE(near(pixelAt(target(d), 1, 1), c.expected))
        << c.source << ": " << std::hex << pixelAt(target(d), 1, 1);
  }
}

TEST(ShaderDraw, TextureReadsOfEachModel) {
  // A 2 x 2 texture, point sampled: the quad's left half reads column 0, the right column 1.
  const std::vector<uint32_t> texels = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
  struct Case {
    const char* source;
    uint32_t left, right;  // pixels (0, 0) and (3, 0)
  } cases[] = {
      {"ps_1_1\ntex t0\nmov r0, t0", 0xFFFF0000u, 0xFF00FF00u},
      {"ps_1_4\ntexld r0, t0", 0xFFFF0000u, 0xFF00FF00u},
      {"ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nmov oC0, r0", 0xFFFF0000u, 0xFF00FF00u},
      // Computed coordinates: half a texture to the right wraps the columns around.
      {"ps_2_0\ndcl t0.xy\ndcl_2d s0\nadd r1, t0, c0\ntexld r0, r1, s0\nmov oC0, r0",
       0xFF00FF00u, 0xFFFF0000u},
      {"ps_1_4\ntexcrd r1.rgb, t0\nadd r1, r1, c0\nphase\ntexld r0, r1", 0xFF00FF00u, 0xFFFF0000u},
      // texcoord hands the clamped coordinates over as a colour.
      {"ps_1_1\ntexcoord t0\nmov r0.rgb, t0\n+mov r0.a, c1.a", 0xFF202000u, 0xFFE02000u},
  };
  for (const auto& c : cases) {
    auto t = make2D(4, 4);
    IDirect3DDevice9* d = t.device.get();
    auto tex = solidTexture(d, 2, 2, texels);
    d->SetTexture(0, tex.get());
    const float constants[2][4] = {{0.5f, 0, 0, 0}, {1, 1, 1, 1}};
    d->SetPixelShaderConstantF(0, &constants[0][0], 2);
    auto ps = pixelShader(d, c.source);
    d->SetPixelShader(ps.get());
    drawQuad(d);
    EXPECT_TRUE(near(pixelAt(target(d), 0, 0), c.left, 0x20 / 8))
        << c.source << ": " << std::hex << pixelAt(target(d), 0, 0);
    EXPECT_TRUE(near(pixelAt(target(d), 3, 0), c.right, 0x20 / 8))
        << c.source << ": " << std::hex << pixelAt(target(d), 3, 0);
  }
}

TEST(ShaderDraw, TexkillLeavesPixelsWithNegativeCoordinates) {
  const char* sources[] = {
      "ps_1_1\ntexkill t0\nmov r0, c0",
      "ps_1_4\ntexkill t0\nmov r0, c0",
      "ps_2_0\ndcl t0.xy\ntexkill t0\nmov oC0, c0",
  };
  for (const char* source : sources) {
    auto t = make2D(4, 4);
    IDirect3DDevice9* d = t.device.get();
    const float c0[4] = {1, 1, 1, 1};
    d->SetPixelShaderConstantF(0, c0, 1);
    auto ps = pixelShader(d, source);
    d->SetPixelShader(ps.get());
    drawQuad(d, -1.0f, 1.0f);  // u < 0 on the left half
    EXPECT_EQ(pixelAt(target(d), 0, 1), 0xFF000000u) << source;
    EXPECT_EQ(pixelAt(target(d), 3, 1), 0xFFFFFFFFu) << source;
  }
}

TEST(ShaderDraw, FogFromTheVertexShaderMixesAfterThePixelShader) {
  auto t = make2D(4, 4);
  IDirect3DDevice9* d = t.device.get();
  auto vs = vertexShader(d, "vs_1_1\ndcl_position v0\nmov oPos, v0\nmov oFog, c0.x");
  auto ps = pixelShader(d, "ps_2_0\nmov oC0, c0");
  const float vc0[4] = {0.25f, 0, 0, 0};
  const float pc0[4] = {1, 1, 1, 1};
  d->SetVertexShaderConstantF(0, vc0, 1);
  d->SetPixelShaderConstantF(0, pc0, 1);
  d->SetVertexShader(vs.get());
  d->SetPixelShader(ps.get());
  d->SetRenderState(D3DRS_FOGENABLE, 1);
  d->SetRenderState(D3DRS_FOGCOLOR, 0x000000FFu);
  const XyzColour tri[3] = {{-3, 3, 0.5f, 0}, {3, 3, 0.5f, 0}, {-3, -3, 0.5f, 0}};
  d->SetFVF(kXyzColourFvf);
  d->BeginScene();
  ASSERT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(XyzColour)), D3D_OK);
  d->EndScene();
  // A quarter of the shader's white, three quarters of the fog's blue.
  EXPECT_TRUE(near(pixelAt(target(d), 1, 1), 0xFF4040FFu)) << std::hex << pixelAt(target(d), 1, 1);
}

}  // namespace
}  // namespace d3d9

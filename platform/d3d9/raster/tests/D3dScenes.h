#pragma once

// Textured 3D scenes for the tests that compare whole pictures: the fixed-function stages and
// the shaders in perspective with trilinear filtering, and pre-transformed triangles with the
// other filters, address modes, blending and fog. Each scene draws into a viewport, so several
// fit on one target.

#include "platform/d3d9/shader/tests/ShaderTestKit.h"

#include <cstring>
#include <vector>

namespace d3d9::testing {

enum class Scene { FixedTrilinear, ShaderPs11, ShaderPs20, ScreenSpace };
constexpr Scene kScenes[] = {Scene::FixedTrilinear, Scene::ShaderPs11, Scene::ShaderPs20,
                             Scene::ScreenSpace};

// A texture whose levels differ in pattern and tint, so that a wrong level or filter weight
// shows in the picture.
inline Ref<IDirect3DTexture9> sceneTexture(IDirect3DDevice9* d, UINT w, UINT h) {
  IDirect3DTexture9* t = nullptr;
  EXPECT_EQ(d->CreateTexture(w, h, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  for (DWORD l = 0; l < t->GetLevelCount(); ++l) {
    D3DSURFACE_DESC desc{};
    D3DLOCKED_RECT r{};
    t->GetLevelDesc(l, &desc);
    t->LockRect(l, &r, nullptr, 0);
    for (UINT y = 0; y < desc.Height; ++y) {
      for (UINT x = 0; x < desc.Width; ++x) {
        // A checker of 4 x 4 texels, a level tint in green, a gradient in blue.
        const uint32_t checker = ((x >> 2) ^ (y >> 2)) & 1 ? 0xE0u : 0x30u;
        const uint32_t c = uint32_t(0x60 + 0x30 * (x & 3)) << 24 | checker << 16 |
                           ((l * 70) & 255) << 8 | (x * 255 / desc.Width);
        std::memcpy(static_cast<uint8_t*>(r.pBits) + y * r.Pitch + x * 4, &c, 4);
      }
    }
    t->UnlockRect(l);
  }
  return Ref<IDirect3DTexture9>(t);
}

struct SceneVertex {
  float x, y, z;
  uint32_t diffuse;
  float u, v;
};

// Quads leaning back at depths 2 to 9 in front of a 90-degree camera, some crossing each other,
// with colours that vary over them.
inline std::vector<SceneVertex> leaningQuads() {
  std::vector<SceneVertex> v;
  for (int i = 0; i < 24; ++i) {
    const float z = 2.0f + float(i % 8);
    const float s = (0.25f + float((i * 7) % 10) * 0.06f) * z;
    const float x = (float((i * 37) % 100) / 50.0f - 1.1f) * z;
    const float y = (float((i * 61) % 100) / 55.0f - 1.0f) * z;
    const float depth = float(i % 3);
    const uint32_t c0 = 0xFF000000u | (uint32_t(i * 0x2F4A1B) & 0x7F7F7Fu) | 0x808080u;
    const uint32_t c1 = 0xC0FFFFFFu ^ (uint32_t(i * 0x110D07) & 0x3F3F3Fu);
    const float t = float(1 + i % 4);  // texture repeats
    const SceneVertex a{x, y, z, c0, 0, 0}, b{x + s, y, z + depth, c1, t, 0};
    const SceneVertex c{x, y + s, z, c1, 0, t}, e{x + s, y + s, z + depth, c0, t, t};
    v.insert(v.end(), {a, b, c, c, b, e});
  }
  return v;
}

inline D3DMATRIX sceneProjection() {
  D3DMATRIX m{};
  m.m[0][0] = 0.75f;
  m.m[1][1] = 1.0f;
  m.m[2][2] = 100.0f / 99.0f;
  m.m[2][3] = 1.0f;
  m.m[3][2] = -100.0f / 99.0f;
  return m;
}

inline void trilinear(IDirect3DDevice9* d, DWORD stage) {
  d->SetSamplerState(stage, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(stage, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(stage, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
}

// Restores what a scene changed that the next one does not set itself.
inline void resetSceneStates(IDirect3DDevice9* d) {
  d->SetVertexShader(nullptr);
  d->SetPixelShader(nullptr);
  d->SetTexture(0, nullptr);
  d->SetTexture(1, nullptr);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
  d->SetRenderState(D3DRS_FOGENABLE, 0);
  for (DWORD s = 0; s < 2; ++s) {
    d->SetSamplerState(s, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    d->SetSamplerState(s, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
    d->SetSamplerState(s, D3DSAMP_MIPMAPLODBIAS, 0);
  }
}

inline void drawTransformed(IDirect3DDevice9* d, const std::vector<SceneVertex>& v) {
  d->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  d->BeginScene();
  EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(v.size() / 3), v.data(),
                               sizeof(SceneVertex)), D3D_OK);
  d->EndScene();
}

// The leaning quads through a vertex shader that reads the projection's columns from c0 to c3
// and a pixel shader; the shaders are unset afterwards.
inline void drawThroughShaders(IDirect3DDevice9* d, IDirect3DVertexShader9* vs,
                               IDirect3DPixelShader9* ps, const float (&columns)[4][4]) {
  d->SetVertexShaderConstantF(0, &columns[0][0], 4);
  d->SetVertexShader(vs);
  d->SetPixelShader(ps);
  drawTransformed(d, leaningQuads());
  resetSceneStates(d);
}

// Draws one scene into the viewport; the caller clears colour and depth first.
inline void drawScene(IDirect3DDevice9* d, Scene scene, const D3DVIEWPORT9& viewport) {
  resetSceneStates(d);
  d->SetViewport(&viewport);
  d->SetRenderState(D3DRS_ZENABLE, 1);
  d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  auto wide = sceneTexture(d, 64, 32);
  auto square = sceneTexture(d, 32, 32);
  const D3DMATRIX proj = sceneProjection();
  float columns[4][4];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) columns[r][c] = proj.m[c][r];
  }
  const char* transform = R"(vs_1_1
      dcl_position v0
      dcl_color v1
      dcl_texcoord v2
      m4x4 oPos, v0, c0
      mov oD0, v1
      mov oT0.xy, v2)";
  switch (scene) {
    case Scene::FixedTrilinear: {
      d->SetTexture(0, wide.get());
      trilinear(d, 0);
      d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
      d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
      d->SetTransform(D3DTS_PROJECTION, &proj);
      drawTransformed(d, leaningQuads());
      break;
    }
    case Scene::ShaderPs11: {
      auto vs = vertexShader(d, transform);
      auto ps = pixelShader(d, "ps_1_1\ntex t0\nmul r0, t0, v0");
      d->SetTexture(0, square.get());
      trilinear(d, 0);
      drawThroughShaders(d, vs.get(), ps.get(), columns);
      break;
    }
    case Scene::ShaderPs20: {
      auto vs = vertexShader(d, transform);
      // Interpolated coordinates for the first texture, computed ones (the level of detail from
      // the neighbouring pixels) for the second.
      auto ps = pixelShader(d, R"(ps_2_0
          dcl v0
          dcl t0.xy
          dcl_2d s0
          dcl_2d s1
          texld r0, t0, s0
          mul r1, t0, c0
          texld r1, r1, s1
          mul r0, r0, v0
          lrp r0, c1, r0, r1
          mov oC0, r0)");
      d->SetTexture(0, wide.get());
      d->SetTexture(1, square.get());
      trilinear(d, 0);
      trilinear(d, 1);
      d->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
      const float constants[2][4] = {{2.5f, 1.5f, 0, 0}, {0.75f, 0.6f, 0.5f, 1.0f}};
      d->SetPixelShaderConstantF(0, &constants[0][0], 2);
      drawThroughShaders(d, vs.get(), ps.get(), columns);
      break;
    }
    case Scene::ScreenSpace: {
      // Pre-transformed triangles whose 1/w differs per vertex, over and past the viewport:
      // clamped and bordered addressing, point minification with linear magnification, point
      // mip levels with a bias, blending and vertex fog.
      struct V {
        float x, y, z, rhw;
        uint32_t diffuse, specular;
        float u, v;
      };
      const float x0 = float(viewport.X), y0 = float(viewport.Y);
      const float w = float(viewport.Width), h = float(viewport.Height);
      std::vector<V> v;
      for (int i = 0; i < 12; ++i) {
        const float cx = x0 + w * float((i * 5) % 12) / 11.0f, cy = y0 + h * float((i * 7) % 12) / 11.0f;
        const float r = 6.0f + float(i % 4) * 9.0f;
        const float rhw0 = 1.0f, rhw1 = 0.15f + 0.2f * float(i % 5);
        const uint32_t a = 0x80000000u + uint32_t(i) * 0x0B000000u;
        v.push_back({cx - r, cy - r * 0.7f, 0.2f, rhw0, a | 0xFF8040u, 0xFF000000u, -0.3f, -0.2f});
        v.push_back({cx + r * 1.3f, cy - r * 0.2f, 0.6f, rhw1, a | 0x40FF80u, 0x20000000u, 1.6f, 0.1f});
        v.push_back({cx - r * 0.4f, cy + r, 0.4f, rhw0 * 0.5f, a | 0x8040FFu, 0xC0000000u, 0.2f, 1.4f});
      }
      d->SetTexture(0, wide.get());
      d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
      d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
      d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
      d->SetSamplerState(0, D3DSAMP_MIPMAPLODBIAS, floatBits(0.5f));
      d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
      d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_BORDER);
      d->SetSamplerState(0, D3DSAMP_BORDERCOLOR, 0xFF2060A0u);
      d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
      d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
      d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
      d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
      d->SetRenderState(D3DRS_FOGENABLE, 1);
      d->SetRenderState(D3DRS_FOGCOLOR, 0x00405060u);
      d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1);
      d->BeginScene();
      EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(v.size() / 3), v.data(), sizeof(V)),
                D3D_OK);
      d->EndScene();
      resetSceneStates(d);
      break;
    }
  }
}

// The four scenes side by side in quadrants of the target, over a cleared target and depth.
inline void drawSceneQuadrants(IDirect3DDevice9* d, uint32_t width, uint32_t height) {
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030u, 1.0f, 0);
  const DWORD w = width / 2, h = height / 2;
  for (size_t i = 0; i < 4; ++i) {
    const D3DVIEWPORT9 viewport{DWORD(i % 2) * w, DWORD(i / 2) * h, w, h, 0.0f, 1.0f};
    drawScene(d, kScenes[i], viewport);
  }
}

}  // namespace d3d9::testing

#pragma once

// Helpers for the drawing tests: pre-transformed vertices, quads and pixel reads.

#include "platform/d3d9/tests/D3dTestDevice.h"

#include <array>
#include <functional>

namespace d3d9::testing {

// x, y, z, rhw, diffuse, u, v: D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1.
struct TLVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
  float u, v;
};
constexpr DWORD kTLFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Two triangles as a list covering (x0, y0) to (x1, y1), clockwise on screen.
inline std::array<TLVertex, 6> quadList(float x0, float y0, float x1, float y1, uint32_t colour,
                                        float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1,
                                        float z = 0.5f) {
  const TLVertex tl{x0, y0, z, 1, colour, u0, v0}, tr{x1, y0, z, 1, colour, u1, v0};
  const TLVertex bl{x0, y1, z, 1, colour, u0, v1}, br{x1, y1, z, 1, colour, u1, v1};
  return {tl, tr, bl, bl, tr, br};
}

inline HRESULT drawList(IDirect3DDevice9* d, const TLVertex* v, UINT triangles) {
  d->SetFVF(kTLFvf);
  d->BeginScene();
  const HRESULT hr = d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, triangles, v, sizeof(TLVertex));
  d->EndScene();
  return hr;
}

inline const PixelStore& target(IDirect3DDevice9* d) { return d->currentRenderTarget()->store(); }

inline uint32_t countPixels(const PixelStore& s, const std::function<bool(uint32_t)>& test) {
  uint32_t n = 0;
  for (uint32_t y = 0; y < s.height; ++y) {
    for (uint32_t x = 0; x < s.width; ++x) n += test(pixelAt(s, x, y));
  }
  return n;
}

// A device with 2D drawing states: no depth, no culling, stage 0 passes the diffuse colour
// modulated by the texture.
inline TestDevice make2D(uint32_t width, uint32_t height, const char* spec = "default") {
  TestDevice t = makeDevice(spec, width, height);
  IDirect3DDevice9* d = t.device.get();
  d->SetRenderState(D3DRS_ZENABLE, 0);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_LIGHTING, 0);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  return t;
}

// Blending with the given factors, the colour taken from the diffuse colour alone.
inline void blendDiffuse(IDirect3DDevice9* d, D3DBLEND source, D3DBLEND dest) {
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  d->SetRenderState(D3DRS_SRCBLEND, source);
  d->SetRenderState(D3DRS_DESTBLEND, dest);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
}

}  // namespace d3d9::testing

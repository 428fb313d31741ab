// Feeds arbitrary token streams to shader creation and draws with whatever is accepted: a
// stream is either refused or decoded, and a decoded shader runs over a few vertices and
// pixels without reading or writing outside memory, whatever its constants and inputs.

#include "platform/d3d9/WindowedDevice.h"

#include <cstring>
#include <vector>

namespace {

using namespace d3d9;

struct Vertex {
  float x, y, z;
  float weights[4];
  uint32_t indices;
  float nx, ny, nz;
  uint32_t diffuse;
  float u, v;
};

IDirect3DDevice9* makeDevice() {
  IDirect3DDevice9* d = createWindowedDevice(*profileBySpec("default"), 9, 7);
  IDirect3DTexture9* t = nullptr;
  d->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr);
  for (DWORD s = 0; s < 3; ++s) {
    d->SetTexture(s, t);
    d->SetSamplerState(s, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  }
  t->Release();
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_FOGENABLE, 1);
  d->SetFVF(0x815E);
  // Constants that index and divide in interesting ways: zero, fractions, large values.
  std::vector<float> c(4 * 256);
  for (size_t i = 0; i < c.size(); ++i) c[i] = float(int(i % 7) - 3) * (i % 5 == 0 ? 1e6f : 0.37f);
  d->SetVertexShaderConstantF(0, c.data(), 256);
  d->SetPixelShaderConstantF(0, c.data(), 32);
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static IDirect3DDevice9* device = makeDevice();
  if (size < 4) return 0;
  std::vector<DWORD> tokens(size / 4);
  std::memcpy(tokens.data(), data, tokens.size() * 4);
  const bool pixel = tokens[0] >> 16 == 0xFFFF;
  const size_t bytes = tokens.size() * 4;
  IDirect3DVertexShader9* vs = nullptr;
  IDirect3DPixelShader9* ps = nullptr;
  const HRESULT hr = pixel ? device->CreatePixelShader(tokens.data(), bytes, &ps)
                           : device->CreateVertexShader(tokens.data(), bytes, &vs);
  if (FAILED(hr)) return 0;
  device->SetVertexShader(vs);
  device->SetPixelShader(ps);
  Vertex v[4] = {};
  const float corners[4][2] = {{-1.2f, 1.1f}, {1.3f, 1.2f}, {-1.1f, -1.4f}, {1.2f, -1.1f}};
  for (int i = 0; i < 4; ++i) {
    v[i] = Vertex{corners[i][0], corners[i][1], 0.5f, {0.5f, 0.25f, 0.25f, 0},
                  0x01020300u + uint32_t(i), 0, 0, 1, 0x80FF4020u, float(i & 1), float(i >> 1)};
  }
  device->BeginScene();
  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(Vertex));
  device->EndScene();
  device->SetVertexShader(nullptr);
  device->SetPixelShader(nullptr);
  if (vs) vs->Release();
  if (ps) ps->Release();
  return 0;
}

// Rasteriser throughput: fill rate of textured, blended quads (pixels per second), triangles per
// second of small textured triangles, and a 640 x 480 frame of a few thousand textured
// triangles, the frame budget the software device must keep well under 16 ms: flat, in
// perspective with trilinear filtering, and in perspective through a vertex and a pixel shader.

#include "platform/d3d9/WindowedDevice.h"
#include "tools/vsasm/ShaderAssembler.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

using namespace d3d9;

struct Vertex {
  float x, y, z, rhw;
  uint32_t diffuse;
  float u, v;
};
constexpr DWORD kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct Bench {
  IDirect3DDevice9* device = nullptr;
  IDirect3DTexture9* texture = nullptr;

  Bench(uint32_t w, uint32_t h, bool blend, DWORD filter) {
    device = createWindowedDevice(*profileBySpec("default"), w, h);
    device->CreateTexture(256, 256, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
    for (DWORD l = 0; l < texture->GetLevelCount(); ++l) {
      D3DLOCKED_RECT r{};
      D3DSURFACE_DESC desc{};
      texture->GetLevelDesc(l, &desc);
      texture->LockRect(l, &r, nullptr, 0);
      for (UINT y = 0; y < desc.Height; ++y) {
        for (UINT x = 0; x < desc.Width; ++x) {
          const uint32_t c = 0x80000000u | (x * 7) << 16 | (y * 5) << 8 | ((x ^ y) & 255);
          std::memcpy(static_cast<uint8_t*>(r.pBits) + y * r.Pitch + x * 4, &c, 4);
        }
      }
      texture->UnlockRect(l);
    }
    device->SetTexture(0, texture);
    device->SetFVF(kFvf);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, blend);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
  }
  ~Bench() {
    texture->Release();
    device->Release();
  }
};

void quad(std::vector<Vertex>& out, float x0, float y0, float x1, float y1, float z) {
  const Vertex a{x0, y0, z, 1, 0xFFFFFFFFu, 0, 0}, b{x1, y0, z, 1, 0xFFFFFFFFu, 1, 0};
  const Vertex c{x0, y1, z, 1, 0xFFFFFFFFu, 0, 1}, d{x1, y1, z, 1, 0xFFFFFFFFu, 1, 1};
  out.insert(out.end(), {a, b, c, c, b, d});
}

void BM_FillTexturedBlendedQuads(benchmark::State& state) {
  Bench b(640, 480, true, DWORD(state.range(0)));
  std::vector<Vertex> v;
  quad(v, -0.5f, -0.5f, 639.5f, 479.5f, 0.5f);
  b.device->SetRenderState(D3DRS_ZENABLE, 0);
  for (auto _ : state) {
    b.device->BeginScene();
    b.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v.data(), sizeof(Vertex));
    b.device->EndScene();
  }
  state.counters["pixels/s"] =
      benchmark::Counter(640.0 * 480.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FillTexturedBlendedQuads)->Arg(D3DTEXF_POINT)->Arg(D3DTEXF_LINEAR)
    ->Unit(benchmark::kMillisecond);

void BM_SmallTexturedTriangles(benchmark::State& state) {
  Bench b(640, 480, false, D3DTEXF_LINEAR);
  std::vector<Vertex> v;
  for (int i = 0; i < 10000; ++i) {
    const float x = float(i * 37 % 620), y = float(i * 53 % 460);
    quad(v, x, y, x + 6.0f, y + 6.0f, 0.5f);
  }
  for (auto _ : state) {
    b.device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    b.device->BeginScene();
    b.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(v.size() / 3), v.data(), sizeof(Vertex));
    b.device->EndScene();
  }
  state.counters["triangles/s"] = benchmark::Counter(double(v.size() / 3) *
                                                     double(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SmallTexturedTriangles)->Unit(benchmark::kMillisecond);

// A game-like frame: 3000 textured triangles of mixed sizes (quads of 8 to 32 pixels) over a
// 640 x 480 target with depth testing, about twice the screen's area in total.
void BM_Frame640x480(benchmark::State& state) {
  Bench b(640, 480, false, D3DTEXF_LINEAR);
  std::vector<Vertex> v;
  for (int i = 0; i < 1500; ++i) {
    const float s = float(8 + (i * 13) % 25);
    const float x = float((i * 71) % int(640 - s)), y = float((i * 29) % int(480 - s));
    quad(v, x, y, x + s, y + s, float(i % 97) / 97.0f);
  }
  for (auto _ : state) {
    b.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    b.device->BeginScene();
    b.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(v.size() / 3), v.data(), sizeof(Vertex));
    b.device->EndScene();
  }
}
BENCHMARK(BM_Frame640x480)->Unit(benchmark::kMillisecond);

// The perspective scene of the 3D frames: 1500 quads (3000 triangles) leaning back at depths 2
// to 14 in front of the camera, each about 8 to 32 pixels wide.
struct SceneVertex {
  float x, y, z;
  uint32_t diffuse;
  float u, v;
};
constexpr DWORD kSceneFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

std::vector<SceneVertex> perspectiveScene() {
  std::vector<SceneVertex> v;
  for (int i = 0; i < 1500; ++i) {
    const float z = 2.0f + float(i % 13);
    const float s = float(8 + (i * 13) % 25) / 320.0f * z;  // about 8 to 32 pixels wide
    const float x = (float((i * 71) % 600) / 320.0f - 1.0f) * z;
    const float y = (float((i * 29) % 440) / 240.0f - 1.0f) * z;
    // Leaning back: the far edge is deeper than the near one.
    const SceneVertex a{x, y, z, 0xFFFFFFFFu, 0, 0}, c{x + s, y, z + 1, 0xFFFFFFFFu, 1, 0};
    const SceneVertex d{x, y + s, z, 0xFFFFFFFFu, 0, 1}, e{x + s, y + s, z + 1, 0xFFFFFFFFu, 1, 1};
    v.insert(v.end(), {a, c, d, d, c, e});
  }
  return v;
}

// Row-vector perspective projection: 90 degrees, aspect 4:3, near 1, far 100.
D3DMATRIX perspectiveProjection() {
  D3DMATRIX proj{};
  proj.m[0][0] = 0.75f;
  proj.m[1][1] = 1.0f;
  proj.m[2][2] = 100.0f / 99.0f;
  proj.m[2][3] = 1.0f;
  proj.m[3][2] = -100.0f / 99.0f;
  return proj;
}

void drawFrames(benchmark::State& state, IDirect3DDevice9* device,
                const std::vector<SceneVertex>& v) {
  for (auto _ : state) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    device->BeginScene();
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(v.size() / 3), v.data(), sizeof(SceneVertex));
    device->EndScene();
  }
}

// The same frame drawn as 3D geometry through the fixed-function stages, sampled with
// trilinear filtering, so every pixel divides by w and picks its own mip levels.
void BM_PerspectiveFrame640x480(benchmark::State& state) {
  Bench b(640, 480, false, D3DTEXF_LINEAR);
  b.device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  const D3DMATRIX proj = perspectiveProjection();
  b.device->SetTransform(D3DTS_PROJECTION, &proj);
  b.device->SetFVF(kSceneFvf);
  drawFrames(state, b.device, perspectiveScene());
}
BENCHMARK(BM_PerspectiveFrame640x480)->Unit(benchmark::kMillisecond);

// The perspective frame as the game draws its models and sprites: a vs_1_1 transform and a
// pixel shader that modulates the texture by the vertex colour (argument: 1 for ps_1_1, 2 for
// ps_2_0), trilinear filtering.
const char* const kTransformVs = R"(vs_1_1
dcl_position v0
dcl_color v1
dcl_texcoord v2
m4x4 oPos, v0, c0
mov oD0, v1
mov oT0.xy, v2)";

const char* const kModulatePs11 = R"(ps_1_1
tex t0
mul r0, t0, v0)";

const char* const kModulatePs20 = R"(ps_2_0
dcl v0
dcl t0.xy
dcl_2d s0
texld r0, t0, s0
mul r0, r0, v0
mov oC0, r0)";

void BM_ShaderFrame640x480(benchmark::State& state) {
  Bench b(640, 480, false, D3DTEXF_LINEAR);
  b.device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  const vsasm::Assembled vs = vsasm::assemble(kTransformVs);
  const vsasm::Assembled ps = vsasm::assemble(state.range(0) == 1 ? kModulatePs11 : kModulatePs20);
  IDirect3DVertexShader9* vertexShader = nullptr;
  IDirect3DPixelShader9* pixelShader = nullptr;
  if (!vs.ok || !ps.ok ||
      FAILED(b.device->CreateVertexShader(vs.tokens.data(), vs.tokens.size() * 4, &vertexShader)) ||
      FAILED(b.device->CreatePixelShader(ps.tokens.data(), ps.tokens.size() * 4, &pixelShader))) {
    state.SkipWithError("the benchmark's shaders were refused");
    return;
  }
  // The shader reads the transposed projection (column vectors), as the renderer sets it.
  const D3DMATRIX proj = perspectiveProjection();
  float columns[4][4];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) columns[r][c] = proj.m[c][r];
  }
  b.device->SetVertexShaderConstantF(0, &columns[0][0], 4);
  b.device->SetVertexShader(vertexShader);
  b.device->SetPixelShader(pixelShader);
  b.device->SetFVF(kSceneFvf);
  drawFrames(state, b.device, perspectiveScene());
  b.device->SetVertexShader(nullptr);
  b.device->SetPixelShader(nullptr);
  vertexShader->Release();
  pixelShader->Release();
}
BENCHMARK(BM_ShaderFrame640x480)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

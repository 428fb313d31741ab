#include "platform/d3d9/D3dx.h"
#include "platform/d3d9/raster/ShaderBackend.h"
#include "platform/d3d9/tests/D3dDrawHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace d3d9 {
namespace {

using namespace testing;

std::vector<uint32_t> snapshot(IDirect3DDevice9* d) {
  const PixelStore& s = target(d);
  std::vector<uint32_t> out;
  for (uint32_t y = 0; y < s.height; ++y) {
    for (uint32_t x = 0; x < s.width; ++x) out.push_back(pixelAt(s, x, y));
  }
  return out;
}

// The same two triangles through every drawing call and primitive type.
TEST(D3dDraw, EveryDrawCallGivesTheSamePicture) {
  const TLVertex corners[4] = {{0.3f, 0.6f, 0.5f, 1, 0xFFFF0000u, 0, 0},
                               {12.7f, 1.2f, 0.5f, 1, 0xFF00FF00u, 0, 0},
                               {1.1f, 13.3f, 0.5f, 1, 0xFF0000FFu, 0, 0},
                               {14.2f, 12.9f, 0.5f, 1, 0xFFFFFFFFu, 0, 0}};
  const TLVertex list[6] = {corners[0], corners[1], corners[2],
                            corners[2], corners[1], corners[3]};
  // Fanned around corner 1: the triangles (1, 3, 2) and (1, 2, 0), the list's in turn.
  const TLVertex fan[4] = {corners[1], corners[3], corners[2], corners[0]};
  const uint16_t listIndices[6] = {0, 1, 2, 2, 1, 3};
  auto reference = make2D(16, 16);
  ASSERT_EQ(drawList(reference.device.get(), list, 2), D3D_OK);
  const auto expected = snapshot(reference.device.get());
  ASSERT_GT(countPixels(target(reference.device.get()), [](uint32_t p) { return p != 0xFF000000u; }),
            100u);

  enum Method { Strip, Fan, IndexedUP, Buffer, IndexedBuffer };
  for (Method m : {Strip, Fan, IndexedUP, Buffer, IndexedBuffer}) {
    SCOPED_TRACE(int(m));
    auto t = make2D(16, 16);
    IDirect3DDevice9* d = t.device.get();
    d->SetFVF(kTLFvf);
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    void* p = nullptr;
    d->BeginScene();
    switch (m) {
      case Strip:
        ASSERT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, corners, sizeof(TLVertex)), D3D_OK);
        break;
      case Fan:
        ASSERT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, fan, sizeof(TLVertex)), D3D_OK);
        break;
      case IndexedUP:
        ASSERT_EQ(d->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, listIndices,
                                            D3DFMT_INDEX16, corners, sizeof(TLVertex)),
                  D3D_OK);
        break;
      case Buffer:
      case IndexedBuffer:
        // One spare vertex in front, skipped by the stream offset.
        ASSERT_EQ(d->CreateVertexBuffer(5 * sizeof(TLVertex), 0, kTLFvf, D3DPOOL_MANAGED, &vb,
                                        nullptr), D3D_OK);
        vb->Lock(0, 0, &p, 0);
        std::memcpy(static_cast<uint8_t*>(p) + sizeof(TLVertex),
                    m == Buffer ? static_cast<const void*>(list) : corners,
                    4 * sizeof(TLVertex));
        vb->Unlock();
        d->SetStreamSource(0, vb, sizeof(TLVertex), sizeof(TLVertex));
        if (m == Buffer) {
          vb->Release();
          ASSERT_EQ(d->CreateVertexBuffer(7 * sizeof(TLVertex), 0, kTLFvf, D3DPOOL_MANAGED, &vb,
                                          nullptr), D3D_OK);
          vb->Lock(0, 0, &p, 0);
          std::memcpy(static_cast<uint8_t*>(p) + sizeof(TLVertex), list, sizeof list);
          vb->Unlock();
          d->SetStreamSource(0, vb, 0, sizeof(TLVertex));
          ASSERT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 2), D3D_OK);
        } else {
          ASSERT_EQ(d->CreateIndexBuffer(sizeof listIndices + 4, 0, D3DFMT_INDEX16,
                                         D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
          ib->Lock(0, 0, &p, 0);
          std::memcpy(static_cast<uint8_t*>(p) + 4, listIndices, sizeof listIndices);
          ib->Unlock();
          d->SetIndices(ib);
          ASSERT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 2, 2), D3D_OK);
        }
        break;
    }
    d->EndScene();
    if (vb) vb->Release();
    if (ib) ib->Release();
    EXPECT_EQ(snapshot(d), expected);
  }
}

TEST(D3dDraw, UserMemoryDrawsUnbindStreamAndIndices) {
  auto t = make2D(4, 4);
  IDirect3DDevice9* d = t.device.get();
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  d->CreateVertexBuffer(256, 0, kTLFvf, D3DPOOL_MANAGED, &vb, nullptr);
  d->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr);
  d->SetStreamSource(0, vb, 0, sizeof(TLVertex));
  d->SetIndices(ib);
  const auto q = quadList(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFFu);
  ASSERT_EQ(drawList(d, q.data(), 2), D3D_OK);
  EXPECT_EQ(d->state().stream, nullptr);
  EXPECT_EQ(d->state().indices, nullptr);
  EXPECT_EQ(vb->Release(), 0u);  // the device let go of its reference
  EXPECT_EQ(ib->Release(), 0u);
}

TEST(D3dDraw, OutOfRangeVerticesAndMisuseAreRefused) {
  auto t = make2D(4, 4);
  IDirect3DDevice9* d = t.device.get();
  d->SetFVF(kTLFvf);
  IDirect3DVertexBuffer9* vb = nullptr;
  d->CreateVertexBuffer(4 * sizeof(TLVertex), 0, kTLFvf, D3DPOOL_MANAGED, &vb, nullptr);
  Ref<IDirect3DVertexBuffer9> vbRef(vb);
  IDirect3DIndexBuffer9* ib = nullptr;
  d->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr);
  Ref<IDirect3DIndexBuffer9> ibRef(ib);
  void* p = nullptr;
  ib->Lock(0, 0, &p, 0);
  const uint16_t bad[3] = {0, 1, 4};  // vertex 4 is past the buffer
  std::memcpy(p, bad, sizeof bad);
  ib->Unlock();
  const auto q = quadList(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFFu);
  EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, q.data(), sizeof(TLVertex)),
            D3DERR_INVALIDCALL);  // outside a scene
  d->BeginScene();
  d->SetStreamSource(0, vb, 0, sizeof(TLVertex));
  d->SetIndices(ib);
  EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 2, 1), D3DERR_INVALIDCALL);
  const uint16_t outside[3] = {0, 1, 5};
  EXPECT_EQ(d->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 1, outside, D3DFMT_INDEX16,
                                      q.data(), sizeof(TLVertex)), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_LINELIST, 1, q.data(), sizeof(TLVertex)),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, q.data(), 8), D3DERR_INVALIDCALL);
  d->EndScene();
  EXPECT_EQ(pixelAt(target(d), 1, 1), 0xFF000000u);

  // A lost device takes the draw and ignores it.
  d->simulateLoss(1);
  d->BeginScene();
  EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, q.data(), sizeof(TLVertex)), D3D_OK);
  d->EndScene();
  EXPECT_EQ(pixelAt(target(d), 1, 1), 0xFF000000u);
}

// The null-raster profile answers every draw as the full device does and logs it, but no
// pixel changes; the device's bindings and resources behave as on the full device.
TEST(D3dDraw, NullRasterAnswersAndLogsDrawsButLeavesThePixels) {
  struct Case {
    const char* profile;
    uint32_t drawnPixel;
  } cases[] = {{"default", 0xFFFFFFFFu}, {"noraster", 0xFF000000u}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.profile);
    auto t = make2D(4, 4, c.profile);
    IDirect3DDevice9* d = t.device.get();
    d->callLog().setEnabled(true);
    const auto q = quadList(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFFu);
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(d->CreateVertexBuffer(sizeof q, 0, kTLFvf, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    Ref<IDirect3DVertexBuffer9> vbRef(vb);
    void* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    std::memcpy(p, q.data(), sizeof q);
    vb->Unlock();
    d->SetFVF(kTLFvf);
    d->BeginScene();
    // Refusals come from the same checks.
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE2X);
    EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, q.data(), sizeof(TLVertex)),
              D3DERR_UNSUPPORTEDCOLOROPERATION);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    const uint16_t outside[3] = {0, 1, 6};
    EXPECT_EQ(d->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 6, 1, outside, D3DFMT_INDEX16,
                                        q.data(), sizeof(TLVertex)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_LINELIST, 1, q.data(), sizeof(TLVertex)),
              D3DERR_INVALIDCALL);
    // A good draw from a buffer: accepted, the binding kept.
    d->SetStreamSource(0, vb, 0, sizeof(TLVertex));
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    EXPECT_EQ(d->state().stream, vb);
    d->EndScene();
    EXPECT_EQ(pixelAt(target(d), 1, 1), c.drawnPixel);
    EXPECT_EQ(d->callLog().count("DrawPrimitiveUP"), 2u);
    EXPECT_EQ(d->callLog().lines("DrawPrimitive"), std::vector<std::string>{"DrawPrimitive(4,0,2)"});
    // Clears still reach the target.
    EXPECT_EQ(d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030u, 1.0f, 0), D3D_OK);
    EXPECT_EQ(pixelAt(target(d), 1, 1), 0xFF102030u);
  }
}

// A back end standing in for the shader stages: vertices pass unchanged, pixels are one colour.
class FlatBackend final : public ShaderBackend, VertexStage, PixelStage {
 public:
  HRESULT vertexStage(IDirect3DVertexShader9&, const DeviceState&, const VertexLayout&,
                      VertexStage*& stage) override {
    stage = this;
    return D3D_OK;
  }
  HRESULT pixelStage(IDirect3DPixelShader9&, const DeviceState& state,
                     PixelStage*& stage) override {
    colour_ = floatBits(state.pixelConstants[0]);
    stage = this;
    return D3D_OK;
  }
  bool pretransformed() const override { return true; }
  void run(const VertexBatch& b, ShadedVertex* out) override {
    for (uint32_t i = 0; i < b.count; ++i) {
      out[i] = ShadedVertex{};
      std::memcpy(out[i].position, b.first + i * b.stride, 16);
    }
  }
  const ChannelMap& channels() const override { return map_; }
  void shade(const PixelSpan& span, uint32_t* argb) override {
    for (uint32_t i = 0; i < span.count; ++i) argb[i] = colour_;
  }

 private:
  ChannelMap map_;
  uint32_t colour_ = 0;
};

TEST(D3dDraw, BoundShadersRunThroughTheBackEnd) {
  auto t = make2D(4, 4);
  IDirect3DDevice9* d = t.device.get();
  const DWORD vsTokens[] = {D3DVS_VERSION(1, 1), 0x0000FFFF};
  const DWORD psTokens[] = {D3DPS_VERSION(1, 1), 0x0000FFFF};
  IDirect3DVertexShader9* vs = nullptr;
  IDirect3DPixelShader9* ps = nullptr;
  ASSERT_EQ(d->CreateVertexShader(vsTokens, &vs), D3D_OK);
  ASSERT_EQ(d->CreatePixelShader(psTokens, &ps), D3D_OK);
  d->SetVertexShader(vs);
  d->SetPixelShader(ps);
  vs->Release();
  ps->Release();
  const float c0[4] = {bitsFloat(0xFF123456u), 0, 0, 0};
  d->SetPixelShaderConstantF(0, c0, 1);
  const auto q = quadList(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFFu);
  FlatBackend backend;
  setShaderBackend(&backend);
  EXPECT_EQ(drawList(d, q.data(), 2), D3D_OK);
  setShaderBackend(nullptr);
  EXPECT_EQ(pixelAt(target(d), 3, 3), 0xFF123456u);
}

TEST(D3dDraw, TransformedVerticesMapThroughTheViewport) {
  auto t = make2D(16, 8);
  IDirect3DDevice9* d = t.device.get();
  blendDiffuse(d, D3DBLEND_ONE, D3DBLEND_ONE);
  D3DXMATRIX ortho;
  D3DXMatrixOrthoOffCenterRH(&ortho, 0, 16, 8, 0, -1, 1);
  d->SetTransform(D3DTS_PROJECTION, &ortho);
  // The box edges (0..16, 0..8) land on pixel centres 0 and 16: the quad covers every pixel
  // exactly once.
  auto vertex = [](float x, float y) {
    return RendererVertex{x, y, 0, {1, 0, 0, 0}, 0, 0, 0, 1, 0x01010101u, 0, 0};
  };
  const RendererVertex quad[4] = {vertex(0, 0), vertex(16, 0), vertex(0, 8), vertex(16, 8)};
  d->SetFVF(0x815E);
  d->BeginScene();
  ASSERT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(RendererVertex)), D3D_OK);
  d->EndScene();
  EXPECT_EQ(countPixels(target(d), [](uint32_t p) { return (p & 0xFF) == 1; }), 16u * 8u);
}

TEST(D3dDraw, NearPlaneClipsTrianglesBehindTheEye) {
  auto t = make2D(8, 8);
  IDirect3DDevice9* d = t.device.get();
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  struct V {
    float x, y, z, w;
    uint32_t c;
  };
  d->SetFVF(D3DFVF_XYZW | D3DFVF_DIFFUSE);
  // Clip-space positions (identity transforms). The first triangle lies wholly behind the near
  // plane; the second crosses it, so only its front part is drawn: the left half of the screen.
  const V behind[3] = {{-1, -1, -0.5f, 1, 0xFFFFFFFFu}, {1, -1, -0.5f, 1, 0xFFFFFFFFu},
                       {-1, 1, -0.5f, 1, 0xFFFFFFFFu}};
  const V crossing[6] = {{-1, 1, 0.5f, 1, 0xFFFFFFFFu},  {1, 1, -0.5f, 1, 0xFFFFFFFFu},
                         {-1, -1, 0.5f, 1, 0xFFFFFFFFu}, {-1, -1, 0.5f, 1, 0xFFFFFFFFu},
                         {1, 1, -0.5f, 1, 0xFFFFFFFFu},  {1, -1, -0.5f, 1, 0xFFFFFFFFu}};
  d->BeginScene();
  ASSERT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, behind, sizeof(V)), D3D_OK);
  EXPECT_EQ(countPixels(target(d), [](uint32_t p) { return p != 0xFF000000u; }), 0u);
  ASSERT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, crossing, sizeof(V)), D3D_OK);
  d->EndScene();
  EXPECT_EQ(countPixels(target(d), [](uint32_t p) { return p != 0xFF000000u; }), 4u * 8u);
  EXPECT_NE(pixelAt(target(d), 3, 4), 0xFF000000u);
  EXPECT_EQ(pixelAt(target(d), 4, 4), 0xFF000000u);
}

// Vertices far outside the screen, infinite or not a number, on screen (pre-transformed) and in
// clip space (identity transforms, so that clip (-0.5, 0.5) lands on pixel (4, 4) of 16 x 16).
// A triangle reaching far out is drawn where it covers the screen; one with a coordinate that is
// not a finite number has no sensible shape and is dropped whole.
TEST(D3dDraw, FarInfiniteAndNaNVerticesAreClippedOrDropped) {
  constexpr float kFar = 1e30f;
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const float kNaN = std::numeric_limits<float>::quiet_NaN();
  enum Space { Screen, Clip };
  enum Covers { Nothing, FromFourOn, BelowTwelve, Everything };
  struct Case {
    const char* name;
    Space space;
    float v[3][4];  // x, y, z, rhw on screen; x, y, z, w in clip space
    Covers covers;
  };
  const Case cases[] = {
      // The far vertices make a quarter plane of the screen from the near corner.
      {"screen +far", Screen, {{4, 4, .5f, 1}, {kFar, 4, .5f, 1}, {4, kFar, .5f, 1}}, FromFourOn},
      {"screen -far", Screen, {{12, 12, .5f, 1}, {-kFar, 12, .5f, 1}, {12, -kFar, .5f, 1}},
       BelowTwelve},
      // Every vertex far out, the screen inside: cutting edges between such vertices must not
      // move the cut onto the screen.
      {"screen all far", Screen,
       {{-kFar, -kFar, .5f, 1}, {3 * kFar, -kFar, .5f, 1}, {-kFar, 3 * kFar, .5f, 1}}, Everything},
      {"screen +inf", Screen, {{4, 4, .5f, 1}, {kInf, 4, .5f, 1}, {4, 12, .5f, 1}}, Nothing},
      {"screen -inf", Screen, {{4, 4, .5f, 1}, {12, -kInf, .5f, 1}, {4, 12, .5f, 1}}, Nothing},
      {"screen nan", Screen, {{4, 4, .5f, 1}, {kNaN, 4, .5f, 1}, {4, 12, .5f, 1}}, Nothing},
      {"screen nan z", Screen, {{4, 4, kNaN, 1}, {12, 4, .5f, 1}, {4, 12, .5f, 1}}, Nothing},
      {"clip +far", Clip, {{-.5f, .5f, .5f, 1}, {kFar, .5f, .5f, 1}, {-.5f, -kFar, .5f, 1}},
       FromFourOn},
      {"clip -far", Clip, {{.5f, -.5f, .5f, 1}, {-kFar, -.5f, .5f, 1}, {.5f, kFar, .5f, 1}},
       BelowTwelve},
      // The same quarter plane with w spread over +-1e30: the far vertices' w is tiny next to
      // their x and y, so the clipper cuts across numbers of every size.
      {"clip far w", Clip,
       {{-.5f, .5f, .5f, 1}, {kFar, .5f * 1e-20f, .5f * 1e-20f, 1e-20f},
        {-.5f * 1e-20f, -kFar, .5f * 1e-20f, 1e-20f}},
       FromFourOn},
      {"clip all far", Clip,
       {{-kFar, -kFar, .5f, 1}, {3 * kFar, -kFar, .5f, 1}, {-kFar, 3 * kFar, .5f, 1}}, Everything},
      {"clip +inf", Clip, {{-.5f, .5f, .5f, 1}, {kInf, .5f, .5f, 1}, {-.5f, -.5f, .5f, 1}},
       Nothing},
      {"clip -inf w", Clip, {{-.5f, .5f, .5f, 1}, {.5f, .5f, .5f, -kInf}, {-.5f, -.5f, .5f, 1}},
       Nothing},
      {"clip nan", Clip, {{-.5f, .5f, .5f, 1}, {.5f, kNaN, .5f, 1}, {-.5f, -.5f, .5f, 1}},
       Nothing},
      {"clip nan w", Clip, {{-.5f, .5f, .5f, 1}, {.5f, .5f, .5f, kNaN}, {-.5f, -.5f, .5f, 1}},
       Nothing},
  };
  struct V {
    float x, y, z, w;
    uint32_t c;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto t = make2D(16, 16);
    IDirect3DDevice9* d = t.device.get();
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    d->SetFVF((c.space == Screen ? D3DFVF_XYZRHW : D3DFVF_XYZW) | D3DFVF_DIFFUSE);
    V v[3];
    for (int i = 0; i < 3; ++i) v[i] = {c.v[i][0], c.v[i][1], c.v[i][2], c.v[i][3], 0xFFFFFFFFu};
    d->BeginScene();
    ASSERT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(V)), D3D_OK);
    d->EndScene();
    // Top-left rule: the near corner's edges are a top and a left edge in the first case (the
    // pixels on them drawn) and a bottom and a right edge in the second (left out).
    for (uint32_t y = 0; y < 16; ++y) {
      for (uint32_t x = 0; x < 16; ++x) {
        const bool expected = c.covers == Everything ||
                              (c.covers == FromFourOn && x >= 4 && y >= 4) ||
                              (c.covers == BelowTwelve && x < 12 && y < 12);
        ASSERT_EQ(pixelAt(target(d), x, y), expected ? 0xFFFFFFFFu : 0xFF000000u)
            << "pixel " << x << ", " << y;
      }
    }
  }
}

TEST(D3dDraw, RenderTargetTexturesFeedLaterDraws) {
  auto t = make2D(4, 4);
  IDirect3DDevice9* d = t.device.get();
  auto rt = makeRenderTexture(d, 4, 4);
  IDirect3DSurface9* back = nullptr;
  d->GetRenderTarget(0, &back);
  d->SetRenderTarget(0, levelZero(rt.get()).get());
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  auto q = quadList(-0.5f, -0.5f, 3.5f, 3.5f, 0xFF20C040u);
  ASSERT_EQ(drawList(d, q.data(), 2), D3D_OK);
  d->SetRenderTarget(0, back);
  back->Release();
  d->SetTexture(0, rt.get());
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  q = quadList(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFFu);
  ASSERT_EQ(drawList(d, q.data(), 2), D3D_OK);
  EXPECT_EQ(pixelAt(target(d), 2, 1), 0xFF20C040u);
}

TEST(D3dDraw, DepthTestKeepsTheNearerSurface) {
  struct Case {
    DWORD func;
    bool write;
    uint32_t expected;  // what the later, farther quad leaves at the overlap
  } cases[] = {{D3DCMP_LESSEQUAL, true, 0xFFFF0000u},
               {D3DCMP_GREATER, true, 0xFF0000FFu},
               {D3DCMP_ALWAYS, true, 0xFF0000FFu}};
  for (const auto& c : cases) {
    auto t = make2D(8, 8);
    IDirect3DDevice9* d = t.device.get();
    d->SetRenderState(D3DRS_ZENABLE, 1);
    d->SetRenderState(D3DRS_ZFUNC, c.func);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.5f, 0);
    // With the depth buffer at 0.5, GREATER passes the far quad only.
    const auto nearQuad = quadList(-0.5f, -0.5f, 5.5f, 5.5f, 0xFFFF0000u, 0, 0, 1, 1, 0.25f);
    const auto farQuad = quadList(1.5f, 1.5f, 7.5f, 7.5f, 0xFF0000FFu, 0, 0, 1, 1, 0.75f);
    ASSERT_EQ(drawList(d, nearQuad.data(), 2), D3D_OK);
    ASSERT_EQ(drawList(d, farQuad.data(), 2), D3D_OK);
    EXPECT_EQ(pixelAt(target(d), 3, 3), c.expected) << c.func;
  }
}

TEST(D3dDraw, SeparateAlphaBlendingAndTheDepthRange) {
  auto t = make2D(4, 4);
  IDirect3DDevice9* d = t.device.get();
  auto rt = makeRenderTexture(d, 4, 4);
  d->SetRenderTarget(0, levelZero(rt.get()).get());
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x40000000u, 1.0f, 0);
  // Colour: source x alpha + destination x (1 - alpha); alpha: source + destination.
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, 1);
  d->SetRenderState(D3DRS_SRCBLENDALPHA, D3DBLEND_ONE);
  d->SetRenderState(D3DRS_DESTBLENDALPHA, D3DBLEND_ONE);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  const auto q = quadList(-0.5f, -0.5f, 3.5f, 3.5f, 0x80FFFFFFu);
  ASSERT_EQ(drawList(d, q.data(), 2), D3D_OK);
  const uint32_t p = pixelAt(target(d), 1, 1);
  EXPECT_EQ(p >> 24, 0xC0u);
  EXPECT_NEAR(double(p & 0xFF), 128.0, 1.0);

  // Transformed depth lands in the viewport's depth range.
  auto u = make2D(4, 4);
  IDirect3DDevice9* e = u.device.get();
  e->SetRenderState(D3DRS_ZENABLE, 1);
  e->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
  const D3DVIEWPORT9 vp{0, 0, 4, 4, 0.5f, 1.0f};
  e->SetViewport(&vp);
  struct V {
    float x, y, z;
    uint32_t c;
  } full[4] = {{-1, 1, 0.5f, ~0u}, {1, 1, 0.5f, ~0u}, {-1, -1, 0.5f, ~0u}, {1, -1, 0.5f, ~0u}};
  e->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  e->BeginScene();
  ASSERT_EQ(e->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, full, sizeof(V)), D3D_OK);
  e->EndScene();
  EXPECT_FLOAT_EQ(e->currentDepthStencil()->depth()[5], 0.75f);
}

}  // namespace
}  // namespace d3d9

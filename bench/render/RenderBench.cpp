// Drawing object instances: 200 skinned instances of a 20-bone, 2000-triangle model drawn per
// frame through the renderer's passes, in view. "NullRaster" draws into the stand-in's
// "noraster" profile, whose device checks and records every call but runs no vertex or pixel
// stage: what is measured is the renderer's own processor work (pass states, palettes and
// constants, draw submission). "Raster640x480" draws the same frame through the software
// rasteriser at 640 x 480.

#include "foundation/dbtl/DFile.h"
#include "platform/d3d9/Direct3D9.h"
#include "platform/d3d9/Profile.h"
#include "render/L3DRenderer.h"
#include "render/device/L3DDevice.h"
#include "render/device/l3dInit.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kInstances = 200;
constexpr uint32_t kBones = 20;
constexpr uint32_t kTriangles = 2000;

struct Host : L3DWindow, L3DPack {
  void GetClientSize(d3d9::HWND, uint32_t& width, uint32_t& height) const override {
    width = 640;
    height = 480;
  }
  int32_t GetRegisteredPack() const override { return 0; }
};

// One part of 21 matrices (the part and 20 bones) and one mesh of a 2000-triangle strip grid
// whose vertices blend two neighbouring bones.
class Model : public L3DDrawable {
 public:
  Model() {
    const uint32_t columns = 21;
    const uint32_t rows = kTriangles / (2 * (columns - 1)) + 1;  // 51 rows of vertices
    for (uint32_t r = 0; r < rows; ++r) {
      for (uint32_t c = 0; c < columns; ++c) {
        L3D_RENDERER_VERTEX v;
        v.x = float(c) * 0.05f - 0.5f;
        v.y = float(r) * 0.02f - 0.5f;
        v.nz = -1.0f;
        v.colour = 0xFFC0A080;
        const uint32_t bone = r * kBones / rows;
        v.slots[0] = uint8_t(1 + bone);
        v.slots[1] = uint8_t(1 + (bone + 1) % kBones);
        v.weights[0] = 0.75f;
        v.weights[1] = 0.25f;
        vertices.push_back(v);
      }
    }
    for (uint32_t r = 0; r + 1 < rows; ++r) {
      for (uint32_t c = 0; c + 1 < columns; ++c) {
        const uint16_t a = uint16_t(r * columns + c);
        const uint16_t b = uint16_t(a + columns);
        for (uint16_t i : {a, uint16_t(b + 1), b, a, uint16_t(a + 1), uint16_t(b + 1)}) {
          indices.push_back(i);
        }
      }
    }
    for (uint32_t i = 1; i <= kBones; ++i) bones.push_back(i);
    option.Create(1);
    option->kind = L3D_SHADER_NORMAL;
    material.option = option;
    matrices.resize(kBones + 1);
  }

  void Place(float x, float y, float z) {
    for (uint32_t i = 0; i < matrices.size(); ++i) {
      LMat turn;
      turn.SetRotationZ(0.01f * float(i));
      turn.m[3][0] = x;
      turn.m[3][1] = y;
      turn.m[3][2] = z;
      matrices[i] = turn;
    }
  }

  uint32_t GetDrawPartCount() override { return 1; }
  void GetDrawPart(uint32_t, L3D_RENDERER_DRAWPART& out) override {
    out.matrices = matrices.data();
    out.matrixCount = uint32_t(matrices.size());
    out.meshCount = 1;
  }
  void GetDrawMesh(uint32_t, uint32_t, L3D_RENDERER_DRAWMESH& out) override {
    out.flags = L3D_DRAWMESH_FROM_MEMORY;
    out.primitiveType = d3d9::D3DPT_TRIANGLELIST;
    out.primitiveCount = uint32_t(indices.size() / 3);
    out.indices = indices.data();
    out.indexCount = uint32_t(indices.size());
    out.bones = bones.data();
    out.boneCount = uint32_t(bones.size());
    out.vertices = vertices.data();
    out.vertexCount = uint32_t(vertices.size());
    out.bonesPerVertex = 2;
    out.ownMaterial = &material;
    out.material = &material;
  }

  std::vector<L3D_RENDERER_VERTEX> vertices;
  std::vector<uint16_t> indices;
  std::vector<uint32_t> bones;
  std::vector<LMat> matrices;
  dbtl::rcptr<L3D_RENDERER_SHADEROPT_NORMAL> option;
  L3D_ANIMINST_MAT material;
};

struct Scene {
  Host host;
  int window = 0;
  std::unique_ptr<L3DDevice> device;
  std::unique_ptr<L3DRenderer> renderer;
  std::vector<std::unique_ptr<Model>> models;

  explicit Scene(const char* profile) {
    d3d9::IDirect3D9* d3d = d3d9::createDirect3D(*d3d9::profileBySpec(profile));
    l3dInit(d3d);
    d3d->Release();
    device = std::make_unique<L3DDevice>(&host, &host);
    device->Create(0, &window, 0, 640, 480, 0, L3DDEV_CREATE_WINDOW);
    dbtl::DFile shaders;
    shaders.Open(BENCH_SHADER_ARCHIVE, dbtl::DFILE_READ);
    renderer = std::make_unique<L3DRenderer>();
    renderer->Create(dbtl::rcptr<L3DDevice>::Borrow(device.get()), {}, shaders);
    LMat view;
    view.SetTranslation(0.0f, 0.0f, 12.0f);
    LMat projection;
    std::memset(projection.m, 0, sizeof projection.m);
    projection.m[0][0] = 1.5f;
    projection.m[1][1] = 2.0f;
    projection.m[2][2] = 100.0f / 99.0f;
    projection.m[2][3] = 1.0f;
    projection.m[3][2] = -100.0f / 99.0f;
    renderer->SetViewProjection(view, projection);
    const float light[3] = {0.3f, -0.4f, 1.0f};
    renderer->SetLightDirection(light);
    for (uint32_t i = 0; i < kInstances; ++i) {
      models.push_back(std::make_unique<Model>());
      const float x = float(i % 20) * 0.8f - 8.0f;
      const float y = float(i / 20) * 0.8f - 4.0f;
      models.back()->Place(x, y, 0.0f);
    }
  }
  ~Scene() {
    renderer.reset();
    device.reset();
    l3dTerm();
  }

  void Frame() {
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    d3d9::IDirect3DDevice9* d = device->GetDevice();
    d->Clear(0, nullptr, d3d9::D3DCLEAR_TARGET | d3d9::D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    d->BeginScene();
    for (auto& m : models) renderer->DrawObjectInstance(*m, white, white, 0);
    renderer->DrawZsd();
    d->EndScene();
  }
};

void NullRaster(benchmark::State& state) {
  Scene scene("noraster");
  for (auto _ : state) scene.Frame();
  state.SetItemsProcessed(int64_t(state.iterations()) * kInstances);
}
BENCHMARK(NullRaster)->Unit(benchmark::kMillisecond);

void Raster640x480(benchmark::State& state) {
  Scene scene("default");
  for (auto _ : state) scene.Frame();
  state.SetItemsProcessed(int64_t(state.iterations()) * kInstances);
}
BENCHMARK(Raster640x480)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

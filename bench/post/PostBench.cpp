// The full glow chain (bright pass, four blurred levels, the up-sampling copies and the final
// add) over a 640 x 480 scene, per frame through the software rasteriser, with the same
// frame without effects and a memcpy of the frame's bytes as anchors of the same run: the
// printed ratios compare across machines and loads. The goal is at most 16 ms a frame on one
// core.

#include "bench/common/Anchors.h"
#include "foundation/omb/ombCore.h"
#include "platform/d3d9/Direct3D9.h"
#include "platform/d3d9/Profile.h"
#include "render/L3DRenderer.h"
#include "render/device/L3DDevice.h"
#include "render/device/l3dInit.h"
#include "render/post/PostEffect.h"
#include "testsupport/MemoryPack.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kWidth = 640;
constexpr uint32_t kHeight = 480;

struct Host : L3DWindow, L3DPack {
  void GetClientSize(d3d9::HWND, uint32_t& width, uint32_t& height) const override {
    width = kWidth;
    height = kHeight;
  }
  int32_t GetRegisteredPack() const override { return PackScope::current(); }
};

std::vector<uint8_t> readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Fixture {
  Fixture() {
    std::unique_ptr<d3d9::IDirect3D9, void (*)(d3d9::IDirect3D9*)> d3d(
        d3d9::createDirect3D(*d3d9::profileBySpec("default")),
        [](d3d9::IDirect3D9* p) { p->Release(); });
    l3dInit(d3d.get());
    for (const char* kind : {"vsh", "psh"}) {
      for (const auto& file :
           std::filesystem::directory_iterator(std::filesystem::path(BENCH_SHADER_DIR) / kind)) {
        pack.Add("sys/posteffect/" + file.path().stem().string() + "." + kind,
                 readFile(file.path()));
      }
    }
    device = std::make_unique<L3DDevice>(&host, &host);
    device->Create(0, &window, 0, kWidth, kHeight, 0, L3DDEV_CREATE_WINDOW);
    PostEffectConfig config;
    config.device = device.get();
    config.width = kWidth;
    config.height = kHeight;
    config.pack = pack.Number();
    ok = effect.init(config);
    const int32_t levels[4] = {1, 2, 3, 3};
    const float alphas[4] = {0.8f, 0.6f, 0.5f, 0.4f};
    if (ok) effect.addBright(0.5f, levels, alphas);
  }
  ~Fixture() {
    effect.release();
    device.reset();
    l3dTerm();
  }

  void frame(bool effects) {
    d3d9::IDirect3DDevice9* d = device->GetDevice();
    d->BeginScene();
    if (effects) effect.begin();
    d->Clear(0, nullptr, d3d9::D3DCLEAR_TARGET, 0xFF202860u, 1.0f, 0);
    const d3d9::RECT rects[] = {{80, 80, 240, 240}, {320, 40, 360, 440}, {400, 200, 600, 260}};
    d->Clear(3, rects, d3d9::D3DCLEAR_TARGET, 0xFFF0F0F0u, 1.0f, 0);
    if (effects) effect.apply();
    d->EndScene();
  }

  Host host;
  int window = 0;
  PackScope pack;
  std::unique_ptr<L3DDevice> device;
  PostEffect effect;
  bool ok = false;
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

// Processor time of the process: a loaded machine stretches the wall clock, not this.
// Processor seconds of one memcpy of a 640 x 480 x 4 frame.
double memcpySeconds() {
  static std::vector<char> a(kWidth * kHeight * 4, 1), b(kWidth * kHeight * 4);
  const int rounds = 400;
  const double start = processCpuSeconds();
  for (int i = 0; i < rounds; ++i) {
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  return (processCpuSeconds() - start) / rounds;
}

double g_plainSeconds = 0.0;
double g_glowSeconds = 0.0;
double g_anchorSeconds = 0.0;

void BM_PlainFrame(benchmark::State& state) {
  Fixture& f = fixture();
  const double start = processCpuSeconds();
  for (auto _ : state) f.frame(false);
  g_plainSeconds = (processCpuSeconds() - start) / double(state.iterations());
}
BENCHMARK(BM_PlainFrame)->Unit(benchmark::kMillisecond);

void BM_GlowFrame640x480(benchmark::State& state) {
  Fixture& f = fixture();
  if (!f.ok) {
    state.SkipWithError("the post effect could not be made");
    return;
  }
  const double start = processCpuSeconds();
  for (auto _ : state) f.frame(true);
  g_glowSeconds = (processCpuSeconds() - start) / double(state.iterations());
  g_anchorSeconds = memcpySeconds();
  state.counters["cpu_ms_per_frame"] = g_glowSeconds * 1e3;
  state.counters["x_memcpy"] = g_glowSeconds / g_anchorSeconds;
}
BENCHMARK(BM_GlowFrame640x480)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_glowSeconds > 0.0 && g_anchorSeconds > 0.0) {
    std::printf("glow chain at 640x480: %.2f ms of processor time a frame (goal: at most 16 ms on "
                "one core); %.0f x a 640x480x4 memcpy",
                g_glowSeconds * 1e3, g_glowSeconds / g_anchorSeconds);
    if (g_plainSeconds > 0.0) {
      std::printf("; %.0f x the frame without effects", g_glowSeconds / g_plainSeconds);
    }
    std::printf("\n");
  }
  return 0;
}

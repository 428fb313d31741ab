// Task and batched Draw of 500 live effects, with every heap allocation of the measured frames
// counted.

#include "bench/common/AllocationCount.h"
#include "foundation/startup/Dmath.h"
#include "model/effect/L3DEffectManager.h"
#include "render/L3DRenderer.h"
#include "testsupport/EffectFileBuilder.h"
#include "testsupport/MemoryPack.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

constexpr int kEffects = 500;
constexpr int kWarmUp = 64;  // past a trail's life of 30 frames: the batch arrays have their size

uint32_t f(float v) { return effectfile::bits(v); }

effectfile::Data effects() {
  effectfile::Data d;
  d.roots.resize(1);
  effectfile::Root& r = d.roots[0];
  r.root = effectfile::Part{0,
                            {{0, 3, {0, uint32_t(-1), 0}},
                             {0, 14, {f(0.01f), 0, 0}},
                             {0, 9, {0, 0, 0, f(-0.001f)}},
                             {0, 2, {0}},
                             {0, 2, {1}},
                             {1000000, 0, {}}}};
  r.children.push_back(effectfile::Part{
      1, {{0, 3, {1, uint32_t(-4), 1}}, {0, 24, {0, 0, f(0.0087f), f(0.99996f)}}, {1000000, 0, {}}}});
  r.children.push_back(
      effectfile::Part{0, {{0, 3, {0, uint32_t(-5), 2}}, {0, 39, {30, 1, 0}}, {1000000, 0, {}}}});
  return d;
}

void BM_EffectFrame(benchmark::State& state) {
  DmathInitTables();
  PackScope pack;
  effectfile::Prop prop;
  prop.textures = {0, 0};
  prop.images.resize(2);
  prop.images[1].texture = 1;
  pack.Add("effdef.dat", Scrambled(effectfile::write(prop)));
  pack.Add("effdata.dat", Scrambled(effectfile::write(effects())));

  L3DRenderer renderer;
  LMat view;
  view.SetTranslation(0, -1, 20);
  renderer.SetViewProjection(view, view);
  L3DEffectManager manager;
  manager.Create(&renderer);
  manager.SetTextureLoader([](int32_t, const char*, uint8_t) { return dbtl::rcptr<L3DTexture>(); });
  manager.SetProp(PackScope::current(), "effdef");
  L3D_EFFECT_DATA* data = manager.LoadData(1, PackScope::current(), "effdata");
  static float trail[kEffects][2][3];
  for (int i = 0; i < kEffects; ++i) {
    trail[i][1][1] = 1.0f;
    const LVec3 at{float(i % 25), 0.0f, float(i / 25)};
    manager.Play(data, 0, 0, -1, at, kQuatIdentity, {1, 1, 1}, {}, &trail[i], nullptr,
                 trail[i][0], trail[i][1]);
  }
  int frame = 0;
  auto step = [&] {
    for (int i = 0; i < kEffects; ++i) {
      trail[i][0][0] = trail[i][1][0] = 0.05f * float(frame % 200);
    }
    manager.Task();
    manager.Draw(false);
    ++frame;
  };
  for (int i = 0; i < kWarmUp; ++i) step();
  const uint64_t before = benchAllocations();
  uint64_t frames = 0;
  for (auto _ : state) {
    step();
    ++frames;
  }
  const uint64_t allocations = benchAllocations() - before;
  state.counters["allocations"] = benchmark::Counter(double(allocations) / double(frames));
  if (allocations != 0) state.SkipWithError("heap allocations in steady frames");
  manager.Release();
}
BENCHMARK(BM_EffectFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// ForwardAnimFrame with sphere collection for 2000 instances of a 20-bone model, and a memcpy
// anchor measured in the same run.

#include "bench/common/AllocationCount.h"
#include "foundation/math/DetMath.h"
#include "foundation/startup/Dmath.h"
#include "model/L3DHandles.h"
#include "model/object/L3DObjectInstance.h"
#include "testsupport/ModelFileBuilder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int kBones = 20;
constexpr int kInstances = 2000;

modelfile::Bone chain(int depth) {
  modelfile::Bone b = modelfile::bone("b" + std::to_string(depth));
  b.pivot = {0.0f, 1.0f, 0.0f};
  if (depth + 1 < kBones) b.children = {chain(depth + 1)};
  return b;
}

modelfile::Key key(uint32_t frame, float x, float angle) {
  modelfile::Key k;
  k.frame = frame;
  k.flags = 2;  // cubic
  k.values[0] = x;
  k.values[4] = detmath::sin(angle / 2);
  k.values[6] = detmath::cos(angle / 2);
  k.values[7] = k.values[8] = k.values[9] = 1.0f;
  return k;
}

dbtl::rcptr<L3DObjectData> model() {
  modelfile::Model m;
  m.parts = {modelfile::partWithBones("body", {chain(0)})};
  modelfile::Group g;
  modelfile::GroupEntry e;
  e.part = 1;
  g.entries = {e};
  m.groups = {g};
  modelfile::Coll coll;
  coll.type = 3;
  coll.flags = 1;
  for (uint32_t b = 1; b <= kBones; ++b) {
    modelfile::Sphere s;
    s.part = 1;
    s.bone = b;
    s.radius = 0.5f;
    coll.spheres.push_back(s);
  }
  m.colls = {coll};
  modelfile::Anim a;
  a.name = "normal";
  a.endFrame = 60;
  a.group = 1;
  for (uint32_t b = 0; b <= kBones; ++b) {
    modelfile::Motion mo;
    mo.part = 1;
    mo.bone = b;
    mo.keys = {key(0, 0.0f, 0.0f), key(20, 1.0f, 0.3f), key(40, -1.0f, -0.3f), key(60, 0.0f, 0.0f)};
    a.motions.push_back(mo);
  }
  m.anims = {a};
  const std::vector<uint8_t> plain = modelfile::write(m);
  auto data = l3dNewObject<L3DObjectData>();
  data->Load(plain.data(), plain.size(), "bench.dgo");
  return data;
}

// The calling thread's processor time: on a shared machine the wall clock also counts the
// time other processes held the core.
double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double memcpySeconds() {
  std::vector<char> a(64 << 20, 1), b(64 << 20);
  double best = 1e9;
  for (int i = 0; i < 5; ++i) {
    const double t0 = cpuSeconds();
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::DoNotOptimize(b.data());
    best = std::min(best, cpuSeconds() - t0);
  }
  return best;
}

void BM_ForwardAnimFrame2000(benchmark::State& state) {
  DmathInitTables();
  dbtl::rcptr<L3DObjectData> data = model();
  std::vector<dbtl::rcptr<L3DObjectInstance>> instances;
  for (int i = 0; i < kInstances; ++i) {
    auto inst = l3dNewObject<L3DObjectInstance>();
    inst->Create({}, data, {});
    inst->SetAnim(inst->CreateAnim("normal"), L3DObjectInstance::Restart::Yes);
    if (state.range(0) == 0) {
      for (L3D_ANIMINST_MOT& motion : inst->anims[0]->motions) motion.poses.reset();
    }
    // Spread the instances over the animation.
    for (int f = 0; f < i % 60; ++f) inst->ForwardAnimFrame();
    instances.push_back(inst);
  }
  double seconds = 0.0;
  int64_t frames = 0;
  uint64_t allocations = 0;
  for (auto _ : state) {
    const uint64_t a0 = benchAllocations();
    const double t0 = cpuSeconds();
    for (auto& inst : instances) inst->ForwardAnimFrame();
    seconds += cpuSeconds() - t0;
    allocations += benchAllocations() - a0;
    ++frames;
  }
  const double perFrame = seconds / static_cast<double>(frames);
  state.counters["ms_per_frame"] = perFrame * 1000.0;
  state.counters["allocs_per_frame"] =
      static_cast<double>(allocations) / static_cast<double>(frames);
  state.counters["ratio_to_memcpy"] = perFrame / memcpySeconds();
}
// Argument 1: the instances share their poses (the game's case); 0: every instance evaluates
// its own keys, the cost of a model whose instances never stand on the same frame.
BENCHMARK(BM_ForwardAnimFrame2000)->ArgName("shared")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

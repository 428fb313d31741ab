// Field bullets in a running field engine (the field fixture game, its room's collision data
// replaced by a 60 x 60 unit floor with 100 small rooms): one iteration is one bullet update of
// 2,000 live bullets that fly 0.3 units a frame with map collision, each with its own model
// instance and attack spheres filed in the object space; the bullets that hit a wall or time
// out are launched again, so 2,000 stay in play. Goal: at most 3 ms of processor time a frame.
// The anchor, measured in the same run, is a std::stable_sort of 2,000 keys; the program prints
// the ratio and the heap allocations per frame.

#include "bench/common/AllocationCount.h"
#include "bench/common/Anchors.h"
#include "engines/vell/Engine.h"
#include "engines/vell/Map.h"
#include "engines/vell/bullet/BulletManager.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/ombCore.h"
#include "foundation/startup/Dmath.h"
#include "host/system/System.h"
#include "testsupport/MemoryPack.h"
#include "testsupport/ModelSample.h"
#include "testsupport/Text.h"
#include "tools/mapwrite/MapWriter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int32_t kBullets = 2000;

// A model with the animations the map and the bullets look for and one enabled attack sphere.
std::vector<uint8_t> model(const char* animation) {
  modelfile::Model m = modelfile::untexturedModel(animation);
  m.colls[0].flags = 1;
  m.colls[0].spheres[0].radius = 0.25f;
  return modelfile::scrambled(modelfile::write(m));
}

struct Field {
  Field() {
    ombCoreInit();
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    ombFileUninit();
    ombFileInit();
    ombFileRegistPack(testsupport::u16(FIELD_ARCHIVE).c_str());
    pack.Add("field/map/room/room.dgo", model("start"));
    pack.Add("field/bullet/ball.dgo", model("normal"));
    EngineStart s;
    s.directory = u"Field";
    engine.reset(dynamic_cast<vell::Engine*>(vell::createEngine(system, s)));
    engine->setupResources();
    engine->resetMap(u"room", u"room");
    engine->map()->build(mapwrite::mapFromDescription(floorWithRoomsDescription()),
                         &engine->space());
    vell::BulletManager& bullets = *engine->bullets();
    vell::TypeDefinition type;
    type.directory = u"field/bullet/";
    type.geometryName = u"ball";
    // Room for the bullets that wait one update in the removed list before they are free again.
    type.count = kBullets + 200;
    vell::MotionDefinition motion;
    motion.type = bullets.defineType(type);
    motion.flags = vell::kDefMapCollision;
    motion.timeout = 240;
    vell::KeyFrameRecord frame;
    frame.move = u"0.3";
    motion.keyFrames = {frame};
    launch.motion = bullets.defineMotion(motion);
    launch.collAttackMask = 1;
    std::mt19937 rng(4242);
    std::uniform_real_distribution<float> at(0.5f, 59.5f);
    std::uniform_real_distribution<float> turn(0.0f, 3.1415927f);
    for (int i = 0; i < 4096; ++i) {
      const float half = turn(rng);
      poses.push_back({{at(rng), 1.0f, at(rng)}, {0.0f, std::sin(half), 0.0f, std::cos(half)}});
    }
  }
  ~Field() { engine.reset(); }

  // Launches as many as ended in the last update (they wait in the removed list now), so that
  // kBullets stay in play after the next one.
  void topUp() {
    vell::BulletManager& bullets = *engine->bullets();
    const uint32_t want = uint32_t(kBullets) + bullets.removed().count;
    while (bullets.live().count + bullets.pendingCount() < want && bullets.add(next())) {
    }
  }
  const vell::Launch& next() {
    const Pose& p = poses[cursor++ % poses.size()];
    launch.position = p.position;
    launch.rotation = p.rotation;
    return launch;
  }

  struct Pose {
    LVec3 position;
    LQuat rotation;
  };
  PackScope pack;
  System system{pack.Number()};
  std::unique_ptr<vell::Engine> engine;
  vell::Launch launch;
  std::vector<Pose> poses;
  size_t cursor = 0;
};

double g_frame = 0, g_allocations = -1, g_live = 0, g_ended = 0;

void BM_FieldBullets2000(benchmark::State& state) {
  Field f;
  vell::BulletManager& bullets = *f.engine->bullets();
  // Warm up: every pool and array at its size.
  for (int i = 0; i < 300; ++i) {
    f.topUp();
    bullets.update();
  }
  double live = 0, ended = 0;
  const uint64_t before = benchAllocations();
  const double start = processCpuSeconds();
  for (auto _ : state) {
    const uint32_t pending = bullets.pendingCount();
    f.topUp();
    ended += double(bullets.pendingCount() - pending);
    bullets.update();
    live += double(bullets.live().count);
  }
  g_frame = (processCpuSeconds() - start) / double(state.iterations());
  g_allocations = double(benchAllocations() - before) / double(state.iterations());
  g_live = live / double(state.iterations());
  g_ended = ended / double(state.iterations());
  state.counters["live"] = g_live;
  state.counters["relaunched"] = g_ended;
  state.counters["allocations"] = g_allocations;
  state.counters["cpu_ms_per_frame"] = g_frame * 1e3;
}
BENCHMARK(BM_FieldBullets2000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const double anchor = runBenchmarksThenStableSortAnchor(argc, argv);
  if (anchor == 0) return 1;
  if (g_frame > 0) {
    std::printf("field bullets, %.0f live, %.1f relaunched a frame after a map hit or time-out: "
                "%.3f ms of processor time a frame (goal: at most 3 ms), %.0f x the anchor, "
                "%.2f heap allocations a frame\n",
                g_live, g_ended, g_frame * 1e3, g_frame / anchor, g_allocations);
  }
  return 0;
}

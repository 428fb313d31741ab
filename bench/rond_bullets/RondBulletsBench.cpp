// The versus engine's bullet phase (update, leaving the bullet box, hits against both players,
// erosion) for 2 x 1000 live bullets, every heap allocation of the measured frames counted; the
// worst-case erosion of 1000 eroding bullets over 1000 victims all in one place; and the
// animation forwarding with attack-sphere collection of 2000 bullet instances. Each is printed
// beside a stable_sort of 2000 keys measured in the same run, in processor time, so the ratios
// compare across machines and loads. The goal of the phase is at most 3 ms a frame on one core.

#include "bench/common/AllocationCount.h"
#include "bench/common/Anchors.h"
#include "engines/rond/RondEngine.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/ombCore.h"
#include "foundation/startup/Dmath.h"
#include "host/system/System.h"
#include "model/object/L3DObjectInstance.h"
#include "testsupport/MemoryPack.h"
#include "testsupport/ModelSample.h"
#include "testsupport/Text.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr int32_t kPerSide = 1000;
constexpr int kWarmUp = 16;

std::vector<uint8_t> model(const std::vector<std::string>& anims, uint32_t slot) {
  modelfile::Model m;
  m.parts = {modelfile::trianglePart("body", {modelfile::bone("hip")})};
  m.groups = {modelfile::groupOfFirstPart("all")};
  for (const std::string& name : anims) m.anims.push_back(modelfile::restAnim(name, 60));
  modelfile::Coll c;
  c.type = slot;
  c.flags = 1;
  modelfile::Sphere s;
  s.part = 1;
  s.radius = 0.25f;
  c.spheres = {s};
  m.colls = {c};
  return modelfile::scrambled(modelfile::write(m));
}

struct CoreUp {
  CoreUp() {
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    ombCoreInit();
    ombFileUninit();
    ombFileInit();
    ombFileRegistPack(testsupport::u16(ROND_SCRIPTS_ARCHIVE).c_str());
  }
};

uint32_t fixedSeed() { return 7; }

// A match of the test scripts with bodies on both players and bullet models in the pack.
struct Match {
  CoreUp core;
  PackScope pack;
  System system{pack.Number()};
  std::unique_ptr<rond::Engine> engine;

  Match() {
    engineSetSeedSource(&fixedSeed);
    pack.Add("fighter/shot.dgo", model({"normal", "fadeout", "hit", "erase"}, 4));
    pack.Add("fighter/body.dgo", model({"default"}, 3));
    RondEngineSetup setup;
    setup.systemDirectory = u"Sys";
    setup.seDirectory = u"se";
    setup.stageDirectory = u"stages/arena01";
    setup.players[0] = u"fighter";
    setup.players[1] = u"fighter";
    engine = std::make_unique<rond::Engine>();
    engine->setup(&system, setup);
    engine->setupResources();
    for (int32_t slot = 0; slot < 2; ++slot) {
      rond::Player& p = *engine->player(slot);
      p.setAnimation(p.loadGeometry(u"body")->defaultEntry);
      p.stepBeforeMove();
      p.stepAfterMove();
    }
  }

  rond::BulletMotion* program(int32_t side, const rond::AttackDefinition& attack,
                              std::vector<rond::BulletOp> ops) {
    rond::BulletType* type = engine->bullets().defineType(side, attack, kPerSide, u"fighter", u"shot");
    rond::AttackDefinition inherit;
    inherit.victimLevel = inherit.victimCost = inherit.erosionLevel = inherit.erosionCost = -1;
    return engine->bullets().defineMotion(type, 0, 0, inherit, std::move(ops));
  }
};

// Each side's bullets both erode (level 2) and can be eroded (level 1), circling slowly in a
// grid well away from each other and from the players: every pair is tested, none is erased.
struct PhaseScene : Match {
  PhaseScene() {
    rond::AttackDefinition attack;
    attack.victimLevel = 1;
    attack.victimCost = 1;
    attack.erosionLevel = 2;
    attack.erosionCost = 1000;
    for (int32_t side = 0; side < 2; ++side) {
      rond::BulletEventText event;
      event.move = u"0.01";
      event.drot = u"0 1 0 1";
      std::vector<rond::BulletOp> ops;
      rond::appendBulletEventOps(event, ops);
      rond::BulletMotion* p = program(side, attack, std::move(ops));
      for (int32_t i = 0; i < kPerSide; ++i) {
        const FixedVec3 at{(i % 32) * 200 - 3200, side == 0 ? 2560 : -2560, (i / 32) * 200 - 3200};
        engine->bullets().requestSpawn(kQuatIdentity, p, rond::kSpawnFree, at, nullptr, {}, 1.0f);
      }
    }
    engine->stepBullets();
  }
};

// Side 0's bullets erode with an unlimited budget, side 1's are their victims, all in one place:
// every pair overlaps and erases.
struct WorstErosionScene : Match {
  WorstErosionScene() {
    rond::AttackDefinition eroding;
    eroding.victimLevel = 2147483647;
    eroding.erosionLevel = 5;
    eroding.erosionCost = 2147483647;
    rond::AttackDefinition victim;
    victim.victimLevel = 1;
    victim.victimCost = 1;
    rond::BulletMotion* a = program(0, eroding, {});
    rond::BulletMotion* v = program(1, victim, {});
    for (int32_t i = 0; i < kPerSide; ++i) {
      engine->bullets().requestSpawn(kQuatIdentity, a, rond::kSpawnFree, {0, 2048, 0}, nullptr, {}, 1.0f);
      engine->bullets().requestSpawn(kQuatIdentity, v, rond::kSpawnFree, {0, 2048, 0}, nullptr, {}, 1.0f);
    }
    engine->bullets().update();
  }
};

double g_anchor = 0, g_phase = 0, g_worst = 0, g_forward = 0;
double g_phaseAllocations = -1;
size_t g_live = 0;

void BM_BulletPhase2x1000(benchmark::State& state) {
  PhaseScene scene;
  rond::Engine& e = *scene.engine;
  for (int i = 0; i < kWarmUp; ++i) e.stepBullets();
  g_live = e.bullets().live(0).size() + e.bullets().live(1).size();
  const uint64_t before = benchAllocations();
  const double start = processCpuSeconds();
  for (auto _ : state) e.stepBullets();
  g_phase = (processCpuSeconds() - start) / double(state.iterations());
  g_phaseAllocations = double(benchAllocations() - before) / double(state.iterations());
  state.counters["live"] = double(g_live);
  state.counters["allocations"] = g_phaseAllocations;
  state.counters["cpu_ms_per_frame"] = g_phase * 1e3;
  if (g_live != 2 * kPerSide) state.SkipWithError("bullets were lost");
}
BENCHMARK(BM_BulletPhase2x1000)->Unit(benchmark::kMillisecond);

void BM_WorstErosion1000x1000(benchmark::State& state) {
  WorstErosionScene scene;
  rond::BulletManager& bullets = scene.engine->bullets();
  const double start = processCpuSeconds();
  for (auto _ : state) bullets.erodeBullets();
  g_worst = (processCpuSeconds() - start) / double(state.iterations());
  state.counters["cpu_ms_per_pass"] = g_worst * 1e3;
}
BENCHMARK(BM_WorstErosion1000x1000)->Unit(benchmark::kMillisecond);

void BM_ForwardAndSpheres2000(benchmark::State& state) {
  PhaseScene scene;
  std::vector<rond::Bullet*> all;
  for (int32_t side = 0; side < 2; ++side) {
    for (rond::Bullet* b = scene.engine->bullets().live(side).front(); b != nullptr;
         b = rond::BulletManager::LiveList::next(b)) {
      all.push_back(b);
    }
  }
  const double start = processCpuSeconds();
  for (auto _ : state) {
    for (rond::Bullet* b : all) {
      b->applyMotion();
      b->attackSpheres.collect(b->currentGeometry()->model.instance.Get(), 4, b->position);
    }
  }
  g_forward = (processCpuSeconds() - start) / double(state.iterations());
  state.counters["cpu_ms_per_frame"] = g_forward * 1e3;
}
BENCHMARK(BM_ForwardAndSpheres2000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  g_anchor = runBenchmarksThenStableSortAnchor(argc, argv);
  if (g_anchor == 0) return 1;
  if (g_phase > 0) {
    std::printf("bullet phase, %zu live bullets: %.3f ms of processor time a frame (goal: at most "
                "3 ms on one core), %.0f x the anchor, %.0f heap allocations a frame\n",
                g_live, g_phase * 1e3, g_phase / g_anchor, g_phaseAllocations);
  }
  if (g_worst > 0) {
    std::printf("worst-case erosion, 1000 x 1000 overlapping: %.3f ms a pass, %.0f x the anchor\n",
                g_worst * 1e3, g_worst / g_anchor);
  }
  if (g_forward > 0) {
    std::printf("animation forwarding and sphere collection of 2000 bullets: %.3f ms, %.0f x the "
                "anchor\n",
                g_forward * 1e3, g_forward / g_anchor);
  }
  return 0;
}

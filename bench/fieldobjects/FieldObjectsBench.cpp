// Field objects in a running field engine (the field fixture game, its room's collision data
// replaced by a 60 x 60 unit floor with 100 small rooms):
// - Walkers: one iteration is one object update of 300 objects that walk 0.15 a frame, turning
//   slowly, sliding along walls and each other (the walker sweeps the other objects' cylinders);
//   budget 2 ms a frame on one core.
// - HitPass: one iteration is one hit pass of 300 objects with two damage records each against
//   2,000 attacks filed in the object space; budget 3 ms.
// Each reports, measured in the same run, a memcpy anchor (1 MiB copies per second) and the
// ratio of the measured time to its budget.

#include "bench/common/Anchors.h"
#include "engines/vell/Engine.h"
#include "engines/vell/FieldObject.h"
#include "engines/vell/HitPass.h"
#include "engines/vell/Map.h"
#include "engines/vell/ObjectManager.h"
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

#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// Stands in for the bullet manager: counts what the pass reports.
class Counter : public vell::AttackNotices {
 public:
  void notifyDamage(vell::Attack&, vell::Object&, uint32_t) override { ++hits; }
  void recordHit(uint32_t, vell::Object&, vell::Attack&, float) override { ++hits; }
  void sendHitNotifies() override {}
  uint64_t hits = 0;
};

struct Field {
  Field() {
    ombCoreInit();
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    ombFileUninit();
    ombFileInit();
    ombFileRegistPack(testsupport::u16(FIELD_ARCHIVE).c_str());
    // The room's model: any model with the animation "start".
    pack.Add("field/map/room/room.dgo",
             modelfile::scrambled(modelfile::write(modelfile::untexturedModel("start"))));
    EngineStart s;
    s.directory = u"Field";
    engine.reset(dynamic_cast<vell::Engine*>(vell::createEngine(system, s)));
    engine->setupResources();
    engine->resetMap(u"room", u"room");
    engine->map()->build(mapwrite::mapFromDescription(floorWithRoomsDescription()),
                         &engine->space());
    std::mt19937 rng(4242);
    std::uniform_real_distribution<float> at(0.5f, 59.5f);
    for (int i = 0; i < 300; ++i) {
      vell::CreateRecord r;
      r.flags = vell::kCreateKeepReference | vell::kCreateOnLand;
      r.position = vec3ToFixed(at(rng), 0.0f, at(rng));
      r.angle = int32_t(i * 997 % 6434);
      // No script of that name: the objects' tasks do nothing.
      vell::Object* o = engine->objects()->create(u"walker", u"walker", r, ScriptObject());
      o->entry.radius = 512;
      o->entry.top = 2048;
      o->push.radius = o->land.radius = o->air.radius = 512;
      o->push.height = o->land.height = o->air.height = 2048;
      o->setLandMoveOption(536, 2, 0, 0);
      o->moveMode = vell::kMoveLand;
      o->request.distance = 154;
      objects.push_back(o);
    }
    for (int i = 0; i < 2000; ++i) {
      auto a = std::make_unique<vell::Attack>();
      a->item.owner = a.get();
      a->flags = vell::kAttackActive | (i % 2 ? vell::kAttackEveryHit : 0u) |
                 (i % 3 ? 0u : vell::kAttackSwept);
      const LVec3 c{at(rng), 1.0f, at(rng)};
      sphere(a->spheres, c, 0.3f);
      engine->space().insert(a->spheres.boxMin, a->spheres.boxMax, &a->item);
      engine->space().setMask(1, &a->item);
      attacks.push_back(std::move(a));
    }
  }
  ~Field() {
    for (auto& a : attacks) engine->space().remove(&a->item);
    engine.reset();
  }

  static void sphere(vell::SphereSet& set, const LVec3& c, float r) {
    set.items.assign(1, {{c.x - 0.1f, c.y, c.z}, c, r});
    set.itemCount = 1;
    set.boundCentre = c;
    set.boundRadius = r + 1.0f;
    set.boxMin = vec3ToFixed(c.x - r - 1.1f, c.y - r - 1.0f, c.z - r - 1.0f);
    set.boxMax = vec3ToFixed(c.x + r + 1.0f, c.y + r + 1.0f, c.z + r + 1.0f);
  }

  PackScope pack;
  System system{pack.Number()};
  std::unique_ptr<vell::Engine> engine;
  std::vector<vell::Object*> objects;
  std::vector<std::unique_ptr<vell::Attack>> attacks;
};

Field& field() {
  static Field f;
  return f;
}

void report(benchmark::State& state, double budgetMs,
            std::chrono::steady_clock::duration spent) {
  const double ms = std::chrono::duration<double, std::milli>(spent).count() /
                    static_cast<double>(state.iterations());
  state.counters["anchor_memcpy_MiB_per_s"] = memcpyMiBPerSecond();
  state.counters["ms_per_frame"] = ms;
  state.counters["ratio_to_budget"] = ms / budgetMs;
}

void BM_Walkers(benchmark::State& state) {
  Field& f = field();
  uint64_t blocked = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (vell::Object* o : f.objects) o->request.angle = (o->request.angle + 23) % 6434;
    f.engine->objects()->update();
    for (vell::Object* o : f.objects) blocked += (o->moveStatus & vell::kMoveBlocked) != 0;
  }
  report(state, 2.0, std::chrono::steady_clock::now() - start);
  state.counters["blocked_share"] =
      static_cast<double>(blocked) / static_cast<double>(state.iterations() * f.objects.size());
}

void BM_HitPass(benchmark::State& state) {
  Field& f = field();
  // Two damage records an object, around its body and above it.
  for (vell::Object* o : f.objects) {
    const LVec3 p{fixedToFloat(o->position.x), 1.0f, fixedToFloat(o->position.z)};
    for (uint32_t slot = 0; slot < 2; ++slot) {
      vell::DamageRecord& r = o->damage[slot];
      r.mask = 1;
      r.flag = slot;
      Field::sphere(r.spheres, {p.x, p.y + float(slot), p.z}, 0.5f);
    }
  }
  Counter counter;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (vell::Object* o : f.objects) {
      for (vell::DamageRecord& r : o->damage) r.age();
    }
    f.engine->objects()->hitPass(&counter);
  }
  report(state, 3.0, std::chrono::steady_clock::now() - start);
  state.counters["hits_per_pass"] =
      static_cast<double>(counter.hits) / static_cast<double>(state.iterations());
}

// One iteration is one frame: its time is the time per frame.
BENCHMARK(BM_Walkers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HitPass)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

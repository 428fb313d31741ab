// Collision queries and the decal pass of the field engine on two 50,000-triangle maps
// (quadtree of depth 10, each with a few map-wide floor triangles that sit in the root cell, so
// every query sees them): land and ceiling casts, a radius-0.5 sphere sweep, small-box queries
// of the object collision space, a frame of 300 walkers that walk and slide among the walls and
// 2,000 objects, and one decal pass of 8 large stamps and 100 shadows. Each reports its rate or
// time, the tree's candidates per query and, measured in the same run, a memcpy anchor (1 MiB
// copies per second), so results from different machines and loads compare by their ratio.
//
// Map 0 ("tiled") is modelled in patches that each stay inside one 4-unit cell of the tree, so
// nearly every triangle is filed deep in the tree. Map 1 ("seamless") is one uniform
// tessellation: a linear tree files every triangle whose box crosses a cell border in the cell
// above, so a query meets the ~1,200 triangles lying along the borders of its ancestor cells,
// whatever the map's scale.

#include "bench/common/Anchors.h"
#include "engines/vell/Decal.h"
#include "engines/vell/LandMove.h"
#include "engines/vell/Map.h"
#include "engines/vell/Shadow.h"
#include "foundation/omb/ombCore.h"
#include "tools/mapwrite/MapWriter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

std::string tiled() {
  // Bounds of 1023 units make the leaves exactly one unit wide.
  std::string d = "mesh quad 10\nspace quad 10\nbounds 0 -4 0 1023 12 1023\n";
  const auto cell = [](int i) { return std::to_string(i * 4) + ".25"; };
  const auto end = [](int i) { return std::to_string(i * 4 + 3) + ".75"; };
  // 73 x 73 patches of 2 x 2 squares: 42,632 floor triangles.
  for (int i = 0; i < 73; ++i) {
    for (int j = 0; j < 73; ++j) {
      d += "grid " + cell(i) + " " + cell(j) + " " + end(i) + " " + end(j) + " 0 2\n";
    }
  }
  // 48 x 48 ceiling slabs: 4,608 triangles; 20 x 20 small rooms: 3,200 wall triangles.
  for (int i = 0; i < 48; ++i) {
    for (int j = 0; j < 48; ++j) {
      d += "ceiling " + cell(i) + " " + cell(j) + " " + end(i) + " " + end(j) + " 8\n";
    }
  }
  for (int i = 0; i < 20; ++i) {
    for (int j = 0; j < 20; ++j) {
      d += "room " + cell(i) + " " + cell(j) + " " + end(i) + " " + end(j) + " 0 6\n";
    }
  }
  d += "tri land 0 -1 0  0 -1 292  292 -1 0\n";
  d += "tri land 292 -1 0  0 -1 292  292 -1 292\n";
  d += "tri land 0 -2 0  0 -2 292  292 -2 292\n";
  d += "tri land 0 -2 0  292 -2 292  292 -2 0\n";
  return d;
}

std::string seamless() {
  std::string d = "mesh quad 10\nspace quad 10\n";
  // 150 x 150 cells: 45,000 floor triangles.
  d += "grid 0 0 400 400 0 150\n";
  // A ceiling of 40 x 40 slabs: 3,200 triangles.
  for (int i = 0; i < 40; ++i) {
    for (int j = 0; j < 40; ++j) {
      d += "ceiling " + std::to_string(i * 10) + " " + std::to_string(j * 10) + " " +
           std::to_string(i * 10 + 10) + " " + std::to_string(j * 10 + 10) + " 8\n";
    }
  }
  // 400 rooms of 20 x 20 units, 8 wall triangles each: 3,200 triangles.
  for (int i = 0; i < 20; ++i) {
    for (int j = 0; j < 20; ++j) {
      d += "room " + std::to_string(i * 20) + " " + std::to_string(j * 20) + " " +
           std::to_string(i * 20 + 19) + " " + std::to_string(j * 20 + 19) + " 0 6\n";
    }
  }
  // Map-wide floors below the grid: their boxes span the map, so they live in the root cell.
  d += "tri land 0 -1 0  0 -1 400  400 -1 0\n";
  d += "tri land 400 -1 0  0 -1 400  400 -1 400\n";
  d += "tri land 0 -2 0  0 -2 400  400 -2 400\n";
  d += "tri land 0 -2 0  400 -2 400  400 -2 0\n";
  return d;
}

struct Fixture {
  explicit Fixture(int kind) : space(offsetof(vell::SpaceItem, link)) {
    ombCoreInit();
    const vell::MapFileData data = mapwrite::mapFromDescription(kind == 0 ? tiled() : seamless());
    map.build(data, &space);
    std::mt19937 rng(12345);
    // Over the part of the map that holds the walls, so that sweeps meet them.
    std::uniform_real_distribution<float> at(1.0f, 79.0f);
    for (int i = 0; i < 4096; ++i) points.push_back({at(rng), at(rng)});
    // Objects standing on land: cylinders of radius 0.5 and height 2.
    elements.resize(2000);
    for (vell::SpaceItem& e : elements) {
      const FixedVec3 lo = vec3ToFixed(at(rng), 0.0f, at(rng));
      e.position = {lo.x + 512, lo.y, lo.z + 512};
      e.radius = 512;
      e.top = 2048;
      space.insert(lo, {lo.x + 1024, lo.y + 2048, lo.z + 1024}, &e);
      space.setMask(vell::kSpaceMaskOnLand, &e);
    }
  }
  struct Point {
    float x, z;
  };
  vell::Map map;
  vell::ObjectSpace space;
  std::vector<Point> points;
  std::vector<vell::SpaceItem> elements;
};

Fixture& fixture(int kind) {
  static Fixture tiledMap(0);
  static Fixture seamlessMap(1);
  return kind == 0 ? tiledMap : seamlessMap;
}

template <class Query>
void run(benchmark::State& state, Query query) {
  Fixture& f = fixture(static_cast<int>(state.range(0)));
  std::size_t i = 0;
  for (auto _ : state) {
    const Fixture::Point& p = f.points[i++ & 4095];
    benchmark::DoNotOptimize(query(f, p));
  }
  // Queries per second of processor time (items_per_second), so a loaded machine still measures.
  state.SetItemsProcessed(state.iterations());
  state.counters["anchor_memcpy_MiB_per_s"] = memcpyMiBPerSecond();
  uint64_t candidates = 0;
  for (const Fixture::Point& p : f.points) {
    const FixedVec3 a = vec3ToFixed(p.x, -0.5f, p.z);
    candidates += f.map.tree().query(a, {a.x, a.y + 2048, a.z}, ~0u);
  }
  state.counters["tree_candidates"] = static_cast<double>(candidates) / f.points.size();
}

void BM_LandCast(benchmark::State& state) {
  run(state, [](Fixture& f, const Fixture::Point& p) {
    const vell::CollQuery q = f.map.makeQuery(512, 1024);
    FixedVec3 out{};
    return vell::castLand(q, out, vec3ToFixed(p.x, 2.0f, p.z), vec3ToFixed(p.x, -0.5f, p.z));
  });
}

void BM_CeilingCast(benchmark::State& state) {
  run(state, [](Fixture& f, const Fixture::Point& p) {
    const vell::CollQuery q = f.map.makeQuery(512, 2048);
    FixedVec3 out{};
    return vell::castCeiling(vec3ToFixed(p.x, 7.0f, p.z), vec3ToFixed(p.x, 4.0f, p.z), q, out);
  });
}

void BM_SphereSweep(benchmark::State& state) {
  run(state, [](Fixture& f, const Fixture::Point& p) {
    FixedVec3 pos{}, move{};
    float angle = 0;
    vell::Vec3f reflect{};
    return f.map.tree().sweepSphere(f.map.boundsMin(), f.map.boundsMax(),
                                    f.map.tree().pushCounter, vec3ToFixed(p.x, 0.0f, p.z),
                                    vec3ToFixed(p.x + 0.7f, 0.0f, p.z + 0.4f), 512,
                                    {1.0f, 0.0f, 0.0f}, 1024, pos, move, angle, reflect);
  });
}

void BM_SpaceQuery(benchmark::State& state) {
  run(state, [](Fixture& f, const Fixture::Point& p) {
    const FixedVec3 lo = vec3ToFixed(p.x, 0.0f, p.z);
    return f.space.query(lo, {lo.x + 512, lo.y + 1024, lo.z + 512}, 1u << 24).count;
  });
}

// Walkers of radius 0.5 and height 2 that walk 0.15 a frame, turning slowly, sliding along
// walls and objects at more than 30 degrees from head-on; each one files its cylinder in the
// object space after its move, as the object update does.
struct Walker {
  vell::SpaceItem item;
  vell::CollTriangle* triangle = nullptr;
  int32_t angle = 0;
};

void BM_Walkers(benchmark::State& state) {
  Fixture& f = fixture(static_cast<int>(state.range(0)));
  static std::vector<Walker> walkers[2];
  std::vector<Walker>& all = walkers[state.range(0)];
  if (all.empty()) {
    all.resize(300);
    for (std::size_t i = 0; i < all.size(); ++i) {
      const Fixture::Point& p = f.points[i * 7];
      const vell::LandHit hit = vell::landPlacement(f.map, vec3ToFixed(p.x, 0.0f, p.z));
      all[i].triangle = hit.triangle;
      all[i].item.position = hit.point;
      all[i].item.radius = 512;
      all[i].item.top = 2048;
      all[i].angle = static_cast<int32_t>(i * 997 % 6434);
    }
  }
  uint64_t blocked = 0;
  for (auto _ : state) {
    for (Walker& w : all) {
      vell::LandMove m;
      m.self = &w.item;
      m.startTriangle = w.triangle;
      m.startPosition = w.item.position;
      m.radius = 512;
      m.height = 2048;
      m.distance = 154;
      m.angle = w.angle;
      m.options = vell::kLandOptionSlide;
      m.slideAngle = 536;
      vell::moveObjectLand(f.map, &f.space, m);
      blocked += (m.resultFlags & vell::kWalkBlocked) != 0;
      w.triangle = m.endTriangle;
      w.item.position = m.endPosition;
      w.angle = (w.angle + 23) % 6434;
      const FixedVec3& at = m.endPosition;
      f.space.insert({at.x - 512, at.y, at.z - 512}, {at.x + 512, at.y + 2048, at.z + 512},
                     &w.item);
      f.space.setMask(vell::kSpaceMaskOnLand, &w.item);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(all.size()));
  state.counters["anchor_memcpy_MiB_per_s"] = memcpyMiBPerSecond();
  state.counters["blocked_share"] =
      static_cast<double>(blocked) / static_cast<double>(state.iterations() * all.size());
}

// One decal pass of 8 large stamps (8 x 8 units, turned) and 100 shadows (1.2 units wide,
// objects standing on the land or up to 2 units above it): the walk over the triangles and the
// vertex batches, handed to a sink that only counts them (the device's rasterising is not
// part of it).
void BM_DecalPass(benchmark::State& state) {
  Fixture& f = fixture(static_cast<int>(state.range(0)));
  static vell::DecalHandle stampTexture, shadowTexture;
  f.map.decals.clear();
  for (int i = 0; i < 8; ++i) {
    vell::DecalStamp s;
    s.centre = {f.points[i].x, 0.0f, f.points[i].z};
    s.size = {8.0f, 4.0f, 8.0f};
    s.angle = 0.3f * static_cast<float>(i);
    s.life = 1000000;
    s.fadeOut = 1000000;
    f.map.addDecal(&stampTexture, s);
  }
  vell::ShadowList list;
  std::vector<vell::Shadow> shadows(100);
  for (std::size_t i = 0; i < shadows.size(); ++i) {
    vell::Shadow& s = shadows[i];
    list.set(s, &shadowTexture, {1.2f, 4.0f, 1.2f}, 0.0f, 0.6f, 0.2f, 0.5f, 1.5f);
    const Fixture::Point& p = f.points[100 + i];
    s.caster.position = vec3ToFixed(p.x, static_cast<float>(i % 3), p.z);
    const std::optional<vell::GroundHit> ground = f.map.findGround(s.caster.position);
    if (ground) {
      s.caster.ground = ground->triangle;
      s.caster.groundHeight = ground->height;
    }
    s.caster.angle = static_cast<int32_t>(i * 61 % 6434);
  }
  uint64_t vertices = 0;
  for (auto _ : state) {
    vell::DecalBatch batch(
        [&vertices](const vell::DecalHandle&, const L3D_RENDERER_VERTEX* v, uint32_t n) {
          benchmark::DoNotOptimize(v);
          vertices += n;
        },
        f.map.decalOffset, f.map.drawStamp);
    f.map.collectDecals(batch, &list);
  }
  f.map.decals.clear();
  state.counters["triangles_per_pass"] =
      static_cast<double>(vertices) / 3.0 / static_cast<double>(state.iterations());
  state.counters["anchor_memcpy_MiB_per_s"] = memcpyMiBPerSecond();
}

BENCHMARK(BM_LandCast)->Arg(0)->Arg(1);
BENCHMARK(BM_CeilingCast)->Arg(0)->Arg(1);
BENCHMARK(BM_SphereSweep)->Arg(0)->Arg(1);
BENCHMARK(BM_SpaceQuery)->Arg(0)->Arg(1);
// One iteration is one frame of 300 walkers: its time is the time per frame.
BENCHMARK(BM_Walkers)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
// One iteration is one frame's decal pass.
BENCHMARK(BM_DecalPass)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// Quadtree and octree over 10,000 boxes: 100,000 queries a run, and 100,000 moves a run. The
// boxes and queries come from a fixed seed, so runs on one machine compare.

#include "foundation/omb/containers/ombArray.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/trees/ombOctree.h"
#include "foundation/omb/trees/ombQuadtree.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>
#include <random>
#include <vector>

namespace {

constexpr int kBoxes = 10000;
constexpr int kQueries = 100000;
constexpr int32_t kArea = 1 << 20;  // 1024 world units of 1/1024

struct Box {
  std::array<int32_t, 3> lo, hi;
};

struct Object {
  Box box;
  OMB_TREE_LINK link;
};

// Mostly objects a few units across, some the size of a room, a few reaching past the area.
std::vector<Box> randomBoxes(int count, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int32_t> at(-kArea / 64, kArea + kArea / 64);
  const int32_t extents[] = {2048, 2048, 2048, 8192, 65536};
  std::vector<Box> boxes(count);
  for (Box& b : boxes) {
    const int32_t extent = extents[rng() % 5];
    for (int a = 0; a < 3; ++a) {
      b.lo[a] = at(rng);
      b.hi[a] = b.lo[a] + static_cast<int32_t>(rng() % extent);
    }
  }
  return boxes;
}

struct QuadOps {
  using Tree = OMB_QUADTREE;
  static OMB_QUADTREE_POINT p(const std::array<int32_t, 3>& v) { return {v[0], v[1]}; }
  static void init(Tree* t) {
    ombQuadTreeInit(t, OMB_QUADTREE_MAX_DEPTH, offsetof(Object, link), {0, 0}, {kArea, kArea});
  }
  static void uninit(Tree* t) { ombQuadTreeUninit(t); }
  static void insert(Tree* t, Object* o, const Box& b) {
    ombQuadTreeInsert(t, o, p(b.lo), p(b.hi));
  }
  static void query(Tree* t, const Box& b, OMB_ARRAY* r) {
    ombQuadTreeQuery(p(b.lo), r, t, p(b.hi), ~0u);
  }
};

struct OctOps {
  using Tree = OMB_OCTREE;
  static OMB_OCTREE_POINT p(const std::array<int32_t, 3>& v) { return {v[0], v[1], v[2]}; }
  static void init(Tree* t) {
    ombOctreeInit(t, OMB_OCTREE_MAX_DEPTH, offsetof(Object, link), {0, 0, 0},
                  {kArea, kArea, kArea});
  }
  static void uninit(Tree* t) { ombOctreeUninit(t); }
  static void insert(Tree* t, Object* o, const Box& b) { ombOctreeInsert(t, o, p(b.lo), p(b.hi)); }
  static void query(Tree* t, const Box& b, OMB_ARRAY* r) {
    ombOctreeQuery(p(b.lo), r, t, p(b.hi), ~0u);
  }
};

template <class Ops>
struct Filled {
  Filled() : objects(kBoxes) {
    ombCoreInit();
    Ops::init(&tree);
    const std::vector<Box> boxes = randomBoxes(kBoxes, 1);
    for (int i = 0; i < kBoxes; ++i) {
      objects[i].box = boxes[i];
      objects[i].link = OMB_TREE_LINK{nullptr, {nullptr, nullptr}, 1};
      Ops::insert(&tree, &objects[i], boxes[i]);
    }
  }
  ~Filled() { Ops::uninit(&tree); }
  typename Ops::Tree tree{};
  std::vector<Object> objects;
};

template <class Ops>
void BM_Query(benchmark::State& state) {
  Filled<Ops> filled;
  const std::vector<Box> queries = randomBoxes(kQueries, 2);
  OMB_ARRAY result;
  ombArrayInit(&result, sizeof(void*), 256);
  std::size_t found = 0;
  for (auto _ : state) {
    for (const Box& q : queries) {
      Ops::query(&filled.tree, q, &result);
      found += result.count;
    }
  }
  state.SetItemsProcessed(state.iterations() * kQueries);
  state.counters["found/query"] =
      static_cast<double>(found) / (static_cast<double>(state.iterations()) * kQueries);
  ombArrayUninit(&result);
}
BENCHMARK_TEMPLATE(BM_Query, QuadOps)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Query, OctOps)->Unit(benchmark::kMillisecond);

template <class Ops>
void BM_Move(benchmark::State& state) {
  Filled<Ops> filled;
  const std::vector<Box> moves = randomBoxes(kQueries, 3);
  for (auto _ : state) {
    for (int i = 0; i < kQueries; ++i) {
      Ops::insert(&filled.tree, &filled.objects[i % kBoxes], moves[i]);
    }
  }
  state.SetItemsProcessed(state.iterations() * kQueries);
}
BENCHMARK_TEMPLATE(BM_Move, QuadOps)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Move, OctOps)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

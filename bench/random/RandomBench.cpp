// The random generator: the cost of creating one (17 x 3 seeding steps, 504 register words,
// 521 x 16 warm-up steps) and of one draw.

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombRandom.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

void BM_RandomCreate(benchmark::State& state) {
  ombCoreInit();
  uint32_t seed = 1;
  for (auto _ : state) {
    OMB_RANDOM* generator = ombRandomCreate(seed++);
    benchmark::DoNotOptimize(generator->x[0]);
    std::free(generator);
  }
}
BENCHMARK(BM_RandomCreate);

void BM_RandomGetU32(benchmark::State& state) {
  ombCoreInit();
  OMB_RANDOM* generator = ombRandomCreate(12345);
  uint32_t sum = 0;
  for (auto _ : state) {
    sum += ombRandomGetU32(generator);
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
  std::free(generator);
}
BENCHMARK(BM_RandomGetU32);

}  // namespace

BENCHMARK_MAIN();

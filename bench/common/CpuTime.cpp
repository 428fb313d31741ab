#include "bench/common/CpuTime.h"

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <vector>

double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double stableSortAnchorSeconds() {
  std::vector<uint32_t> keys(2000), work(2000);
  uint32_t x = 12345;
  for (uint32_t& k : keys) k = (x = x * 1103515245u + 12345u) >> 8;
  const int rounds = 2000;
  const double start = processCpuSeconds();
  for (int i = 0; i < rounds; ++i) {
    work = keys;
    std::stable_sort(work.begin(), work.end());
    benchmark::DoNotOptimize(work.data());
  }
  return (processCpuSeconds() - start) / rounds;
}

#include "bench/common/Anchors.h"

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
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

double runBenchmarksThenStableSortAnchor(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 0;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const double anchor = stableSortAnchorSeconds();
  std::printf("anchor: stable_sort of 2000 keys %.4f ms\n", anchor * 1e3);
  return anchor;
}

double memcpyMiBPerSecond() {
  static std::vector<char> a(1 << 20, 1), b(1 << 20);
  const int rounds = 200;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) {
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return rounds / took.count();
}

const char* floorWithRoomsDescription() {
  static const std::string d = [] {
    std::string t = "mesh quad 10\nspace quad 10\nbounds 0 -4 0 60 12 60\ngrid 0 0 60 60 0 30\n";
    for (int i = 0; i < 10; ++i) {
      for (int j = 0; j < 10; ++j) {
        const int x = i * 6 + 1, z = j * 6 + 1;
        t += "room " + std::to_string(x) + " " + std::to_string(z) + " " + std::to_string(x + 2) +
             " " + std::to_string(z + 2) + " 0 3\n";
      }
    }
    return t;
  }();
  return d.c_str();
}

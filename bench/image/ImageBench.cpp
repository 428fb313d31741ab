// Pixels per second of the image library's blits and filters, beside memcpy of the same bytes.
// Every image is filled from a fixed seed, so runs on one machine compare. Items are source
// pixels (for a mip chain, the source pixels of every level); bytes are the source's bytes.

#include "image/DImage.h"
#include "image/DimgBlit.h"
#include "image/YCbCr.h"
#include "image/resample/DimgResample.h"
#include "image/resample/DimgResampleMip.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Dispatcher = void (*)(dbtl::DImage&, uint32_t, uint32_t, const dbtl::DImage&, uint32_t,
                            uint32_t, uint8_t, uint8_t);

std::unique_ptr<dbtl::DImage> MakeImage(uint32_t kind, uint32_t w, uint32_t h, uint32_t seed) {
  auto image = std::make_unique<dbtl::DImage>();
  if (!image->CreateDefaultPitch(w, h, kind)) {
    std::abort();
  }
  std::mt19937 rng(seed);
  uint8_t* p = image->GetBuffer();
  for (size_t i = 0, n = size_t{image->GetPitch()} * h; i < n; ++i) {
    p[i] = static_cast<uint8_t>(rng());
  }
  return image;
}

// memcpy of the bytes of a w x h image of `bytes` bytes per pixel: the yardstick for the
// same-size blits.
void Memcpy(benchmark::State& state, uint32_t w, uint32_t h, uint32_t bytes) {
  const size_t n = size_t{w} * h * bytes;
  std::vector<uint8_t> from(n, 1), to(n, 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), n);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t{w} * h);
  state.SetBytesProcessed(state.iterations() * int64_t(n));
}

struct Call {
  Dispatcher run;
  uint32_t dstKind, srcKind, dstW, dstH, srcW, srcH;
};

void RunCall(benchmark::State& state, Call c) {
  const auto src = MakeImage(c.srcKind, c.srcW, c.srcH, 1);
  const auto dst = MakeImage(c.dstKind, c.dstW, c.dstH, 2);
  for (auto _ : state) {
    c.run(*dst, c.dstW, c.dstH, *src, c.srcW, c.srcH, 0, 0);
    benchmark::DoNotOptimize(dst->GetBuffer());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t{c.srcW} * c.srcH);
  state.SetBytesProcessed(state.iterations() * int64_t{src->GetPitch()} * c.srcH);
}

// A whole mip chain below a square level 0, each level from the one above, all of one kind.
void MipChain(benchmark::State& state, uint32_t kind, uint32_t side) {
  std::vector<std::unique_ptr<dbtl::DImage>> levels;
  levels.push_back(MakeImage(kind, side, side, 3));
  int64_t pixels = 0;
  for (uint32_t s = side; s > 1; s /= 2) {
    levels.push_back(MakeImage(kind, s / 2, s / 2, 4));
    pixels += int64_t{s} * s;
  }
  for (auto _ : state) {
    for (size_t i = 1; i < levels.size(); ++i) {
      const dbtl::DImage& above = *levels[i - 1];
      DimgResampleMip(*levels[i], levels[i]->GetWidth(), levels[i]->GetHeight(), above,
                      above.GetWidth(), above.GetHeight(), 0, 0);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * pixels);
}

std::string Kinds(uint32_t d, uint32_t s) { return std::to_string(d) + "<-" + std::to_string(s); }

constexpr uint32_t kBytes[8] = {4, 3, 4, 3, 2, 2, 2, 3};

// The console output as usual, and each run's time per iteration kept by name for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
        seconds_[run.benchmark_name()].push_back(run.real_accumulated_time /
                                                 static_cast<double>(run.iterations));
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // Per same-size pair at 1024 x 1024, its time over memcpy's of the wider side's bytes (min
  // over min and median over median of the runs), and the 2x down-scales in Mpx/s.
  void PrintSummary() const {
    const Stats copy[5] = {
        {}, {}, Of("memcpy/1024x1024/2B"), Of("memcpy/1024x1024/3B"), Of("memcpy/1024x1024/4B")};
    std::printf(
        "\nx memcpy of the wider side, 1024 x 1024, min / median over %zu run(s);"
        " rows destination kind, columns source kind\n  D\\S",
        copy[4].runs);
    for (uint32_t s = 0; s < 8; ++s) {
      std::printf("  %9u", s);
    }
    std::printf("\n");
    double worst = 0.0;
    for (uint32_t d = 0; d < 8; ++d) {
      std::printf("  %3u", d);
      for (uint32_t s = 0; s < 8; ++s) {
        const Stats pair =
            Of("blit/1024x1024/" + Kinds(d, s) + "/" + std::to_string(kBytes[s]) + "B");
        const Stats& base = copy[std::max(kBytes[d], kBytes[s])];
        if (pair.runs == 0 || base.runs == 0) {
          std::printf("  %9s", "-");
          continue;
        }
        worst = std::max(worst, pair.median / base.median);
        std::printf("  %4.2f/%4.2f", pair.min / base.min, pair.median / base.median);
      }
      std::printf("\n");
    }
    std::printf("  largest median ratio: %.2f\n", worst);
    for (const char* name : {"resample-half/1024x1024/0<-0", "resample-half/1024x1024/6<-0",
                             "resample-half/1024x1024/0<-7", "mip-half/1024x1024/0<-0"}) {
      const Stats t = Of(name);
      if (t.runs != 0) {
        constexpr double kSourcePixels = 1024.0 * 1024.0;
        std::printf("%s: %.0f Mpx/s best, %.0f Mpx/s median\n", name, kSourcePixels / t.min / 1e6,
                    kSourcePixels / t.median / 1e6);
      }
    }
  }

 private:
  struct Stats {
    double min = 0.0, median = 0.0;
    std::size_t runs = 0;
  };

  Stats Of(const std::string& name) const {
    const auto found = seconds_.find(name);
    if (found == seconds_.end() || found->second.empty()) {
      return {};
    }
    std::vector<double> t = found->second;
    std::sort(t.begin(), t.end());
    const std::size_t n = t.size();
    return {t.front(), n % 2 == 1 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2.0, n};
  }

  std::map<std::string, std::vector<double>> seconds_;
};

void Register() {
  const uint32_t* bytes = kBytes;
  const uint32_t kindPairs[][2] = {{0, 0}, {6, 6}, {1, 1}, {2, 0}, {3, 0},
                                   {6, 0}, {0, 6}, {5, 2}, {0, 7}, {7, 0}};
  for (uint32_t side : {1024u, 256u}) {
    const std::string size = std::to_string(side) + "x" + std::to_string(side);
    for (uint32_t b : {4u, 3u, 2u}) {
      benchmark::RegisterBenchmark(("memcpy/" + size + "/" + std::to_string(b) + "B").c_str(),
                                   Memcpy, side, side, b);
    }
    // Same size: at 1024 x 1024 all 64 pairs, at 256 x 256 one or two of each family (same
    // kind, reorder, drop alpha, narrow, widen, YCbCr both ways).
    auto sameSize = [&](uint32_t d, uint32_t s) {
      benchmark::RegisterBenchmark(
          ("blit/" + size + "/" + Kinds(d, s) + "/" + std::to_string(bytes[s]) + "B").c_str(),
          RunCall, Call{DimgBlit, d, s, side, side, side, side});
    };
    if (side == 1024) {
      for (uint32_t d = 0; d < 8; ++d) {
        for (uint32_t s = 0; s < 8; ++s) {
          sameSize(d, s);
        }
      }
    } else {
      for (const auto& k : kindPairs) {
        sameSize(k[0], k[1]);
      }
    }
    // 2x down-scale: the two-pass resample and the mip halving.
    for (const auto& k : {std::array<uint32_t, 2>{0, 0}, {6, 0}, {0, 7}}) {
      benchmark::RegisterBenchmark(("resample-half/" + size + "/" + Kinds(k[0], k[1])).c_str(),
                                   RunCall,
                                   Call{DimgResample, k[0], k[1], side / 2, side / 2, side, side});
      benchmark::RegisterBenchmark(
          ("mip-half/" + size + "/" + Kinds(k[0], k[1])).c_str(), RunCall,
          Call{DimgResampleMip, k[0], k[1], side / 2, side / 2, side, side});
    }
    // A 2x up-scale, linear on both axes.
    benchmark::RegisterBenchmark(("resample-double/" + size + "/0<-0").c_str(), RunCall,
                                 Call{DimgResample, 0, 0, side * 2, side * 2, side, side});
    for (uint32_t kind : {0u, 6u}) {
      benchmark::RegisterBenchmark(("mip-chain/" + size + "/" + Kinds(kind, kind)).c_str(),
                                   MipChain, kind, side);
    }
  }
  // Arbitrary ratios, shrinking and growing on both axes.
  benchmark::RegisterBenchmark("resample/1000x750-to-640x480/0<-0", RunCall,
                               Call{DimgResample, 0, 0, 640, 480, 1000, 750});
  benchmark::RegisterBenchmark("resample/1000x750-to-640x480/6<-1", RunCall,
                               Call{DimgResample, 6, 1, 640, 480, 1000, 750});
  benchmark::RegisterBenchmark("resample/640x480-to-1000x750/0<-0", RunCall,
                               Call{DimgResample, 0, 0, 1000, 750, 640, 480});
}

}  // namespace

int main(int argc, char** argv) {
  DimgInitYCbCrTables();
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  return 0;
}

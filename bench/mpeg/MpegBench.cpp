// Decodes a 5-minute 128 kbit/s stereo MPEG-1 layer III file with the project's decoder and
// with libmpg123 (the same bytes, from memory, to 16-bit PCM), and prints both real-time
// factors and their ratio. Then both decode in turns, timed by the thread's processor clock
// (the machine is shared: wall time also counts other programs), and the median and best of
// those ratios are printed.

#include "sound/mpeg/Dmpa.h"

#include <benchmark/benchmark.h>
#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

std::vector<uint8_t> g_data;
double g_seconds = 0;    // audio length
double g_ours = 0;       // best decode time, seconds
double g_reference = 0;

size_t DecodeOurs() {
  auto ctx = std::make_unique<_DMPADECODER>();
  DmpaInit(ctx.get());
  ctx->cutoff = 44100;
  if (!DmpaStartStream(ctx.get(), g_data.data(), g_data.size())) return 0;
  std::vector<uint8_t> out(static_cast<size_t>(ctx->pcmBytes));
  size_t pos = 0, bytes = 0;
  while (pos < g_data.size()) {
    _DMPAFRAME f{};
    f.data = g_data.data() + pos;
    f.size = g_data.size() - pos;
    f.out = out.data();
    if (!DmpaDecodeFrame(ctx.get(), &f)) break;
    pos += f.size;
    bytes += static_cast<size_t>(f.pcmWritten);
  }
  benchmark::DoNotOptimize(out.data());
  return bytes;
}

size_t DecodeReference() {
  mpg123_handle* mh = mpg123_new(nullptr, nullptr);
  mpg123_param(mh, MPG123_FLAGS, MPG123_QUIET, 0.0);
  mpg123_format_none(mh);
  mpg123_format(mh, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  mpg123_open_feed(mh);
  std::vector<unsigned char> out(1 << 16);
  size_t bytes = 0, done = 0;
  int rc = mpg123_decode(mh, g_data.data(), g_data.size(), out.data(), out.size(), &done);
  bytes += done;
  while (rc == MPG123_OK || rc == MPG123_NEW_FORMAT) {
    rc = mpg123_decode(mh, nullptr, 0, out.data(), out.size(), &done);
    bytes += done;
    if (rc == MPG123_NEED_MORE) break;
  }
  mpg123_delete(mh);
  return bytes;
}

void Record(benchmark::State& state, size_t bytes) {
  state.counters["x_realtime"] = benchmark::Counter(g_seconds * static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}

void BM_Project(benchmark::State& state) {
  size_t bytes = 0;
  for (auto _ : state) bytes = DecodeOurs();
  Record(state, bytes);
}

void BM_Libmpg123(benchmark::State& state) {
  size_t bytes = 0;
  for (auto _ : state) bytes = DecodeReference();
  Record(state, bytes);
}

BENCHMARK(BM_Project)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_Libmpg123)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// Catches the per-run times to print the ratio after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      const double seconds = r.GetAdjustedRealTime() / 1000.0;  // unit: ms
      if (r.benchmark_name().find("BM_Project") == 0) g_ours = seconds;
      if (r.benchmark_name().find("BM_Libmpg123") == 0) g_reference = seconds;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Ratios of processor time, project over libmpg123, of decodes taken in turns.
std::vector<double> AlternatingRatios(int rounds) {
  std::vector<double> ratios;
  for (int i = 0; i < rounds; ++i) {
    const double start = ThreadSeconds();
    DecodeOurs();
    const double middle = ThreadSeconds();
    DecodeReference();
    const double end = ThreadSeconds();
    ratios.push_back((middle - start) / (end - middle));
  }
  std::sort(ratios.begin(), ratios.end());
  return ratios;
}

}  // namespace

int main(int argc, char** argv) {
  std::ifstream f(BENCH_MP3, std::ios::binary);
  g_data.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  if (g_data.empty()) {
    std::fprintf(stderr, "cannot read %s\n", BENCH_MP3);
    return 1;
  }
  g_seconds = static_cast<double>(DecodeOurs()) / (44100.0 * 4);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (g_ours > 0 && g_reference > 0) {
    std::printf("audio %.1f s\nproject   %.0fx real time\nlibmpg123 %.0fx real time\nratio (project time / libmpg123 time) %.2f\n",
                g_seconds, g_seconds / g_ours, g_seconds / g_reference, g_ours / g_reference);
  }
  const std::vector<double> ratios = AlternatingRatios(9);
  std::printf("in turns, processor time: ratio median %.2f, best %.2f\n", ratios[ratios.size() / 2],
              ratios.front());
  return 0;
}

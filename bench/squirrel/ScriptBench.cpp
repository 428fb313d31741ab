// Runs each compiled script of the shared benchmark folder (load, run, close per iteration)
// and checks once that it printed its expected output.

#include "squirrel/compiler/SourceText.h"
#include "squirrel/squirrel.h"

#include <benchmark/benchmark.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string g_printed;

void print(HSQUIRRELVM, const SQChar* format, ...) {
  va_list ap;
  va_start(ap, format);
  g_printed += sqcompiler::utf16ToUtf8(va_arg(ap, const SQChar*));
  va_end(ap);
}

struct Source {
  const std::vector<char>* bytes;
  size_t pos = 0;
};

SQInteger readBytes(SQUserPointer up, SQUserPointer buffer, SQInteger size) {
  auto* s = static_cast<Source*>(up);
  const size_t n = std::min(static_cast<size_t>(size), s->bytes->size() - s->pos);
  if (n) std::memcpy(buffer, s->bytes->data() + s->pos, n);
  s->pos += n;
  return static_cast<SQInteger>(n);
}

std::vector<char> fileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool runOnce(const std::vector<char>& script) {
  HSQUIRRELVM v = sq_open(1024);
  sq_setprintfunc(v, print);
  Source src{&script};
  bool ok = SQ_SUCCEEDED(sq_readclosure(v, readBytes, &src));
  if (ok) {
    sq_pushroottable(v);
    ok = SQ_SUCCEEDED(sq_call(v, 1, SQFalse, SQFalse));
  }
  sq_close(v);
  return ok;
}

void runScript(benchmark::State& state, const std::filesystem::path& cnut) {
  const std::vector<char> script = fileBytes(cnut);
  std::filesystem::path out = cnut;
  out.replace_extension(".out");
  const std::vector<char> expected = fileBytes(out);
  g_printed.clear();
  if (!runOnce(script) || g_printed != std::string(expected.begin(), expected.end())) {
    state.SkipWithError("the script did not print its expected output");
    return;
  }
  for (auto _ : state) {
    g_printed.clear();
    benchmark::DoNotOptimize(runOnce(script));
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The benchmark scripts are reference material beside the repository.
  const std::string folder = std::string(SHARED_DIR) + "/squirrel/bench";
  std::error_code error;
  std::vector<std::filesystem::path> scripts;
  for (const auto& e : std::filesystem::directory_iterator(folder, error)) {
    if (e.path().extension() == ".cnut") scripts.push_back(e.path());
  }
  if (error || scripts.empty()) {
    std::fprintf(stderr, "bench_squirrel: no benchmark scripts in %s\n", folder.c_str());
    return 1;
  }
  std::sort(scripts.begin(), scripts.end());
  for (const auto& s : scripts) {
    benchmark::RegisterBenchmark(s.stem().string().c_str(), runScript, s)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

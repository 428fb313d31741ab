// Times each compiled benchmark script of the shared suite beside its Lua translation
// (lua/<name>.lua: same algorithm, counts and printed integers). The two run in turns, the
// order swapped every round, so that a change in the machine's load falls on both; the ratio
// (script machine time / Lua time, processor time of this thread) is what to read, since the
// machine is shared and absolute times drift.
//
// Rounds per script: BENCH_ROUNDS (default 5). Each side's output is checked once against
// its expected text before timing.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include "squirrel/compiler/SourceText.h"
#include "squirrel/squirrel.h"

namespace {

namespace fs = std::filesystem;

std::string g_printed;

std::string fileText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double threadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Source {
  const std::string* bytes;
  size_t pos = 0;
};

SQInteger readBytes(SQUserPointer up, SQUserPointer buffer, SQInteger size) {
  auto* s = static_cast<Source*>(up);
  const size_t n = std::min(static_cast<size_t>(size), s->bytes->size() - s->pos);
  if (n) std::memcpy(buffer, s->bytes->data() + s->pos, n);
  s->pos += n;
  return static_cast<SQInteger>(n);
}

void squirrelPrint(HSQUIRRELVM, const SQChar* format, ...) {
  va_list ap;
  va_start(ap, format);
  g_printed += sqcompiler::utf16ToUtf8(va_arg(ap, const SQChar*));
  va_end(ap);
}

// The script machine: load the compiled closure, run it, close the machine.
bool runSquirrel(const std::string& compiled) {
  HSQUIRRELVM v = sq_open(1024);
  sq_setprintfunc(v, squirrelPrint);
  Source src{&compiled};
  bool ok = SQ_SUCCEEDED(sq_readclosure(v, readBytes, &src));
  if (ok) {
    sq_pushroottable(v);
    ok = SQ_SUCCEEDED(sq_call(v, 1, SQFalse, SQFalse));
  }
  sq_close(v);
  return ok;
}

// Lua: a fresh state with the standard libraries and a print that appends to g_printed.
int luaPrint(lua_State* L) {
  const int n = lua_gettop(L);
  for (int i = 1; i <= n; ++i) {
    size_t len = 0;
    const char* s = luaL_tolstring(L, i, &len);
    if (i > 1) g_printed += '\t';
    g_printed.append(s, len);
    lua_pop(L, 1);
  }
  g_printed += '\n';
  return 0;
}

bool runLua(const std::string& source, const std::string& name) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  lua_register(L, "print", luaPrint);
  bool ok = luaL_loadbuffer(L, source.data(), source.size(), name.c_str()) == LUA_OK &&
            lua_pcall(L, 0, 0, 0) == LUA_OK;
  if (!ok) std::fprintf(stderr, "%s: %s\n", name.c_str(), lua_tostring(L, -1));
  lua_close(L);
  return ok;
}

struct Pair {
  std::string name;
  std::string compiled, squirrelExpected;
  std::string lua, luaExpected;
};

struct Ratio {
  std::string name;
  double median = 0, best = 0;
};

std::vector<Ratio> g_ratios;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void runPair(benchmark::State& state, const Pair* p) {
  g_printed.clear();
  if (!runSquirrel(p->compiled) || g_printed != p->squirrelExpected) {
    state.SkipWithError("the compiled script did not print its expected output");
    return;
  }
  g_printed.clear();
  if (!runLua(p->lua, p->name) || g_printed != p->luaExpected) {
    state.SkipWithError("the Lua translation did not print its expected output");
    return;
  }
  std::vector<double> sq, lua;
  bool squirrelFirst = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      const bool squirrel = (side == 0) == squirrelFirst;
      g_printed.clear();
      const double t0 = threadSeconds();
      benchmark::DoNotOptimize(squirrel ? runSquirrel(p->compiled) : runLua(p->lua, p->name));
      (squirrel ? sq : lua).push_back(threadSeconds() - t0);
    }
    squirrelFirst = !squirrelFirst;
  }
  const double sqMed = median(sq), luaMed = median(lua);
  const double sqMin = *std::min_element(sq.begin(), sq.end());
  const double luaMin = *std::min_element(lua.begin(), lua.end());
  state.counters["squirrel_ms"] = sqMed * 1e3;
  state.counters["lua_ms"] = luaMed * 1e3;
  state.counters["ratio"] = sqMed / luaMed;
  state.counters["ratio_min"] = sqMin / luaMin;
  g_ratios.push_back({p->name, sqMed / luaMed, sqMin / luaMin});
}

}  // namespace

int main(int argc, char** argv) {
  // The compiled scripts are reference material beside the repository.
  const fs::path folder = fs::path(SHARED_DIR) / "squirrel" / "bench";
  const fs::path luaFolder = LUA_SCRIPT_DIR;
  std::error_code error;
  std::vector<Pair> pairs;
  for (const auto& e : fs::directory_iterator(folder, error)) {
    const fs::path& cnut = e.path();
    if (cnut.extension() != ".cnut") continue;
    const std::string name = cnut.stem().string();
    const fs::path lua = luaFolder / (name + ".lua");
    if (!fs::exists(lua)) {
      std::fprintf(stderr, "bench_script_lua: no Lua translation %s\n", lua.c_str());
      return 1;
    }
    fs::path out = cnut;
    out.replace_extension(".out");
    pairs.push_back({name, fileText(cnut), fileText(out), fileText(lua),
                     fileText(luaFolder / (name + ".out"))});
  }
  if (error || pairs.empty()) {
    std::fprintf(stderr, "bench_script_lua: no benchmark scripts in %s\n", folder.c_str());
    return 1;
  }
  std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.name < b.name; });
  const char* roundsText = std::getenv("BENCH_ROUNDS");
  const int rounds = roundsText ? std::max(1, std::atoi(roundsText)) : 5;
  for (const Pair& p : pairs) {
    benchmark::RegisterBenchmark(p.name.c_str(), runPair, &p)
        ->Iterations(rounds)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  if (g_ratios.empty()) return 0;
  double logSum = 0;
  std::printf("\nscript machine / Lua 5.4 (processor time, %d rounds in turns)\n", rounds);
  std::printf("%-16s %8s %8s\n", "script", "median", "best");
  for (const Ratio& r : g_ratios) {
    std::printf("%-16s %8.2f %8.2f\n", r.name.c_str(), r.median, r.best);
    logSum += std::log(r.median);
  }
  std::printf("%-16s %8.2f\n", "geometric mean", std::exp(logSum / static_cast<double>(g_ratios.size())));
  return 0;
}

// The versus fixture match (the game of engines/rond/tests/match, its archive registered as the
// game registers it) headless and without drawing, in processor time on one core:
// - a recorded one-minute match (3600 frames) played back from its replay file, set-up
//   included (goal: under 1 second);
// - whole match frames (scripts, players, brain, cameras, guides, bullets) with 2000 live
//   bullets (goal: 120 updates a second or more).
// Each is printed beside a stable_sort of 2000 keys measured in the same run, so the ratios
// compare across machines and loads.

#include "bench/common/Anchors.h"
#include "engines/rond/RondEngine.h"
#include "foundation/lfm/lfmPack.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "foundation/startup/Dmath.h"
#include "host/app/VUdEviruv.h"
#include "host/system/System.h"
#include "platform/text/Utf8.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t kReplayFrames = 3600;
constexpr int32_t kBulletsPerSide = 1000;
constexpr int kWarmUp = 16;

uint32_t fixedSeed() { return 7; }

// Warnings and errors of the match: a benchmark of a broken match measures nothing.
int g_problems = 0;
void countProblems(int32_t level, const char16_t* text) {
  if (level <= OMB_LOG_WARNING) {
    ++g_problems;
    std::fprintf(stderr, "%s\n", platform::utf16ToUtf8(text).c_str());
  }
}

// The framework, the match's archive on the file layer and the game's pack reading through it,
// and a System without devices: nothing is drawn or played.
struct Host {
  Host() {
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    ombCoreInit();
    ombLogSetOutput(&countProblems);
    ombFileUninit();
    ombFileInit();
    ombFileRegistPack(platform::utf8ToUtf16(ROND_MATCH_ARCHIVE).c_str());
    lfmTerm();
    pack = lfmRegistPack("");
    dbtl::rcptr<VUdEviruv> archives;
    archives.Create(1);
    lfmRegistOverride(dbtl::rcptr<LFmOverride>(archives));
    engineSetSeedSource(&fixedSeed);
    system = std::make_unique<System>(pack);
  }
  ~Host() {
    system.reset();
    lfmTerm();
  }

  // The start script's match; the system script ends it after `frames` frames.
  std::unique_ptr<rond::Engine> start(int32_t frames, const std::u16string& save,
                                      const std::u16string& replay) {
    system->parameters().integers = {frames};
    RondEngineSetup setup;
    setup.systemDirectory = u"vs";
    setup.seDirectory = u"se";
    setup.stageDirectory = u"stage";
    setup.players[0] = u"duelist";
    setup.players[1] = u"duelist";
    setup.drawTargets[0] = setup.drawTargets[1] = true;
    setup.controllers[1].hasBrain = true;
    setup.controllers[1].brain = u"brain";
    setup.controllers[1].brainLevel = 1;
    setup.inputHistorySave = save;
    setup.inputHistoryReplay = replay;
    auto engine = std::make_unique<rond::Engine>();
    engine->setup(system.get(), setup);
    engine->setupResources();
    return engine;
  }

  // Updates until the match asks to end (at most `limit`); the number of updates.
  static int32_t play(rond::Engine& engine, int32_t limit) {
    int32_t frames = 0;
    while (frames < limit && !engine.quitRequested()) {
      engine.update();
      ++frames;
    }
    return frames;
  }

  int32_t pack = 0;
  std::unique_ptr<System> system;
};

double g_replay = 0, g_frame = 0;
size_t g_live = 0;

void BM_Replay3600Frames(benchmark::State& state) {
  Host host;
  // The folder's name has no capitals: the engine lower-cases replay names.
  const std::filesystem::path folder = "/tmp/rond-match-bench-" + std::to_string(getpid());
  std::filesystem::create_directories(folder);
  const std::u16string path = platform::utf8ToUtf16((folder / "minute.rep").string());
  {
    std::unique_ptr<rond::Engine> recording = host.start(kReplayFrames, path, u"");
    if (Host::play(*recording, kReplayFrames + 10) != kReplayFrames) {
      state.SkipWithError("the recorded match did not end after 3600 frames");
      return;
    }
  }
  uint64_t recordedHash = 0;
  int32_t frames = 0;
  const double start = processCpuSeconds();
  for (auto _ : state) {
    std::unique_ptr<rond::Engine> playback = host.start(kReplayFrames, u"", path);
    frames = Host::play(*playback, kReplayFrames + 10);
    playback->stateHash(&recordedHash);
    benchmark::DoNotOptimize(recordedHash);
  }
  g_replay = (processCpuSeconds() - start) / double(state.iterations());
  std::filesystem::remove_all(folder);
  state.counters["frames"] = frames;
  state.counters["cpu_s_per_replay"] = g_replay;
  if (frames != kReplayFrames) state.SkipWithError("the playback did not run 3600 frames");
  if (g_problems != 0) state.SkipWithError("the match logged warnings or errors");
}
BENCHMARK(BM_Replay3600Frames)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MatchFrame2000Bullets(benchmark::State& state) {
  Host host;
  std::unique_ptr<rond::Engine> engine = host.start(2147483647, u"", u"");
  Host::play(*engine, kWarmUp);
  // 1000 bullets a side on the duelist's shot model, circling slowly on a grid above the
  // players, inside the stage's bullet box: none leaves, hits or erodes.
  for (int32_t side = 0; side < 2; ++side) {
    rond::AttackDefinition attack;
    rond::BulletType* type =
        engine->bullets().defineType(side, attack, kBulletsPerSide, u"duelist/", u"shot");
    rond::AttackDefinition inherit;
    inherit.victimLevel = inherit.victimCost = inherit.erosionLevel = inherit.erosionCost = -1;
    rond::BulletEventText event;
    event.move = u"0.01";
    event.drot = u"0 1 0 1";
    std::vector<rond::BulletOp> ops;
    rond::appendBulletEventOps(event, ops);
    rond::BulletMotion* motion = engine->bullets().defineMotion(type, 0, 0, inherit, std::move(ops));
    for (int32_t i = 0; i < kBulletsPerSide; ++i) {
      const FixedVec3 at{(i % 32) * 200 - 3200, side == 0 ? 3072 : 4608, (i / 32) * 200 - 3200};
      engine->bullets().requestSpawn(kQuatIdentity, motion, rond::kSpawnFree, at, nullptr, {}, 1.0f);
    }
  }
  Host::play(*engine, kWarmUp);
  const double start = processCpuSeconds();
  for (auto _ : state) engine->update();
  g_frame = (processCpuSeconds() - start) / double(state.iterations());
  g_live = engine->bullets().live(0).size() + engine->bullets().live(1).size();
  state.counters["live"] = double(g_live);
  state.counters["updates_per_cpu_s"] = 1.0 / g_frame;
  if (g_live < 2 * kBulletsPerSide) state.SkipWithError("bullets were lost");
  if (g_problems != 0) state.SkipWithError("the match logged warnings or errors");
}
BENCHMARK(BM_MatchFrame2000Bullets)->Unit(benchmark::kMillisecond)->Iterations(1200);

}  // namespace

int main(int argc, char** argv) {
  const double anchor = runBenchmarksThenStableSortAnchor(argc, argv);
  if (anchor == 0) return 1;
  if (g_replay > 0) {
    std::printf("playback of a recorded 3600-frame match, headless, no drawing: %.3f s of "
                "processor time (goal: under 1 s on one core), %.0f x the anchor\n",
                g_replay, g_replay / anchor);
  }
  if (g_frame > 0) {
    std::printf("whole match frame with %zu live bullets: %.3f ms, %.0f updates a second (goal: "
                "at least 120), %.0f x the anchor\n",
                g_live, g_frame * 1e3, 1.0 / g_frame, g_frame / anchor);
  }
  return 0;
}

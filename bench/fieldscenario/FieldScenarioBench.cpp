// The valley, the whole fixture field game, played from its set-up to the end it asks for
// (600 frames) with the scripted pad of engines/vell/tests/run/valley.input: each iteration is
// one whole game on a fresh engine, every frame the host loop's own frame (Engine::runFrame, as
// engine-run runs it, without pacing):
// - ValleyUpdates: no frame drawn; goal at least 120 frames a second on one core;
// - ValleyDrawn: every frame drawn at 640 x 480 through the software rasteriser; goal 60.
// Each reports its frames per second and, measured in the same run, a memcpy anchor (1 MiB
// copies per second), with the ratios of the rate to its goal and to the anchor.

#include "bench/common/Anchors.h"
#include "engines/vell/Engine.h"
#include "foundation/omb/file/ombFile.h"
#include "host/config/Config.h"
#include "host/input/ButtonStateHolder.h"
#include "host/system/System.h"
#include "net/controller/ControllerInput.h"
#include "render/L3DRenderer.h"
#include "testsupport/Text.h"
#include "tools/common/ScriptedPad.h"
#include "tools/common/ToolHost.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace {

// The host as the game brings it up (window, device, sound, renderer, input, on the headless
// backends), with the valley's archive read as the game reads its archives.
struct Valley {
  Valley() {
    pack = tools::toolHostInit(
        [] { ombFileRegistPack(testsupport::u16(VALLEY_ARCHIVE).c_str()); });
    config.display.mode = CONFIG_MODE_WINDOW;
    config.display.width = 640;
    config.display.height = 480;
    system = std::make_unique<System>(pack);
    system->init(&config);
    std::string why;
    if (!tools::readScriptedPads(VALLEY_INPUT, pads, why)) {
      std::fprintf(stderr, "%s\n", why.c_str());
      std::abort();
    }
    pads[0].frame = &frame;
  }

  // One whole game: set-up, then the host loop's frames (drawn or not) until the game asks to
  // end. The frame count.
  long play(Engine::FrameDraw draw) {
    EngineStart s;
    s.directory = u"valley";
    std::unique_ptr<Engine> engine(vell::createEngine(*system, s));
    engine->setupResources();
    if (L3DRenderer* renderer = system->renderer()) renderer->StopAll();
    ButtonStateHolder holder;
    holder.create(pads[0].source(), 20, 10);
    static_cast<vell::Engine&>(*engine).replaceController(
        0, std::make_unique<ControllerInput>(Controller::kRecordNone, &holder));
    for (frame = 0; !engine->quitRequested() && frame < 1000; ++frame) {
      engine->runFrame(draw);
      if (draw == Engine::FrameDraw::Draw) system->device().Present();
    }
    engine.reset();
    return frame;
  }

  int32_t pack = 0;
  Config config;
  std::unique_ptr<System> system;
  std::map<int, tools::ScriptedPad> pads;
  long frame = 0;
};

Valley& valley() {
  static Valley v;
  return v;
}

void run(benchmark::State& state, Engine::FrameDraw draw, double goal) {
  Valley& v = valley();
  long frames = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) frames += v.play(draw);
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  const double perSecond = double(frames) / spent.count();
  const double anchor = memcpyMiBPerSecond();
  state.counters["frames_per_game"] = double(frames) / double(state.iterations());
  state.counters["frames_per_s"] = perSecond;
  state.counters["ratio_to_goal"] = perSecond / goal;
  state.counters["anchor_memcpy_MiB_per_s"] = anchor;
  state.counters["frames_per_memcpy_MiB"] = perSecond / anchor;
}

// Updates only: the goal is 120 a second.
void BM_ValleyUpdates(benchmark::State& state) { run(state, Engine::FrameDraw::Skip, 120.0); }
// Every frame drawn at 640 x 480 by the software rasteriser: the goal is the game's 60.
void BM_ValleyDrawn(benchmark::State& state) { run(state, Engine::FrameDraw::Draw, 60.0); }

BENCHMARK(BM_ValleyUpdates)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ValleyDrawn)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

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
#include "foundation/lfm/lfmPack.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombMsw.h"
#include "foundation/omb/ombTimer.h"
#include "host/app/AppMain.h"
#include "host/app/VUdEviruv.h"
#include "host/config/Config.h"
#include "host/input/ButtonStateHolder.h"
#include "host/input/InputSource.h"
#include "host/settings/ombInput.h"
#include "host/settings/ombVideo.h"
#include "host/system/System.h"
#include "host/window/ombMswWindow.h"
#include "image/omb/ombImage.h"
#include "net/controller/ControllerInput.h"
#include "platform/kernel/FloatControl.h"
#include "render/L3DRenderer.h"
#include "render/device/l3dInit.h"
#include "render/sprite/ombSprite.h"
#include "render/sprite2/sprite2.h"
#include "testsupport/Text.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Pad 0 of the input file: "0 FROM-TO bN..." lines hold button N in frames FROM to TO.
struct Pad {
  struct Span {
    long from, to;
    uint32_t button;
  };
  std::vector<Span> spans;
  long frame = 0;
  float values[16] = {};

  static void poll(void* context) {
    auto* pad = static_cast<Pad*>(context);
    std::fill(std::begin(pad->values), std::end(pad->values), 0.0f);
    for (const Span& s : pad->spans) {
      if (pad->frame >= s.from && pad->frame <= s.to) pad->values[s.button] = 1.0f;
    }
  }
  static uint32_t count(void*) { return 16; }
  static int32_t flag(void* context, uint32_t i) {
    return i < 16 && static_cast<Pad*>(context)->values[i] >= 0.5f ? 1 : 0;
  }
  static float value(void* context, uint32_t i) {
    return i < 16 ? static_cast<Pad*>(context)->values[i] : 0.0f;
  }

  void read(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
      line = line.substr(0, line.find('#'));
      std::istringstream words(line);
      int slot = -1;
      std::string range, item;
      if (!(words >> slot >> range) || slot != 0) continue;
      const long from = std::atol(range.c_str());
      const long to = std::atol(range.c_str() + range.find('-') + 1);
      while (words >> item) {
        if (item[0] == 'b') spans.push_back({from, to, uint32_t(std::atoi(item.c_str() + 1))});
      }
    }
  }
};

// The host as the game brings it up (window, device, sound, renderer, input, on the headless
// backends), with the valley's archive read as the game reads its archives.
struct Valley {
  Valley() {
    ombCoreInit();
    ombLogSetErrorHook(appErrorHook);
    platform::applyGameFloatControl();
    ombImageInit();
    ombMswInit();
    ombMswWindowInit();
    ombVideoInit();
    ombInputInit();
    ombTimerInit();
    ombSpriteInit();
    ombFileRegistPack(testsupport::u16(VALLEY_ARCHIVE).c_str());
    lfmTerm();
    pack = lfmRegistPack("");
    dbtl::rcptr<VUdEviruv> archives;
    archives.Create(1);
    lfmRegistOverride(dbtl::rcptr<LFmOverride>(archives));
    l3dInit(ombVideoGetDirect3D());
    sprite2Init();
    config.display.mode = CONFIG_MODE_WINDOW;
    config.display.width = 640;
    config.display.height = 480;
    system = std::make_unique<System>(pack);
    system->init(&config);
    pad.read(VALLEY_INPUT);
  }

  // One whole game: set-up, then the host loop's frames (drawn or not) until the game asks to
  // end. The frame count.
  long play(Engine::FrameDraw draw) {
    EngineStart s;
    s.directory = u"valley";
    std::unique_ptr<Engine> engine(vell::createEngine(*system, s));
    engine->setupResources();
    if (L3DRenderer* renderer = system->renderer()) renderer->StopAll();
    InputSource source;
    source.context = &pad;
    source.poll = &Pad::poll;
    source.count = &Pad::count;
    source.flag = &Pad::flag;
    source.value = &Pad::value;
    ButtonStateHolder holder;
    holder.create(source, 20, 10);
    static_cast<vell::Engine&>(*engine).replaceController(
        0, std::make_unique<ControllerInput>(Controller::kRecordNone, &holder));
    for (pad.frame = 0; !engine->quitRequested() && pad.frame < 1000; ++pad.frame) {
      engine->runFrame(draw);
      if (draw == Engine::FrameDraw::Draw) system->device().Present();
    }
    engine.reset();
    return pad.frame;
  }

  int32_t pack = 0;
  Config config;
  std::unique_ptr<System> system;
  Pad pad;
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

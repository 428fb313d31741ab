// engine-run: runs one engine headless, without pacing, from a game's resource archives, and
// prints what the simulation did.
//
//   engine-run --archive PATH [--archive PATH ...] --setup FILE [--seed N] [--frames N]
//              [--hash] [--dump] [--log] [--input FILE] [--draw N]
//
// --archive   a resource archive, or a folder whose "*.dat" archives are all registered (in
//             name order); scripts and data are read from them as the game reads them.
// --setup     the engine and its start record, "key = value" lines ('#' starts a comment):
//               engine = rond | simple | basic | vell
//               directory = <script directory>            (simple, basic, vell)
//               system, se, stage, inputHistorySave, inputHistoryReplay = <text>   (rond)
//               players = <slot 0>, <slot 1>               (rond)
//               drawTargets = 0|1, 0|1                     (rond)
//               brain0, brain1 = <directory>; brainLevel0, brainLevel1 = <n>       (rond)
// --seed      the seed of the round (else the time, as the game does without a session).
// --frames    how many updates to run (default 60); the run ends earlier when the engine asks.
// --hash      after each update: "frame N hash H", N from 0, H the engine's state hash (16 hex
//             digits); an engine without one prints "frame N hash none".
// --dump      after each update, one line per player of the versus engine: slot, position,
//             angle, velocity and parameter values.
// --log       every message the engine and its scripts log below a warning (the scripts'
//             prints among them) on standard output as it comes, between the frames' lines; the
//             host's own start-up and shut-down messages are not shown.
// --input     a scripted pad per slot: lines "SLOT FROM-TO ITEM..." where ITEM is "bN" (button
//             N held, value 1.0) or "aN=V" (analog N at V) during frames FROM to TO inclusive.
//             A slot named here gets a device controller (the versus engine's slots 0 and 1 in
//             its start record; the field engine's slots 0 to 3 once it is set up).
// --draw      draw every N-th frame (1 every frame, 2 every second one); 0, the default, never.
//             Drawing never changes the simulation, so the hashes are the same for every N.
//
// The host comes up as the game brings it up (window, device, sound, renderer, input, on the
// headless backends), and every frame is the host loop's own frame (Engine::runFrame: the
// window and input, the floating-point state, update, the sound and effect tasks, the frame
// drawn when asked), only without pacing. The archives must hold the renderer's shader archive
// "sys/renderer.csa", as a game's do.

#include "engines/rond/RondEngine.h"
#include "engines/vell/Engine.h"
#include "foundation/lerr/LExceptGame.h"
#include "foundation/lerr/lerr.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/ombLog.h"
#include "host/config/Config.h"
#include "host/engine/Engine.h"
#include "host/engine/EngineFactory.h"
#include "host/input/ButtonStateHolder.h"
#include "host/settings/ombVideo.h"
#include "net/controller/ControllerInput.h"
#include "host/system/System.h"
#include "render/L3DRenderer.h"
#include "platform/text/Utf8.h"
#include "../common/ScriptedPad.h"
#include "../common/ToolHost.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// The runtime's registry of engine families (runtime/Engines.cpp, built into this tool).
void registerEngines();

namespace {

namespace fs = std::filesystem;

struct Options {
  std::vector<std::string> archives;
  std::string setup;
  std::string input;
  bool seeded = false;
  uint32_t seed = 0;
  long frames = 60;
  bool hash = false;
  bool dump = false;
  bool log = false;
  long drawEvery = 0;
};

[[noreturn]] void usage(const std::string& problem) {
  std::fprintf(stderr,
               "engine-run: %s\nusage: engine-run --archive PATH --setup FILE [--seed N] "
               "[--frames N] [--hash] [--dump] [--log] [--input FILE] [--draw N]\n",
               problem.c_str());
  std::exit(2);
}

bool parseNumber(const std::string& text, long& out) {
  char* end = nullptr;
  out = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && end != nullptr && *end == 0;
}

Options parseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) usage(a + " needs a value");
      return argv[++i];
    };
    long n = 0;
    if (a == "--archive") {
      o.archives.push_back(value());
    } else if (a == "--setup") {
      o.setup = value();
    } else if (a == "--input") {
      o.input = value();
    } else if (a == "--seed") {
      if (!parseNumber(value(), n)) usage("--seed needs a number");
      o.seeded = true;
      o.seed = uint32_t(n);
    } else if (a == "--frames") {
      if (!parseNumber(value(), n) || n < 0) usage("--frames needs a count");
      o.frames = n;
    } else if (a == "--draw") {
      if (!parseNumber(value(), n) || n < 0) usage("--draw needs a count");
      o.drawEvery = n;
    } else if (a == "--hash") {
      o.hash = true;
    } else if (a == "--dump") {
      o.dump = true;
    } else if (a == "--log") {
      o.log = true;
    } else {
      usage("unknown argument " + a);
    }
  }
  if (o.archives.empty()) usage("no --archive");
  if (o.setup.empty()) usage("no --setup");
  return o;
}

std::string trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

std::vector<std::string> splitList(const std::string& s) {
  std::vector<std::string> items;
  std::stringstream in(s);
  std::string item;
  while (std::getline(in, item, ',')) items.push_back(trim(item));
  return items;
}

std::map<std::string, std::string> readSetup(const std::string& path) {
  std::ifstream in(path);
  if (!in) usage("cannot read the set-up file " + path);
  std::map<std::string, std::string> keys;
  std::string line;
  while (std::getline(in, line)) {
    line = trim(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) usage("set-up line without '=': " + line);
    keys[trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
  }
  return keys;
}

void registerArchives(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    std::vector<std::string> files;
    if (fs::is_directory(path)) {
      for (const auto& entry : fs::directory_iterator(path)) {
        if (entry.path().extension() == ".dat") files.push_back(entry.path().string());
      }
      std::sort(files.begin(), files.end());
    } else {
      files.push_back(path);
    }
    for (const std::string& file : files) {
      const std::string absolute = fs::absolute(file).string();
      if (ombFileRegistPack(platform::utf8ToUtf16(absolute).c_str()) != OMB_OK) {
        usage("cannot register the archive " + file);
      }
    }
  }
}

bool g_showLog = false;

// Errors and warnings of the run go to standard error, one line each; with --log the other
// messages go to standard output.
void printProblems(int32_t level, const char16_t* text) {
  if (level <= OMB_LOG_WARNING) {
    std::fprintf(stderr, "%s\n", platform::utf16ToUtf8(text).c_str());
  } else if (g_showLog) {
    std::printf("%s\n", platform::utf16ToUtf8(text).c_str());
  }
}

uint32_t g_seed = 0;
uint32_t fixedSeed() { return g_seed; }

void dumpPlayers(long frame, const rond::Engine& engine) {
  for (int32_t slot = 0; slot < 2; ++slot) {
    const rond::Player* p = engine.player(slot);
    if (p == nullptr) continue;
    std::printf("frame %ld player %d pos %d %d %d angle %d velocity %d %d %d params", frame, slot,
                p->position.x, p->position.y, p->position.z, p->rotationAngle, p->velocity.x,
                p->velocity.y, p->velocity.z);
    for (const rond::PlayerParameter& param : p->parameters) std::printf(" %d", param.value);
    std::printf("\n");
  }
}

int run(const Options& options) {
  const std::map<std::string, std::string> keys = readSetup(options.setup);
  auto key = [&](const std::string& name) {
    const auto it = keys.find(name);
    return it != keys.end() ? it->second : std::string();
  };
  const std::map<std::string, EngineKind> kinds{{"simple", EngineKind::Simple},
                                                {"basic", EngineKind::Basic},
                                                {"rond", EngineKind::Rond},
                                                {"vell", EngineKind::Vell}};
  const auto kind = kinds.find(key("engine"));
  if (kind == kinds.end()) usage("the set-up names no engine (simple, basic, rond or vell)");

  std::map<int, tools::ScriptedPad> pads;
  std::string why;
  if (!options.input.empty() && !tools::readScriptedPads(options.input, pads, why)) usage(why);

  const int32_t pack = tools::toolHostInit([&] {
    ombLogSetOutput(&printProblems);
    registerArchives(options.archives);
  });
  registerEngines();
  if (options.seeded) {
    g_seed = options.seed;
    engineSetSeedSource(&fixedSeed);
  }

  // A small window on the headless backends; the device draws into its back buffer.
  Config config;
  config.display.mode = CONFIG_MODE_WINDOW;
  config.display.width = 640;
  config.display.height = 480;
  config.gameVersion = 0;
  System system(pack);
  system.init(&config);
  long frame = 0;
  RondEngineSetup rond;
  rond.systemDirectory = platform::utf8ToUtf16(key("system"));
  rond.seDirectory = platform::utf8ToUtf16(key("se"));
  rond.stageDirectory = platform::utf8ToUtf16(key("stage"));
  rond.inputHistorySave = platform::utf8ToUtf16(key("inputHistorySave"));
  rond.inputHistoryReplay = platform::utf8ToUtf16(key("inputHistoryReplay"));
  const std::vector<std::string> players = splitList(key("players"));
  const std::vector<std::string> targets = splitList(key("drawTargets"));
  for (int slot = 0; slot < 2; ++slot) {
    if (size_t(slot) < players.size()) rond.players[slot] = platform::utf8ToUtf16(players[slot]);
    rond.drawTargets[slot] = size_t(slot) < targets.size() && targets[slot] == "1";
    const std::string brain = key("brain" + std::to_string(slot));
    rond.controllers[slot].hasBrain = !brain.empty();
    rond.controllers[slot].brain = platform::utf8ToUtf16(brain);
    long level = 0;
    if (parseNumber(key("brainLevel" + std::to_string(slot)), level)) {
      rond.controllers[slot].brainLevel = int32_t(level);
    }
  }
  // One tracker per scripted pad: the versus engine takes them in its start record, the field
  // engine as device controllers once it is set up.
  std::map<int, std::unique_ptr<ButtonStateHolder>> holders;
  for (auto& [slot, pad] : pads) {
    pad.frame = &frame;
    auto holder = std::make_unique<ButtonStateHolder>();
    if (!holder->create(pad.source(), 20, 10)) usage("cannot make the scripted pad");
    if (slot < 2) rond.controllers[slot].device = holder.get();
    holders[slot] = std::move(holder);
  }
  const std::u16string directory = platform::utf8ToUtf16(key("directory"));
  EngineStart start;
  start.directory = directory.c_str();
  start.rond = &rond;
  // --log shows what the engine and its scripts log, not the host's start-up and shut-down.
  g_showLog = options.log;
  std::unique_ptr<Engine> engine(engineCreate(kind->second, system, start));
  if (!engine) return 1;

  // As Engine::run starts an engine, then its frames without pacing.
  engine->setupResources();
  if (auto* field = dynamic_cast<vell::Engine*>(engine.get())) {
    for (auto& [slot, holder] : holders) {
      field->replaceController(uint32_t(slot), std::make_unique<ControllerInput>(
                                                   Controller::kRecordNone, holder.get()));
    }
  }
  if (L3DRenderer* renderer = system.renderer()) renderer->StopAll();
  for (; frame < options.frames; ++frame) {
    const bool draw = options.drawEvery > 0 && frame % options.drawEvery == 0;
    engine->runFrame(draw ? Engine::FrameDraw::Draw : Engine::FrameDraw::Skip);
    if (draw) system.device().Present();
    if (options.hash) {
      uint64_t hash = 0;
      if (engine->stateHash(&hash)) {
        std::printf("frame %ld hash %016" PRIx64 "\n", frame, hash);
      } else {
        std::printf("frame %ld hash none\n", frame);
      }
    }
    if (options.dump) {
      if (const auto* versus = dynamic_cast<const rond::Engine*>(engine.get())) {
        dumpPlayers(frame, *versus);
      }
    }
    if (engine->quitRequested()) break;
  }
  g_showLog = false;
  std::fflush(stdout);
  engine.reset();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = parseOptions(argc, argv);
  int code = 1;
  try {
    code = run(options);
  } catch (const LExceptGame&) {
    std::fflush(stdout);
    std::fprintf(stderr, "engine-run: the game ended with an error (see the messages above)\n");
  }
  tools::toolHostTerm();
  return code;
}

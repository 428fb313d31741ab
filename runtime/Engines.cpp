#include "Engines.h"

#include "engines/basic/BasicEngine.h"
#include "engines/rond/RondEngine.h"
#include "engines/simple/SimpleEngine.h"
#include "engines/vell/Engine.h"
#include "host/engine/Engine.h"
#include "host/engine/EngineFactory.h"
#include "platform/text/Utf8.h"

#include <cstdlib>

namespace {

void applyScreenshotSettings(Engine* engine) {
  const char* prefix = std::getenv("GAME_DRAW_SAVE");
  if (engine == nullptr || prefix == nullptr || prefix[0] == 0) return;
  const char* span = std::getenv("GAME_DRAW_SAVE_SPAN");
  const long interval = span != nullptr ? std::strtol(span, nullptr, 10) : 0;
  engine->setScreenshots(platform::utf8ToUtf16(prefix), uint32_t(interval < 0 ? 0 : interval));
}

uint32_t environmentSeed() {
  const char* seed = std::getenv("GAME_RANDOM_SEED");
  return uint32_t(std::strtoul(seed != nullptr ? seed : "0", nullptr, 10));
}

template <Engine* (*Create)(System&, EngineStart&)>
Engine* withSettings(System& system, EngineStart& start) {
  Engine* engine = Create(system, start);
  applyScreenshotSettings(engine);
  return engine;
}

}  // namespace

void registerEngines() {
  if (const char* seed = std::getenv("GAME_RANDOM_SEED"); seed != nullptr && seed[0] != 0) {
    engineSetSeedSource(&environmentSeed);
  }
  engineRegisterFactory(EngineKind::Simple, &withSettings<&simple::createEngine>);
  engineRegisterFactory(EngineKind::Basic, &withSettings<&basic::createEngine>);
  engineRegisterFactory(EngineKind::Rond, &withSettings<&rond::createEngine>);
  engineRegisterFactory(EngineKind::Vell, &withSettings<&vell::createEngine>);
}

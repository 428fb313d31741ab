#include "engines/simple/SimpleEngine.h"

#include "host/system/System.h"
#include "net/controller/ControllerInput.h"
#include "script/ScriptManager.h"

namespace simple {

Engine::~Engine() = default;

void Engine::setupResources() {
  ::Engine::setupResources();
  internLoadDirectory();
  for (uint32_t slot = 0; slot < kPlayers; ++slot) {
    controllers_[slot].reset();
    if (system()->tracker(slot) != nullptr) {
      controllers_[slot] = std::make_unique<ControllerInput>(Controller::kRecordNone,
                                                             system()->trackerHolder(slot));
    }
  }
  loadResources();
}

void Engine::loadResources() {
  deleteMainThread();
  unloadSeGroup();
  releaseSubresources();
  setupSubresources();
  loadSeList();
  const ScriptObject table = newApiTable();
  startMain(table, "simple::Engine::loadResources");
}

::Engine* createEngine(System& system, EngineStart& start) {
  auto* engine = new Engine();
  engine->setup(&system);
  engine->setDirectory(engine->scriptManager()->internDirectory(start.directory));
  return engine;
}

}  // namespace simple

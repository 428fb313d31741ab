#include "engines/basic/BasicEngine.h"

#include "host/globals/GlobalNatives.h"
#include "host/system/System.h"
#include "net/controller/ControllerInput.h"
#include "script/ScriptManager.h"
#include "script/ScriptNative.h"
#include "script/ScriptValueSerial.h"

#include <utility>

namespace basic {

namespace {

ScriptObject engineGetArgsVar(HSQUIRRELVM vm) {
  const auto* engine = dynamic_cast<const Engine*>(&callerEngine(vm));
  return engine != nullptr ? engine->argsValue(vm) : ScriptObject::newTable(vm);
}

}  // namespace

Engine::~Engine() {
  args_ = ScriptObject();
  releaseResources();
  freeScriptValueBuffer(std::exchange(argsBuffer_, nullptr));
}

void Engine::setArgs(OMB_ARRAY* buffer) {
  freeScriptValueBuffer(std::exchange(argsBuffer_, buffer));
}

void Engine::setupResources() {
  ::Engine::setupResources();
  internLoadDirectory();
  if (argsBuffer_ != nullptr) {
    args_ = deserializeScriptValue(argsBuffer_, *scriptManager());
    freeScriptValueBuffer(std::exchange(argsBuffer_, nullptr));
  }
  releaseResources();
  setupSubresources();
  loadSeList();
  for (uint32_t slot = 0; slot < kPlayers; ++slot) {
    if (system()->tracker(slot) != nullptr) {
      controllers_[slot] = std::make_unique<ControllerInput>(Controller::kRecordNone,
                                                             system()->trackerHolder(slot));
    } else {
      controllers_[slot] = std::make_unique<ControllerNone>(Controller::kRecordNone);
    }
  }
  const ScriptObject table = newApiTable();
  table.registerFunction(u"engineGetArgsVar", &engineGetArgsVar);
  startMain(table, "basic::Engine::setupResources");
}

void Engine::releaseResources() {
  deleteMainThread();
  releaseControllers();
  unloadSeGroup();
  releaseSubresources();
}

bool Engine::controllerExists(uint32_t slot) const {
  const Controller* c = controller(slot);
  return c != nullptr && c->getType() != Controller::kTypeBase;
}

ScriptObject Engine::argsValue(HSQUIRRELVM vm) const {
  if (args_.getVm() == nullptr || args_.isNull()) return ScriptObject::newTable(vm);
  return args_;
}

::Engine* createEngine(System& system, EngineStart& start) {
  auto* engine = new Engine();
  engine->setup(&system);
  engine->setDirectory(engine->scriptManager()->internDirectory(start.directory));
  engine->setArgs(std::exchange(start.args, nullptr));
  return engine;
}

}  // namespace basic

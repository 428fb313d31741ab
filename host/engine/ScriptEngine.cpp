#include "host/engine/ScriptEngine.h"

#include "foundation/omb/ombLog.h"
#include "host/binary/BinaryNatives.h"
#include "host/globals/GlobalNatives.h"
#include "host/system/System.h"
#include "model/load/Da3dObject.h"
#include "net/controller/Controller.h"
#include "render/sprite2/Sprite2Natives.h"
#include "script/ScriptManager.h"
#include "script/ScriptThread.h"

#include <utility>

ScriptEngine::~ScriptEngine() {
  deleteMainThread();
  releaseControllers();
  unloadSeGroup();
}

void ScriptEngine::internLoadDirectory() {
  loadDirectory_ = scriptManager()->internDirectory(directory_ != nullptr ? directory_ : u"");
}

LSeManager::_GROUPINFO* ScriptEngine::loadGroup(const char16_t* name) {
  System* sys = system();
  if (sys == nullptr || sys->seManager() == nullptr) return nullptr;
  L3DModelServices services;
  services.renderer = sys->renderer();
  services.seManager = sys->seManager();
  services.pack = sys->GetPack();
  return da3dLoadSeGroup(services, loadDirectory_, name, 1, nullptr);
}

void ScriptEngine::loadSeList() { seGroup_ = loadGroup(u"seList"); }

void ScriptEngine::unloadSeGroup() {
  LSeManager::_GROUPINFO* group = std::exchange(seGroup_, nullptr);
  if (group == nullptr || system() == nullptr) return;
  if (LSeManager* se = system()->seManager()) se->UnloadGroup(group);
}

void ScriptEngine::switchSeGroup(const char16_t* name) {
  unloadSeGroup();
  if (name != nullptr && name[0] != 0) seGroup_ = loadGroup(name);
}

void ScriptEngine::deleteMainThread() { delete std::exchange(mainThread_, nullptr); }

void ScriptEngine::releaseControllers() {
  for (std::unique_ptr<Controller>& c : controllers_) {
    if (c) c->release();
    c.reset();
  }
}

void ScriptEngine::registerSpriteApi(const ScriptObject& table) {
  registerSprite2Api(table, &engineSpriteSet);
}

ScriptObject ScriptEngine::newApiTable() {
  ScriptObject table = scriptManager()->newTable(nullptr);
  registerSpriteApi(table);
  registerGlobalApi(table);
  registerBinaryApi(table);
  registerScriptEngineApi(table);
  return table;
}

void ScriptEngine::startMain(const ScriptObject& table, const char* tag) {
  deleteMainThread();
  mainThread_ = new ScriptThread(scriptManager(), table);
  mainThread_->loadRelative(loadDirectory_, u"main", this, this);
  if (mainThread_->context.dir == nullptr) {
    ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] script \"%lsmain\" isn't exist", tag,
                 loadDirectory_);
    requestExit();
  }
}

void ScriptEngine::update() {
  for (const std::unique_ptr<Controller>& c : controllers_) {
    if (c) c->refresh();
  }
  if (mainThread_ != nullptr) mainThread_->resume();
  Engine::update();
}

OmbSpriteDeviceSet* engineSpriteSet(HSQUIRRELVM vm) {
  Engine* engine = Engine::fromVm(vm);
  return engine != nullptr ? engine->spriteEngine() : nullptr;
}

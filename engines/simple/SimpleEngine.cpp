#include "engines/simple/SimpleEngine.h"

#include "foundation/lerr/lerr.h"
#include "foundation/omb/ombLog.h"
#include "host/engine/EngineSprite1.h"
#include "host/system/System.h"
#include "net/controller/ControllerInput.h"
#include "render/sprite1/Sprite1Natives.h"
#include "script/ScriptManager.h"
#include "script/ScriptNative.h"

#include <algorithm>

namespace simple {

namespace {

// The sprite system of the engine whose machine called; fatal when that is no simple engine
// with its sprite system.
sprite1::System* callerSprites(HSQUIRRELVM vm, const char16_t** directory) {
  auto* engine = dynamic_cast<Engine*>(::Engine::fromVm(vm));
  sprite1::System* sprites = engine != nullptr ? engine->sprites() : nullptr;
  if (sprites == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] the script runs for no simple engine", "caller");
    lerrThrow();
  }
  if (directory != nullptr) *directory = engine->loadDirectory();
  return sprites;
}

int32_t spriteCreateImage(HSQUIRRELVM vm, const char16_t* name) {
  const char16_t* directory = nullptr;
  sprite1::System* sprites = callerSprites(vm, &directory);
  return sprite1ImageHandle(sprite1::imageLoad(directory, sprites, name));
}

int32_t spriteCreateDynamicImage(HSQUIRRELVM vm, int32_t width, int32_t height) {
  return sprite1ImageHandle(sprite1::imageCreateDynamic(callerSprites(vm, nullptr),
                                                        std::max(width, 0), std::max(height, 0)));
}

int32_t spriteCreateFont(HSQUIRRELVM vm, int32_t size) {
  return sprite1FontHandle(sprite1::fontHandleCreate(callerSprites(vm, nullptr), size));
}

int32_t spriteCreateRenderer(HSQUIRRELVM vm, int32_t width, int32_t height, int32_t levels) {
  return sprite1RendererHandle(
      sprite1::rendererCreate(callerSprites(vm, nullptr), width, height, levels));
}

}  // namespace

Engine::~Engine() {
  deleteMainThread();
  releaseControllers();
  unloadSeGroup();
  destroySprites();
}

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
  destroySprites();
  releaseSubresources();
  setupSubresources();
  sprite1::systemCreate(&sprites_, engineSprite1Config(*system()));
  spritesMade_ = true;
  loadSeList();
  const ScriptObject table = newApiTable();
  startMain(table, "simple::Engine::loadResources");
}

void Engine::registerSpriteApi(const ScriptObject& table) {
  registerSprite1Api(table);
  table.registerFunction(u"spriteCreateImage", &spriteCreateImage);
  table.registerFunction(u"spriteCreateDynamicImage", &spriteCreateDynamicImage);
  table.registerFunction(u"spriteCreateFont", &spriteCreateFont);
  table.registerFunction(u"spriteCreateRenderer", &spriteCreateRenderer);
}

void Engine::drawScene() {
  if (spritesMade_) sprite1::drawAll(&sprites_);
}

void Engine::destroySprites() {
  if (!spritesMade_) return;
  sprite1::systemDestroy(&sprites_);
  spritesMade_ = false;
}

::Engine* createEngine(System& system, EngineStart& start) {
  auto* engine = new Engine();
  engine->setup(&system);
  engine->setDirectory(engine->scriptManager()->internDirectory(start.directory));
  return engine;
}

}  // namespace simple

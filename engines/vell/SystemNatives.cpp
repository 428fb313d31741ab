#include "engines/vell/SystemNatives.h"

#include "engines/vell/Engine.h"
#include "foundation/omb/file/ombPath.h"
#include "foundation/omb/ombLog.h"
#include "host/system/System.h"
#include "net/controller/ControllerInput.h"
#include "render/sprite/ombSprite.h"
#include "render/sprite2/Sprite2Natives.h"
#include "script/ScriptHandle.h"

#include <memory>

namespace vell {

namespace {

// The System's tracker of a device, or null; negatives count as device 0.
ButtonStateHolder* deviceTracker(System* system, int32_t device) {
  const uint32_t d = device < 0 ? 0u : static_cast<uint32_t>(device);
  if (system == nullptr || d >= SYSTEM_PLAYERS || system->tracker(d) == nullptr) return nullptr;
  return system->trackerHolder(d);
}

}  // namespace

ScriptObject systemGetFps(HSQUIRRELVM vm) {
  const OMB_FRAMECONTROLLER& frames = fieldEngine(vm).frameController();
  ScriptObject result = ScriptObject::newArray(vm, 2);
  result.setSlotByIndex(0, ScriptObject::newInteger(vm, int32_t(frames.framesLastSecond)).getObject());
  result.setSlotByIndex(1, ScriptObject::newInteger(vm, int32_t(frames.drawnLastSecond)).getObject());
  return result;
}

bool systemIsInputDeviceExist(HSQUIRRELVM vm, int32_t device) {
  return deviceTracker(fieldEngine(vm).system(), device) != nullptr;
}

void systemSetControllerInputDevice(HSQUIRRELVM vm, int32_t slot, int32_t device) {
  Engine& engine = fieldEngine(vm);
  const uint32_t s = slot < 0 ? 0u : static_cast<uint32_t>(slot);
  ButtonStateHolder* tracker = deviceTracker(engine.system(), device);
  if (s >= Engine::kPlayers || tracker == nullptr) return;
  engine.replaceController(s, std::make_unique<ControllerInput>(Controller::kRecordNone, tracker));
}

int32_t spriteImageLoadBase(HSQUIRRELVM vm, const char16_t* path) {
  Engine& engine = fieldEngine(vm);
  char16_t resolved[OMB_SPRITE_PATH_UNITS] = {};
  ombPathResolve(resolved, engine.baseDirectory(), OMB_SPRITE_PATH_UNITS, path);
  OmbSpriteDeviceSet* set = engine.spriteEngine();
  OmbSpriteImage* image = set != nullptr ? ombSpriteLoadImage(resolved, set) : nullptr;
  if (image == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] スプライトイメージの読み込みに失敗しました(%ls)",
                 "vell::`anonymous-namespace'::spriteImageLoadBase", resolved);
  }
  return scriptHandleOf(kSpriteImageHandle, image);
}

}  // namespace vell

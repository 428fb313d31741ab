// The guide table: the natives of the scripts "guideSystem" and "guidePlayer", which draw the
// head-up display with their guide's sprite set. A guide reads the match (views, cameras,
// players, the session) and plays music; it never changes the simulation (Guide.h says why).

#include "engines/rond/Guide.h"
#include "engines/rond/RondEngine.h"
#include "engines/rond/ScriptIndex.h"
#include "engines/rond/SharedNatives.h"
#include "foundation/lerr/lerr.h"
#include "foundation/math/LMat.h"
#include "foundation/omb/ombLog.h"
#include "host/engine/EngineNatives.h"
#include "host/engine/EngineSession.h"
#include "host/globals/GlobalNatives.h"
#include "host/system/System.h"
#include "model/math/EngineRandom.h"
#include "net/controller/Controller.h"
#include "render/sprite1/Sprite1Natives.h"
#include "script/ScriptContext.h"
#include "script/ScriptError.h"
#include "script/ScriptNative.h"
#include "script/Vec3.h"
#include "sound/bgm/BgmPlayer.h"

namespace rond {

namespace {

Guide& guideOf(HSQUIRRELVM vm) {
  ScriptContext* context = scriptGetContext(vm);
  auto* guide = context != nullptr ? static_cast<Guide*>(context->self) : nullptr;
  if (guide == nullptr || guide->engine() == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] the script runs for no guide", "rond");
    lerrThrow();
  }
  return *guide;
}

Engine& engineOfGuide(HSQUIRRELVM vm) { return *guideOf(vm).engine(); }

// The player of a slot; null (after the index error) outside 0 and 1, null for an empty slot.
const Player* playerOf(HSQUIRRELVM vm, int32_t slot) {
  Engine& engine = engineOfGuide(vm);
  if (!checkScriptIndex(slot, 2, u"versus slot")) return nullptr;
  return engine.player(slot);
}

int32_t guideGetTarget(HSQUIRRELVM vm) { return guideOf(vm).target(); }

int32_t guideGetDrawType(HSQUIRRELVM vm) { return engineOfGuide(vm).drawType(); }

int32_t guideGetDrawTarget(HSQUIRRELVM vm, int32_t side) {
  Engine& engine = engineOfGuide(vm);
  if (!checkScriptIndex(side, 2, u"view side")) return kNoSlot;
  return engine.activeView(side);
}

// The point through the slot camera's view and its own (full-view) projection, divided by w:
// x and y run from -1 to 1 across the full view. A slot without a camera gives the origin.
ScriptObject guideGetScreenPos(HSQUIRRELVM vm, int32_t slot, ScriptObject point) {
  Engine& engine = engineOfGuide(vm);
  const auto* p = static_cast<const Vec3*>(point.getInstanceUp(Vec3::typeTag()));
  float out[3] = {0.0f, 0.0f, 0.0f};
  if (p != nullptr && checkScriptIndex(slot, 2, u"versus slot")) {
    if (const Camera* camera = engine.camera(slot)) {
      LMat viewProjection;
      LMat::Multiply(camera->view(), camera->projection(), viewProjection);
      const float in[3] = {p->x, p->y, p->z};
      vec3TransformCoord(viewProjection, in, out);
    }
  }
  return Vec3::create(vm, out[0], out[1], out[2]);
}

int32_t systemGetCurrentFps(HSQUIRRELVM vm) { return int32_t(engineOfGuide(vm).frameController().drawnLastSecond); }

bool systemIsDadEvoz(HSQUIRRELVM vm) { return engineOfGuide(vm).session().active(); }

int32_t systemGetDadEvozConnect(HSQUIRRELVM vm) {
  const EngineSession& session = engineOfGuide(vm).session();
  if (!session.active()) return 0;
  return session.connected(session.playerIndex()) ? 1 : 0;
}

int32_t systemGetDadEvozDelay(HSQUIRRELVM vm) {
  const EngineSession& session = engineOfGuide(vm).session();
  return session.active() ? session.inputDelay() : 0;
}

const char16_t* playerGetName(HSQUIRRELVM vm, int32_t slot) {
  const Player* p = playerOf(vm, slot);
  return p != nullptr && p->directory() != nullptr ? p->directory() : u"";
}

float playerGetParameterRate(HSQUIRRELVM vm, int32_t slot, int32_t index) {
  const Player* p = playerOf(vm, slot);
  if (p == nullptr || !checkScriptIndex(index, int32_t(p->parameters.size()), u"parameter")) {
    return 0.0f;
  }
  return p->parameters[uint32_t(index)].rate();
}

ScriptObject playerGetParameterRange(HSQUIRRELVM vm, int32_t index) {
  auto& table = engineOfGuide(vm).parameterTables().player;
  ScriptObject result = ScriptObject::newTable(vm);
  if (checkScriptIndex(index, int32_t(table.size()), u"parameter")) {
    result.setIntegerSlot(u"min", table[uint32_t(index)].min);
    result.setIntegerSlot(u"max", table[uint32_t(index)].max);
  }
  return result;
}

ScriptObject playerGetDamageTarget(HSQUIRRELVM vm, int32_t slot) {
  const Player* p = playerOf(vm, slot);
  const FixedVec3 c = p != nullptr ? p->centre : FixedVec3{0, 0, 0};
  return Vec3::create(vm, fixedToFloat(c.x), fixedToFloat(c.y), fixedToFloat(c.z));
}

sprite1::System* guideSprites(HSQUIRRELVM vm) { return guideOf(vm).sprites(); }

int32_t spriteCreateSystemImage(HSQUIRRELVM vm, const char16_t* path) {
  return imageOf<&guideSprites>(vm, engineOfGuide(vm).systemDirectory(), path);
}

int32_t spriteCreateStageImage(HSQUIRRELVM vm, const char16_t* path) {
  return imageOf<&guideSprites>(vm, engineOfGuide(vm).stage().directory(), path);
}

int32_t spriteCreatePlayerImage(HSQUIRRELVM vm, int32_t slot, const char16_t* path) {
  const Player* p = playerOf(vm, slot);
  if (p == nullptr) return 0;
  return imageOf<&guideSprites>(vm, p->directory(), path);
}

bool ctrlIsDevice(HSQUIRRELVM vm, int32_t slot) {
  const Player* p = playerOf(vm, slot);
  const Controller* c = p != nullptr ? p->controller() : nullptr;
  return c != nullptr && c->getType() == Controller::kTypeInput;
}

void bgmPlaySound(HSQUIRRELVM vm, int32_t channel, const char16_t* name) {
  Engine& engine = engineOfGuide(vm);
  // A negative channel becomes a large one, which plays nothing.
  if (BgmPlayer* bgm = engine.system()->bgmPlayer()) {
    bgm->playSound(uint32_t(channel), engine.systemDirectory(), name);
  }
}

float guideRandomValue(HSQUIRRELVM vm) {
  return randomUnitFloat(ombRandomGetU32(guideOf(vm).random()));
}

int32_t guideRandomRange(HSQUIRRELVM vm, int32_t a, int32_t b) {
  return randomRange(a, b, guideOf(vm).random());
}

void systemSetParameterValue(HSQUIRRELVM vm, int32_t, int32_t) {
  guideOf(vm);
  scriptError(u"[%ls] Script Error: a guide script cannot change parameters(%ls)",
              u"systemSetParameterValue");
}

}  // namespace

void registerGuideApi(const ScriptObject& table) {
  table.registerFunction(u"guideGetTarget", &guideGetTarget);
  table.registerFunction(u"guideGetDrawType", &guideGetDrawType);
  table.registerFunction(u"guideGetDrawTarget", &guideGetDrawTarget);
  table.registerFunction(u"guideGetScreenPos", &guideGetScreenPos);
  table.registerFunction(u"systemGetCurrentFps", &systemGetCurrentFps);
  table.registerFunction(u"systemIsDadEvoz", &systemIsDadEvoz);
  table.registerFunction(u"systemGetDadEvozConnect", &systemGetDadEvozConnect);
  table.registerFunction(u"systemGetDadEvozDelay", &systemGetDadEvozDelay);
  table.registerFunction(u"playerGetName", &playerGetName);
  table.registerFunction(u"playerGetParameterValue", &playerParameterOfSlot);
  table.registerFunction(u"playerGetParameterRate", &playerGetParameterRate);
  table.registerFunction(u"playerGetParameterRange", &playerGetParameterRange);
  table.registerFunction(u"playerGetDamageTarget", &playerGetDamageTarget);
  table.registerFunction(u"spriteCreateSystemImage", &spriteCreateSystemImage);
  table.registerFunction(u"spriteCreateStageImage", &spriteCreateStageImage);
  table.registerFunction(u"spriteCreatePlayerImage", &spriteCreatePlayerImage);
  table.registerFunction(u"spriteCreateDynamicImage", &spriteCreateDynamicImage<&guideSprites>);
  table.registerFunction(u"spriteCreateFont", &spriteCreateFont<&guideSprites>);
  table.registerFunction(u"spriteCreateRenderer", &spriteCreateRenderer<&guideSprites>);
  table.registerFunction(u"ctrlIsDevice", &ctrlIsDevice);
  table.registerFunction(u"ctrlGetEvent", &ctrlGetEventOfSlot);
  table.registerFunction(u"bgmFadeout", &bgmFadeout);
  table.registerFunction(u"bgmPlaySound", &bgmPlaySound);
  table.registerFunction(u"bgmSetVolume", &bgmSetVolume);
  registerSprite1Api(table);

  // These shadow the common table's natives of the same names for guide scripts.
  table.registerFunction(u"commonGetRandomValue", &guideRandomValue);
  table.registerFunction(u"commonGetRandomRange", &guideRandomRange);
  table.registerFunction(u"systemSetParameterValue", &systemSetParameterValue);
}

}  // namespace rond

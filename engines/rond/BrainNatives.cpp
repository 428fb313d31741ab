// The brain table: what a brain script may read of the match (the players, the stage's move box)
// and its one output, the analog values of its controller. Random draws come from the brain's
// own generator, and the natives that would change the match are refused, so that a match with
// brains replays without them (see Brain.h).

#include "engines/rond/Brain.h"
#include "engines/rond/RondEngine.h"
#include "engines/rond/ScriptIndex.h"
#include "foundation/lerr/lerr.h"
#include "foundation/omb/ombLog.h"
#include "host/globals/GlobalNatives.h"
#include "model/math/EngineRandom.h"
#include "script/ScriptContext.h"
#include "script/ScriptError.h"
#include "script/ScriptNative.h"
#include "script/Vec3.h"

namespace rond {

namespace {

ControllerBrain& brainOf(HSQUIRRELVM vm) {
  ScriptContext* context = scriptGetContext(vm);
  auto* brain = context != nullptr ? static_cast<ControllerBrain*>(context->self) : nullptr;
  if (brain == nullptr || brain->engine() == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] the script runs for no brain", "rond");
    lerrThrow();
  }
  return *brain;
}

// The player of a slot; null (after the index error) for a slot outside 0 and 1, null without
// one for a slot that holds no player.
Player* playerOf(HSQUIRRELVM vm, int32_t slot) {
  ControllerBrain& brain = brainOf(vm);
  if (!checkScriptIndex(slot, 2, u"versus slot")) return nullptr;
  return brain.engine()->player(slot);
}

void setFloat(const ScriptObject& table, const char16_t* key, float value) {
  table.setSlot(key, ScriptObject::newFloat(table.getVm(), value).getObject());
}

int32_t brainGetLevel(HSQUIRRELVM vm) { return brainOf(vm).level(); }

int32_t brainGetPlayerId(HSQUIRRELVM vm) { return brainOf(vm).slot(); }

void ctrlSetValue(HSQUIRRELVM vm, int32_t index, float value) { brainOf(vm).setValue(index, value); }

float brainGetRandomValue(HSQUIRRELVM vm) {
  return randomUnitFloat(ombRandomGetU32(brainOf(vm).random()));
}

int32_t brainGetRandomRange(HSQUIRRELVM vm, int32_t a, int32_t b) {
  return randomRange(a, b, brainOf(vm).random());
}

const char16_t* playerGetName(HSQUIRRELVM vm, int32_t slot) {
  const Player* p = playerOf(vm, slot);
  return p != nullptr ? p->directory() : u"";
}

int32_t playerGetParameterValue(HSQUIRRELVM vm, int32_t slot, int32_t index) {
  const Player* p = playerOf(vm, slot);
  if (p == nullptr || !checkScriptIndex(index, int32_t(p->parameters.size()), u"parameter")) {
    return 0;
  }
  return p->parameters[uint32_t(index)].value;
}

ScriptObject playerGetCollMove(HSQUIRRELVM vm, int32_t slot) {
  const Player* p = playerOf(vm, slot);
  ScriptObject result = ScriptObject::newTable(vm);
  const Extents extents = p != nullptr ? p->extents : Extents{};
  setFloat(result, u"radius", fixedToFloat(extents.radius));
  setFloat(result, u"top", fixedToFloat(extents.top));
  setFloat(result, u"bottom", fixedToFloat(extents.bottom));
  return result;
}

ScriptObject vec3Of(HSQUIRRELVM vm, const FixedVec3& v) {
  return Vec3::create(vm, fixedToFloat(v.x), fixedToFloat(v.y), fixedToFloat(v.z));
}

ScriptObject playerGetPos(HSQUIRRELVM vm, int32_t slot) {
  const Player* p = playerOf(vm, slot);
  return vec3Of(vm, p != nullptr ? p->position : FixedVec3{0, 0, 0});
}

float playerGetRot(HSQUIRRELVM vm, int32_t slot) {
  const Player* p = playerOf(vm, slot);
  return p != nullptr ? angleToDegrees(p->rotationAngle) : 0.0f;
}

ScriptObject playerGetDamageTarget(HSQUIRRELVM vm, int32_t slot) {
  const Player* p = playerOf(vm, slot);
  return vec3Of(vm, p != nullptr ? p->centre : FixedVec3{0, 0, 0});
}

ScriptObject stageGetCollMove(HSQUIRRELVM vm) {
  const Box& box = brainOf(vm).engine()->stage().moveBox;
  ScriptObject result = ScriptObject::newTable(vm);
  setFloat(result, u"minX", fixedToFloat(box.min.x));
  setFloat(result, u"minY", fixedToFloat(box.min.y));
  setFloat(result, u"minZ", fixedToFloat(box.min.z));
  setFloat(result, u"maxX", fixedToFloat(box.max.x));
  setFloat(result, u"maxY", fixedToFloat(box.max.y));
  setFloat(result, u"maxZ", fixedToFloat(box.max.z));
  return result;
}

// A native of the common table that changes the match, called from a brain: the replay would
// not repeat it, so it is a script error there and does nothing.
template <const char16_t* Name>
void refuse(HSQUIRRELVM vm) {
  brainOf(vm);
  scriptError(u"[%ls] Script Error: a brain script cannot call %ls", Name);
}

constexpr char16_t kSetParameter[] = u"systemSetParameterValue";
constexpr char16_t kRequestExit[] = u"systemRequestExit";
constexpr char16_t kSetTaskEnable[] = u"systemSetTaskEnable";
constexpr char16_t kSetGlobalCount[] = u"globalSetIntegerParameterCount";
constexpr char16_t kSetGlobalValue[] = u"globalSetIntegerParameterValue";
constexpr char16_t kSetGlobalFlag[] = u"globalSetIntegerParameterFlag";
constexpr char16_t kUnsetGlobalFlag[] = u"globalUnsetIntegerParameterFlag";
constexpr char16_t kSetStringCount[] = u"globalSetStringParameterCount";
constexpr char16_t kSetStringValue[] = u"globalSetStringParameterValue";

}  // namespace

void registerBrainApi(const ScriptObject& table) {
  table.registerFunction(u"brainGetLevel", &brainGetLevel);
  table.registerFunction(u"brainGetPlayerId", &brainGetPlayerId);
  table.registerFunction(u"ctrlSetValue", &ctrlSetValue);
  table.registerFunction(u"playerGetName", &playerGetName);
  table.registerFunction(u"playerGetParameterValue", &playerGetParameterValue);
  table.registerFunction(u"playerGetCollMove", &playerGetCollMove);
  table.registerFunction(u"playerGetPos", &playerGetPos);
  table.registerFunction(u"playerGetRot", &playerGetRot);
  table.registerFunction(u"playerGetDamageTarget", &playerGetDamageTarget);
  registerBulletReportApi(table);
  table.registerFunction(u"stageGetCollMove", &stageGetCollMove);

  // These shadow the common table's natives of the same names for brain scripts.
  table.registerFunction(u"commonGetRandomValue", &brainGetRandomValue);
  table.registerFunction(u"systemGetRandomValue", &brainGetRandomValue);
  table.registerFunction(u"commonGetRandomRange", &brainGetRandomRange);
  table.registerFunction(kSetParameter, &refuse<kSetParameter>);
  table.registerFunction(kRequestExit, &refuse<kRequestExit>);
  table.registerFunction(kSetTaskEnable, &refuse<kSetTaskEnable>);
  table.registerFunction(kSetGlobalCount, &refuse<kSetGlobalCount>);
  table.registerFunction(kSetGlobalValue, &refuse<kSetGlobalValue>);
  table.registerFunction(kSetGlobalFlag, &refuse<kSetGlobalFlag>);
  table.registerFunction(kUnsetGlobalFlag, &refuse<kUnsetGlobalFlag>);
  table.registerFunction(kSetStringCount, &refuse<kSetStringCount>);
  table.registerFunction(kSetStringValue, &refuse<kSetStringValue>);
}

}  // namespace rond

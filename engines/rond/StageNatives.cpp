// The natives of the stage table: start places, the move and bullet boxes, light, fog, the drop
// shadow and the stage's music, all on the stage the script runs for.

#include "engines/rond/NativeCaller.h"
#include "engines/rond/RondEngine.h"
#include "engines/rond/ScriptIndex.h"
#include "foundation/lerr/lerr.h"
#include "foundation/omb/ombLog.h"
#include "host/globals/GlobalNatives.h"
#include "host/system/System.h"
#include "script/ScriptContext.h"
#include "script/ScriptNative.h"
#include "script/Vec3.h"
#include "sound/bgm/BgmPlayer.h"

namespace rond {

namespace {

Stage& stageOf(HSQUIRRELVM vm) { return engineOf(vm).stage(); }

// A Vec3 argument as a fixed-point vector; false (after the binding's error) for anything else.
bool fixedArgument(const ScriptObject& value, FixedVec3& out) {
  const auto* v = static_cast<const Vec3*>(value.getInstanceUp(Vec3::typeTag()));
  if (v == nullptr) return false;
  out = vec3ToFixed(v->x, v->y, v->z);
  return true;
}

float floatKey(const ScriptObject& table, const char16_t* key, float fallback) {
  return table.hasSlot(key) ? table.getFloatSlot(key) : fallback;
}

void stageSetPlayerStartPos(HSQUIRRELVM vm, int32_t slot, float x, float y, float z) {
  Stage& stage = stageOf(vm);
  if (checkScriptIndex(slot, 2, u"versus slot")) stage.startPosition[slot] = vec3ToFixed(x, y, z);
}

void stageSetPlayerStartRot(HSQUIRRELVM vm, int32_t slot, float degrees) {
  Stage& stage = stageOf(vm);
  // Not wrapped here: the player wraps its start angle.
  if (checkScriptIndex(slot, 2, u"versus slot")) stage.startAngle[slot] = degreesToAngle(degrees);
}

void setBox(const ScriptObject& min, const ScriptObject& max, Box& box) {
  Box read;
  if (fixedArgument(min, read.min) && fixedArgument(max, read.max)) box = read;
}

void stageSetCollMove(HSQUIRRELVM vm, ScriptObject min, ScriptObject max) {
  setBox(min, max, stageOf(vm).moveBox);
}

void stageSetCollBullet(HSQUIRRELVM vm, ScriptObject min, ScriptObject max) {
  setBox(min, max, stageOf(vm).bulletBox);
}

void stageSetLightPos(HSQUIRRELVM vm, float x, float y, float z) {
  Stage& stage = stageOf(vm);
  stage.lightDirection[0] = x;
  stage.lightDirection[1] = y;
  stage.lightDirection[2] = z;
}

void setColour(float* colour, float r, float g, float b, float a) {
  colour[0] = r;
  colour[1] = g;
  colour[2] = b;
  colour[3] = a;
}

void stageSetLightColor(HSQUIRRELVM vm, float r, float g, float b) {
  setColour(stageOf(vm).lightColour, r, g, b, 0.0f);
}

void stageSetLightAmbient(HSQUIRRELVM vm, float r, float g, float b) {
  setColour(stageOf(vm).ambientColour, r, g, b, 1.0f);
}

void stageSetFogLinear(HSQUIRRELVM vm, float start, float end) {
  stageOf(vm).setFogLinear(start, end);
}

void stageSetFogDisable(HSQUIRRELVM vm) { stageOf(vm).fogEnabled = 0; }

void stageSetFogColor(HSQUIRRELVM vm, float r, float g, float b) {
  setColour(stageOf(vm).fogColour, r, g, b, 1.0f);
}

void stageSetShadow(HSQUIRRELVM vm, ScriptObject table) {
  Stage& stage = stageOf(vm);
  const char16_t* name = table.hasSlot(u"texName") ? table.getStringSlot(u"texName") : u"";
  stage.setShadowTexture(name, floatKey(table, u"texLeft", 0.0f), floatKey(table, u"texTop", 0.0f),
                         floatKey(table, u"texRight", 1.0f), floatKey(table, u"texBottom", 1.0f));
  stage.setShadowColour(floatKey(table, u"colRed", 1.0f), floatKey(table, u"colGreen", 1.0f),
                        floatKey(table, u"colBlue", 1.0f), floatKey(table, u"colAlpha", 1.0f));
  stage.shadowOffset = floatKey(table, u"offset", 0.0f);
  stage.shadowScaleBase = floatKey(table, u"scaleBase", 1.0f);
  stage.shadowScaleRate = floatKey(table, u"scaleRate", 0.0f);
  stage.shadowScaleCut = floatKey(table, u"scaleCut", 1.0f);
}

void bgmPlay(HSQUIRRELVM vm, const char16_t* intro, const char16_t* loop, bool looping) {
  Engine& engine = engineOf(vm);
  if (BgmPlayer* bgm = engine.system()->bgmPlayer()) {
    bgm->play(engine.stage().directory(), intro, loop, looping);
  }
}

void bgmStop(HSQUIRRELVM vm) {
  if (BgmPlayer* bgm = engineOf(vm).system()->bgmPlayer()) bgm->stop();
}

const char16_t* playerGetName(HSQUIRRELVM vm, int32_t slot) {
  Engine& engine = engineOf(vm);
  if (!checkScriptIndex(slot, 2, u"versus slot")) return u"";
  return engine.setupRecord().players[slot].c_str();
}

}  // namespace

void registerStageApi(const ScriptObject& table) {
  table.registerFunction(u"stageSetPlayerStartPos", &stageSetPlayerStartPos);
  table.registerFunction(u"stageSetPlayerStartRot", &stageSetPlayerStartRot);
  table.registerFunction(u"stageSetCollMove", &stageSetCollMove);
  table.registerFunction(u"stageSetCollBullet", &stageSetCollBullet);
  table.registerFunction(u"stageSetLightPos", &stageSetLightPos);
  table.registerFunction(u"stageSetLightColor", &stageSetLightColor);
  table.registerFunction(u"stageSetLightAmbient", &stageSetLightAmbient);
  table.registerFunction(u"stageSetFogLinear", &stageSetFogLinear);
  table.registerFunction(u"stageSetFogDisable", &stageSetFogDisable);
  table.registerFunction(u"stageSetFogColor", &stageSetFogColor);
  table.registerFunction(u"stageSetShadow", &stageSetShadow);
  table.registerFunction(u"bgmPlay", &bgmPlay);
  table.registerFunction(u"bgmStop", &bgmStop);
  table.registerFunction(u"playerGetName", &playerGetName);
}

}  // namespace rond

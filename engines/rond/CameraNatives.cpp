// The natives of the camera table: the camera's view and projection, and what a camera script
// may read of the players. A camera script runs only on runtimes that draw its slot, so nothing
// here may reach the simulation: random draws come from the camera's own generator (these
// natives hide the common table's), and natives that would change parameters are refused.

#include "engines/rond/Camera.h"
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

CameraPlayer& cameraOf(HSQUIRRELVM vm) {
  ScriptContext* context = scriptGetContext(vm);
  auto* camera = context != nullptr ? static_cast<CameraPlayer*>(context->self) : nullptr;
  if (camera == nullptr || camera->engine() == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] the script drives no camera", "rond");
    lerrThrow();
  }
  return *camera;
}

// The player of a slot, after the shared index check; null for an empty slot.
const Player* playerOf(HSQUIRRELVM vm, int32_t slot) {
  CameraPlayer& camera = cameraOf(vm);
  if (!checkScriptIndex(slot, 2, u"versus slot")) return nullptr;
  return camera.engine()->player(slot);
}

bool vec3Argument(const ScriptObject& value, LVec3& out) {
  const auto* v = static_cast<const Vec3*>(value.getInstanceUp(Vec3::typeTag()));
  if (v == nullptr) return false;
  out = LVec3{v->x, v->y, v->z};
  return true;
}

void cameraSetPerspective(HSQUIRRELVM vm, float fov, float aspect, float nearZ, float farZ) {
  cameraOf(vm).setProjection(fov, aspect, nearZ, farZ);
}

void cameraSetView(HSQUIRRELVM vm, ScriptObject eye, ScriptObject at, ScriptObject up) {
  CameraPlayer& camera = cameraOf(vm);
  LVec3 e;
  LVec3 t;
  LVec3 u;
  if (vec3Argument(eye, e) && vec3Argument(at, t) && vec3Argument(up, u)) camera.setView(e, t, u);
}

int32_t cameraGetPlayerId(HSQUIRRELVM vm) { return cameraOf(vm).slot(); }

int32_t playerGetParameterValue(HSQUIRRELVM vm, int32_t slot, int32_t index) {
  const Player* player = playerOf(vm, slot);
  if (player == nullptr) return 0;
  if (!checkScriptIndex(index, int32_t(player->parameters.size()), u"parameter")) return 0;
  return player->parameters[uint32_t(index)].value;
}

void refuseChange(const char16_t* native) {
  scriptError(u"[%ls] Script Error: a camera script cannot change parameters(%ls)", native);
}

void playerSetParameterValue(HSQUIRRELVM vm, int32_t, int32_t, int32_t) {
  cameraOf(vm);
  refuseChange(u"playerSetParameterValue");
}

void systemSetParameterValue(HSQUIRRELVM vm, int32_t, int32_t) {
  cameraOf(vm);
  refuseChange(u"systemSetParameterValue");
}

ScriptObject playerGetCollMove(HSQUIRRELVM vm, int32_t slot) {
  const Player* player = playerOf(vm, slot);
  ScriptObject result = ScriptObject::newTable(vm);
  if (player != nullptr) {
    const float values[3] = {fixedToFloat(player->extents.radius),
                             fixedToFloat(player->extents.top),
                             fixedToFloat(player->extents.bottom)};
    const char16_t* names[3] = {u"radius", u"top", u"bottom"};
    for (int i = 0; i < 3; ++i) {
      result.setSlot(names[i], ScriptObject::newFloat(vm, values[i]).getObject());
    }
  }
  return result;
}

ScriptObject playerGetPos(HSQUIRRELVM vm, int32_t slot) {
  const Player* player = playerOf(vm, slot);
  const FixedVec3 p = player != nullptr ? player->position : FixedVec3{0, 0, 0};
  return Vec3::create(vm, fixedToFloat(p.x), fixedToFloat(p.y), fixedToFloat(p.z));
}

float playerGetRot(HSQUIRRELVM vm, int32_t slot) {
  const Player* player = playerOf(vm, slot);
  return player != nullptr ? angleToDegrees(player->rotationAngle) : 0.0f;
}

float cameraRandomValue(HSQUIRRELVM vm) {
  return randomUnitFloat(ombRandomGetU32(cameraOf(vm).random()));
}

int32_t cameraRandomRange(HSQUIRRELVM vm, int32_t a, int32_t b) {
  return randomRange(a, b, cameraOf(vm).random());
}

}  // namespace

void registerCameraApi(const ScriptObject& table) {
  table.registerFunction(u"cameraSetPerspective", &cameraSetPerspective);
  table.registerFunction(u"cameraSetView", &cameraSetView);
  table.registerFunction(u"cameraGetPlayerId", &cameraGetPlayerId);
  table.registerFunction(u"playerGetParameterValue", &playerGetParameterValue);
  table.registerFunction(u"playerSetParameterValue", &playerSetParameterValue);
  table.registerFunction(u"playerGetCollMove", &playerGetCollMove);
  table.registerFunction(u"playerGetPos", &playerGetPos);
  table.registerFunction(u"playerGetRot", &playerGetRot);

  // These shadow the common table's natives of the same names for camera scripts.
  table.registerFunction(u"systemSetParameterValue", &systemSetParameterValue);
  table.registerFunction(u"commonGetRandomValue", &cameraRandomValue);
  table.registerFunction(u"systemGetRandomValue", &cameraRandomValue);
  table.registerFunction(u"commonGetRandomRange", &cameraRandomRange);
}

}  // namespace rond

// The natives of the field engine's tables that concern the engine itself, its bases, the
// camera and the map.

#include "engines/vell/Engine.h"
#include "engines/vell/FieldObject.h"
#include "engines/vell/Map.h"
#include "engines/vell/ObjectManager.h"
#include "engines/vell/SystemNatives.h"
#include "engines/vell/bullet/BulletNatives.h"
#include "foundation/lerr/lerr.h"
#include "host/binary/BinaryNatives.h"
#include "host/engine/ScriptEngine.h"
#include "host/globals/GlobalNatives.h"
#include "model/math/EngineRandom.h"
#include "render/sprite2/Sprite2Natives.h"
#include "script/ScriptContext.h"
#include "script/ScriptError.h"
#include "script/ScriptNative.h"
#include "script/Vec3.h"

#include <string>

namespace vell {

namespace {

constexpr size_t kRelativeUnits = 127;

// Id 0 is the calling script's base; any other id must be a live base's.
Base* baseOf(HSQUIRRELVM vm, int32_t id) {
  if (id == 0) return fieldEngine(vm).currentBase();
  return static_cast<Base*>(scriptHandles().get(id, kBaseHandleKind));
}

// The natives that reach the map refuse to run before the first map reset, instead of reading
// a map that is not there.
Map* requireMap(HSQUIRRELVM vm) {
  Map* map = fieldEngine(vm).map();
  if (map == nullptr) scriptError(u"[%ls] Script Error: no map");
  return map;
}

// The directory of the script that called the native.
const char16_t* callerDirectory(HSQUIRRELVM vm) {
  ScriptContext* context = scriptFindContext(vm);
  return context != nullptr && context->dir != nullptr ? context->dir : u"";
}

ScriptObject pathFromCaller(HSQUIRRELVM vm, const char16_t* to) {
  const std::u16string path = relativePath(callerDirectory(vm), to != nullptr ? to : u"");
  return ScriptObject::newString(path.c_str(), vm);
}

void systemNothing() {}

ScriptObject systemGetBaseDir(HSQUIRRELVM vm) {
  return pathFromCaller(vm, fieldEngine(vm).baseDirectory());
}
ScriptObject systemGetDir(HSQUIRRELVM vm) { return pathFromCaller(vm, fieldEngine(vm).directory); }
ScriptObject systemGetCameraDir(HSQUIRRELVM vm) {
  CameraRecord* camera = fieldEngine(vm).camera();
  return pathFromCaller(vm, camera != nullptr ? camera->base.directory : u"");
}
ScriptObject systemGetMapDir(HSQUIRRELVM vm) {
  Map* map = requireMap(vm);
  if (map == nullptr) return ScriptObject::newNull(vm);
  return pathFromCaller(vm, map->base.directory);
}

ScriptObject systemGetObjectDir(HSQUIRRELVM vm) {
  if (requireMap(vm) == nullptr) return ScriptObject::newNull(vm);
  const ObjectManager* objects = fieldEngine(vm).objects();
  return pathFromCaller(vm, objects != nullptr ? objects->objectsDirectory() : u"");
}

float systemGetRandomValue(HSQUIRRELVM vm) { return randomFloat(fieldEngine(vm).seededRandom()); }
int32_t systemGetRandomRange(HSQUIRRELVM vm, int32_t a, int32_t b) {
  return randomRange(a, b, fieldEngine(vm).seededRandom());
}

int32_t systemGetBaseId(HSQUIRRELVM vm) { return fieldEngine(vm).rootBase()->id(); }
int32_t cameraGetBaseId(HSQUIRRELVM vm) {
  CameraRecord* camera = fieldEngine(vm).camera();
  return camera != nullptr ? camera->base.id() : 0;
}
int32_t mapGetBaseId(HSQUIRRELVM vm) {
  Map* map = fieldEngine(vm).map();
  return map != nullptr ? map->base.id() : 0;
}

ScriptObject systemGetDamageNotifies(HSQUIRRELVM vm) {
  const ScriptObject& notices = fieldEngine(vm).damageNotices();
  if (notices.getVm() == nullptr) return ScriptObject::newNull(vm);
  return notices;
}

ScriptObject cameraCalcScreenPos(HSQUIRRELVM vm, ScriptObject p) {
  const auto* v = static_cast<const Vec3*>(p.getInstanceUp(Vec3::typeTag()));
  CameraRecord* camera = fieldEngine(vm).camera();
  if (v == nullptr || camera == nullptr) return Vec3::create(vm, 0.0f, 0.0f, 0.0f);
  const LVec3 s = camera->camera.calcScreenPos(LVec3{v->x, v->y, v->z});
  return Vec3::create(vm, s.x, s.y, s.z);
}

// Objects are the only bases with a status, a reference count and a position; the other kinds
// answer 0 and ignore the references.
int32_t baseGetStatus(HSQUIRRELVM vm, int32_t id) {
  Object* o = objectOfBase(baseOf(vm, id));
  return o != nullptr ? int32_t(o->status) : 0;
}
void baseAddRef(HSQUIRRELVM vm, int32_t id) {
  if (Object* o = objectOfBase(baseOf(vm, id))) o->references += 1;
}
void baseReleaseRef(HSQUIRRELVM vm, int32_t id) {
  if (Object* o = objectOfBase(baseOf(vm, id))) o->releaseHandle();
}
ScriptObject baseGetPos(HSQUIRRELVM vm, int32_t id) {
  Object* o = objectOfBase(baseOf(vm, id));
  if (o == nullptr) return Vec3::create(vm, 0.0f, 0.0f, 0.0f);
  return Vec3::create(vm, fixedToFloat(o->position.x), fixedToFloat(o->position.y),
                      fixedToFloat(o->position.z));
}

ScriptObject baseGetArgsVar(HSQUIRRELVM vm, int32_t id) {
  Base* base = baseOf(vm, id);
  return base != nullptr ? base->getArgs() : ScriptObject::newNull(vm);
}
ScriptObject baseGetShareVar(HSQUIRRELVM vm, int32_t id) {
  Base* base = baseOf(vm, id);
  return base != nullptr ? base->getShare() : ScriptObject::newNull(vm);
}
void baseSetShareVar(HSQUIRRELVM vm, int32_t id, ScriptObject value) {
  if (Base* base = baseOf(vm, id)) base->setShare(value);
}

void systemRequestExit(HSQUIRRELVM vm) { fieldEngine(vm).requestExit(); }
bool systemIsTaskEnable(HSQUIRRELVM vm) { return fieldEngine(vm).taskEnabled(); }
void systemSetTaskEnable(HSQUIRRELVM vm, bool enable) { fieldEngine(vm).setTaskEnable(enable); }
void systemResetFrameController(HSQUIRRELVM vm) { globalResetFrameController(vm); }
bool systemIsDrawZsort() { return false; }
int32_t systemResetMap(HSQUIRRELVM vm, const char16_t* mapName, const char16_t* dataName) {
  return fieldEngine(vm).resetMap(mapName, dataName)->base.id();
}
void systemSetAudioVolume(HSQUIRRELVM vm, int32_t type, float volume) {
  globalSetAudioVolume(vm, type, volume);
}

// The camera natives act on the calling script's base, which is the camera's.
Camera* callerCamera(HSQUIRRELVM vm) {
  CameraRecord* camera = fieldEngine(vm).camera();
  return camera != nullptr ? &camera->camera : nullptr;
}

LVec3 vecOf(const ScriptObject& value) {
  const auto* v = static_cast<const Vec3*>(value.getInstanceUp(Vec3::typeTag()));
  return v != nullptr ? LVec3{v->x, v->y, v->z} : LVec3{0.0f, 0.0f, 0.0f};
}

void cameraSetPerspective(HSQUIRRELVM vm, float fov, float aspect, float zNear, float zFar) {
  if (Camera* c = callerCamera(vm)) c->setPerspective(fov, aspect, zNear, zFar);
}
void cameraSetOrthographic(HSQUIRRELVM vm, float height, float aspect, float zNear, float zFar) {
  if (Camera* c = callerCamera(vm)) c->setOrthographic(height, aspect, zNear, zFar);
}
void cameraSetView(HSQUIRRELVM vm, ScriptObject eye, ScriptObject target, ScriptObject up) {
  if (Camera* c = callerCamera(vm)) c->setView(vecOf(eye), vecOf(target), vecOf(up));
}
void cameraSetMapMode(HSQUIRRELVM vm, bool on) {
  if (Camera* c = callerCamera(vm)) c->mapMode = on;
}
void cameraSetMapPerspective(HSQUIRRELVM vm, float fov, float aspect, float zNear, float zFar) {
  if (Camera* c = callerCamera(vm)) c->setMapPerspective(fov, aspect, zNear, zFar);
}
void cameraSetMapOrthographic(HSQUIRRELVM vm, float height, float aspect, float zNear,
                              float zFar) {
  if (Camera* c = callerCamera(vm)) c->setMapOrthographic(height, aspect, zNear, zFar);
}
void cameraSetMapView(HSQUIRRELVM vm, ScriptObject eye, ScriptObject target, ScriptObject up) {
  if (Camera* c = callerCamera(vm)) c->setMapView(vecOf(eye), vecOf(target), vecOf(up));
}

// The map natives act on the map whose script calls them.
Map* callerMap(HSQUIRRELVM vm) { return requireMap(vm); }

void mapUpdateCache(HSQUIRRELVM vm) {
  if (Map* m = callerMap(vm)) m->updateCache();
}
void mapSetLightPos(HSQUIRRELVM vm, float x, float y, float z) {
  if (Map* m = callerMap(vm)) {
    m->lightDirection[0] = x;
    m->lightDirection[1] = y;
    m->lightDirection[2] = z;
  }
}
void setColor(float* out, float r, float g, float b, float a) {
  out[0] = r;
  out[1] = g;
  out[2] = b;
  out[3] = a;
}
void mapSetLightColor(HSQUIRRELVM vm, float r, float g, float b) {
  if (Map* m = callerMap(vm)) setColor(m->lightColor, r, g, b, 0.0f);
}
void mapSetLightAmbient(HSQUIRRELVM vm, float r, float g, float b) {
  if (Map* m = callerMap(vm)) setColor(m->ambientColor, r, g, b, 1.0f);
}
void mapSetShow(HSQUIRRELVM vm, bool show) {
  if (Map* m = callerMap(vm)) m->setShow(show);
}
void mapSetBackDisable(HSQUIRRELVM vm) {
  if (Map* m = callerMap(vm)) m->flags &= ~kMapBackColor;
}
void mapSetBackColor(HSQUIRRELVM vm, float r, float g, float b) {
  if (Map* m = callerMap(vm)) {
    setColor(m->backColor, r, g, b, 0.0f);
    m->flags |= kMapBackColor;
  }
}
ScriptObject mapGetEvent(HSQUIRRELVM vm, int32_t index) {
  Map* m = callerMap(vm);
  if (m == nullptr || index < 0) return ScriptObject::newNull(vm);
  return m->eventTable(uint32_t(index));
}
// An index outside the map's events changes nothing.
void mapSetEventEnable(HSQUIRRELVM vm, int32_t index, bool enable) {
  if (Map* m = callerMap(vm); m != nullptr && index >= 0) m->setEventEnable(uint32_t(index), enable);
}

}  // namespace

std::u16string relativePath(std::u16string_view from, std::u16string_view to) {
  size_t f = 0, t = 0;
  for (size_t i = 0, j = 0; i < from.size() && j < to.size() && from[i] == to[j]; ++i, ++j) {
    if (from[i] == u'/') {
      f = i + 1;
      t = j + 1;
    }
  }
  std::u16string out;
  for (size_t i = f; i < from.size(); ++i) {
    if (from[i] == u'/' && out.size() < kRelativeUnits - 2) out += u"../";
  }
  for (size_t j = t; j < to.size() && out.size() < kRelativeUnits; ++j) out.push_back(to[j]);
  return out;
}

void registerRootTable(const ScriptObject& table) {
  registerBinaryApi(table);
  table.registerFunction(u"systemReload", &systemNothing)
      .registerFunction(u"systemReloadBase", &systemNothing)
      .registerFunction(u"systemGetBaseDir", &systemGetBaseDir)
      .registerFunction(u"systemGetDir", &systemGetDir)
      .registerFunction(u"systemGetCameraDir", &systemGetCameraDir)
      .registerFunction(u"systemGetMapDir", &systemGetMapDir)
      .registerFunction(u"systemGetObjectDir", &systemGetObjectDir)
      .registerFunction(u"systemGetRandomValue", &systemGetRandomValue)
      .registerFunction(u"systemGetRandomRange", &systemGetRandomRange)
      .registerFunction(u"systemGetBaseId", &systemGetBaseId);
  registerPostEffectNatives(table);
  registerDecalNatives(table);
  table.registerFunction(u"systemGetDamageNotifies", &systemGetDamageNotifies)
      .registerFunction(u"cameraGetBaseId", &cameraGetBaseId)
      .registerFunction(u"cameraCalcScreenPos", &cameraCalcScreenPos)
      .registerFunction(u"mapGetBaseId", &mapGetBaseId);
  registerMapDecalNatives(table);
  table.registerFunction(u"baseGetStatus", &baseGetStatus)
      .registerFunction(u"baseAddRef", &baseAddRef)
      .registerFunction(u"baseReleaseRef", &baseReleaseRef)
      .registerFunction(u"baseGetArgsVar", &baseGetArgsVar)
      .registerFunction(u"baseGetShareVar", &baseGetShareVar)
      .registerFunction(u"baseSetShareVar", &baseSetShareVar)
      .registerFunction(u"baseGetPos", &baseGetPos);
  registerBasePlaySe(table);
  registerControlNatives(table);
}

void registerGlobalTable(const ScriptObject& table) {
  registerSprite2Api(table, &engineSpriteSet);
  registerGlobalApi(table);
  table.registerFunction(u"systemRequestExit", &systemRequestExit)
      .registerFunction(u"systemIsTaskEnable", &systemIsTaskEnable)
      .registerFunction(u"systemSetTaskEnable", &systemSetTaskEnable)
      .registerFunction(u"systemResetFrameController", &systemResetFrameController)
      .registerFunction(u"systemClearRuntimeResources", &systemClearRuntimeResources)
      .registerFunction(u"systemIsDrawZsort", &systemIsDrawZsort)
      .registerFunction(u"systemGetFps", &systemGetFps)
      .registerFunction(u"systemResetMap", &systemResetMap)
      .registerFunction(u"systemIsInputDeviceExist", &systemIsInputDeviceExist)
      .registerFunction(u"systemSetControllerInputDevice", &systemSetControllerInputDevice)
      .registerFunction(u"systemSetAudioVolume", &systemSetAudioVolume)
      .registerFunction(u"spriteImageLoadBase", &spriteImageLoadBase);
}

void registerCameraTable(const ScriptObject& table) {
  table.registerFunction(u"cameraSetPerspective", &cameraSetPerspective)
      .registerFunction(u"cameraSetOrthographic", &cameraSetOrthographic)
      .registerFunction(u"cameraSetView", &cameraSetView)
      .registerFunction(u"cameraSetMapMode", &cameraSetMapMode)
      .registerFunction(u"cameraSetMapPerspective", &cameraSetMapPerspective)
      .registerFunction(u"cameraSetMapOrthographic", &cameraSetMapOrthographic)
      .registerFunction(u"cameraSetMapView", &cameraSetMapView);
}

void registerMapTable(const ScriptObject& table) {
  table.registerFunction(u"mapUpdateCache", &mapUpdateCache)
      .registerFunction(u"mapSetLightPos", &mapSetLightPos)
      .registerFunction(u"mapSetLightColor", &mapSetLightColor)
      .registerFunction(u"mapSetLightAmbient", &mapSetLightAmbient)
      .registerFunction(u"mapSetShow", &mapSetShow)
      .registerFunction(u"mapSetBackDisable", &mapSetBackDisable)
      .registerFunction(u"mapSetBackColor", &mapSetBackColor)
      .registerFunction(u"mapGetEvent", &mapGetEvent)
      .registerFunction(u"mapSetEventEnable", &mapSetEventEnable);
}

}  // namespace vell

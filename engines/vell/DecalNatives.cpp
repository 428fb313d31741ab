// The root table's decal natives: making a decal handle, stamping it on the map and the map's
// decal offset.

#include "engines/vell/Decal.h"
#include "engines/vell/Engine.h"
#include "engines/vell/Map.h"
#include "foundation/lerr/lerr.h"
#include "script/ScriptError.h"
#include "script/ScriptNative.h"
#include "script/Vec3.h"

namespace vell {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;

// Before the first map reset there is no map to stamp on: a script error, not a null map.
Map* requireMap(HSQUIRRELVM vm) {
  Map* map = fieldEngine(vm).map();
  if (map == nullptr) scriptError(u"[%ls] Script Error: no map");
  return map;
}

// The option's value, or null when the table is null, lacks the key or holds null there.
ScriptObject option(const ScriptObject& options, const char16_t* key) {
  if (options.isNull() || !options.hasSlot(key)) return ScriptObject();
  return options.getSlot(key);
}

bool present(const ScriptObject& value) { return value.getVm() != nullptr && !value.isNull(); }

LVec3 vec3Of(const ScriptObject& value, const LVec3& fallback) {
  const auto* v = static_cast<const Vec3*>(value.getInstanceUp(Vec3::typeTag()));
  return v != nullptr ? LVec3{v->x, v->y, v->z} : fallback;
}

int32_t systemCreateDecal(HSQUIRRELVM vm, const char16_t* name, ScriptObject options) {
  const ScriptObject alpha = option(options, u"alpha");
  return fieldEngine(vm).createDecalHandle(name, present(alpha) ? alpha.toFloat() : 1.0f)->handle;
}

// The map is looked for before the handle, so a script without a map hears of that first.
void mapRegistDecal(HSQUIRRELVM vm, int32_t id, ScriptObject options) {
  Map* map = requireMap(vm);
  if (map == nullptr) return;
  const auto* handle = static_cast<const DecalHandle*>(scriptHandles().get(id, kDecalHandleKind));
  if (handle == nullptr) return;
  DecalStamp stamp;
  if (!options.isNull()) {
    if (const ScriptObject v = option(options, u"alpha"); present(v)) stamp.alpha = v.toFloat();
    if (const ScriptObject v = option(options, u"pos"); present(v)) {
      stamp.centre = vec3Of(v, stamp.centre);
    }
    if (const ScriptObject v = option(options, u"rot"); present(v)) {
      stamp.angle = v.toFloat() * kDegreesToRadians;
    }
    if (const ScriptObject v = option(options, u"scale"); present(v)) {
      stamp.size = vec3Of(v, stamp.size);
    }
    const ScriptObject start = option(options, u"frameStart");
    stamp.fadeIn = present(start) ? static_cast<uint32_t>(start.toInteger()) : 0u;
    if (const ScriptObject v = option(options, u"frameEnd"); present(v)) {
      stamp.fadeOut = static_cast<uint32_t>(v.toInteger());
    }
    if (const ScriptObject v = option(options, u"frameDead"); present(v)) {
      stamp.life = static_cast<uint32_t>(v.toInteger());
    }
  }
  map->addDecal(handle, stamp);
}

void mapSetDecalOffset(HSQUIRRELVM vm, float x, float y, float z) {
  Map* map = requireMap(vm);
  if (map == nullptr) return;
  map->decalOffset[0] = x;
  map->decalOffset[1] = y;
  map->decalOffset[2] = z;
}

}  // namespace

void registerDecalNatives(const ScriptObject& table) {
  table.registerFunction(u"systemCreateDecal", &systemCreateDecal);
}

void registerMapDecalNatives(const ScriptObject& table) {
  table.registerFunction(u"mapRegistDecal", &mapRegistDecal)
      .registerFunction(u"mapSetDecalOffset", &mapSetDecalOffset);
}

}  // namespace vell

#pragma once

#include "engines/vell/FieldObject.h"
#include "foundation/math/LQuat.h"
#include "foundation/math/LVec3.h"
#include "model/math/FixedPoint.h"
#include "script/ScriptHandle.h"
#include "script/ScriptObject.h"
#include "script/ScriptStack.h"

#include <cstddef>
#include <cstdint>

// What the object table's natives share: the calling object, the engine's keys, the reading of
// option tables and of argument lists a native unpacks itself, and the slot checks.
namespace vell {

// Indices into the engine's keys (ScriptKeys::kNames).
enum ScriptKeyIndex : uint32_t {
  kKeyFrameStart = 6,
  kKeyFrameEnd = 7,
  kKeyFrameDead = 8,
  kKeyPos = 12,
  kKeyRot = 13,
  kKeyRots = 16,
  kKeyPosrot = 18,
  kKeySystem = 30,
  kKeyLife = 31,
  kKeyScale = 32,
  kKeySlideAngle = 33,
  kKeySlipAngle = 34,
  kKeySlipFall = 35,
  kKeyArgs = 40,
};

// The object whose script is running, or null when the calling base is not an object.
Object* callerObject(HSQUIRRELVM vm);

// A bound, non-null value.
inline bool present(const ScriptObject& v) { return v.getVm() != nullptr && !v.isNull(); }

// A Vec3 instance's three floats; anything else is the binding layer's "can't get instance up"
// and gives the fallback.
LVec3 vec3Value(const ScriptObject& value, const LVec3& fallback);

// The optional table of a native: keys by the engine's interned strings or by text. A null
// table has no keys.
class OptionTable {
 public:
  OptionTable(HSQUIRRELVM vm, const ScriptObject& table);

  // The value at the key, or a null handle when the key is absent.
  ScriptObject at(uint32_t key) const;
  ScriptObject at(const char16_t* name) const;
  // Whether the key is in the table, also when it holds null.
  bool contains(uint32_t key) const;
  bool contains(const char16_t* name) const;
  // Numbers convert either way; absent keys and other types give the fallback.
  float floatAt(uint32_t key, float fallback) const;
  float floatAt(const char16_t* name, float fallback) const;
  int32_t integerAt(uint32_t key, int32_t fallback) const;
  int32_t integerAt(const char16_t* name, int32_t fallback) const;
  // Only a bool true is true.
  bool boolAt(uint32_t key) const;
  // A value that must not be null when the key is given: an absent key is `fallback`, a key
  // holding null is "can't find object(%ls)" with the key's name and gives the fallback too.
  ScriptObject requiredAt(uint32_t key) const;
  // requiredAt, then the Vec3 (vec3Value).
  LVec3 requiredVec3At(uint32_t key, const LVec3& fallback) const;
  LVec3 requiredVec3At(const char16_t* name, const LVec3& fallback) const;

 private:
  const HSQOBJECT& key(uint32_t index) const;

  HSQUIRRELVM vm_;
  ScriptObject table_;
};

// The argument list of a native that reads its own arguments: the script's arguments from
// slot 2 on, the closure's free variable past the top left out. The typed readers give the
// binding layer's messages.
ScriptStack ownArguments(HSQUIRRELVM vm);

// Extend and damage slots come from scripts unchecked: one outside the object's records is the
// script error "invalid <what> slot(<n>)" instead of a write past them.
bool checkSlot(int32_t slot, std::size_t count, const char16_t* what);

// Geometries and animations as native arguments: checked handles (ScriptHandle.h).
using GeometryArg = ScriptHandleArg<ObjectGeometry, kGeometryHandleKind>;
using AnimationArg = ScriptHandleArg<ObjectAnim, kAnimationHandleKind>;
using AnimationOrNull = ScriptHandleOrNull<ObjectAnim, kAnimationHandleKind>;

// The geometry or animation when it is the calling object's own; another object's is the
// invalid-handle error and gives null, so no object ever shows or keeps another's models.
ObjectGeometry* ownGeometry(const Object& self, ObjectGeometry* geometry);
ObjectAnim* ownAnimation(const Object& self, ObjectAnim* animation);

// What objectShowEffect's table asks for: "system" (a bool, false otherwise), "life" (-1
// without), "pos" (units, kept in fixed point), the turn of "rot" ("x y z degrees") or else the
// product of the turns of "rots" (an array of such texts), and "scale" ((1, 1, 1) without).
struct EffectRequest {
  bool systemData = false;
  int32_t life = -1;
  FixedVec3 offset{};
  LQuat rotation = kQuatIdentity;
  LVec3 scale{1.0f, 1.0f, 1.0f};
};
EffectRequest effectRequest(const OptionTable& options);

// The registrars of the object table's groups, in the table's order.
void registerObjectAnimationNatives(const ScriptObject& table);
void registerObjectEffectNatives(const ScriptObject& table);
void registerObjectMoveNatives(const ScriptObject& table);

}  // namespace vell

// The object table's natives for models and animations: loading geometries, finding their
// animations, the current animation and the extend animations (extra models that follow the
// object at an offset of their own).

#include "engines/vell/Engine.h"
#include "engines/vell/ObjectNativeArgs.h"
#include "foundation/math/LQuat.h"
#include "model/L3DAnimData.h"
#include "model/anim/L3DAnimInstance.h"
#include "script/ScriptError.h"
#include "script/ScriptNative.h"

namespace vell {

namespace {

// A count beyond this is a script's mistake, not an array to allocate.
constexpr int32_t kMaxExtendSlots = 4096;

int32_t objectLoadGeometry(HSQUIRRELVM vm, const char16_t* name) {
  Object* o = callerObject(vm);
  if (o == nullptr) return 0;
  return scriptHandleOf(kGeometryHandleKind, o->loadGeometry(name));
}

int32_t objectGetAnimation(HSQUIRRELVM vm, GeometryArg geometry, const char16_t* name) {
  Object* o = callerObject(vm);
  ObjectGeometry* g = o != nullptr ? ownGeometry(*o, geometry) : nullptr;
  if (g == nullptr) return 0;
  return scriptHandleOf(kAnimationHandleKind, Object::getAnimation(*g, name));
}

int32_t objectGetAnimationDefault(HSQUIRRELVM vm, GeometryArg geometry) {
  Object* o = callerObject(vm);
  ObjectGeometry* g = o != nullptr ? ownGeometry(*o, geometry) : nullptr;
  return g != nullptr ? scriptHandleOf(kAnimationHandleKind, g->defaultAnim) : 0;
}

// 0 when there is no current animation.
int32_t objectGetCurrentAnimation(HSQUIRRELVM vm) {
  Object* o = callerObject(vm);
  return o != nullptr ? scriptHandleOf(kAnimationHandleKind, o->currentAnim) : 0;
}

void objectSetCurrentAnimation(HSQUIRRELVM vm, AnimationArg animation) {
  Object* o = callerObject(vm);
  if (o == nullptr) return;
  if (ObjectAnim* a = ownAnimation(*o, animation)) o->setCurrentAnimation(a);
}

void objectAddCurrentAnimation(HSQUIRRELVM vm, AnimationArg animation) {
  Object* o = callerObject(vm);
  if (o == nullptr) return;
  if (ObjectAnim* a = ownAnimation(*o, animation)) o->addCurrentAnimation(a);
}

// The animation's data, null for an empty animation (a model without "default" has one).
const L3DAnimData* animationData(HSQUIRRELVM vm, ObjectAnim* animation) {
  Object* o = callerObject(vm);
  const ObjectAnim* a = o != nullptr ? ownAnimation(*o, animation) : nullptr;
  return a != nullptr && a->anim ? a->anim->data.Get() : nullptr;
}

int32_t objectGetAnimationLastFrame(HSQUIRRELVM vm, AnimationArg animation) {
  const L3DAnimData* data = animationData(vm, animation);
  return data != nullptr ? static_cast<int32_t>(data->endFrame) : 0;
}

// The frame a loop goes back to, never past the last frame (compared unsigned).
int32_t objectGetAnimationLoopFrame(HSQUIRRELVM vm, AnimationArg animation) {
  const L3DAnimData* data = animationData(vm, animation);
  if (data == nullptr) return 0;
  const uint32_t loop = data->loopFrame + 1;
  return static_cast<int32_t>(data->endFrame < loop ? data->endFrame : loop);
}

void objectSetExtendAnimationCount(HSQUIRRELVM vm, int32_t count) {
  Object* o = callerObject(vm);
  if (o == nullptr) return;
  if (count < 0 || count > kMaxExtendSlots) {
    scriptError(u"[%ls] Script Error: invalid extend animation count(%d)", count);
    return;
  }
  o->setExtendCount(static_cast<uint32_t>(count));
}

void objectSetExtendAnimation(HSQUIRRELVM vm, int32_t slot, AnimationOrNull animation) {
  Object* o = callerObject(vm);
  if (o == nullptr || !checkSlot(slot, o->extend.size(), u"extend animation")) return;
  ObjectAnim* a = animation;
  if (a != nullptr && ownAnimation(*o, a) == nullptr) return;
  o->setExtendAnimation(static_cast<uint32_t>(slot), a);
}

// (integer slot, animation), read here rather than by the binding's templates.
void objectAddExtendAnimation(HSQUIRRELVM vm) {
  const ScriptStack args = ownArguments(vm);
  int32_t slot = 0;
  if (!args.readInteger(2, slot)) return;
  ObjectAnim* animation = nullptr;
  if (!ScriptNative::Argument<AnimationArg>::read(args, 3, animation)) {
    return;
  }
  Object* o = callerObject(vm);
  if (o == nullptr || !checkSlot(slot, o->extend.size(), u"extend animation")) return;
  if (ObjectAnim* a = ownAnimation(*o, animation)) {
    o->addExtendAnimation(static_cast<uint32_t>(slot), a);
  }
}

// "rot": [axis, degrees, axis, degrees, ...], the pairs' rotations multiplied in order.
LQuat extendRotation(const ScriptObject& pairs) {
  const int32_t size = pairs.getSize();
  LQuat q = kQuatIdentity;
  if (size < 2) return q;
  for (int32_t i = 0; i + 1 < size; i += 2) {
    const LVec3 axis = vec3Value(pairs.getSlotByIndex(i), LVec3{0.0f, 0.0f, 0.0f});
    const float degrees = pairs.getFloatSlotByIndex(i + 1, 0.0f);
    quatMultiply(q, q, quatFromAxisAngle(axis, degrees * kDegreesToRadians));
  }
  return q;
}

void objectSetExtendAnimationExtra(HSQUIRRELVM vm, int32_t slot, ScriptObject table) {
  Object* o = callerObject(vm);
  if (o == nullptr || !checkSlot(slot, o->extend.size(), u"extend animation")) return;
  ExtendSlot& s = o->extend[static_cast<uint32_t>(slot)];
  const OptionTable options(vm, table);
  if (options.contains(kKeyPos)) s.offset = options.requiredVec3At(kKeyPos, s.offset);
  if (options.contains(kKeyRot)) {
    const ScriptObject pairs = options.requiredAt(kKeyRot);
    if (!pairs.isNull()) s.rotation = extendRotation(pairs);
  }
  if (const ScriptObject scale = options.at(u"scale"); !scale.isNull()) {
    s.scale = vec3Value(scale, s.scale);
  }
}

}  // namespace

void registerObjectAnimationNatives(const ScriptObject& table) {
  table.registerFunction(u"objectLoadGeometry", &objectLoadGeometry)
      .registerFunction(u"objectGetAnimation", &objectGetAnimation)
      .registerFunction(u"objectGetAnimationDefault", &objectGetAnimationDefault)
      .registerFunction(u"objectGetCurrentAnimation", &objectGetCurrentAnimation)
      .registerFunction(u"objectSetCurrentAnimation", &objectSetCurrentAnimation)
      .registerFunction(u"objectAddCurrentAnimation", &objectAddCurrentAnimation)
      .registerFunction(u"objectGetAnimationLastFrame", &objectGetAnimationLastFrame)
      .registerFunction(u"objectGetAnimationLoopFrame", &objectGetAnimationLoopFrame)
      .registerFunction(u"objectSetExtendAnimationCount", &objectSetExtendAnimationCount)
      .registerFunction(u"objectSetExtendAnimation", &objectSetExtendAnimation)
      .registerFunction(u"objectAddExtendAnimation", &objectAddExtendAnimation)
      .registerFunction(u"objectSetExtendAnimationExtra", &objectSetExtendAnimationExtra);
}

}  // namespace vell

#pragma once

#include "engines/vell/bullet/Attack.h"
#include "engines/vell/bullet/BulletMotion.h"
#include "foundation/math/LQuat.h"
#include "foundation/math/LVec3.h"
#include "foundation/omb/containers/ombList.h"
#include "model/load/Da3dObject.h"
#include "script/ScriptObject.h"

#include <cstdint>
#include <memory>
#include <vector>

// A bullet type with its preallocated bullets, and one bullet: an attack that flies by a motion
// program, with its own instance of the type's model.
namespace vell {

struct Bullet;
struct CacheEntry;

// The animations a bullet type looks for in its model.
enum BulletAnim : uint32_t { kAnimNormal = 0, kAnimFadeout = 1, kAnimHit = 2, kAnimCount = 3 };

// Type flags.
inline constexpr uint32_t kTypeHasSpheres = 1;  // "normal" and type-4 collision groups

struct BulletType {
  uint32_t flags = 0;
  ScriptObject notifies;
  CacheEntry* model = nullptr;  // one reference of the model cache, or null without a model
  dbtl::rcptr<L3DAnimData> anims[kAnimCount];
  // The free bullets, linked through the attack's link.
  OMB_LIST freeBullets{};
  // Launches accepted and not yet started.
  int32_t pending = 0;
  int32_t count = 0;
  // Every bullet made for the type (the definition's count, again for every share).
  std::vector<std::unique_ptr<Bullet>> bullets;
  int32_t handle = 0;  // what scripts hold
};

// Bullet flags.
enum BulletFlag : uint32_t {
  kBulletTracksOwner = 0x1,
  kBulletHasSpheres = 0x2,
  kBulletOffsetFix = 0x4,
  kBulletEndRequested = 0x100,
  kBulletTimedOut = 0x200,
  kBulletHitLand = 0x1000000,
  kBulletHitWall = 0x2000000,
  kBulletHitCeiling = 0x4000000,
};
inline constexpr uint32_t kBulletContactBits = kBulletHitLand | kBulletHitWall | kBulletHitCeiling;

enum BulletPhase : int32_t { kPhaseNormal = 0, kPhaseFadeout = 1, kPhaseHit = 2 };

struct Bullet : Attack {
  BulletType* type = nullptr;
  // The model data and the bullet's own instance of it (empty without a model).
  Da3dObject geometry;
  dbtl::rcptr<L3DAnimInstance> anims[kAnimCount];
  BulletMotion* motion = nullptr;
  int32_t life = 0;  // frames, 0 none
  // A counted reference on the object, or null.
  Object* target = nullptr;
  int32_t phase = kPhaseNormal;
  int32_t collAttackMask = 0;
  uint32_t bulletFlags = 0;
  LVec3 worldPosition{0.0f, 0.0f, 0.0f};
  LQuat worldRotation = kQuatIdentity;
  int32_t trackRotLimit = 0;  // radians x 1024
  int32_t trackAngle = 0;     // radians x 1024
  // The frame counter, the local pose, the lock-on, the generator, the target offset and the
  // lock-on bias.
  BulletMotionState state;
};

}  // namespace vell

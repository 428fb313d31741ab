#pragma once

#include "engines/vell/bullet/Attack.h"
#include "foundation/math/LQuat.h"
#include "foundation/math/LVec3.h"
#include "foundation/omb/ombRandom.h"

#include <array>
#include <cstdint>
#include <vector>

// The field engine's bullet motion programs: the texts of a motion definition parsed into timed
// events, and the per-frame interpreter that moves, turns and homes one bullet and runs its
// child generator. A bullet's whole motion state is the plain `BulletMotionState`, so a manager
// keeps one per bullet and nothing here allocates once the events are parsed.
namespace vell {

enum class MotionEventKind : int32_t {
  None = 0,
  Move = 1,
  Lockon = 2,
  Rot = 3,
  Drot = 4,
  RotYTop = 5,
  GenRand = 6,
  GenSet = 7,
  GenPat = 8,
  GenColl = 9,
  GenTimeout = 10,
};

// Words of a "lockon" text.
inline constexpr uint32_t kLockonContinue = 1, kLockonXz = 2, kLockonRotX = 4, kLockonStrict = 8;
// Lock-on bits of a running bullet (its flag word).
inline constexpr uint32_t kBulletLockActive = 0x10000, kBulletLockContinue = 0x20000,
                          kBulletLockStored = 0x40000, kBulletLockXz = 0x80000,
                          kBulletLockRotX = 0x100000, kBulletLockStrict = 0x200000;
inline constexpr uint32_t kBulletLockBits = kBulletLockActive | kBulletLockContinue |
                                            kBulletLockStored | kBulletLockXz | kBulletLockRotX |
                                            kBulletLockStrict;

// Reactions of a "genColl" generator and the contact bits of one frame they look at.
enum class GenReaction : int32_t { Land = 0, Wall = 1, Ceil = 2, Hit = 3 };
inline constexpr uint32_t kContactLand = 1, kContactWall = 2, kContactCeil = 4, kContactHit = 8;
inline constexpr uint32_t kGenCollExit = 1;

// Bind flags.
inline constexpr uint32_t kBindTargetOffsetFix = 1, kBindOwnerTrack = 2, kBindAngle = 4,
                          kBindTimeout = 8;
// The track rotation limit without an angle: 2 pi in 1/1024 radian.
inline constexpr int32_t kFullTrackRotLimit = 6434;

// A rotation drawn at random: axis base + draw x range, angle likewise (radians).
struct RandomRotation {
  LVec3 axisBase, axisRange;
  float angleBase = 0.0f, angleRange = 0.0f;
};

// One child-bullet recipe of a generator.
struct BulletBind {
  int32_t motion = 0;
  uint32_t flags = 0;
  LVec3 positionBase, positionRange;
  RandomRotation rotation;
  LVec3 targetOffsetBase, targetOffsetRange;
  int32_t trackRotLimit = kFullTrackRotLimit;
  int32_t timeout = -1;
};

struct MotionEvent {
  int32_t frame = 0;
  MotionEventKind kind = MotionEventKind::None;
  // Move: fixed point per frame.
  int32_t speed = 0, speedLimit = 0, acceleration = 0;
  // Lockon: kLockon* bits; radians per frame.
  uint32_t lockonFlags = 0;
  float rate = 0.0f, rateLimit = 0.0f, rateAcceleration = 0.0f;
  // Rot and Drot.
  RandomRotation rotation;
  // Generators: interval in frames (GenColl: the reaction), count (GenColl: the exit bit),
  // GenPat's pattern 0 to 4.
  int32_t interval = 0, count = 0, pattern = 0;
  std::vector<BulletBind> binds;
};

// The definition records the script natives fill. The texts point into script strings and are
// read only during parsing; null reads as the empty text.
struct BindRecord {
  int32_t motion = 0;
  int32_t flags = 0;
  const char16_t* position = nullptr;
  std::vector<const char16_t*> rotations;
  const char16_t* targetOffset = nullptr;
  int32_t trackRotLimit = kFullTrackRotLimit;
  int32_t timeout = -1;
};

struct KeyFrameRecord {
  int32_t frame = 0;
  const char16_t* move = nullptr;
  const char16_t* lockon = nullptr;
  std::vector<const char16_t*> rotations;
  std::vector<const char16_t*> turns;
  bool rotYTop = false;
  std::vector<BindRecord> binds;
  const char16_t* genRand = nullptr;
  const char16_t* genSet = nullptr;
  const char16_t* genPat = nullptr;
  const char16_t* genColl = nullptr;
  const char16_t* genTimeout = nullptr;
};

struct BulletType;

// A motion program as the bullet manager keeps it: its type, its own notifies, the attack
// definition (whose notifies are its own or else its type's) and its events.
struct BulletMotion {
  // Every key frame's events, key frames in order and within one in the order of the kinds.
  static std::vector<MotionEvent> parse(const std::vector<KeyFrameRecord>& keyFrames);

  BulletType* type = nullptr;
  ScriptObject notifies;
  AttackDef attack;
  std::vector<MotionEvent> events;
  int32_t handle = 0;  // what scripts hold
};

// The motion part of one bullet. Positions are in world units, speeds in 1/1024 unit per frame.
struct BulletMotionState {
  int32_t frame = 0;
  uint32_t nextEvent = 0;
  int32_t speed = 0, speedLimit = 0, acceleration = 0;
  LVec3 position;
  LQuat rotation = kQuatIdentity;
  // kBulletLock* bits.
  uint32_t flags = 0;
  float rate = 0.0f, rateLimit = 0.0f, rateAcceleration = 0.0f;
  LVec3 reference;
  LQuat turn = kQuatIdentity;
  MotionEventKind generator = MotionEventKind::None;
  int32_t count = 0;
  int32_t interval = 0;   // GenColl: the reaction
  int32_t countdown = 0;  // GenColl: the exit bit
  uint32_t bindCount = 0;
  const BulletBind* binds = nullptr;
  int32_t cursor = 0;  // GenSet: the next bind; GenPat: the pattern
  float lockonBias = 1.0f;
  // The target offset as given; with `targetOffsetFix` it is turned once, at the first lock-on
  // frame, into `fixedOffset`.
  LVec3 targetOffset;
  bool targetOffsetFix = false;
  bool offsetFixed = false;
  LVec3 fixedOffset;
};

// The bullet's target as the lock-on sees it this frame.
struct LockonTarget {
  LVec3 point;  // the target's lock-on point
  bool destroying = false;
};

// Applies the due events, turns the bullet and runs the lock-on. `target` may be null. Returns
// true when the target is being destroyed and the bullet must drop its reference to it.
bool runMotionEvents(BulletMotionState& state, const std::vector<MotionEvent>& events,
                     const LockonTarget* target, OMB_RANDOM* random);
// position += (0, 0, speed / 1024) turned by the rotation.
void moveBullet(BulletMotionState& state);
// The speed one acceleration step towards its limit, never past it.
void approachSpeed(BulletMotionState& state);

// A child bullet as the generator asks for it; the manager adds the parent's owner,
// collAttackMask, track angle, target and lock-on bias.
struct ChildLaunch {
  int32_t motion = 0;
  int32_t mode = 0;
  LVec3 position;
  LQuat rotation = kQuatIdentity;
  int32_t trackRotLimit = kFullTrackRotLimit;
  LVec3 targetOffset;
  int32_t timeout = -1;
};

class ChildSpawner {
 public:
  virtual ~ChildSpawner() = default;
  // False when the child was refused (its type's limit reached).
  virtual bool add(const ChildLaunch& child) = 0;
};

// The parent as the generator sees it this frame.
struct GeneratorFrame {
  LVec3 worldPosition;
  LQuat worldRotation = kQuatIdentity;
  bool hasOwner = false;
  uint32_t contacts = 0;  // kContact* bits of this frame
  bool timedOut = false;
};

// Runs the generator; false ends the bullet.
bool runGenerator(BulletMotionState& state, const GeneratorFrame& frame, OMB_RANDOM* random,
                  ChildSpawner& spawner);
// One child of `bind` turned by `pattern` (the identity outside genPat). Nothing is spawned for
// an owner-tracking bind when the parent has no owner.
void spawnChild(const BulletMotionState& state, const GeneratorFrame& frame,
                const BulletBind& bind, const LQuat& pattern, OMB_RANDOM* random,
                ChildSpawner& spawner);

// The rotations of direction patterns "r1" to "r5" (0 to 4): each turns +Z onto one direction.
const std::vector<LQuat>& directionPattern(int32_t pattern);

// A draw of `rotation`: the identity when the angle or the axis is degenerate.
LQuat drawRotation(const RandomRotation& rotation, OMB_RANDOM* random);
// v turned by q (row vectors, as quatToMatrix).
LVec3 rotateVector(const LQuat& q, const LVec3& v);

}  // namespace vell

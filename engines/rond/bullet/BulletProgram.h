#pragma once

#include "foundation/math/LQuat.h"
#include "foundation/math/LVec3.h"
#include "foundation/omb/ombRandom.h"
#include "model/math/FixedPoint.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rond {

// What a motion program does at its op's frame.
enum class BulletOpKind : int32_t {
  Move = 0,
  Lockon = 1,
  Rot = 2,
  Drot = 3,
  RotYTop = 4,
  GenRand = 5,
  GenSet = 6,
  GenPat = 7,
  GenColl = 8,
  None = 9,
};

// Lock-on bits of an op (as written in its text).
inline constexpr uint32_t kLockonOpContinue = 1, kLockonOpXz = 2, kLockonOpRotX = 4;
// Lock-on bits of a running bullet.
inline constexpr uint32_t kLockActive = 1, kLockContinue = 2, kLockFirstStored = 4, kLockXz = 8,
                          kLockRotX = 16;
// genColl axes and their flag.
enum class BulletCollAxis : int32_t { X = 0, Y = 1, Z = 2, XOrZ = 3, None = -1 };
inline constexpr uint32_t kGenCollExit = 1;

// A child that a generator spawns: its motion program, where it starts relative to the parent
// and the target offset it homes with.
struct BulletBind {
  int32_t program = 0;
  FixedVec3 offset{};
  LQuat rotation = kQuatIdentity;
  FixedVec3 targetOffset{};
};

// A bind from the five script values: offsets in world units, a rotation axis (absent: none)
// and an angle in degrees; an absent axis or an angle below 0.0001 degrees gives the identity.
BulletBind makeBulletBind(int32_t program, const LVec3& offset, const std::optional<LVec3>& axis,
                          float degrees, const LVec3& targetOffset);

struct BulletOp {
  int32_t frame = 0;
  BulletOpKind kind = BulletOpKind::None;
  // Move: fixed-point speeds per frame.
  int32_t speed = 0, targetSpeed = 0, speedStep = 0;
  // Lockon: kLockonOp* bits; radians per frame.
  uint32_t lockFlags = 0;
  float rate = 0, limit = 0, change = 0;
  // Rot and Drot: an unnormalised axis and its range, an angle and its range in radians.
  LVec3 axis, axisRange;
  float angle = 0, angleRange = 0;
  // Generators: interval and count; genPat's direction set 0..4.
  int32_t interval = 0, count = 0, set = 0;
  // GenColl.
  BulletCollAxis collAxis = BulletCollAxis::None;
  uint32_t collFlags = 0;
  std::vector<BulletBind> binds;
};

// One entry of a motion program's "events" as the script gave it.
struct BulletEventText {
  int32_t frame = 0;  // negative values count as 0
  std::u16string move, lockon;
  // "rot" when given, else "rots"; likewise for drot.
  std::optional<std::u16string> rot, drot;
  std::optional<std::vector<std::u16string>> rots, drots;
  bool rotYTop = false;
  std::vector<BulletBind> binds;
  std::u16string genRand, genSet, genPat, genColl;
};

// The texts of one op each.
BulletOp parseBulletMove(const char16_t* text);
BulletOp parseBulletLockon(const char16_t* text);
BulletOp parseBulletRot(const char16_t* text, BulletOpKind kind);
// Several "x y z angle" rotations multiplied in order and stored in axis-angle form with zero
// ranges; exactly one text is read as a single rotation text.
BulletOp parseBulletRots(const std::vector<std::u16string>& texts, BulletOpKind kind);
BulletOp parseBulletGenerator(const char16_t* text, BulletOpKind kind);
BulletOp parseBulletCollision(const char16_t* text);

// Appends the ops of one event in their fixed order: move, lockon, rot, drot, rotYTop, then
// (only with binds) genRand, genSet, genPat and genColl, each with its own copy of the binds.
void appendBulletEventOps(const BulletEventText& event, std::vector<BulletOp>& ops);

// The five direction sets of the pattern generator.
using BulletDirectionSets = std::array<std::vector<LQuat>, 5>;

// A child bullet to be requested: the target and lock-on bias are the parent's.
struct BulletSpawnRequest {
  int32_t program = 0;
  FixedVec3 position{};
  LQuat rotation = kQuatIdentity;
  FixedVec3 targetOffset{};
};

class BulletSpawner {
 public:
  virtual ~BulletSpawner() = default;
  virtual void spawn(const BulletSpawnRequest& request) = 0;
};

// The part of a bullet that its motion program steers.
struct BulletProgramState {
  uint32_t pc = 0;
  int32_t speed = 0, targetSpeed = 0, speedStep = 0;
  LQuat rotation = kQuatIdentity;  // the bullet's local rotation
  float lockonBias = 1.0f;
  uint32_t lockFlags = 0;
  float rate = 0, rateLimit = 0, rateChange = 0;
  LVec3 firstDirection;
  LQuat turn = kQuatIdentity;  // applied every frame
  BulletOpKind generator = BulletOpKind::None;
  int32_t remaining = 0, interval = 0, countdown = 0;
  BulletCollAxis collAxis = BulletCollAxis::None;
  uint32_t collFlags = 0;
  uint32_t index = 0;  // genSet: the next bind; genPat: the direction set
  const std::vector<BulletBind>* binds = nullptr;  // owned by the program's op
};

// Where the bullet is and what it homes on this frame.
struct BulletAim {
  FixedVec3 position{};
  // The target's position (a bullet) or centre (a player) while it can be homed on.
  std::optional<FixedVec3> targetBase;
  LVec3 targetOffset;  // world units, turned with the bullet's rotation
};

// One frame of the program: the ops due by `frame` run in order, then the rotation turns and
// the lock-on homes. Never ends the bullet.
void runBulletProgram(BulletProgramState& state, const std::vector<BulletOp>& ops, uint32_t frame,
                      const BulletAim& aim, OMB_RANDOM* random);

// The generator after the move; `moveResult` holds the move's cut bits. False ends the bullet.
bool runBulletGenerator(BulletProgramState& state, uint32_t moveResult, const FixedVec3& position,
                        const BulletDirectionSets& sets, BulletSpawner& spawner,
                        OMB_RANDOM* random);

}  // namespace rond

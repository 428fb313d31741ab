// The per-frame interpreter of a bullet's motion program and its child generator.

#include "engines/rond/bullet/BulletProgram.h"

#include "engines/rond/bullet/BulletRotation.h"
#include "foundation/math/LMat.h"
#include "model/math/EngineRandom.h"

#include <cmath>

namespace rond {
namespace {

// A rotation by a drawn angle about a drawn axis: the angle first, then (only when it is not
// tiny) the axis in x, y, z order; the identity when either is too small.
LQuat drawRotation(const BulletOp& op, OMB_RANDOM* random) {
  const float angle = wrapRadians(op.angle + op.angleRange * randomFloat(random));
  if (std::fabs(angle) < kRotationEpsilon) return kQuatIdentity;
  LVec3 axis;
  axis.x = op.axis.x + op.axisRange.x * randomFloat(random);
  axis.y = op.axis.y + op.axisRange.y * randomFloat(random);
  axis.z = op.axis.z + op.axisRange.z * randomFloat(random);
  if (isTinyAxis(axis)) return kQuatIdentity;
  return quatFromAxisAngle(axis, angle);
}

// Turns the rotation so that its up axis points along +Y.
void turnUpright(LQuat& rotation) {
  const LVec3 up = quatRow(rotation, 1);
  const LVec3 y{0.0f, 1.0f, 0.0f};
  const LVec3 axis = vec3Cross(up, y);
  if (isTinyAxis(axis)) return;
  quatMultiply(rotation, quatFromAxisAngle(axis, angleBetween(y, up)), rotation);
}

void startGenerator(BulletProgramState& state, const BulletOp& op) {
  state.generator = BulletOpKind::None;
  state.remaining = 0;
  state.binds = nullptr;
  if (op.binds.empty()) return;
  state.binds = &op.binds;
  state.generator = op.kind;
  if (op.kind == BulletOpKind::GenColl) {
    state.collAxis = op.collAxis;
    state.collFlags = op.collFlags;
    return;
  }
  if (op.count == 0) {
    state.generator = BulletOpKind::None;
    state.binds = nullptr;
    return;
  }
  state.remaining = op.count;
  state.interval = op.interval;
  state.countdown = 0;
  state.index = op.kind == BulletOpKind::GenPat ? uint32_t(op.set) : 0;
}

void runOp(BulletProgramState& state, const BulletOp& op, LQuat& oneFrame, OMB_RANDOM* random) {
  switch (op.kind) {
    case BulletOpKind::Move:
      state.speed = op.speed;
      state.targetSpeed = op.targetSpeed;
      state.speedStep = op.speedStep;
      break;
    case BulletOpKind::Lockon:
      state.lockFlags = kLockActive;
      if (op.lockFlags & kLockonOpContinue) state.lockFlags |= kLockContinue;
      if (op.lockFlags & kLockonOpXz) state.lockFlags |= kLockXz;
      if (op.lockFlags & kLockonOpRotX) state.lockFlags |= kLockRotX;
      state.rate = op.rate * state.lockonBias;
      state.rateLimit = op.limit * state.lockonBias;
      state.rateChange = op.change * state.lockonBias;
      break;
    case BulletOpKind::Rot:
      oneFrame = drawRotation(op, random);
      break;
    case BulletOpKind::Drot:
      state.turn = drawRotation(op, random);
      break;
    case BulletOpKind::RotYTop:
      turnUpright(state.rotation);
      break;
    case BulletOpKind::GenRand:
    case BulletOpKind::GenSet:
    case BulletOpKind::GenPat:
    case BulletOpKind::GenColl:
      startGenerator(state, op);
      break;
    case BulletOpKind::None:
      break;
  }
}

// The direction to the aim point, in world units, before its xz and rotx adjustments.
LVec3 directionToTarget(const BulletProgramState& state, const BulletAim& aim) {
  LMat m;
  quatToMatrix(m, state.rotation);
  const float offset[3] = {aim.targetOffset.x, aim.targetOffset.y, aim.targetOffset.z};
  float turned[3];
  vec3TransformCoord(m, offset, turned);
  const FixedVec3 add = vec3ToFixed(turned[0], turned[1], turned[2]);
  const FixedVec3& base = *aim.targetBase;
  const LVec3 delta{float(base.x + add.x - aim.position.x) * kFixedToFloat,
                    float(base.y + add.y - aim.position.y) * kFixedToFloat,
                    float(base.z + add.z - aim.position.z) * kFixedToFloat};
  LVec3 d;
  vec3Normalize(d, delta);
  return d;
}

void homingTurn(BulletProgramState& state, LVec3 d) {
  if (state.lockFlags & kLockXz) {
    d.y = 0.0f;
    vec3Normalize(d, d);
  }
  if (state.lockFlags & kLockRotX) {
    const LVec3 x = quatRow(state.rotation, 0);
    const float along = vec3Dot(d, x);
    d = {d.x - x.x * along, d.y - x.y * along, d.z - x.z * along};
    vec3Normalize(d, d);
  }
  const LVec3 forward = quatRow(state.rotation, 2);
  float t = angleBetween(forward, d);
  if (t < kRotationEpsilon) return;
  // A target straight behind gives no axis to turn about (and a zero axis would scale the
  // rotation instead of turning it): the turn waits for a frame with a direction.
  const LVec3 axis = vec3Cross(forward, d);
  if (isTinyAxis(axis)) return;
  if (t > state.rate) t = state.rate;
  if (t < -state.rate) t = -state.rate;
  quatMultiply(state.rotation, quatFromAxisAngle(axis, t), state.rotation);
}

void stepLockon(BulletProgramState& state, const BulletAim& aim) {
  if (!(state.lockFlags & kLockActive)) return;
  state.rate += state.rateChange;
  if ((state.rateChange > 0.0f && state.rate > state.rateLimit) ||
      (state.rateChange <= 0.0f && state.rate < state.rateLimit)) {
    state.rate = state.rateLimit;
  }
  if (state.rate == 0.0f && state.rateChange == 0.0f) {
    state.lockFlags = 0;
    return;
  }
  // Without a target that can be homed on there is no direction this frame: nothing turns and
  // the direction check waits.
  if (!aim.targetBase) return;
  const LVec3 d = directionToTarget(state, aim);
  homingTurn(state, d);
  if (state.lockFlags & kLockContinue) return;
  if (!(state.lockFlags & kLockFirstStored)) {
    state.firstDirection = d;
    state.lockFlags |= kLockFirstStored;
  } else if (vec3Dot(d, state.firstDirection) <= 0.0f) {
    state.lockFlags = 0;
  }
}

void spawn(const BulletProgramState& state, const BulletBind& bind, const LQuat& rotation,
           const FixedVec3& position, BulletSpawner& spawner) {
  LMat m;
  quatToMatrix(m, state.rotation);
  const float offset[3] = {float(bind.offset.x), float(bind.offset.y), float(bind.offset.z)};
  float turned[3];
  vec3TransformCoord(m, offset, turned);
  BulletSpawnRequest request;
  request.program = bind.program;
  request.position = {position.x + roundFixed(turned[0]), position.y + roundFixed(turned[1]),
                      position.z + roundFixed(turned[2])};
  quatMultiply(request.rotation, state.rotation, rotation);
  request.targetOffset = bind.targetOffset;
  spawner.spawn(request);
}

uint32_t collisionMask(BulletCollAxis axis) {
  switch (axis) {
    case BulletCollAxis::X: return 1;
    case BulletCollAxis::Y: return 8;
    case BulletCollAxis::Z: return 64;
    case BulletCollAxis::XOrZ: return 65;
    case BulletCollAxis::None: break;
  }
  return 0;
}

}  // namespace

void runBulletProgram(BulletProgramState& state, const std::vector<BulletOp>& ops, uint32_t frame,
                      const BulletAim& aim, OMB_RANDOM* random) {
  LQuat oneFrame = kQuatIdentity;
  while (state.pc < ops.size() && uint32_t(ops[state.pc].frame) <= frame) {
    runOp(state, ops[state.pc], oneFrame, random);
    ++state.pc;
  }
  LQuat turn;
  quatMultiply(turn, oneFrame, state.turn);
  quatMultiply(state.rotation, state.rotation, turn);
  stepLockon(state, aim);
}

bool runBulletGenerator(BulletProgramState& state, uint32_t moveResult, const FixedVec3& position,
                        const BulletDirectionSets& sets, BulletSpawner& spawner,
                        OMB_RANDOM* random) {
  if (state.generator == BulletOpKind::GenColl) {
    if (!(moveResult & collisionMask(state.collAxis))) return true;
    for (const BulletBind& bind : *state.binds) spawn(state, bind, bind.rotation, position, spawner);
    state.generator = BulletOpKind::None;
    state.binds = nullptr;
    return !(state.collFlags & kGenCollExit);
  }
  while (state.remaining != 0) {
    if (state.countdown != 0) {
      --state.countdown;
      return true;
    }
    state.countdown = state.interval;
    --state.remaining;
    const std::vector<BulletBind>& binds = *state.binds;
    const int32_t last = int32_t(binds.size()) - 1;
    switch (state.generator) {
      case BulletOpKind::GenRand: {
        const BulletBind& bind = binds[size_t(randomRange(0, last, random))];
        spawn(state, bind, bind.rotation, position, spawner);
        break;
      }
      case BulletOpKind::GenSet: {
        if (state.index >= binds.size()) state.index = 0;
        const BulletBind& bind = binds[state.index++];
        spawn(state, bind, bind.rotation, position, spawner);
        break;
      }
      case BulletOpKind::GenPat:
        for (const LQuat& p : sets[state.index]) {
          const BulletBind& bind = binds[size_t(randomRange(0, last, random))];
          LQuat rotation;
          quatMultiply(rotation, p, bind.rotation);
          spawn(state, bind, rotation, position, spawner);
        }
        break;
      default:
        state.remaining = 0;
        break;
    }
  }
  return true;
}

}  // namespace rond

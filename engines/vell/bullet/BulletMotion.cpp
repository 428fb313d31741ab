#include "engines/vell/bullet/BulletMotion.h"

#include "foundation/math/DetMath.h"
#include "foundation/math/LMat.h"
#include "foundation/math/LQuat.h"
#include "foundation/math/Radians.h"
#include "foundation/omb/text/ombChar.h"
#include "foundation/omb/text/ombNumber.h"
#include "foundation/omb/text/ombString.h"
#include "foundation/omb/text/ombToken.h"
#include "model/math/EngineRandom.h"
#include "model/math/FixedPoint.h"

#include <climits>
#include <cmath>

namespace vell {
namespace {

constexpr float kEpsilon = 0.000001f;

// Blanks and line ends.
const char16_t* skipBlanks(const char16_t* p) {
  for (;;) {
    p = ombStrSkipBlank(p);
    if (*p != u'\n' && *p != u'\r') return p;
    ++p;
  }
}

// A cursor over one text: numbers read from the current position, tokens skipped whole (with
// their "= value" part).
class Text {
 public:
  explicit Text(const char16_t* text) : p_(skipBlanks(text != nullptr ? text : u"")) {}
  bool atEnd() const { return *p_ == 0; }
  bool startsWithDigit() const { return ombCharIsDigit(*p_); }
  void skip() {
    const char16_t* q = ombStrSkipToken(p_, nullptr);
    if (q == p_ && *q != 0) ++q;
    p_ = skipBlanks(q);
  }
  float number() {
    if (atEnd()) return 0.0f;
    const float v = float(ombStrToDouble(p_, nullptr));
    skip();
    return v;
  }
  int32_t integer() {
    if (atEnd()) return 0;
    const long v = ombStrToLong(p_, nullptr);
    skip();
    return int32_t(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
  }
  // The next word (at most 31 units), empty at the end.
  const char16_t* word() {
    word_[0] = 0;
    if (atEnd()) return word_;
    ombStrParseToken(p_, nullptr, word_, kWord, true);
    skip();
    return word_;
  }

 private:
  static constexpr uint32_t kWord = 32;
  const char16_t* p_;
  char16_t word_[kWord];
};

bool isEmpty(const char16_t* text) { return Text(text).atEnd(); }

bool isWord(const char16_t* item, const char16_t* word) {
  return ombStrIsEqualNoCase(item, word, ombStrLength(word) + 1);
}

LVec3 scaled(const LVec3& v, float s) { return {v.x * s, v.y * s, v.z * s}; }
LVec3 added(const LVec3& a, const LVec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
bool isZero(const LVec3& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }

float clampedAcos(float dot) {
  if (dot >= 1.0f) return 0.0f;
  if (dot <= -1.0f) return kPi;
  return detmath::acos(dot);
}

LVec3 axisOf(const LQuat& q, int row) {
  LMat m;
  quatToMatrix(m, q);
  return {m.m[row][0], m.m[row][1], m.m[row][2]};
}

// x y z angle [x2 y2 z2 [a]] for one text; for several, the product of each text's rotation.
bool parseRotation(const std::vector<const char16_t*>& texts, RandomRotation& out) {
  out = RandomRotation{};
  if (texts.size() == 1) {
    Text t(texts[0]);
    if (t.atEnd()) return false;
    out.axisBase.x = t.number();
    out.axisBase.y = t.number();
    out.axisBase.z = t.number();
    out.angleBase = t.number() * kDegreesToRadians;
    if (!t.atEnd()) {
      const float x2 = t.number(), y2 = t.number(), z2 = t.number();
      out.axisRange = {x2 - out.axisBase.x, y2 - out.axisBase.y, z2 - out.axisBase.z};
      out.angleRange = t.number() * kDegreesToRadians;
    }
    return true;
  }
  LQuat product = kQuatIdentity;
  bool any = false;
  for (const char16_t* text : texts) {
    Text t(text);
    if (t.atEnd()) continue;
    LVec3 axis;
    axis.x = t.number();
    axis.y = t.number();
    axis.z = t.number();
    const float angle = wrapRadians(t.number() * kDegreesToRadians);
    quatMultiply(product, product, quatFromAxisAngle(axis, angle));
    any = true;
  }
  if (!any) return false;
  const float len = std::sqrt(product.x * product.x + product.y * product.y +
                              product.z * product.z + product.w * product.w);
  if (len > 0.0f) product = {product.x / len, product.y / len, product.z / len, product.w / len};
  const float w = product.w > 1.0f ? 1.0f : product.w < -1.0f ? -1.0f : product.w;
  const float half = detmath::acos(w);
  const float s = detmath::sin(half);
  out.angleBase = 2.0f * half;
  // A product without a turn (w = +-1) has no axis: it stays zero, which draws the identity,
  // rather than dividing by a zero sine.
  if (std::fabs(s) >= kEpsilon) out.axisBase = {product.x / s, product.y / s, product.z / s};
  return true;
}

BulletBind parseBind(const BindRecord& record) {
  BulletBind bind;
  bind.motion = record.motion;
  bind.flags = uint32_t(record.flags);
  auto triple = [](const char16_t* text, LVec3& base, LVec3& range) {
    Text t(text);
    base.x = t.number();
    base.y = t.number();
    base.z = t.number();
    if (t.atEnd()) return;
    const float x2 = t.number(), y2 = t.number(), z2 = t.number();
    range = {x2 - base.x, y2 - base.y, z2 - base.z};
  };
  triple(record.position, bind.positionBase, bind.positionRange);
  parseRotation(record.rotations, bind.rotation);
  triple(record.targetOffset, bind.targetOffsetBase, bind.targetOffsetRange);
  bind.trackRotLimit = (bind.flags & kBindAngle) != 0 ? record.trackRotLimit : kFullTrackRotLimit;
  bind.timeout = (bind.flags & kBindTimeout) != 0 ? record.timeout : -1;
  return bind;
}

float draw(OMB_RANDOM* random) { return randomFloat(random); }

LVec3 drawVector(const LVec3& base, const LVec3& range, OMB_RANDOM* random) {
  LVec3 v;
  v.x = base.x + draw(random) * range.x;
  v.y = base.y + draw(random) * range.y;
  v.z = base.z + draw(random) * range.z;
  return v;
}

// The lock-on turn towards `aim`; false when there is none.
bool lockonTurn(const BulletMotionState& state, const LVec3& aim, LQuat& q, LVec3& direction) {
  LVec3 d;
  vec3Normalize(d, vec3Subtract(aim, state.position));
  direction = d;
  if ((state.flags & kBulletLockXz) != 0) {
    d.y = 0.0f;
    vec3Normalize(d, d);
  }
  if ((state.flags & kBulletLockRotX) != 0) {
    const LVec3 x = axisOf(state.rotation, 0);
    d = vec3Subtract(d, scaled(x, vec3Dot(d, x)));
    vec3Normalize(d, d);
  }
  const LVec3 f = axisOf(state.rotation, 2);
  float a = clampedAcos(vec3Dot(f, d));
  LVec3 axis{0.0f, 0.0f, 1.0f};
  if (isZero(d)) {
    // On the aim point itself there is no direction to turn to.
    a = 0.0f;
  } else if (std::fabs(a) >= kEpsilon) {
    vec3Normalize(axis, vec3Cross(f, d));
    // Straight away from the aim the cross product vanishes: turn about the bullet's up axis
    // so that the turn stays a unit rotation.
    if (isZero(axis)) axis = axisOf(state.rotation, 1);
  } else {
    a = 0.0f;
  }
  if (a > state.rate) a = state.rate;
  if (a < -state.rate) a = -state.rate;
  float s, c;
  detmath::sincos(a * 0.5f, &s, &c);
  q = {axis.x * s, axis.y * s, axis.z * s, c};
  if ((state.flags & kBulletLockStrict) != 0) {
    const LVec3 u = axisOf(state.rotation, 1);
    const LVec3 f2 = rotateVector(q, f);
    const LVec3 u2 = rotateVector(q, u);
    const LVec3 v = vec3Cross(vec3Cross(f2, u), f2);
    const float b = clampedAcos(vec3Dot(v, u2));
    float sb, cb;
    detmath::sincos(b * 0.5f, &sb, &cb);
    const LQuat plus{f2.x * sb, f2.y * sb, f2.z * sb, cb};
    const LQuat minus{-f2.x * sb, -f2.y * sb, -f2.z * sb, cb};
    const LQuat& roll =
        vec3Dot(rotateVector(plus, u2), v) >= vec3Dot(rotateVector(minus, u2), v) ? plus : minus;
    quatMultiply(q, roll, q);
  }
  return true;
}

void applyEvent(BulletMotionState& state, const MotionEvent& e, LQuat& extra,
                OMB_RANDOM* random) {
  switch (e.kind) {
    case MotionEventKind::Move:
      state.speed = e.speed;
      state.speedLimit = e.speedLimit;
      state.acceleration = e.acceleration;
      break;
    case MotionEventKind::Lockon:
      state.flags |= kBulletLockActive;
      if ((e.lockonFlags & kLockonContinue) != 0) state.flags |= kBulletLockContinue;
      if ((e.lockonFlags & kLockonXz) != 0) state.flags |= kBulletLockXz;
      if ((e.lockonFlags & kLockonRotX) != 0) state.flags |= kBulletLockRotX;
      if ((e.lockonFlags & kLockonStrict) != 0) state.flags |= kBulletLockStrict;
      state.rate = e.rate * state.lockonBias;
      state.rateLimit = e.rateLimit * state.lockonBias;
      state.rateAcceleration = e.rateAcceleration * state.lockonBias;
      break;
    case MotionEventKind::Rot:
      extra = drawRotation(e.rotation, random);
      break;
    case MotionEventKind::Drot:
      state.turn = drawRotation(e.rotation, random);
      break;
    case MotionEventKind::RotYTop: {
      const LVec3 v = axisOf(state.rotation, 1);
      const LVec3 up{0.0f, 1.0f, 0.0f};
      const LVec3 axis = vec3Cross(v, up);
      if (std::fabs(axis.x) + std::fabs(axis.y) + std::fabs(axis.z) < kEpsilon) break;
      quatMultiply(state.rotation, quatFromAxisAngle(axis, clampedAcos(vec3Dot(v, up))), state.rotation);
      break;
    }
    case MotionEventKind::GenRand:
    case MotionEventKind::GenSet:
    case MotionEventKind::GenPat:
      if (!e.binds.empty() && e.count > 0) {
        state.generator = e.kind;
        state.count = e.count;
        state.interval = e.interval;
        state.countdown = 0;
        state.binds = e.binds.data();
        state.bindCount = uint32_t(e.binds.size());
        state.cursor = e.kind == MotionEventKind::GenPat ? e.pattern : 0;
      } else {
        state.generator = MotionEventKind::None;
      }
      break;
    case MotionEventKind::GenColl:
    case MotionEventKind::GenTimeout:
      if (!e.binds.empty()) {
        state.generator = e.kind;
        state.count = e.kind == MotionEventKind::GenTimeout ? e.count : 0;
        state.interval = e.kind == MotionEventKind::GenColl ? e.interval : 0;
        state.countdown = e.kind == MotionEventKind::GenColl ? e.count : 0;
        state.binds = e.binds.data();
        state.bindCount = uint32_t(e.binds.size());
        state.cursor = 0;
      } else {
        state.generator = MotionEventKind::None;
      }
      break;
    case MotionEventKind::None:
      break;
  }
}

LQuat turnOnto(LVec3 d) {
  vec3Normalize(d, d);
  if (std::fabs(d.x) < 0.001f && std::fabs(d.y) < 0.001f) {
    if (d.z >= 0.999f) return kQuatIdentity;
    if (d.z <= -0.999f) return quatFromAxisAngle({0.0f, 1.0f, 0.0f}, kPi);
  }
  LVec3 axis;
  vec3Normalize(axis, vec3Cross({0.0f, 0.0f, 1.0f}, d));
  return quatFromAxisAngle(axis, clampedAcos(d.z));
}

}  // namespace

std::vector<MotionEvent> BulletMotion::parse(const std::vector<KeyFrameRecord>& keyFrames) {
  std::vector<MotionEvent> events;
  for (const KeyFrameRecord& k : keyFrames) {
    auto add = [&](MotionEventKind kind) -> MotionEvent& {
      events.emplace_back();
      events.back().frame = k.frame;
      events.back().kind = kind;
      return events.back();
    };
    if (!isEmpty(k.move)) {
      Text t(k.move);
      const float speed = t.number();
      const float limit = t.atEnd() ? speed : t.number();
      const float acceleration = t.number();
      MotionEvent& e = add(MotionEventKind::Move);
      e.speed = floatToFixed(speed);
      e.speedLimit = floatToFixed(limit);
      e.acceleration = floatToFixed(acceleration);
    }
    if (!isEmpty(k.lockon)) {
      Text t(k.lockon);
      MotionEvent& e = add(MotionEventKind::Lockon);
      e.rate = t.number() * kDegreesToRadians;
      e.rateLimit = e.rate;
      if (t.startsWithDigit()) {
        e.rateLimit = t.number() * kDegreesToRadians;
        if (t.startsWithDigit()) e.rateAcceleration = t.number() * kDegreesToRadians;
      }
      while (!t.atEnd()) {
        const char16_t* w = t.word();
        if (isWord(w, u"continue")) e.lockonFlags |= kLockonContinue;
        else if (isWord(w, u"xz")) e.lockonFlags |= kLockonXz;
        else if (isWord(w, u"rotx")) e.lockonFlags |= kLockonRotX;
        else if (isWord(w, u"strict")) e.lockonFlags |= kLockonStrict;
      }
    }
    RandomRotation rotation;
    if (parseRotation(k.rotations, rotation)) add(MotionEventKind::Rot).rotation = rotation;
    if (parseRotation(k.turns, rotation)) add(MotionEventKind::Drot).rotation = rotation;
    if (k.rotYTop) add(MotionEventKind::RotYTop);
    if (k.binds.empty()) continue;
    std::vector<BulletBind> binds;
    for (const BindRecord& b : k.binds) binds.push_back(parseBind(b));
    if (!isEmpty(k.genRand) || !isEmpty(k.genSet) || !isEmpty(k.genPat)) {
      const char16_t* texts[3] = {k.genRand, k.genSet, k.genPat};
      const MotionEventKind kinds[3] = {MotionEventKind::GenRand, MotionEventKind::GenSet,
                                        MotionEventKind::GenPat};
      for (int i = 0; i < 3; ++i) {
        if (isEmpty(texts[i])) continue;
        Text t(texts[i]);
        MotionEvent& e = add(kinds[i]);
        e.interval = t.integer();
        e.count = t.integer();
        if (kinds[i] == MotionEventKind::GenPat) {
          const char16_t* w = t.word();
          static const char16_t* const names[5] = {u"r1", u"r2", u"r3", u"r4", u"r5"};
          for (int p = 0; p < 5; ++p)
            if (isWord(w, names[p])) e.pattern = p;
        }
        e.binds = binds;
      }
    }
    if (!isEmpty(k.genColl)) {
      Text t(k.genColl);
      const char16_t* w = t.word();
      int32_t reaction = -1;
      static const char16_t* const names[4] = {u"land", u"wall", u"ceil", u"hit"};
      for (int r = 0; r < 4; ++r)
        if (isWord(w, names[r])) reaction = r;
      uint32_t exit = 0;
      while (!t.atEnd())
        if (isWord(t.word(), u"exit")) exit = kGenCollExit;
      // A reaction that names no contact could never fire: it makes no event rather than one
      // that would stop a running generator for nothing.
      if (reaction >= 0) {
        MotionEvent& e = add(MotionEventKind::GenColl);
        e.interval = reaction;
        e.count = int32_t(exit);
        e.binds = binds;
      }
    }
    if (!isEmpty(k.genTimeout)) {
      Text t(k.genTimeout);
      MotionEvent& e = add(MotionEventKind::GenTimeout);
      e.count = t.integer();
      e.binds = binds;
    }
  }
  return events;
}

LVec3 rotateVector(const LQuat& q, const LVec3& v) {
  LMat m;
  quatToMatrix(m, q);
  return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0],
          v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
          v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

LQuat drawRotation(const RandomRotation& r, OMB_RANDOM* random) {
  const float angle = wrapRadians(r.angleBase + draw(random) * r.angleRange);
  if (std::fabs(angle) < kEpsilon) return kQuatIdentity;
  const LVec3 axis = drawVector(r.axisBase, r.axisRange, random);
  if (std::fabs(axis.x) + std::fabs(axis.y) + std::fabs(axis.z) < kEpsilon) return kQuatIdentity;
  return quatFromAxisAngle(axis, angle);
}

bool runMotionEvents(BulletMotionState& state, const std::vector<MotionEvent>& events,
                     const LockonTarget* target, OMB_RANDOM* random) {
  LQuat extra = kQuatIdentity;
  while (state.nextEvent < events.size() && events[state.nextEvent].frame <= state.frame) {
    applyEvent(state, events[state.nextEvent], extra, random);
    ++state.nextEvent;
  }
  quatMultiply(state.rotation, state.rotation, extra);
  quatMultiply(state.rotation, state.rotation, state.turn);
  if ((state.flags & kBulletLockActive) == 0) return false;
  state.rate += state.rateAcceleration;
  if (state.rateAcceleration <= 0.0f) {
    if (state.rate < state.rateLimit) state.rate = state.rateLimit;
  } else if (state.rate > state.rateLimit) {
    state.rate = state.rateLimit;
  }
  if (state.rate == 0.0f && state.rateAcceleration == 0.0f) {
    state.flags &= ~kBulletLockBits;
    return false;
  }
  if (target == nullptr) return false;
  if (target->destroying) return true;
  LVec3 offset;
  if (state.targetOffsetFix) {
    if (!state.offsetFixed) {
      state.fixedOffset = rotateVector(state.rotation, state.targetOffset);
      state.offsetFixed = true;
    }
    offset = state.fixedOffset;
  } else {
    offset = rotateVector(state.rotation, state.targetOffset);
  }
  LQuat q;
  LVec3 direction;
  if (!lockonTurn(state, added(target->point, offset), q, direction)) return false;
  quatMultiply(state.rotation, q, state.rotation);
  if ((state.flags & kBulletLockContinue) != 0) return false;
  if ((state.flags & kBulletLockStored) == 0) {
    state.reference = direction;
    state.flags |= kBulletLockStored;
  } else if (vec3Dot(direction, state.reference) <= 0.0f) {
    state.flags &= ~kBulletLockBits;
  }
  return false;
}

void moveBullet(BulletMotionState& state) {
  state.position =
      added(state.position, rotateVector(state.rotation, {0.0f, 0.0f, float(state.speed) / 1024.0f}));
}

void approachSpeed(BulletMotionState& state) {
  if (state.acceleration <= 0) {
    if (state.speed > state.speedLimit) {
      state.speed += state.acceleration;
      if (state.speed < state.speedLimit) state.speed = state.speedLimit;
    }
  } else if (state.speed < state.speedLimit) {
    state.speed += state.acceleration;
    if (state.speed > state.speedLimit) state.speed = state.speedLimit;
  }
}

void spawnChild(const BulletMotionState& state, const GeneratorFrame& frame,
                const BulletBind& bind, const LQuat& pattern, OMB_RANDOM* random,
                ChildSpawner& spawner) {
  const LVec3 position = drawVector(bind.positionBase, bind.positionRange, random);
  const LQuat r = drawRotation(bind.rotation, random);
  const LVec3 targetOffset = drawVector(bind.targetOffsetBase, bind.targetOffsetRange, random);
  ChildLaunch child;
  child.motion = bind.motion;
  child.mode = ((bind.flags & kBindTargetOffsetFix) != 0 ? 4 : 0) +
               ((bind.flags & kBindOwnerTrack) != 0 ? 2 : 0);
  child.trackRotLimit = bind.trackRotLimit;
  child.timeout = bind.timeout;
  child.targetOffset = targetOffset;
  LVec3 basePosition = frame.worldPosition;
  LQuat baseRotation = frame.worldRotation;
  if ((bind.flags & kBindOwnerTrack) != 0) {
    if (!frame.hasOwner) return;
    basePosition = state.position;
    baseRotation = state.rotation;
  }
  LQuat rotation;
  quatMultiply(rotation, baseRotation, pattern);
  quatMultiply(rotation, rotation, r);
  child.rotation = rotation;
  child.position = added(basePosition, rotateVector(baseRotation, position));
  spawner.add(child);
}

bool runGenerator(BulletMotionState& state, const GeneratorFrame& frame, OMB_RANDOM* random,
                  ChildSpawner& spawner) {
  switch (state.generator) {
    case MotionEventKind::GenColl: {
      const uint32_t bit = 1u << uint32_t(state.interval);
      if ((frame.contacts & bit) == 0) return true;
      for (uint32_t i = 0; i < state.bindCount; ++i)
        spawnChild(state, frame, state.binds[i], kQuatIdentity, random, spawner);
      state.generator = MotionEventKind::None;
      return (uint32_t(state.countdown) & kGenCollExit) == 0;
    }
    case MotionEventKind::GenTimeout:
      if (!frame.timedOut) return true;
      for (int32_t i = 0; i < state.count; ++i)
        spawnChild(state, frame, state.binds[uint32_t(i) % state.bindCount], kQuatIdentity, random,
                   spawner);
      state.generator = MotionEventKind::None;
      return false;
    case MotionEventKind::GenRand:
    case MotionEventKind::GenSet:
    case MotionEventKind::GenPat:
      if (state.count <= 0) return true;
      while (state.countdown == 0 && state.count > 0) {
        state.countdown = state.interval;
        --state.count;
        if (state.generator == MotionEventKind::GenRand) {
          const int32_t i = randomRange(0, int32_t(state.bindCount) - 1, random);
          spawnChild(state, frame, state.binds[i], kQuatIdentity, random, spawner);
        } else if (state.generator == MotionEventKind::GenSet) {
          spawnChild(state, frame, state.binds[state.cursor], kQuatIdentity, random, spawner);
          if (uint32_t(++state.cursor) >= state.bindCount) state.cursor = 0;
        } else {
          for (const LQuat& q : directionPattern(state.cursor)) {
            const int32_t i = randomRange(0, int32_t(state.bindCount) - 1, random);
            spawnChild(state, frame, state.binds[i], q, random, spawner);
          }
        }
      }
      state.countdown -= 1;
      if (state.count == 0) state.generator = MotionEventKind::None;
      return true;
    default:
      return true;
  }
}

const std::vector<LQuat>& directionPattern(int32_t pattern) {
  static const std::array<std::vector<LQuat>, 5> patterns = [] {
    const std::vector<std::vector<LVec3>> directions = {
        {{0.816497f, -0.471405f, -0.333333f}, {-0.816497f, -0.471405f, -0.333333f},
         {0.0f, 0.0f, 1.0f}, {0.0f, 0.609476f, 0.0f}},
        {{0, -1, 0}, {-1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1}, {0, 0, 1}},
        {{-0.816497f, -0.472938f, 0.331154f}, {-0.816497f, 0.472938f, -0.331155f},
         {0.0f, 0.941261f, 0.33768f}, {0, 0, 1}, {0.0f, -0.941261f, -0.33768f}, {0, 0, -1},
         {0.816497f, 0.472938f, -0.331154f}, {0.816497f, -0.472938f, 0.331155f}},
        {{-0.356822f, -0.872678f, 0.333333f}, {0.356822f, -0.872678f, 0.333333f},
         {0.57735f, -0.745356f, -0.333333f}, {0.0f, -0.666667f, -0.745356f},
         {-0.57735f, -0.745356f, -0.333333f}, {-0.57735f, -0.333333f, 0.745356f},
         {0.57735f, -0.333333f, 0.745356f}, {0.934172f, -0.127322f, -0.333333f}, {0, 0, -1},
         {-0.934172f, -0.127322f, -0.333333f}, {-0.934172f, 0.127322f, 0.333333f}, {0, 0, 1},
         {0.934172f, 0.127322f, 0.333333f}, {0.57735f, 0.333333f, -0.745356f},
         {-0.57735f, 0.333333f, -0.745356f}, {-0.57735f, 0.745356f, 0.333333f},
         {0.0f, 0.666667f, 0.745356f}, {0.57735f, 0.745356f, 0.333333f},
         {0.356822f, 0.872678f, -0.333333f}, {-0.356822f, 0.872678f, -0.333333f}},
        {{-0.525731f, -0.723607f, 0.447214f}, {-0.850651f, 0.276393f, 0.447214f},
         {0.0f, 0.894427f, 0.447214f}, {0.850651f, 0.276393f, 0.447214f},
         {0.525731f, -0.723607f, 0.447214f}, {0.0f, -0.894427f, -0.447214f},
         {-0.850651f, -0.276393f, -0.447214f}, {-0.525731f, 0.723607f, -0.447214f},
         {0.525731f, 0.723607f, -0.447214f}, {0.850651f, -0.276393f, -0.447214f}, {0, 0, 1},
         {0, 0, -1}}};
    std::array<std::vector<LQuat>, 5> built;
    for (size_t p = 0; p < 5; ++p)
      for (const LVec3& d : directions[p]) built[p].push_back(turnOnto(d));
    return built;
  }();
  return patterns[size_t(pattern >= 0 && pattern < 5 ? pattern : 0)];
}

}  // namespace vell

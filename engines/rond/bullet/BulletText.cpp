// The motion-program texts: items separated by blanks, a word optionally followed by "=" and a
// value that is skipped, words compared without the case of ASCII and full-width letters.

#include "engines/rond/bullet/BulletProgram.h"
#include "engines/rond/bullet/BulletRotation.h"
#include "foundation/math/DetMath.h"
#include "foundation/omb/text/ombChar.h"
#include "foundation/omb/text/ombNumber.h"
#include "foundation/omb/text/ombString.h"
#include "foundation/omb/text/ombToken.h"

#include <climits>
#include <cmath>

namespace rond {
namespace {

class Items {
 public:
  explicit Items(const char16_t* text) : p_(text != nullptr ? text : u"") { skip(); }

  bool atEnd() const { return *p_ == 0; }
  bool nextStartsWithDigit() const { return ombCharIsDigit(*p_); }

  // The next item, or an empty one at the end.
  const char16_t* next() {
    item_[0] = 0;
    if (atEnd()) return item_;
    p_ = ombStrGetToken(kCapacity, item_, p_, nullptr);
    skip();
    return item_;
  }
  float number() { return float(ombStrToDouble(next(), nullptr)); }
  int32_t integer() {
    const long v = ombStrToLong(next(), nullptr);
    return int32_t(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
  }

 private:
  static constexpr uint32_t kCapacity = 64;
  // Blanks, invisible units and line ends between items.
  void skip() {
    for (;;) {
      p_ = ombStrSkipBlank(p_);
      if (*p_ != u'\n' && *p_ != u'\r') return;
      ++p_;
    }
  }
  const char16_t* p_;
  char16_t item_[kCapacity];
};

bool isWord(const char16_t* item, const char16_t* word) {
  return ombStrIsEqualNoCase(item, word, ombStrLength(word) + 1);
}

BulletOp withKind(BulletOpKind kind) {
  BulletOp op;
  op.kind = kind;
  return op;
}

}  // namespace

BulletBind makeBulletBind(int32_t program, const LVec3& offset, const std::optional<LVec3>& axis,
                          float degrees, const LVec3& targetOffset) {
  BulletBind bind;
  bind.program = program;
  bind.offset = vec3ToFixed(offset.x, offset.y, offset.z);
  bind.targetOffset = vec3ToFixed(targetOffset.x, targetOffset.y, targetOffset.z);
  if (axis && std::fabs(degrees) >= 0.0001f) bind.rotation = quatFromAxisAngle(*axis, degrees * kDegreesToRadians);
  return bind;
}

BulletOp parseBulletMove(const char16_t* text) {
  BulletOp op = withKind(BulletOpKind::Move);
  Items items(text);
  const float speed = items.number();
  const float target = items.atEnd() ? speed : items.number();
  const float step = items.atEnd() ? 0.0f : items.number();
  op.speed = floatToFixed(speed);
  op.targetSpeed = floatToFixed(target);
  op.speedStep = floatToFixed(step);
  return op;
}

BulletOp parseBulletLockon(const char16_t* text) {
  BulletOp op = withKind(BulletOpKind::Lockon);
  Items items(text);
  op.rate = items.number() * kDegreesToRadians;
  op.limit = op.rate;
  if (items.nextStartsWithDigit()) {
    op.limit = items.number() * kDegreesToRadians;
    if (items.nextStartsWithDigit()) op.change = items.number() * kDegreesToRadians;
  }
  while (!items.atEnd()) {
    const char16_t* word = items.next();
    if (isWord(word, u"continue")) op.lockFlags |= kLockonOpContinue;
    if (isWord(word, u"xz")) op.lockFlags |= kLockonOpXz;
    if (isWord(word, u"rotx")) op.lockFlags |= kLockonOpRotX;
  }
  return op;
}

BulletOp parseBulletRot(const char16_t* text, BulletOpKind kind) {
  BulletOp op = withKind(kind);
  Items items(text);
  op.axis.x = items.number();
  op.axis.y = items.number();
  op.axis.z = items.number();
  op.angle = items.number() * kDegreesToRadians;
  if (!items.atEnd()) {
    // The far end of the axis and the width of the angle's range.
    const float x2 = items.number(), y2 = items.number(), z2 = items.number();
    op.axisRange = {x2 - op.axis.x, y2 - op.axis.y, z2 - op.axis.z};
    op.angleRange = items.number() * kDegreesToRadians;
  }
  return op;
}

BulletOp parseBulletRots(const std::vector<std::u16string>& texts, BulletOpKind kind) {
  if (texts.size() == 1) return parseBulletRot(texts[0].c_str(), kind);
  BulletOp op = withKind(kind);
  LQuat q = kQuatIdentity;
  for (const std::u16string& text : texts) {
    Items items(text.c_str());
    LVec3 axis;
    axis.x = items.number();
    axis.y = items.number();
    axis.z = items.number();
    const float angle = wrapRadians(items.number() * kDegreesToRadians);
    quatMultiply(q, q, quatFromAxisAngle(axis, angle));
  }
  const float length = std::sqrt(((q.x * q.x + q.y * q.y) + q.z * q.z) + q.w * q.w);
  if (length > 0.0f) q = {q.x / length, q.y / length, q.z / length, q.w / length};
  const float w = q.w > 1.0f ? 1.0f : q.w < -1.0f ? -1.0f : q.w;
  op.angle = 2.0f * detmath::acos(w);
  const LVec3 axis{q.x, q.y, q.z};
  if (!isTinyAxis(axis)) vec3Normalize(op.axis, axis);
  return op;
}

BulletOp parseBulletGenerator(const char16_t* text, BulletOpKind kind) {
  BulletOp op = withKind(kind);
  Items items(text);
  op.interval = items.integer();
  op.count = items.integer();
  // A negative count would run the generator's count-down through the whole integer range.
  if (op.count < 0) op.count = 0;
  if (op.interval < 0) op.interval = 0;
  if (kind == BulletOpKind::GenPat) {
    static const char16_t* const kSets[5] = {u"r1", u"r2", u"r3", u"r4", u"r5"};
    op.set = -1;
    while (!items.atEnd() && op.set < 0) {
      const char16_t* word = items.next();
      for (int i = 0; i < 5; ++i)
        if (isWord(word, kSets[i])) op.set = i;
    }
    // Without a set the pattern has no directions: the op starts no generator.
    if (op.set < 0) op.kind = BulletOpKind::None;
  }
  return op;
}

BulletOp parseBulletCollision(const char16_t* text) {
  BulletOp op = withKind(BulletOpKind::GenColl);
  Items items(text);
  while (!items.atEnd()) {
    const char16_t* word = items.next();
    if (op.collAxis == BulletCollAxis::None) {
      if (isWord(word, u"x")) op.collAxis = BulletCollAxis::X;
      if (isWord(word, u"y")) op.collAxis = BulletCollAxis::Y;
      if (isWord(word, u"z")) op.collAxis = BulletCollAxis::Z;
      if (isWord(word, u"xz")) op.collAxis = BulletCollAxis::XOrZ;
      if (op.collAxis != BulletCollAxis::None) continue;
    }
    if (isWord(word, u"exit")) op.collFlags |= kGenCollExit;
  }
  // Without an axis nothing can cut the move it watches: the op starts no generator.
  if (op.collAxis == BulletCollAxis::None) op.kind = BulletOpKind::None;
  return op;
}

void appendBulletEventOps(const BulletEventText& event, std::vector<BulletOp>& ops) {
  const int32_t frame = event.frame < 0 ? 0 : event.frame;
  auto add = [&](BulletOp op) {
    op.frame = frame;
    ops.push_back(std::move(op));
  };
  if (!event.move.empty()) add(parseBulletMove(event.move.c_str()));
  if (!event.lockon.empty()) add(parseBulletLockon(event.lockon.c_str()));
  if (event.rot)
    add(parseBulletRot(event.rot->c_str(), BulletOpKind::Rot));
  else if (event.rots)
    add(parseBulletRots(*event.rots, BulletOpKind::Rot));
  if (event.drot)
    add(parseBulletRot(event.drot->c_str(), BulletOpKind::Drot));
  else if (event.drots)
    add(parseBulletRots(*event.drots, BulletOpKind::Drot));
  if (event.rotYTop) add(withKind(BulletOpKind::RotYTop));
  if (event.binds.empty()) return;
  auto addGenerator = [&](BulletOp op) {
    op.binds = event.binds;
    add(std::move(op));
  };
  if (!event.genRand.empty()) addGenerator(parseBulletGenerator(event.genRand.c_str(), BulletOpKind::GenRand));
  if (!event.genSet.empty()) addGenerator(parseBulletGenerator(event.genSet.c_str(), BulletOpKind::GenSet));
  if (!event.genPat.empty()) addGenerator(parseBulletGenerator(event.genPat.c_str(), BulletOpKind::GenPat));
  if (!event.genColl.empty()) addGenerator(parseBulletCollision(event.genColl.c_str()));
}

}  // namespace rond

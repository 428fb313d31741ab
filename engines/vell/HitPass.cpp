#include "engines/vell/HitPass.h"

#include "engines/vell/Engine.h"
#include "engines/vell/FieldObject.h"
#include "engines/vell/ObjectManager.h"

#include <cmath>

namespace vell {

namespace {

float distanceSquared(const LVec3& a, const LVec3& b) {
  const float x = a.x - b.x, y = a.y - b.y, z = a.z - b.z;
  return x * x + y * y + z * z;
}

float dot(const LVec3& a, const LVec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
LVec3 sub(const LVec3& a, const LVec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

bool staticHit(const SphereItem& s, const SphereItem& t, float& d) {
  d = distanceSquared(t.end, s.end);
  const float r = t.radius + s.radius;
  return d <= r * r;
}

}  // namespace

bool sweptSpheresHit(const SphereItem& p, const SphereItem& q, float& tau) {
  const float r = p.radius + q.radius;
  const LVec3 d0 = sub(p.start, q.start);
  const float d0d0 = dot(d0, d0);
  if (d0d0 <= r * r) {
    tau = 0.0f;
    return true;
  }
  const LVec3 m = sub(sub(p.end, q.end), d0);
  const float mm = dot(m, m);
  if (mm == 0.0f) return false;
  const float k = dot(m, d0);
  const float disc = k * k - (d0d0 - r * r) * mm;
  if (disc < 0.0f) return false;
  tau = (-k - std::sqrt(disc)) / mm;
  return tau >= 0.0f && tau <= 1.0f;
}

void hitRecord(Object& object, uint32_t slot, Attack& attack, AttackNotices& notices) {
  DamageRecord& record = object.damage[slot];
  const SphereSet& mine = record.spheres;
  const SphereSet& theirs = attack.spheres;
  if (attack.flags & kAttackLeftOut) return;
  const float reach = theirs.boundRadius + mine.boundRadius;
  if (distanceSquared(mine.boundCentre, theirs.boundCentre) > reach * reach) return;
  const bool swept = (attack.flags & kAttackSwept) != 0;
  if ((attack.flags & kAttackEveryHit) || (record.flag & kDamageEveryHit)) {
    for (uint32_t i = 0; i < mine.itemCount; ++i) {
      for (uint32_t j = 0; j < theirs.itemCount; ++j) {
        float value = 0.0f;
        const bool touch = swept ? sweptSpheresHit(mine.items[i], theirs.items[j], value)
                                 : staticHit(mine.items[i], theirs.items[j], value);
        if (!touch) continue;
        if (record.remember(&attack)) notices.notifyDamage(attack, object, slot);
        break;
      }
    }
    return;
  }
  float best = 3.4028235e38f;
  bool found = false;
  for (uint32_t i = 0; i < mine.itemCount; ++i) {
    for (uint32_t j = 0; j < theirs.itemCount; ++j) {
      float value = 0.0f;
      if (swept) {
        if (sweptSpheresHit(mine.items[i], theirs.items[j], value) && value < best) {
          found = true;
          best = value;
        }
      } else if (staticHit(mine.items[i], theirs.items[j], value) && value < best) {
        found = true;
        best = value;
      }
    }
  }
  if (found) notices.recordHit(slot, object, attack, best);
}

void ObjectManager::hitPass(AttackNotices* notices) {
  if (notices == nullptr) return;
  ObjectSpace& space = engine_->space();
  forEachObject(live_, [&](Object& object) {
    for (uint32_t slot = 0; slot < 2; ++slot) {
      DamageRecord& record = object.damage[slot];
      if (record.mask == 0 || !(record.spheres.boundRadius > 0.0f)) continue;
      const OMB_ARRAY& found = space.query(record.spheres.boxMin, record.spheres.boxMax,
                                           record.mask);
      for (uint32_t i = 0; i < found.count; ++i) {
        auto* item = static_cast<SpaceItem* const*>(found.items)[i];
        hitRecord(object, slot, *static_cast<Attack*>(item->owner), *notices);
      }
    }
  });
  notices->sendHitNotifies();
}

}  // namespace vell

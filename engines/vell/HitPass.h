#pragma once

#include "engines/vell/SpaceItem.h"
#include "engines/vell/SphereSet.h"

#include <cstdint>

// What the objects' hit pass finds in the object collision space: attack items (bullets and
// dynamic attacks) filed under their attack mask, with their spheres, and the notices through
// which the attacks' owner reports the hits it is told about.
namespace vell {

struct DamageRecord;
struct Object;

enum AttackFlag : uint32_t {
  kAttackActive = 1,
  kAttackBullet = 2,
  kAttackEveryHit = 4,  // reported for every touching record, not only the nearest
  kAttackSwept = 8,     // spheres tested swept from the previous frame
  kAttackLeftOut = 16,  // not seen by the hit pass
};

// The part of an attack the hit pass reads. The item is filed in the object space with the
// attack's mask and this attack as its owner; the sphere set holds its spheres and bounding
// sphere.
struct Attack {
  SpaceItem item;
  uint32_t flags = 0;
  SphereSet spheres;
};

// Where the hit pass reports: every-hit attacks at once (after the record's history let the hit
// through), nearest-mode attacks as a recorded hit with its value, then once after the pass.
class AttackNotices {
 public:
  virtual void notifyDamage(Attack& attack, Object& object, uint32_t slot) = 0;
  virtual void recordHit(uint32_t slot, Object& object, Attack& attack, float value) = 0;
  virtual void sendHitNotifies() = 0;

 protected:
  ~AttackNotices() = default;
};

// Two moving spheres given as {previous, current, radius}: true with the first time of contact
// in [0, 1] (0 when they touch at the start).
bool sweptSpheresHit(const SphereItem& p, const SphereItem& q, float& tau);

// One damage record against one attack: every-hit mode reports through the record's history,
// nearest mode records the best distance or time. Exposed for the tests and the benchmark.
void hitRecord(Object& object, uint32_t slot, Attack& attack, AttackNotices& notices);

}  // namespace vell

#pragma once

#include "engines/vell/bullet/Attack.h"

#include <cstdint>

// What the objects' hit pass finds in the object collision space: attack items (bullets and
// dynamic attacks) filed under their attack mask, with their spheres, and the notices through
// which the attacks' owner reports the hits it is told about.
namespace vell {

struct DamageRecord;
struct Object;

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

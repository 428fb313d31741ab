#pragma once

#include "engines/rond/Attack.h"
#include "engines/rond/Object.h"
#include "engines/rond/SphereSet.h"
#include "engines/rond/bullet/BulletList.h"
#include "engines/rond/bullet/BulletProgram.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace rond {

class BulletManager;
class Player;
struct BulletMotion;
struct BulletType;
struct LevelGroup;

// Bullet modes: free, or the slot of the player whose rotation track it follows.
inline constexpr int32_t kBulletFree = 2;
// Pending end events.
inline constexpr uint32_t kBulletHit = 1, kBulletLeftBox = 2, kBulletErased = 4;
// Animation slots: the program runs in slot 0, the end animations play in 1 to 3.
enum BulletSlot : int32_t { kSlotNormal = 0, kSlotFadeout = 1, kSlotHit = 2, kSlotErase = 3 };
// Erosion budgets at this value are never spent.
inline constexpr int32_t kUnlimited = 2147483647;

// One preallocated bullet of a type: idle in the type's pool or live in its side's list.
class Bullet : public Object {
 public:
  // The object at the origin with the model (loaded from the directory, or cloned from the
  // source bullet's geometry) and its four animation entries; none for an empty name.
  void setupGeometry(Engine* engine, const char16_t* directory, const char16_t* name,
                     const Bullet* source);
  // Starts an animation slot with a fresh program state; false when the slot has no animation.
  bool setSlot(int32_t slot);
  // One frame; false means the bullet ends (the manager takes it back).
  bool update(BulletManager& manager);

  ListLink<Bullet> node;  // type's pool or side's live list
  ListLink<Bullet> victimLink, erosionLink;
  LevelGroup* victimGroup = nullptr;
  LevelGroup* erosionGroup = nullptr;
  int32_t budget = 0;

  AnimEntry* entries[4] = {};
  BulletType* type = nullptr;
  BulletMotion* program = nullptr;
  int32_t mode = kBulletFree;
  Object* targetObject = nullptr;
  LVec3 targetOffset;
  FixedVec3 trackOffset{0, 0, 0};
  FixedVec3 lastMove{0, 0, 0};
  uint8_t canHit = 0;
  uint32_t pendingEnd = 0;
  int32_t slot = kSlotNormal;
  uint32_t frame = 0;
  SphereSet attackSpheres;
  BulletProgramState state;
};

// The place (and, when asked, the rotation y (x) local) of an offset that follows the player's
// rotation track.
FixedVec3 trackedPosition(const Player& player, const FixedVec3& offset, LQuat* rotation,
                          const LQuat& local);

// Bullets of one level on one side; a bullet is in one victim and one erosion group at most.
struct LevelGroup {
  int32_t level = 0;
  IntrusiveList<Bullet, &Bullet::victimLink> victims;
  IntrusiveList<Bullet, &Bullet::erosionLink> eroders;
};

// Type flag: the model has no attack spheres, so its bullets never collide.
inline constexpr uint32_t kTypeNoCollision = 1;
// Program flags.
inline constexpr uint32_t kMotionNoCollision = 1, kMotionStaysOutside = 2, kMotionNoPlayerHit = 4;

// A bullet type: its model, its attack and all the bullets it may ever have live at once.
struct BulletType {
  int32_t side = 0;
  uint32_t flags = 0;
  AttackDefinition attack;
  LevelGroup* victimGroup = nullptr;
  LevelGroup* erosionGroup = nullptr;
  int32_t count = 0;
  std::vector<std::unique_ptr<Bullet>> bullets;
  IntrusiveList<Bullet, &Bullet::node> pool;
  int32_t pending = 0;
  int32_t handle = 0;
};

// A motion program of a type: its ops and the attack it completes from the type's.
struct BulletMotion {
  BulletType* type = nullptr;
  uint32_t flags = 0;
  int32_t timeout = 0;
  AttackDefinition attack;
  LevelGroup* victimGroup = nullptr;
  LevelGroup* erosionGroup = nullptr;
  std::vector<BulletOp> ops;
  int32_t handle = 0;

  // The program's own list, or the type's where the program has none.
  const std::vector<AttackPair>* notifyPlayers() const;
  const std::vector<AttackPair>* eraseScoretips() const;
};

}  // namespace rond

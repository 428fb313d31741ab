#pragma once

#include "engines/vell/SpaceItem.h"
#include "engines/vell/SphereSet.h"
#include "foundation/math/LVec3.h"
#include "foundation/omb/containers/ombList.h"
#include "script/ScriptObject.h"

#include <cstdint>

// What attacks in the field engine apart from the objects' own volumes: bullets and the objects'
// dynamic attacks. Both file an item in the object collision space with their attack spheres;
// the objects' hit pass finds them there and reports its hits back to the bullet manager.
namespace vell {

class BulletManager;
struct Object;

// Definition flags of a motion or a dynamic attack.
enum AttackDefFlag : int32_t {
  kDefMapCollision = 1,  // the bullet stops at the map (motions only)
  kDefEveryHit = 2,      // the hit pass reports every hit, not only the nearest
  kDefSwept = 4,         // the attack spheres are swept from the previous frame
  kDefLeftOut = 8,       // the hit pass leaves the attack out
};

// Embedded in every motion and every dynamic attack definition.
struct AttackDef {
  int32_t flags = 0;
  // Frames of life of a bullet (0 none); frames of activity of a dynamic attack (0 unlimited).
  int32_t timeout = 0;
  // Handed to the damaged object with every damage notify.
  ScriptObject notifies;
};

enum AttackFlag : uint32_t {
  kAttackActive = 1,  // a non-zero mask: the attack files itself in the collision space
  kAttackBullet = 2,
  kAttackEveryHit = 4,  // reported for every touching record, not only the nearest
  kAttackSwept = 8,     // spheres tested swept from the previous frame
  kAttackLeftOut = 16,  // not seen by the hit pass
};

// The part shared by bullets and dynamic attacks. The item is filed in the object space with
// the attack's mask and this attack as its owner (it must stay the first member: the space
// finds the attack through the item); the sphere set holds its spheres and bounding sphere.
struct Attack {
  SpaceItem item;
  uint32_t flags = 0;
  SphereSet spheres;

  BulletManager* manager = nullptr;
  const AttackDef* def = nullptr;
  uint32_t serial = 0;
  // A counted reference on the object (its reference count), or null.
  Object* owner = nullptr;
  // The bullet's world move of its last frame.
  LVec3 lastMove{0.0f, 0.0f, 0.0f};
  // The nearest-mode hit recorded by the hit pass. The object is only compared with null
  // outside the pass that recorded it: it may be gone by the attack's next frame.
  Object* hitObject = nullptr;
  float hitValue = 0.0f;
  uint32_t hitSlot = 0;
  // Frames a dynamic attack has been active.
  uint32_t activeFrames = 0;
  // Its place in a list of the manager (a type's free bullets, the live or removed bullets,
  // the dynamic attacks' lists) and in the manager's list of attacks with a recorded hit.
  OMB_LIST_LINK link{};
  OMB_LIST_LINK hitLink{};

  bool hasHit() const { return hitObject != nullptr; }
};

}  // namespace vell

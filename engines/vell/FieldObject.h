#pragma once

#include "engines/vell/AirMove.h"
#include "engines/vell/Base.h"
#include "engines/vell/CollTriangle.h"
#include "engines/vell/LandMove.h"
#include "engines/vell/Shadow.h"
#include "engines/vell/SpaceItem.h"
#include "engines/vell/SphereSet.h"
#include "foundation/math/LQuat.h"
#include "foundation/math/LVec3.h"
#include "foundation/omb/containers/ombList.h"
#include "model/load/Da3dObject.h"
#include "script/ScriptHandle.h"
#include "script/ScriptObject.h"
#include "sound/se/LSeManager.h"

#include <cstdint>
#include <memory>
#include <vector>

// A field object: one placed thing of a map (a character, a prop, a platform), a script task of
// its own with its models, its place and facing on the map, its move request and the two damage
// records through which attacks hit it. The object manager creates, updates and deletes it.
// Positions are fixed point (1/1024 unit), angles radians x 1024 wrapped into [0, 6434].
namespace vell {

class ObjectManager;
struct Attack;
struct CacheEntry;
struct DynamicDefinition;
struct CollMap;
struct Object;
struct ObjectGeometry;

enum ObjectFlag : uint32_t {
  kObjectHidden = 1,
  kObjectLandAngleAbsolute = 2,
  kObjectAirAngleAbsolute = 4,
  kObjectAirFromLand = 8,
  kObjectPushApart = 16,
  kObjectOutOfSpace = 32,
};

enum ObjectStatus : uint32_t { kObjectLive = 0, kObjectExited = 1, kObjectDestroy = 2 };

enum MoveMode : uint32_t { kMoveNone = 0, kMoveLand = 1, kMoveAir = 2, kMoveMap = 3 };

// The move status of the last update (what scripts read as the move result's "flag").
enum MoveStatus : uint32_t {
  kMoveStopped = 0x01,
  kMoveBlocked = 0x02,
  kMoveCeiling = 0x04,
  kMoveOnSlip = 0x08,
  kMoveOnEvent = 0x10,
};

// Geometry flags: which collision-group types the model has, and whether it is shown as the
// current or an extend animation.
enum GeometryFlag : uint32_t {
  kGeometryBody = 1,      // type 0: the collision cylinder
  kGeometryDamage0 = 2,   // type 3: damage record 0
  kGeometryDamage1 = 4,   // type 6: damage record 1
  kGeometryAttack = 8,    // type 4: attacks
  kGeometryShown = 16,
};

// Scripts hold geometries and animations as checked handles of these kinds; a handle goes stale
// when its geometry is released (the object's restart, exit or the map's reset).
extern const ScriptHandleKind kGeometryHandleKind;
extern const ScriptHandleKind kAnimationHandleKind;

struct ObjectAnim {
  ObjectAnim() = default;
  ~ObjectAnim() { scriptHandles().remove(handle); }
  ObjectAnim(const ObjectAnim&) = delete;
  ObjectAnim& operator=(const ObjectAnim&) = delete;

  ObjectGeometry* geometry = nullptr;
  dbtl::rcptr<L3DAnimInstance> anim;  // empty for the stand-in default
  int32_t handle = 0;                 // 0 until a script asks for it
};

// One model an object loaded: its cache entry and an instance of its own.
struct ObjectGeometry {
  ObjectGeometry() = default;
  ~ObjectGeometry() { scriptHandles().remove(handle); }
  ObjectGeometry(const ObjectGeometry&) = delete;
  ObjectGeometry& operator=(const ObjectGeometry&) = delete;

  Object* owner = nullptr;
  uint32_t flags = 0;
  CacheEntry* entry = nullptr;
  Da3dObject object;
  std::vector<std::unique_ptr<ObjectAnim>> anims;
  ObjectAnim* defaultAnim = nullptr;
  int32_t handle = 0;
};

struct ExtendSlot {
  ObjectAnim* anim = nullptr;
  LVec3 offset{0.0f, 0.0f, 0.0f};
  LQuat rotation = kQuatIdentity;
  LVec3 scale{1.0f, 1.0f, 1.0f};
};

inline constexpr uint32_t kHistorySize = 32;
// A remembered attacker is reported again once its counter has been halved to 0.
inline constexpr uint32_t kHistoryStart = 4;

// One of an object's two hit volumes: the spheres of a collision-group type of its current
// model, which attack items of the given mask hit.
struct DamageRecord {
  uint32_t mask = 0;  // 0 disables the record
  uint32_t flag = 0;  // bit 0: report every attack that touches, not only the nearest
  SphereSet spheres;  // bounding sphere, spheres and query box
  FixedVec3 centre{};
  struct Entry {
    uint32_t counter = 0;
    const void* attacker = nullptr;
  };
  Entry history[kHistorySize];
  ScriptObject notices;
  ScriptObject systemNotice;

  // The hit history: true when the attacker is not remembered (a new hit); a remembered one is
  // refreshed. A new attacker takes the last free entry; with none free it is not remembered.
  bool remember(const void* attacker);
  // Once per object update: every counter halves, so a remembered attacker that stops touching
  // is forgotten after three updates.
  void age();
  void resetHits();
};

inline constexpr uint32_t kDamageEveryHit = 1;

// The push-apart request of an object standing in another after an air move.
struct PushApart {
  const SpaceItem* self = nullptr;
  CollTriangle* landTriangle = nullptr;
  int32_t radius = 0;
  int32_t height = 0;
  FixedVec3 position{};
  CollTriangle* resultTriangle = nullptr;
  FixedVec3 resultPosition{};
};

struct MoveRequest {
  int32_t flags = 0;
  int32_t rise = 0;
  int32_t distance = 0;
  int32_t angle = 0;
};

// How objectCreate places the new object.
struct CreateRecord {
  uint8_t flags = 0;  // bit 0 the caller keeps a reference, bit 1 placed on the land
  FixedVec3 position{};
  int32_t angle = 0;
};

inline constexpr uint8_t kCreateKeepReference = 1;
inline constexpr uint8_t kCreateOnLand = 2;

struct Object : Base {
  Object();
  ~Object();
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  // Called by the manager right after the object joined the end of the live list; the object
  // when the caller keeps a reference, else null.
  Object* setup(ObjectManager& owner, const char16_t* groupName, const char16_t* scriptName,
                const CreateRecord& create, const ScriptObject& argsValue);
  // Reloads the sound groups and runs the object's script afresh.
  void start();
  void update();
  void draw(const float* lightDirection, const float* lightColor, const float* ambientColor);
  void teardown();

  ObjectGeometry* loadGeometry(const char16_t* name);
  static ObjectAnim* getAnimation(ObjectGeometry& geometry, const char16_t* name);
  void setCurrentAnimation(ObjectAnim* anim);
  void addCurrentAnimation(ObjectAnim* anim);
  void setExtendCount(uint32_t count);
  void setExtendAnimation(uint32_t index, ObjectAnim* anim);
  void addExtendAnimation(uint32_t index, ObjectAnim* anim);
  void releaseGeometry();

  void setPosition(const FixedVec3& p);
  void setPositionOnTriangle(CollTriangle* triangle, const FixedVec3& p);
  void setAngle(int32_t a);
  void attachLand(CollTriangle* triangle);
  void loadCollMap(const char16_t* modelName);
  // Any dynamic attack is released; with a definition and a low byte of `on` that is not 0 a
  // new one attacks with that byte as its mask.
  void setAttackDynamic(const DynamicDefinition* definition, int32_t on);
  void setLandMoveOption(int32_t slideAngle, uint32_t options, int32_t slipAngle,
                         int32_t slipFall);
  // Plays effect `id` attached to the current geometry's instance, at an offset (fixed point)
  // from it; from the engine's system effect data or the model's own. Nothing without a current
  // geometry or without that effect data.
  void showEffect(const FixedVec3& offset, uint32_t id, bool systemData, int32_t life,
                  const LQuat& effectRotation, const LVec3& scale);
  // Stamps a decal on the map at an offset (units) turned with the object, its angle added to
  // the object's.
  void addDecal(const LVec3& offset, const DecalHandle* handle, const DecalStamp& stamp);
  // The table of the index-th enabled event of the ground triangle's group, else null.
  ScriptObject getMapEvent(uint32_t index) const;
  // The shadow (Shadow.h) in the engine's shadow list; size in units, angle in radians.
  void setShadow(const DecalHandle* handle, const LVec3& size, float shadowAngle, float alpha,
                 float heightScale, float minimum, float maximum);
  void clearShadow();
  // The movement step of the update (platform move, or the move of the move mode, then the
  // collision entry and the event bit).
  void move();

  // One reference less; an object that is no longer live moves on when the last one goes.
  void releaseHandle();
  void deliverNotice(uint32_t slot, const ScriptObject& notice);

  Map* map() const;

  // The rider link: the object's place in its land triangle's riders (riderLinkOffset).
  OMB_LIST_LINK riderLink{};
  ObjectManager* manager = nullptr;
  OMB_LIST_LINK managerLink{};
  const char16_t* group = nullptr;
  const char16_t* name = nullptr;
  uint32_t status = kObjectLive;
  uint32_t references = 0;
  uint32_t flags = 0;
  LSeManager::_GROUPINFO* seGroup = nullptr;
  LSeManager::_GROUPINFO* voiceGroup = nullptr;
  std::vector<std::unique_ptr<ObjectGeometry>> geometries;
  ObjectGeometry* currentGeometry = nullptr;
  ObjectAnim* currentAnim = nullptr;
  std::vector<ExtendSlot> extend;
  FixedVec3 position{};
  int32_t angle = 0;
  LQuat rotation = kQuatIdentity;
  int32_t trackAngle = 0;
  CollTriangle* landTriangle = nullptr;
  CollTriangle* groundTriangle = nullptr;
  int32_t groundHeight = 0;
  uint32_t moveMode = kMoveNone;
  uint32_t moveStatus = 0;
  Vec3f moveDirection{0, 0, 1};
  Vec3f reflect{0, 0, 1};
  PushApart push;
  LandMove land;
  AirMove air;
  MoveRequest request;
  int32_t turnAngle = 0;
  FixedVec3 turnPivot{};
  SpaceItem entry;
  DamageRecord damage[2];
  Attack* dynamicAttack = nullptr;  // the bullet manager's
  CollMap* collMap = nullptr;
  Shadow shadow;

 private:
  // Hands the shadow where the object stands now.
  void feedShadow();
  void releaseRuntime();
  void stopOutputs(ObjectAnim* anim);
  void computeCylinder(const ObjectGeometry& geometry);
  void updateDamage();
  void forward(L3DObjectInstance& instance);
};

// The object a base is, or null for the other kinds.
inline Object* objectOfBase(Base* base) {
  return base != nullptr && base->kind == kBaseObject ? static_cast<Object*>(base) : nullptr;
}

}  // namespace vell

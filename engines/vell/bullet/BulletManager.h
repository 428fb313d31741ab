#pragma once

#include "engines/vell/HitPass.h"
#include "engines/vell/bullet/Bullet.h"
#include "foundation/omb/containers/ombList.h"
#include "foundation/omb/containers/ombMempool.h"
#include "script/ScriptHandle.h"
#include "script/ScriptObject.h"

#include <cstdint>
#include <memory>
#include <vector>

class L3DObjectInstance;
class StateHash;

// Everything that attacks in the field engine apart from the objects' own volumes: bullet
// types with their preallocated bullets, motion programs, dynamic attack definitions and the
// dynamic attacks themselves, the queue of launches, the removal history scripts read and the
// attacks whose recorded hit waits for its damage notify. The engine makes one with every map
// reset and frees it with the map; types, motions and definitions live as long as it does.
//
// Nothing is freed during play: removed bullets return to their type at the next update and
// released dynamic attacks to the free list at the second update, so pointers held during a
// frame stay valid, and launch requests come from a pool that only grows.
namespace vell {

class Engine;
class Map;

// What scripts hold: checked handles, refused once the manager that made them is gone.
extern const ScriptHandleKind kBulletTypeHandleKind;
extern const ScriptHandleKind kBulletMotionHandleKind;
extern const ScriptHandleKind kDynamicAttackHandleKind;

struct TypeDefinition {
  const char16_t* directory = u"";     // the model's directory
  const char16_t* geometryName = u"";  // empty: bullets without a model
  ScriptObject notifies;
  int32_t count = 0;
};

struct MotionDefinition {
  BulletType* type = nullptr;
  int32_t flags = 0;
  int32_t timeout = 0;
  ScriptObject notifies;
  std::vector<KeyFrameRecord> keyFrames;
};

struct DynamicDefinition {
  AttackDef attack;
  int32_t handle = 0;  // what scripts hold
};

// Launch modes.
inline constexpr uint32_t kLaunchRelative = 1;    // the pose is relative to the owner
inline constexpr uint32_t kLaunchTrackOwner = 2;  // the bullet follows the owner's facing
inline constexpr uint32_t kLaunchOffsetFix = 4;   // the target offset is turned only once

struct Launch {
  BulletMotion* motion = nullptr;
  uint32_t mode = 0;
  LVec3 position{0.0f, 0.0f, 0.0f};
  LQuat rotation = kQuatIdentity;
  Object* owner = nullptr;
  int32_t collAttackMask = 0;
  int32_t trackRotLimit = kFullTrackRotLimit;
  int32_t ownerTrackAngle = 0;
  Object* target = nullptr;
  LVec3 targetOffset{0.0f, 0.0f, 0.0f};
  float lockonBias = 1.0f;
  int32_t timeout = -1;  // -1: the motion's
};

enum class RemoveNotify { No, Yes };

// The map hit test of a bullet moving from p0 to p1 (units): the nearest front face of a
// bullet-collidable triangle within the move, its point and its set.
bool mapHitTest(Map& map, const LVec3& p0, const LVec3& p1, LVec3& hit, int32_t& set);

class BulletManager final : public AttackNotices {
 public:
  explicit BulletManager(Engine& engine);
  ~BulletManager();
  BulletManager(const BulletManager&) = delete;
  BulletManager& operator=(const BulletManager&) = delete;

  // A new type with `count` bullets, each with its own instance of the model (loaded through
  // the model cache when it is not cached).
  BulletType* defineType(const TypeDefinition& definition);
  // `count` more bullets for the type.
  void shareType(BulletType& type);
  BulletMotion* defineMotion(const MotionDefinition& definition);
  DynamicDefinition* defineDynamic(int32_t flags, int32_t timeout, const ScriptObject& notifies);

  // Queues a launch; false, with nothing changed, when the type has no free bullet left for it.
  // The request holds a reference on the owner and on the target until it is processed.
  bool add(const Launch& launch);

  // Once a frame: the history swap, the returns, every live bullet's frame, then the launches.
  void update();
  void draw(const float* lightDirection, const float* colour, const float* offset);
  // Every live bullet removed (with its position appended to the history the next update shows
  // when notify is Yes), every removed bullet and released attack returned, every request
  // dropped.
  void removeAll(RemoveNotify notify);
  // The history the scripts read: the bullets removed with notices before the last update, an
  // array of {pos = {x, y, z}}, or null.
  const ScriptObject& history() const { return history_[current_]; }

  // Dynamic attacks, behind the objects' natives and the objects' update and clean-up.
  Attack* attachDynamic(const DynamicDefinition& definition, Object& owner, uint32_t mask);
  void releaseDynamic(Attack& attack);
  void tickDynamic(Attack& attack, const L3DObjectInstance* geometry);

  // The hit pass's notices.
  void notifyDamage(Attack& attack, Object& object, uint32_t slot) override;
  void recordHit(uint32_t slot, Object& object, Attack& attack, float value) override;
  void sendHitNotifies() override;

  void hash(StateHash& h) const;

  Engine& engine() const { return *engine_; }
  OMB_LIST& live() { return live_; }
  OMB_LIST& removed() { return removed_; }
  uint32_t pendingCount() const { return pending_.count; }
  uint32_t nextSerial() const { return nextSerial_; }
  // For the tests of the serial's wrap.
  void setNextSerial(uint32_t serial) { nextSerial_ = serial; }
  uint32_t freeDynamicCount() const { return freeDynamic_.count; }

 private:
  // One launch waiting for the update, in a block of the request pool.
  struct Request {
    Launch launch;
    OMB_LIST_LINK link{};
  };
  class Children;

  void makeBullets(BulletType& type, int32_t count);
  void setupAttack(Attack& attack, const AttackDef& definition, Object* owner, uint32_t mask);
  void teardownAttack(Attack& attack);
  void refreshAttack(Attack& attack, const L3DObjectInstance* geometry);
  void releaseBullet(Bullet& bullet);
  void removeBullet(Bullet& bullet);
  void returnAll();
  void start(Request& request);
  void releaseRequest(Request& request);
  // One frame of a bullet; false when it ended.
  bool frame(Bullet& bullet);
  bool endPhase(Bullet& bullet);
  void moveNormal(Bullet& bullet, const LVec3& previous);
  void appendHistory(const Bullet& bullet);
  void dropOwner(Attack& attack);

  Engine* engine_;
  std::vector<std::unique_ptr<BulletType>> types_;
  std::vector<std::unique_ptr<BulletMotion>> motions_;
  std::vector<std::unique_ptr<DynamicDefinition>> dynamicDefinitions_;
  OMB_MEMPOOL requestPool_{};
  OMB_LIST pending_{};
  OMB_LIST live_{};
  OMB_LIST removed_{};
  ScriptObject history_[2];
  uint32_t current_ = 0;
  std::vector<std::unique_ptr<Attack>> dynamicAttacks_;  // every one made, free or not
  OMB_LIST freeDynamic_{};
  OMB_LIST activeDynamic_{};
  OMB_LIST released_[2];
  uint32_t releaseTarget_ = 0;
  uint32_t nextSerial_ = 1;
  OMB_LIST hitAttacks_{};
};

}  // namespace vell

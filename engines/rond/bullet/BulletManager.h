#pragma once

#include "engines/rond/Contact.h"
#include "engines/rond/bullet/Bullet.h"
#include "script/ScriptHandle.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class StateHash;

namespace rond {

class Engine;
class Player;

// Handle kinds of the bullet records scripts hold.
extern const ScriptHandleKind kBulletTypeHandle;
extern const ScriptHandleKind kBulletMotionHandle;

// Spawn modes of a request: free (generators), relative to the side's player (bulletAdd), or
// tracking that player's rotation track.
inline constexpr int32_t kSpawnFree = 0, kSpawnRelative = 1, kSpawnTracking = 2;

struct SpawnRequest {
  SpawnRequest* next = nullptr;
  BulletMotion* program = nullptr;
  int32_t mode = kSpawnFree;
  FixedVec3 position{0, 0, 0};
  LQuat rotation = kQuatIdentity;
  Object* target = nullptr;
  FixedVec3 targetOffset{0, 0, 0};
  float lockonBias = 1.0f;
};

// One enemy bullet near a player, in world units.
struct BulletReportEntry {
  float distanceSq = 0, distance = 0;
  LVec3 position, forward;
  float speed = 0;
};

struct BulletReport {
  bool done = false;
  uint32_t count = 0;
  BulletReportEntry entries[4];
};

// Every bullet of a match: the types and programs the players' scripts define, the bullets of
// each type made up front, the queue of spawn requests, the two sides' live bullets and the
// level groups of their erosion. Nothing is allocated per bullet in play: bullets move between
// their type's pool and a side's live list, and requests come from a block pool that only
// grows.
class BulletManager {
 public:
  explicit BulletManager(Engine* engine);
  ~BulletManager();
  BulletManager(const BulletManager&) = delete;
  BulletManager& operator=(const BulletManager&) = delete;

  // A new type of the side with `count` bullets of the named model from the directory (none
  // for an empty name); the attack's integers count from 0.
  BulletType* defineType(int32_t side, const AttackDefinition& attack, int32_t count,
                         const char16_t* directory, const char16_t* geometryName);
  // A program of the type: the attack read inheriting (unspecified values and lists come from
  // the type), the ops in their order.
  BulletMotion* defineMotion(BulletType* type, uint32_t flags, int32_t timeout,
                             const AttackDefinition& attack, std::vector<BulletOp> ops);

  // Queues a spawn; false when the type cannot hold one more (pending + 1 above its pool).
  bool requestSpawn(const LQuat& rotation, BulletMotion* program, int32_t mode,
                    const FixedVec3& position, Object* target, const FixedVec3& targetOffset,
                    float lockonBias);
  static bool canAdd(const BulletMotion& program) {
    return program.type->pending + 1 <= int32_t(program.type->pool.size());
  }

  // The frame's bullet phase, in its order.
  void update();
  void eraseOutOfBox(const Box& box);
  void hitPlayer(Player& player);
  void erodeBullets();
  void draw(const float lightDirection[3], const float multiplier[4], const float offset[4]);
  // The (at most four) nearest enemy bullets of the player, once a frame.
  const BulletReport& nearestReport(const Player& player);

  void eraseBullet(Bullet& bullet);
  // Every live bullet and request gone; the types keep their bullets.
  void removeAll();
  // removeAll, then the side's programs, types (their bullets) and level groups.
  void removeSide(int32_t side);

  // Sets the pending erase of a bullet in slot 0 and credits its score tips to the side.
  void eraseWithScoretips(Bullet& bullet, int32_t side, const std::vector<AttackPair>* list);

  void hash(StateHash& h) const;

  Engine* engine() const { return engine_; }
  const BulletDirectionSets& directionSets() const { return sets_; }
  using LiveList = IntrusiveList<Bullet, &Bullet::node>;
  const LiveList& live(int32_t side) const { return live_[side]; }
  const std::vector<std::unique_ptr<BulletType>>& types() const { return types_; }
  const std::vector<std::unique_ptr<BulletMotion>>& programs() const { return programs_; }
  uint32_t requestCount() const { return requestCount_; }
  // Request blocks made so far (they are reused, never freed while the manager lives).
  uint32_t requestBlocks() const { return uint32_t(chunks_.size()) * kRequestsPerChunk; }

 private:
  static constexpr uint32_t kRequestsPerChunk = 256;
  using Groups = std::vector<std::unique_ptr<LevelGroup>>;

  LevelGroup* group(Groups& groups, int32_t level);
  void levelGroups(int32_t side, int32_t victimLevel, int32_t erosionLevel, int32_t erosionCost,
                   LevelGroup*& victim, LevelGroup*& erosion);
  SpawnRequest* takeRequest();
  void returnRequest(SpawnRequest* request);
  void spawn(Bullet& bullet, const SpawnRequest& request);
  void joinGroups(Bullet& bullet);
  void processRequests();
  void erodeGroups(LevelGroup& g, LevelGroup& h, int32_t a, int32_t v);

  Engine* engine_;
  std::vector<std::unique_ptr<BulletType>> types_;
  std::vector<std::unique_ptr<BulletMotion>> programs_;
  std::vector<std::unique_ptr<SpawnRequest[]>> chunks_;
  SpawnRequest* free_ = nullptr;
  SpawnRequest* head_ = nullptr;
  SpawnRequest* tail_ = nullptr;
  uint32_t requestCount_ = 0;
  LiveList live_[2];
  Groups victimGroups_[2], erosionGroups_[2];
  BulletDirectionSets sets_;
  BulletReport reports_[2];
  // Scratch of the erosion pass: a victim group's colliding bullets in list order, their
  // bounds sorted by x, and the marks of one eroding bullet's candidates.
  struct Candidate {
    int32_t x, y, z, radius;
    uint32_t index;
  };
  std::vector<Bullet*> victims_;
  std::vector<Candidate> sorted_;
  std::vector<uint64_t> marks_;
};

// The five direction sets of the pattern generator (built once per manager).
BulletDirectionSets makeBulletDirectionSets();
// Whether a bullet takes part in collisions now: it can hit and has attack spheres.
inline bool bulletCollides(const Bullet& b) { return b.canHit != 0 && b.attackSpheres.radius != 0; }

// The leave-the-groups step of a bullet (end events, timeouts, erasing).
void leaveGroups(Bullet& bullet);

}  // namespace rond

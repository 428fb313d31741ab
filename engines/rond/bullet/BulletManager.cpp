// The bullet manager: types and programs, the request queue, the live lists, the frame's bullet
// phase (update, leaving the box, hits, erosion) and the nearest-bullet report.

#include "engines/rond/bullet/BulletManager.h"

#include "engines/rond/Player.h"
#include "engines/rond/RondEngine.h"
#include "engines/rond/ScoreTip.h"
#include "engines/rond/ScriptIndex.h"
#include "engines/rond/bullet/BulletRotation.h"
#include "foundation/bytes/StateHash.h"
#include "foundation/math/DetMath.h"
#include "foundation/math/LMat.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace rond {

const ScriptHandleKind kBulletTypeHandle{u"bullet type"};
const ScriptHandleKind kBulletMotionHandle{u"bullet motion"};

void leaveGroups(Bullet& bullet) {
  if (bullet.victimGroup != nullptr) bullet.victimGroup->victims.erase(&bullet);
  if (bullet.erosionGroup != nullptr) bullet.erosionGroup->eroders.erase(&bullet);
  bullet.victimGroup = nullptr;
  bullet.erosionGroup = nullptr;
}

BulletManager::BulletManager(Engine* engine) : engine_(engine), sets_(makeBulletDirectionSets()) {}

BulletManager::~BulletManager() {
  removeAll();
  removeSide(0);
  removeSide(1);
}

LevelGroup* BulletManager::group(Groups& groups, int32_t level) {
  auto it = std::find_if(groups.begin(), groups.end(),
                         [level](const auto& g) { return g->level >= level; });
  if (it != groups.end() && (*it)->level == level) return it->get();
  auto made = std::make_unique<LevelGroup>();
  made->level = level;
  return groups.insert(it, std::move(made))->get();
}

void BulletManager::levelGroups(int32_t side, int32_t victimLevel, int32_t erosionLevel,
                                int32_t erosionCost, LevelGroup*& victim, LevelGroup*& erosion) {
  victim = victimLevel >= 0 && victimLevel < kUnlimited ? group(victimGroups_[side], victimLevel)
                                                        : nullptr;
  erosion = erosionLevel > 0 && erosionCost >= 1 ? group(erosionGroups_[side], erosionLevel)
                                                 : nullptr;
}

BulletType* BulletManager::defineType(int32_t side, const AttackDefinition& attack, int32_t count,
                                      const char16_t* directory, const char16_t* geometryName) {
  auto type = std::make_unique<BulletType>();
  type->side = side;
  type->attack.copy(attack, AttackInherit::No);
  AttackDefinition& a = type->attack;
  for (int32_t* v : {&a.victimLevel, &a.victimCost, &a.erosionLevel, &a.erosionCost}) {
    if (*v < 0) *v = 0;
  }
  // A type's erosion group exists with its level; its programs drop it when their cost is 0.
  type->victimGroup = a.victimLevel < kUnlimited ? group(victimGroups_[side], a.victimLevel) : nullptr;
  type->erosionGroup = a.erosionLevel > 0 ? group(erosionGroups_[side], a.erosionLevel) : nullptr;
  type->count = count < 0 ? 0 : count;
  type->bullets.reserve(size_t(type->count));
  for (int32_t i = 0; i < type->count; ++i) {
    auto bullet = std::make_unique<Bullet>();
    bullet->type = type.get();
    bullet->setupGeometry(engine_, directory, geometryName,
                          i == 0 ? nullptr : type->bullets.front().get());
    type->pool.pushBack(bullet.get());
    type->bullets.push_back(std::move(bullet));
  }
  type->flags = kTypeNoCollision;
  if (!type->bullets.empty()) {
    const Geometry* g = type->bullets.front()->currentGeometry();
    if (g != nullptr && g->hasCollisionKind(4)) type->flags &= ~kTypeNoCollision;
  }
  types_.push_back(std::move(type));
  // The erosion pass's scratch holds every bullet there is, so play never grows it.
  size_t total = 0;
  for (const auto& t : types_) total += t->bullets.size();
  victims_.reserve(total);
  sorted_.reserve(total);
  marks_.reserve((total + 63) / 64);
  return types_.back().get();
}

BulletMotion* BulletManager::defineMotion(BulletType* type, uint32_t flags, int32_t timeout,
                                          const AttackDefinition& attack,
                                          std::vector<BulletOp> ops) {
  auto program = std::make_unique<BulletMotion>();
  program->type = type;
  program->flags = flags | (type->flags & kTypeNoCollision);
  program->timeout = timeout;
  program->attack.copy(attack, AttackInherit::Yes);
  AttackDefinition& a = program->attack;
  const AttackDefinition& t = type->attack;
  if (a.victimLevel < 0 && a.victimCost < 0 && a.erosionLevel < 0 && a.erosionCost < 0) {
    a.victimLevel = t.victimLevel;
    a.victimCost = t.victimCost;
    a.erosionLevel = t.erosionLevel;
    a.erosionCost = t.erosionCost;
    program->victimGroup = type->victimGroup;
    program->erosionGroup = type->erosionGroup;
  } else {
    if (a.victimLevel < 0) a.victimLevel = t.victimLevel;
    if (a.victimCost < 0) a.victimCost = t.victimCost;
    if (a.erosionLevel < 0) a.erosionLevel = t.erosionLevel;
    if (a.erosionCost < 0) a.erosionCost = t.erosionCost;
    levelGroups(type->side, a.victimLevel, a.erosionLevel, 1, program->victimGroup,
                program->erosionGroup);
  }
  if (a.erosionCost < 1) program->erosionGroup = nullptr;
  program->ops = std::move(ops);
  programs_.push_back(std::move(program));
  return programs_.back().get();
}

SpawnRequest* BulletManager::takeRequest() {
  if (free_ == nullptr) {
    auto chunk = std::make_unique<SpawnRequest[]>(kRequestsPerChunk);
    for (uint32_t i = 0; i < kRequestsPerChunk; ++i) {
      chunk[i].next = free_;
      free_ = &chunk[i];
    }
    chunks_.push_back(std::move(chunk));
  }
  SpawnRequest* r = free_;
  free_ = r->next;
  *r = SpawnRequest{};
  return r;
}

void BulletManager::returnRequest(SpawnRequest* request) {
  request->next = free_;
  free_ = request;
}

bool BulletManager::requestSpawn(const LQuat& rotation, BulletMotion* program, int32_t mode,
                                 const FixedVec3& position, Object* target,
                                 const FixedVec3& targetOffset, float lockonBias) {
  if (!canAdd(*program)) return false;
  ++program->type->pending;
  SpawnRequest* r = takeRequest();
  r->program = program;
  r->mode = mode;
  r->position = position;
  r->rotation = rotation;
  r->target = target;
  r->targetOffset = targetOffset;
  r->lockonBias = lockonBias;
  if (tail_ != nullptr) {
    tail_->next = r;
  } else {
    head_ = r;
  }
  tail_ = r;
  ++requestCount_;
  return true;
}

void BulletManager::joinGroups(Bullet& bullet) {
  const BulletMotion& program = *bullet.program;
  if ((program.flags & kMotionNoCollision) != 0) return;
  if (program.victimGroup != nullptr) {
    program.victimGroup->victims.pushBack(&bullet);
    bullet.victimGroup = program.victimGroup;
  }
  if (program.erosionGroup != nullptr) {
    program.erosionGroup->eroders.pushBack(&bullet);
    bullet.erosionGroup = program.erosionGroup;
    bullet.budget = program.attack.erosionCost;
  }
}

void BulletManager::spawn(Bullet& bullet, const SpawnRequest& request) {
  BulletType& type = *request.program->type;
  bullet.program = request.program;
  LQuat local = request.rotation;
  bullet.mode = kBulletFree;
  bullet.moveFlags = 0;
  if (request.mode == kSpawnFree) {
    bullet.position = request.position;
  } else if (request.mode == kSpawnRelative) {
    const Player* p = engine_->player(type.side);
    if (p != nullptr) {
      LMat m;
      quatToMatrix(m, p->rotation);
      const float offset[3] = {fixedToFloat(request.position.x), fixedToFloat(request.position.y),
                               fixedToFloat(request.position.z)};
      float turned[3];
      vec3TransformCoord(m, offset, turned);
      bullet.position = {
          int32_t(uint32_t(p->position.x) + uint32_t(roundFixed(turned[0] * 1024.0f))),
          int32_t(uint32_t(p->position.y) + uint32_t(roundFixed(turned[1] * 1024.0f))),
          int32_t(uint32_t(p->position.z) + uint32_t(roundFixed(turned[2] * 1024.0f)))};
      quatMultiply(local, p->rotation, request.rotation);
    } else {
      bullet.position = request.position;
    }
  } else {
    const Player* p = engine_->player(type.side);
    bullet.trackOffset = request.position;
    if (p != nullptr) {
      bullet.mode = type.side;
      bullet.position = trackedPosition(*p, bullet.trackOffset, &bullet.rotation, local);
      bullet.moveFlags = kMoveWorldSpace;
    } else {
      bullet.position = request.position;
    }
  }
  bullet.state.rotation = local;
  if (bullet.mode == kBulletFree) bullet.rotation = local;
  bullet.velocity = bullet.target = bullet.acceleration = FixedVec3{0, 0, 0};
  bullet.bias = FixedVec3{kFixedOne, kFixedOne, kFixedOne};
  bullet.targetObject = request.target;
  bullet.targetOffset = {fixedToFloat(request.targetOffset.x), fixedToFloat(request.targetOffset.y),
                         fixedToFloat(request.targetOffset.z)};
  bullet.state.lockonBias = request.lockonBias;
  bullet.lastMove = FixedVec3{0, 0, 0};
  bullet.canHit = 1;
  bullet.pendingEnd = 0;
  bullet.setSlot(kSlotNormal);
  if ((bullet.flags & kObjectOwnerLinked) == 0) {
    bullet.flags |= kObjectOwnerLinked;
    bullet.owner = &bullet;
  }
}

void BulletManager::processRequests() {
  // Requests that the bullets spawned here make join the queue and are taken in the same pass;
  // a type refuses requests beyond its pool, so the pass ends.
  while (head_ != nullptr) {
    SpawnRequest* r = head_;
    head_ = r->next;
    if (head_ == nullptr) tail_ = nullptr;
    --requestCount_;
    const SpawnRequest request = *r;
    returnRequest(r);
    BulletType& type = *request.program->type;
    --type.pending;
    Bullet* bullet = type.pool.popFront();
    if (bullet == nullptr) continue;
    live_[type.side].pushBack(bullet);
    bullet->program = request.program;
    joinGroups(*bullet);
    spawn(*bullet, request);
    if (!bullet->update(*this)) eraseBullet(*bullet);
  }
}

void BulletManager::update() {
  reports_[0].done = reports_[1].done = false;
  for (LiveList& list : live_) {
    for (Bullet* b = list.front(); b != nullptr;) {
      Bullet* next = LiveList::next(b);
      if (!b->update(*this)) eraseBullet(*b);
      b = next;
    }
  }
  processRequests();
}

void BulletManager::eraseOutOfBox(const Box& box) {
  for (LiveList& list : live_) {
    for (Bullet* b = list.front(); b != nullptr; b = LiveList::next(b)) {
      if (b->canHit == 0 || (b->program->flags & kMotionStaysOutside) != 0 ||
          b->slot != kSlotNormal) {
        continue;
      }
      const int64_t r = b->attackSpheres.radius;
      const FixedVec3& c = b->attackSpheres.centre;
      const bool inside = c.x + r >= box.min.x && box.max.x >= c.x - r && c.y + r >= box.min.y &&
                          box.max.y >= c.y - r && c.z + r >= box.min.z && box.max.z >= c.z - r;
      if (!inside) b->pendingEnd |= kBulletLeftBox;
    }
  }
}

void BulletManager::hitPlayer(Player& player) {
  if (player.bodySpheres.radius == 0) return;
  const int32_t side = 1 - player.slot();
  if (side != 0 && side != 1) return;
  for (Bullet* b = live_[side].front(); b != nullptr; b = LiveList::next(b)) {
    if (b->canHit == 0 || (b->program->flags & (kMotionNoCollision | kMotionNoPlayerHit)) != 0 ||
        b->attackSpheres.radius == 0 || !overlaps(b->attackSpheres, player.bodySpheres)) {
      continue;
    }
    if (b->slot == kSlotNormal) b->pendingEnd |= kBulletHit;
    Player::applyDamage(player, b->program->notifyPlayers(), b->lastMove);
  }
}

void BulletManager::draw(const float lightDirection[3], const float multiplier[4],
                         const float offset[4]) {
  for (LiveList& list : live_) {
    for (Bullet* b = list.front(); b != nullptr; b = LiveList::next(b)) {
      b->draw(lightDirection, multiplier, offset);
    }
  }
}

const BulletReport& BulletManager::nearestReport(const Player& player) {
  const int32_t s = player.slot();
  BulletReport& report = reports_[s];
  if (report.done) return report;
  report.done = true;
  report.count = 0;
  const LVec3 centre{fixedToFloat(player.centre.x), fixedToFloat(player.centre.y),
                     fixedToFloat(player.centre.z)};
  for (Bullet* b = live_[1 - s].front(); b != nullptr; b = LiveList::next(b)) {
    if (b->canHit == 0 || (b->program->flags & kMotionNoCollision) != 0 ||
        b->attackSpheres.radius == 0) {
      continue;
    }
    BulletReportEntry e;
    e.position = {fixedToFloat(b->position.x), fixedToFloat(b->position.y),
                  fixedToFloat(b->position.z)};
    const float dx = e.position.x - centre.x, dy = e.position.y - centre.y,
                dz = e.position.z - centre.z;
    e.distanceSq = (dx * dx + dy * dy) + dz * dz;
    e.distance = std::sqrt(e.distanceSq);
    e.forward = quatRow(b->rotation, 2);
    e.speed = fixedToFloat(b->velocity.z);
    uint32_t at = 0;
    while (at < report.count && report.entries[at].distanceSq <= e.distanceSq) ++at;
    if (at >= 4) continue;
    const uint32_t last = report.count < 4 ? report.count : 3;
    for (uint32_t i = last; i > at; --i) report.entries[i] = report.entries[i - 1];
    report.entries[at] = e;
    if (report.count < 4) ++report.count;
  }
  return report;
}

void BulletManager::eraseBullet(Bullet& bullet) {
  leaveGroups(bullet);
  bullet.stopAnimationKeys();
  live_[bullet.type->side].erase(&bullet);
  bullet.type->pool.pushBack(&bullet);
}

void BulletManager::removeAll() {
  for (LiveList& list : live_) {
    while (Bullet* b = list.front()) eraseBullet(*b);
  }
  while (head_ != nullptr) {
    SpawnRequest* r = head_;
    head_ = r->next;
    returnRequest(r);
  }
  tail_ = nullptr;
  requestCount_ = 0;
  for (const auto& type : types_) type->pending = 0;
}

void BulletManager::removeSide(int32_t side) {
  removeAll();
  ScriptHandleTable& handles = engine_->handles();
  std::erase_if(programs_, [&](const auto& p) {
    if (p->type->side != side) return false;
    handles.remove(p->handle);
    return true;
  });
  std::erase_if(types_, [&](const auto& t) {
    if (t->side != side) return false;
    handles.remove(t->handle);
    return true;
  });
  victimGroups_[side].clear();
  erosionGroups_[side].clear();
}

void BulletManager::hash(StateHash& h) const {
  h.u32(requestCount_);
  for (const auto& type : types_) h.i32(type->pending).u32(type->pool.size());
  for (const LiveList& list : live_) {
    h.u32(list.size());
    for (const Bullet* b = list.front(); b != nullptr; b = LiveList::next(b)) {
      h.i32(b->position.x).i32(b->position.y).i32(b->position.z);
      h.f32(b->rotation.x).f32(b->rotation.y).f32(b->rotation.z).f32(b->rotation.w);
      h.f32(b->state.rotation.x).f32(b->state.rotation.y).f32(b->state.rotation.z);
      h.f32(b->state.rotation.w);
      h.i32(b->state.speed).u32(b->state.pc).u32(b->state.lockFlags).i32(b->state.remaining);
      h.i32(b->slot).u32(b->frame).u32(b->pendingEnd).u32(b->canHit).i32(b->budget);
      h.i32(b->attackSpheres.radius);
    }
  }
}

}  // namespace rond

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

namespace {

// The rotation that turns +Z onto the direction.
LQuat directionQuat(float x, float y, float z) {
  LVec3 d;
  vec3Normalize(d, LVec3{x, y, z});
  if (d.x == 0.0f && d.y == 0.0f && d.z >= 0.999f) return kQuatIdentity;
  if (d.x == 0.0f && d.y == 0.0f && d.z <= -0.999f) {
    float s, c;
    detmath::sincos(kPi * 0.5f, &s, &c);
    return {0.0f, s, 0.0f, c};
  }
  const LVec3 zAxis{0.0f, 0.0f, 1.0f};
  return quatFromAxisAngle(vec3Cross(zAxis, d), angleBetween(zAxis, d));
}

BulletDirectionSets makeDirectionSets() {
  struct D {
    float x, y, z;
  };
  static const D set0[] = {{0.816497f, -0.471405f, -0.333333f},
                           {-0.816497f, -0.471405f, -0.333333f},
                           {0, 0, 1},
                           {0, 0.609476f, 0}};
  static const D set1[] = {{0, -1, 0}, {-1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1}, {0, 0, 1}};
  static const D set2[] = {{-0.816497f, -0.472938f, 0.331154f}, {-0.816497f, 0.472938f, -0.331155f},
                           {0, 0.941261f, 0.337680f},           {0, 0, 1},
                           {0, -0.941261f, -0.337680f},         {0, 0, -1},
                           {0.816497f, 0.472938f, -0.331154f},  {0.816497f, -0.472938f, 0.331155f}};
  static const D set3[] = {
      {-0.356822f, -0.872678f, 0.333333f}, {0.356822f, -0.872678f, 0.333333f},
      {0.577350f, -0.745356f, -0.333333f}, {0, -0.666667f, -0.745356f},
      {-0.577350f, -0.745356f, -0.333333f}, {-0.577350f, -0.333333f, 0.745356f},
      {0.577350f, -0.333333f, 0.745356f},  {0.934172f, -0.127322f, -0.333333f},
      {0, 0, -1},                          {-0.934172f, -0.127322f, -0.333333f},
      {-0.934172f, 0.127322f, 0.333333f},  {0, 0, 1},
      {0.934172f, 0.127322f, 0.333333f},   {0.577350f, 0.333333f, -0.745356f},
      {-0.577350f, 0.333333f, -0.745356f}, {-0.577350f, 0.745356f, 0.333333f},
      {0, 0.666667f, 0.745356f},           {0.577350f, 0.745356f, 0.333333f},
      {0.356822f, 0.872678f, -0.333333f},  {-0.356822f, 0.872678f, -0.333333f}};
  static const D set4[] = {
      {-0.525731f, -0.723607f, 0.447214f}, {-0.850651f, 0.276393f, 0.447214f},
      {0, 0.894427f, 0.447214f},           {0.850651f, 0.276393f, 0.447214f},
      {0.525731f, -0.723607f, 0.447214f},  {0, -0.894427f, -0.447214f},
      {-0.850651f, -0.276393f, -0.447214f}, {-0.525731f, 0.723607f, -0.447214f},
      {0.525731f, 0.723607f, -0.447214f},  {0.850651f, -0.276393f, -0.447214f},
      {0, 0, 1},                           {0, 0, -1}};
  BulletDirectionSets sets;
  auto fill = [](std::vector<LQuat>& out, const D* d, size_t n) {
    for (size_t i = 0; i < n; ++i) out.push_back(directionQuat(d[i].x, d[i].y, d[i].z));
  };
  fill(sets[0], set0, std::size(set0));
  fill(sets[1], set1, std::size(set1));
  fill(sets[2], set2, std::size(set2));
  fill(sets[3], set3, std::size(set3));
  fill(sets[4], set4, std::size(set4));
  return sets;
}

bool collides(const Bullet& b) { return b.canHit != 0 && b.attackSpheres.radius != 0; }

}  // namespace

void leaveGroups(Bullet& bullet) {
  if (bullet.victimGroup != nullptr) bullet.victimGroup->victims.erase(&bullet);
  if (bullet.erosionGroup != nullptr) bullet.erosionGroup->eroders.erase(&bullet);
  bullet.victimGroup = nullptr;
  bullet.erosionGroup = nullptr;
}

BulletManager::BulletManager(Engine* engine) : engine_(engine), sets_(makeDirectionSets()) {}

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

void BulletManager::eraseWithScoretips(Bullet& bullet, int32_t side,
                                       const std::vector<AttackPair>* list) {
  if (bullet.slot != kSlotNormal) return;
  bullet.pendingEnd |= kBulletErased;
  if (list == nullptr) return;
  for (const AttackPair& pair : *list) {
    for (int32_t i = 0; i < pair.second; ++i) {
      engine_->scoreTips().addTip(pair.first, side, bullet.position);
    }
  }
}

// Every pair of the specified order is visited as if by two nested loops over the groups' lists:
// for each eroding bullet A in its group's order, the victims B that overlap it in their group's
// order. The victims are sorted by x once per group pair, so that each A only looks at those
// whose bounds can reach it; the candidates are marked in a bit set indexed by list position and
// taken in that order. The reach is wider than the exact test by a margin that covers the
// rounding of its float arithmetic, and every candidate still passes the exact test, so the
// erased bullets, budgets and score tips are those of the plain double loop.
void BulletManager::erodeGroups(LevelGroup& g, LevelGroup& h, int32_t a, int32_t v) {
  victims_.clear();
  sorted_.clear();
  int64_t maxRadius = 0;
  for (Bullet* B = h.victims.front(); B != nullptr; B = decltype(h.victims)::next(B)) {
    if (!collides(*B)) continue;
    sorted_.push_back({B->attackSpheres.centre.x, uint32_t(victims_.size())});
    victims_.push_back(B);
    maxRadius = std::max<int64_t>(maxRadius, B->attackSpheres.radius);
  }
  if (victims_.empty()) return;
  std::sort(sorted_.begin(), sorted_.end(),
            [](const Candidate& l, const Candidate& r) { return l.x < r.x; });
  marks_.assign((victims_.size() + 63) / 64, 0);
  auto reach = [](int64_t r) { return r + (r >> 10) + 2; };
  for (Bullet* A = g.eroders.front(); A != nullptr; A = decltype(g.eroders)::next(A)) {
    if (!collides(*A)) continue;
    const SphereSet& sa = A->attackSpheres;
    const int64_t ax = sa.centre.x;
    const int64_t wide = reach(sa.radius + maxRadius);
    auto it = std::lower_bound(sorted_.begin(), sorted_.end(), ax - wide,
                               [](const Candidate& c, int64_t x) { return c.x < x; });
    for (; it != sorted_.end() && it->x <= ax + wide; ++it) {
      const SphereSet& sb = victims_[it->index]->attackSpheres;
      const int64_t r = reach(int64_t(sa.radius) + sb.radius);
      if (std::llabs(int64_t(sb.centre.x) - ax) <= r &&
          std::llabs(int64_t(sb.centre.y) - sa.centre.y) <= r &&
          std::llabs(int64_t(sb.centre.z) - sa.centre.z) <= r) {
        marks_[it->index >> 6] |= uint64_t(1) << (it->index & 63);
      }
    }
    for (size_t w = 0; w < marks_.size(); ++w) {
      while (marks_[w] != 0) {
        const int bit = __builtin_ctzll(marks_[w]);
        marks_[w] &= marks_[w] - 1;
        Bullet* B = victims_[w * 64 + size_t(bit)];
        if (!overlaps(sa, B->attackSpheres)) continue;
        eraseWithScoretips(*B, a, B->program->eraseScoretips());
        if (A->budget >= kUnlimited) continue;
        const int32_t k = B->program->attack.victimCost;
        if (k < A->budget) {
          A->budget -= k;
        } else {
          A->budget = 0;
          eraseWithScoretips(*A, v, A->program->eraseScoretips());
        }
      }
    }
  }
}

void BulletManager::erodeBullets() {
  for (int32_t a = 0; a < 2; ++a) {
    const int32_t v = 1 - a;
    if (engine_->player(a) == nullptr || engine_->player(v) == nullptr) continue;
    for (const auto& g : erosionGroups_[a]) {
      if (g->eroders.empty()) continue;
      for (const auto& h : victimGroups_[v]) {
        if (h->level >= g->level) break;
        if (!h->victims.empty()) erodeGroups(*g, *h, a, v);
      }
    }
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

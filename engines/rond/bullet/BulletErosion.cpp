// Erosion between the two sides' bullets: eroding level groups against the other side's lower
// victim groups, budgets spent in the pair order, score tips credited for every erased bullet.

#include "engines/rond/bullet/BulletManager.h"

#include "engines/rond/RondEngine.h"
#include "engines/rond/ScoreTip.h"

#include <algorithm>
#include <cstdlib>

namespace rond {

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

// Every pair is visited in the order of two nested loops over the groups' lists:
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
    if (!bulletCollides(*B)) continue;
    const SphereSet& sb = B->attackSpheres;
    sorted_.push_back(
        {sb.centre.x, sb.centre.y, sb.centre.z, sb.radius, uint32_t(victims_.size())});
    victims_.push_back(B);
    maxRadius = std::max<int64_t>(maxRadius, B->attackSpheres.radius);
  }
  if (victims_.empty()) return;
  std::sort(sorted_.begin(), sorted_.end(),
            [](const Candidate& l, const Candidate& r) { return l.x < r.x; });
  marks_.assign((victims_.size() + 63) / 64, 0);
  auto reach = [](int64_t r) { return r + (r >> 10) + 2; };
  for (Bullet* A = g.eroders.front(); A != nullptr; A = decltype(g.eroders)::next(A)) {
    if (!bulletCollides(*A)) continue;
    const SphereSet& sa = A->attackSpheres;
    const int64_t ax = sa.centre.x;
    const int64_t wide = reach(sa.radius + maxRadius);
    auto it = std::lower_bound(sorted_.begin(), sorted_.end(), ax - wide,
                               [](const Candidate& c, int64_t x) { return c.x < x; });
    for (; it != sorted_.end() && it->x <= ax + wide; ++it) {
      const int64_t r = reach(int64_t(sa.radius) + it->radius);
      if (std::llabs(int64_t(it->x) - ax) <= r && std::llabs(int64_t(it->y) - sa.centre.y) <= r &&
          std::llabs(int64_t(it->z) - sa.centre.z) <= r) {
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

}  // namespace rond

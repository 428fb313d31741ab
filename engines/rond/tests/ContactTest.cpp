// The move clamp against the stage's box and the two-player contact.

#include "engines/rond/Contact.h"

#include <gtest/gtest.h>

namespace {

using rond::Box;
using rond::Extents;

constexpr Box kBox{{-5120, -5120, -5120}, {5120, 5120, 5120}};

Extents body(FixedVec3 saved, int32_t radius = 256, int32_t top = 1024, int32_t bottom = 0) {
  Extents e;
  e.saved = saved;
  e.radius = radius;
  e.top = top;
  e.bottom = bottom;
  return e;
}

TEST(MoveClamp, KeepsTheBodyInsideTheBox) {
  struct Case {
    const char* name;
    FixedVec3 saved, move, clamped;
  } cases[] = {
      {"inside", {0, 0, 0}, {100, 50, -100}, {100, 50, -100}},
      {"x over the max: the side stops at the wall", {4000, 0, 0}, {2000, 0, 0}, {864, 0, 0}},
      {"x under the min", {-4000, 0, 0}, {-2000, 0, 0}, {-864, 0, 0}},
      {"z both ways", {0, 0, 4800}, {0, 0, 100}, {0, 0, 64}},
      {"y: the top stops at the max", {0, 4000, 0}, {0, 500, 0}, {0, 96, 0}},
      {"y: the bottom stops at the min", {0, -5000, 0}, {0, -500, 0}, {0, -120, 0}},
      // Already outside and moving further out: pulled back to the wall.
      {"outside, moving out", {5100, 0, 0}, {10, 0, 0}, {-236, 0, 0}},
      {"a zero move is never changed", {5100, 6000, 0}, {0, 0, 0}, {0, 0, 0}},
      {"moving back in is not clamped", {5100, 0, 0}, {-10, 0, 0}, {-10, 0, 0}},
  };
  for (const Case& c : cases) {
    FixedVec3 move = c.move;
    rond::clampMove(move, body(c.saved), kBox);
    EXPECT_EQ(move.x, c.clamped.x) << c.name;
    EXPECT_EQ(move.y, c.clamped.y) << c.name;
    EXPECT_EQ(move.z, c.clamped.z) << c.name;
  }
}

struct Pair {
  FixedVec3 position[2];
  FixedVec3 move[2];
  Extents extents[2];
};

Pair pair(FixedVec3 p0, FixedVec3 m0, FixedVec3 p1, FixedVec3 m1) {
  return Pair{{p0, p1}, {m0, m1}, {body(p0), body(p1)}};
}

TEST(PlayerContact, IdenticalTargetsArePushedApartAlongZ) {
  Pair p = pair({0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0});
  ASSERT_TRUE(rond::resolveContact(p.position, p.move, p.extents));
  // Contact points -15 and +15; each then carried by half the other's remaining motion
  // ((0 - 15) >> 1 = -8 and (0 + 15) >> 1 = 7).
  EXPECT_EQ(p.move[0].z, -15 - 8);
  EXPECT_EQ(p.move[1].z, 15 + 7);
  EXPECT_EQ(p.move[0].x, 0);
  EXPECT_EQ(p.move[1].x, 0);
}

TEST(PlayerContact, HeightsThatOnlyTouchNeverCollide) {
  // Player 1 stands exactly on top of player 0's head: 0 + 1024 is not above 1024 + 0.
  Pair p = pair({0, 0, 0}, {10, 0, 0}, {0, 1024, 0}, {0, 0, 0});
  ASSERT_FALSE(rond::resolveContact(p.position, p.move, p.extents));
  EXPECT_EQ(p.move[0].x, 10);
  EXPECT_EQ(p.move[1].x, 0);
  // One unit lower, they overlap.
  Pair q = pair({0, 0, 0}, {10, 0, 0}, {0, 1023, 0}, {0, 0, 0});
  EXPECT_TRUE(rond::resolveContact(q.position, q.move, q.extents));
}

TEST(PlayerContact, AWalkerPushesAStandingPlayer) {
  // Radii 256 each: the walker reaches the contact distance 512 at x = 988 (s = 0.988).
  Pair p = pair({0, 0, 0}, {1000, 7, 0}, {1500, 0, 0}, {0, 0, 0});
  ASSERT_TRUE(rond::resolveContact(p.position, p.move, p.extents));
  // Contact points 988 and 1500, separated by 15 each way: 973 and 1515. The walker is carried
  // by half of (1500 - 1515) >> 1 = -8; the standing player by (1000 - 973) >> 1 = 13.
  EXPECT_EQ(p.move[0].x, 973 - 8);
  EXPECT_EQ(p.move[1].x, 1515 + 13 - 1500);
  EXPECT_EQ(p.move[0].y, 7) << "heights keep their own moves";
  EXPECT_EQ(p.move[0].z, 0);
  EXPECT_EQ(p.move[1].z, 0);
}

TEST(PlayerContact, NoContactLeavesTheMoves) {
  struct Case {
    const char* name;
    Pair p;
  } cases[] = {
      {"moving apart", pair({0, 0, 0}, {-100, 0, 0}, {1500, 0, 0}, {100, 0, 0})},
      {"too short to reach", pair({0, 0, 0}, {900, 0, 0}, {1500, 0, 0}, {0, 0, 0})},
      {"no relative motion", pair({0, 0, 0}, {100, 0, 0}, {1500, 0, 0}, {100, 0, 0})},
      {"passing beside", pair({0, 0, 0}, {3000, 0, 0}, {1500, 0, 600}, {0, 0, 0})},
  };
  for (Case& c : cases) {
    const Pair before = c.p;
    EXPECT_FALSE(rond::resolveContact(c.p.position, c.p.move, c.p.extents)) << c.name;
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(c.p.move[i].x, before.move[i].x) << c.name;
      EXPECT_EQ(c.p.move[i].z, before.move[i].z) << c.name;
    }
  }
}

TEST(PlayerContact, AlreadyTouchingSeparatesFromThePositions) {
  // 400 apart with radii 256: already touching, so the contact points are the positions.
  Pair p = pair({0, 0, 0}, {0, 0, 0}, {0, 0, 400}, {0, 0, 0});
  ASSERT_TRUE(rond::resolveContact(p.position, p.move, p.extents));
  EXPECT_EQ(p.move[0].z, -15 + ((0 - 15) >> 1));
  EXPECT_EQ(p.move[1].z, 15 + (15 >> 1));
}

}  // namespace

#include "engines/vell/Decal.h"
#include "engines/vell/FieldMath.h"
#include "engines/vell/Map.h"
#include "foundation/omb/ombCore.h"
#include "tools/mapwrite/MapWriter.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

using vell::CollTriangle;
using vell::DecalBatch;
using vell::DecalHandle;
using vell::DecalStamp;

// What the batch hands on: each flush's handle and vertices.
struct Flushed {
  const DecalHandle* handle;
  std::vector<L3D_RENDERER_VERTEX> vertices;
};

class DecalTest : public ::testing::Test {
 public:
  DecalTest() { ombCoreInit(); }
  void load(const std::string& description) {
    map.build(mapwrite::mapFromDescription(description), nullptr);
  }

  // The map's decal pass into `flushed`.
  void collect() {
    DecalBatch batch(
        [this](const DecalHandle& h, const L3D_RENDERER_VERTEX* v, uint32_t n) {
          flushed.push_back({&h, std::vector<L3D_RENDERER_VERTEX>(v, v + n)});
        },
        map.decalOffset, map.drawStamp);
    map.collectDecals(batch, nullptr);
  }
  uint32_t vertexCount() const {
    uint32_t n = 0;
    for (const Flushed& f : flushed) n += static_cast<uint32_t>(f.vertices.size());
    return n;
  }

  vell::Map map;
  DecalHandle red, blue;
  std::vector<Flushed> flushed;
};

// Scripts hold decals as handles: live ones lead to their record, and once the engine has
// released its decals every one of them is refused.
TEST_F(DecalTest, DecalIdsAreCheckedHandlesUntilTheListIsCleared) {
  vell::DecalList list;
  DecalHandle* a = list.add({}, 0.25f);
  DecalHandle* b = list.add({}, 1.0f);
  ASSERT_NE(a->handle, b->handle);
  EXPECT_EQ(scriptHandles().find(a->handle, vell::kDecalHandleKind), a);
  EXPECT_EQ(scriptHandles().find(b->handle, vell::kDecalHandleKind), b);
  EXPECT_FLOAT_EQ(a->alpha, 0.25f);
  const int32_t stale = a->handle;
  list.clear();
  EXPECT_EQ(list.size(), 0u);
  EXPECT_EQ(scriptHandles().find(stale, vell::kDecalHandleKind), nullptr);
}

TEST_F(DecalTest, FadeFactors) {
  const struct {
    uint32_t age, fadeIn, fadeOut, life;
    float factor;
  } cases[] = {
      // The defaults of an object's stamp: full for 60 frames, then gone.
      {0, 0, 60, 60, 1.0f},
      {59, 0, 60, 60, 1.0f},
      {60, 0, 60, 60, -1.0f},
      // Fading in over fadeIn + 1 steps.
      {0, 10, 60, 60, 1.0f / 11.0f},
      {1, 10, 60, 60, 2.0f / 11.0f},
      {9, 10, 60, 60, 10.0f / 11.0f},
      {10, 10, 60, 60, 1.0f},
      // Fading out from the fade-out start to the life.
      {30, 0, 30, 60, 1.0f - 1.0f / 31.0f},
      {59, 0, 30, 60, 1.0f - 30.0f / 31.0f},
      // A fade-out that starts before the fade-in has ended wins.
      {2, 10, 0, 5, 1.0f - 3.0f / 6.0f},
  };
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(vell::decalFade(c.age, c.fadeIn, c.fadeOut, c.life), c.factor)
        << c.age << " " << c.fadeIn << " " << c.fadeOut << " " << c.life;
  }
}

TEST_F(DecalTest, ANinthStampReplacesTheOldestAndTheLowestSlotOnATie) {
  load("grid 0 0 10 10 0 2\n");
  CollTriangle* t = &map.set(vell::kSetLand).triangles[0];
  vell::MapDecals& decals = map.decals;
  DecalStamp stamp;
  stamp.life = 1000;
  for (uint32_t i = 0; i < vell::kDecalSlots; ++i) EXPECT_EQ(decals.add(t, &red, stamp), i);
  // All ages equal: slot 0 goes.
  EXPECT_EQ(decals.add(t, &blue, stamp), 0u);
  EXPECT_EQ(decals.slot(0).handle, &blue);
  EXPECT_EQ(decals.count(), vell::kDecalSlots);
  decals.age();
  decals.age();
  // Age 2 everywhere: slot 0 again.
  EXPECT_EQ(decals.add(t, &blue, stamp), 0u);
  decals.age();
  EXPECT_EQ(decals.add(t, &blue, stamp), 1u);  // slots 1..7 are 3 frames old, slot 0 only 1
}

TEST_F(DecalTest, AgeingRemovesExpiredStampsAndKeepsTheRestPacked) {
  load("grid 0 0 10 10 0 2\n");
  CollTriangle* t = &map.set(vell::kSetLand).triangles[0];
  DecalHandle handles[4];
  const uint32_t lives[4] = {1, 3, 2, 1};
  for (int i = 0; i < 4; ++i) {
    DecalStamp s;
    s.life = lives[i];
    map.decals.add(t, &handles[i], s);
  }
  map.decals.age();
  // Slots 0 and 3 expired: slot 3 moved into slot 0 and was itself looked at and removed.
  ASSERT_EQ(map.decals.count(), 2u);
  EXPECT_EQ(map.decals.slot(0).handle, &handles[2]);
  EXPECT_EQ(map.decals.slot(1).handle, &handles[1]);
  map.decals.age();
  ASSERT_EQ(map.decals.count(), 1u);
  EXPECT_EQ(map.decals.slot(0).handle, &handles[1]);
  map.decals.age();
  EXPECT_EQ(map.decals.count(), 0u);
}

TEST_F(DecalTest, AStampNeedsLandAndKeepsItsCentreRelativeToItsTriangle) {
  load("grid 0 0 10 10 0 2\n");
  DecalStamp s;
  s.centre = {20.0f, 0.0f, 20.0f};  // outside the map
  map.addDecal(&red, s);
  EXPECT_EQ(map.decals.count(), 0u);
  s.centre = {3.0f, 0.5f, 4.0f};
  map.addDecal(&red, s);
  ASSERT_EQ(map.decals.count(), 1u);
  const vell::DecalSlot& slot = map.decals.slot(0);
  EXPECT_FLOAT_EQ(slot.offset.x + slot.triangle->f0.x, 3.0f);
  EXPECT_FLOAT_EQ(slot.offset.y + slot.triangle->f0.y, 0.5f);  // the centre, not the land hit
  EXPECT_FLOAT_EQ(slot.offset.z + slot.triangle->f0.z, 4.0f);
}

// A 1.5 x 1.5 decal centred on a grid vertex: it covers the triangles that reach into its
// square and no others, each once, with texture coordinates 0.5 at the centre and 1 at its +x
// edge.
TEST_F(DecalTest, ADecalCoversTheTrianglesItsBoxReachesWithItsTextureCoordinates) {
  load("grid 0 0 10 10 0 10\n");
  DecalStamp s;
  s.centre = {4.0f, 0.0f, 6.0f};
  s.size = {1.5f, 4.0f, 1.5f};
  map.addDecal(&red, s);
  map.decalOffset[1] = 0.25f;
  collect();
  ASSERT_EQ(flushed.size(), 1u);
  EXPECT_EQ(flushed[0].handle, &red);
  const std::vector<L3D_RENDERER_VERTEX>& v = flushed[0].vertices;
  // The square 3.25..4.75 x 5.25..6.75 reaches into the four cells around the centre.
  std::set<std::pair<int, int>> cells;
  for (std::size_t i = 0; i < v.size(); i += 3) {
    const float cx = (v[i].x + v[i + 1].x + v[i + 2].x) / 3.0f;
    const float cz = (v[i].z + v[i + 1].z + v[i + 2].z) / 3.0f;
    cells.insert({static_cast<int>(std::floor(cx)), static_cast<int>(std::floor(cz))});
  }
  EXPECT_EQ(cells, (std::set<std::pair<int, int>>{{3, 5}, {3, 6}, {4, 5}, {4, 6}}));
  EXPECT_EQ(v.size(), 8u * 3u);
  for (const L3D_RENDERER_VERTEX& p : v) {
    EXPECT_FLOAT_EQ(p.y, 0.25f);  // the map's decal offset
    EXPECT_EQ(p.colour, 0xFFFFFFFFu);
    EXPECT_NEAR(p.u, (p.x - 4.0f) / 1.5f + 0.5f, 1e-5f);
    EXPECT_NEAR(p.v, (p.z - 6.0f) / 1.5f + 0.5f, 1e-5f);
  }
}

TEST_F(DecalTest, AlphaTexturesAndHiddenMaps) {
  load("grid 0 0 10 10 0 10\n");
  DecalStamp s;
  s.centre = {2.5f, 0.0f, 2.5f};
  s.size = {0.5f, 1.0f, 0.5f};
  s.alpha = 0.5f;
  s.fadeIn = 3;  // factor 1/4 at age 0: alpha 0.125 x 255 = 31
  map.addDecal(&red, s);
  s.centre = {7.5f, 0.0f, 7.5f};
  s.alpha = 3.0f;  // held at 1
  s.fadeIn = 0;
  map.addDecal(&blue, s);
  collect();
  // One flush per texture, in slot order.
  ASSERT_EQ(flushed.size(), 2u);
  EXPECT_EQ(flushed[0].handle, &red);
  EXPECT_EQ(flushed[0].vertices[0].colour, 0x1FFFFFFFu);
  EXPECT_EQ(flushed[1].handle, &blue);
  EXPECT_EQ(flushed[1].vertices[0].colour, 0xFFFFFFFFu);
  flushed.clear();
  map.flags |= vell::kMapHidden;
  collect();
  EXPECT_TRUE(flushed.empty());
}

TEST_F(DecalTest, TheDrawStampSkipsZeroWhenItWraps) {
  load("grid 0 0 10 10 0 2\n");
  DecalStamp s;
  s.centre = {2.5f, 0.0f, 2.5f};
  map.addDecal(&red, s);
  map.addDecal(&red, s);
  map.drawStamp = 0xFFFFFFFFu;
  collect();
  EXPECT_EQ(map.drawStamp, 2u);
  // Both decals were drawn: the second walk did not take the first one's marks for its own.
  EXPECT_EQ(flushed.size(), 1u);
  EXPECT_EQ(vertexCount() % 2, 0u);
  EXPECT_GT(vertexCount(), 0u);
  const uint32_t once = vertexCount() / 2;
  flushed.clear();
  collect();
  EXPECT_EQ(vertexCount(), 2 * once);
}

// The pass on a 45,000-triangle grid with a decal that covers all of it, on a thread with a
// 256 KiB stack: a walk that recursed once per triangle would run out of it.
TEST_F(DecalTest, AHugeDecalOnALargeMapNeedsNoDeepStack) {
  load("grid 0 0 400 400 0 150\ntri land 0 -1 0  0 -1 400  400 -1 0\n");
  DecalStamp s;
  s.centre = {200.0f, 0.0f, 200.0f};
  s.size = {1000.0f, 1000.0f, 1000.0f};
  map.addDecal(&red, s);
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 256 * 1024);
  pthread_t thread;
  ASSERT_EQ(pthread_create(
                &thread, &attr,
                [](void* self) -> void* {
                  static_cast<DecalTest*>(self)->collect();
                  return nullptr;
                },
                this),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  // Every grid triangle once, in batches of at most 384 vertices; the floor below is not
  // linked to the grid.
  EXPECT_EQ(vertexCount(), 45000u * 3u);
  for (const Flushed& f : flushed) EXPECT_LE(f.vertices.size(), DecalBatch::kCapacity);
}

}  // namespace

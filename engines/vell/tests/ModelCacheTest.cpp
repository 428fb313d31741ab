#include "engines/vell/ModelCache.h"

#include "foundation/omb/ombCore.h"
#include "foundation/startup/Dmath.h"
#include "render/LResManager.h"
#include "script/ScriptManager.h"
#include "testsupport/MemoryPack.h"
#include "testsupport/ModelSample.h"

#include <gtest/gtest.h>

namespace {

// A cache over a memory pack holding one model with two animations named "Walk" (the first
// looping at frame 10, the second at 20) and a collision group of type 4.
class ModelCacheTest : public ::testing::Test {
 protected:
  ModelCacheTest() {
    ombCoreInit();
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    modelfile::Model m = modelfile::fullModel(16);
    m.parts[0].materials[0].texture = "";
    m.anims[0].name = "Walk";
    m.anims[0].loopFrame = 10;
    m.anims.push_back(m.anims[0]);
    m.anims[1].loopFrame = 20;
    pack.Add("obj/ball.dgo", modelfile::scrambled(modelfile::write(m)));
    services.names = &names;
    services.pack = pack.Number();
    cache.setServices(services);
  }

  PackScope pack;
  L3DNnidTable names;
  L3DModelServices services;
  ScriptManager scripts;
  vell::ModelCache cache{scripts, services};
};

TEST_F(ModelCacheTest, AnimationsAreFoundByNameWithoutCaseFirstOneWinning) {
  vell::CacheEntry* entry = cache.loadPlain(u"obj/ball");
  ASSERT_NE(entry, nullptr);
  const struct {
    const char16_t* name;
    uint32_t loopFrame;  // 0: none
  } cases[] = {{u"Walk", 10}, {u"wALK", 10}, {u"Wal", 0}, {u"Walks", 0}, {u"run", 0}};
  for (const auto& c : cases) {
    const dbtl::rcptr<L3DAnimData> anim = vell::ModelCache::findAnimation(*entry, c.name);
    if (c.loopFrame == 0) {
      EXPECT_FALSE(anim);
    } else {
      ASSERT_TRUE(anim);
      EXPECT_EQ(anim->loopFrame, c.loopFrame);
    }
  }
}

TEST_F(ModelCacheTest, CollisionGroupTypes) {
  vell::CacheEntry* entry = cache.loadPlain(u"obj/ball");
  EXPECT_TRUE(vell::ModelCache::hasCollGroupType(*entry, 4));
  EXPECT_FALSE(vell::ModelCache::hasCollGroupType(*entry, 3));
}

TEST_F(ModelCacheTest, PurgeFreesOnlyUnheldEntries) {
  vell::CacheEntry* entry = cache.loadPlain(u"obj/ball");
  cache.purge();
  EXPECT_EQ(cache.get(u"OBJ/BALL"), entry);
  cache.release(entry);
  cache.release(entry);
  cache.purge();
  EXPECT_EQ(cache.get(u"obj/ball"), nullptr);
  // A new load reads the file again.
  cache.loadPlain(u"obj/ball");
  EXPECT_EQ(cache.loads(), 2u);
}

}  // namespace

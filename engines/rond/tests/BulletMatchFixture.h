#pragma once

// A versus match of the test scripts (system "Sys", two "fighter" players, no views) whose pack
// serves models written by the model file builder: "fighter/shot" (animations normal, fadeout,
// hit and erase, one attack sphere; also as "shooter/shot"), "fighter/nohit" (no hit animation), "fighter/body" (one
// body sphere) and "sys/tip" (a score tip). Spheres have radius 0.5 at the model's origin.

#include "engines/rond/RondEngine.h"
#include "foundation/startup/Dmath.h"
#include "host/system/System.h"
#include "testsupport/MemoryPack.h"
#include "testsupport/ModelSample.h"
#include "testsupport/script/ScriptTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace rondtest {

inline uint32_t bulletSeed() { return 7; }

inline modelfile::Anim anim(const std::string& name, uint32_t end) {
  return modelfile::restAnim(name, end, 2, false);
}

// A one-triangle model with the animations (4 frames each) and, for `slot` >= 0, one enabled
// collision sphere of radius 0.5 at its origin in that bounding slot.
inline std::vector<uint8_t> model(const std::vector<std::string>& anims, int slot) {
  modelfile::Model m;
  m.parts = {modelfile::trianglePart("body", {modelfile::bone("hip")})};
  m.groups = {modelfile::groupOfFirstPart("all")};
  for (const std::string& name : anims) m.anims.push_back(anim(name, 4));
  if (slot >= 0) {
    modelfile::Coll c;
    c.type = uint32_t(slot);
    c.flags = 1;
    modelfile::Sphere s;
    s.part = 1;
    s.radius = 0.5f;
    c.spheres = {s};
    m.colls = {c};
  }
  return modelfile::scrambled(modelfile::write(m));
}

class BulletMatchFixture : public testing::Test {
 protected:
  BulletMatchFixture() {
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    engineSetSeedSource(&bulletSeed);
    pack.Add("fighter/shot.dgo", model({"normal", "fadeout", "hit", "erase"}, 4));
    pack.Add("fighter/nohit.dgo", model({"normal", "fadeout", "erase"}, 4));
    pack.Add("fighter/body.dgo", model({"default"}, 3));
    pack.Add("sys/tip.dgo", model({"normal"}, -1));
    pack.Add("shooter/shot.dgo", model({"normal", "fadeout", "hit", "erase"}, 4));
    start(u"fighter");
  }

  // A new match with both players from the directory.
  void start(const char16_t* players) {
    engine.reset();
    RondEngineSetup setup;
    setup.systemDirectory = u"Sys";
    setup.seDirectory = u"se";
    setup.stageDirectory = u"stages/arena01";
    setup.players[0] = players;
    setup.players[1] = players;
    engine = std::make_unique<rond::Engine>();
    engine->setup(&system, setup);
    engine->setupResources();
  }
  ~BulletMatchFixture() override { engine.reset(); }

  scripttest::CoreUp core;
  LogCapture log;
  scripttest::FixtureArchive archive;
  PackScope pack;
  System system{pack.Number()};
  std::unique_ptr<rond::Engine> engine;
};

}  // namespace rondtest

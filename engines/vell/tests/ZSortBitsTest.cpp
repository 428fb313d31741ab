// The frame's Z-sort bits: the map (bit 1), an object (bit 2) and a bullet (bit 3) set their bit
// in the update when their model has a material drawn through the depth-sorted list (shader
// kind 3 here), and leave it clear with a plain material (kind 0).

#include "engines/vell/tests/BulletFixture.h"
#include "engines/vell/Map.h"

namespace {

using fieldtest::BulletTest;

constexpr const char* kFloor = "grid 0 0 8 8 0 4\nbounds 0 -4 0 8 8 8\n";

// The sphere model of the bullet tests with its one shader record of the given kind (the record
// applies to the part "body").
std::vector<uint8_t> modelWithShader(uint32_t kind, const char* anim) {
  modelfile::Model m = modelfile::untexturedModel(anim);
  m.records.shaders[0].kind = kind;
  return modelfile::scrambled(modelfile::write(m));
}

class ZSortBitsTest : public BulletTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(ZSortBitsTest, SortedMaterialsSetTheirOwnersBitInTheUpdate) {
  const uint32_t kind = GetParam();
  const bool sorted = kind == 3;
  pack.Add("field/map/room/room.dgo", modelWithShader(kind, "start"));
  pack.Add("field/object/crate/box.dgo", modelWithShader(kind, "default"));
  pack.Add("field/bullet/ball.dgo", modelWithShader(kind, "normal"));
  start(kFloor);
  vell::Object* crate = create("box", {4096, 0, 4096});
  vell::ObjectGeometry* g = crate->loadGeometry(u"box");
  ASSERT_NE(g, nullptr);
  crate->setCurrentAnimation(vell::Object::getAnimation(*g, u"default"));
  vell::BulletMotion* m = motion(type(1, u"ball"), {moving(u"0")});
  ASSERT_TRUE(launch(m, {4, 1, 1}));

  // The fixture's map script hides the map in its first frame; a hidden map's models do not
  // advance.
  engine->update();
  engine->map()->setShow(true);
  engine->update();
  const uint32_t expected = sorted ? vell::Engine::kMapSortBit | vell::Engine::kObjectSortBit |
                                         vell::Engine::kBulletSortBit
                                   : 0;
  EXPECT_EQ(engine->frameFlags(), expected) << "shader kind " << kind;
  EXPECT_TRUE(errors().empty()) << errors().front();
}

INSTANTIATE_TEST_SUITE_P(ShaderKinds, ZSortBitsTest, ::testing::Values(0u, 3u));

}  // namespace

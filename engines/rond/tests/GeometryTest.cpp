// Geometries of an object on a model written by the model file builder: animation entries and
// the default, collision flags, extents and the sphere sets of a moved instance.

#include "engines/rond/Geometry.h"

#include "engines/rond/Object.h"
#include "engines/rond/SphereSet.h"
#include "foundation/startup/Dmath.h"
#include "model/L3DHandles.h"
#include "model/L3DObjectData.h"
#include "model/object/L3DObjectInstance.h"
#include "testsupport/LogCapture.h"
#include "testsupport/ModelSample.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

modelfile::Key key(uint32_t frame) {
  modelfile::Key k;
  k.frame = frame;
  k.values[6] = 1.0f;
  k.values[7] = k.values[8] = k.values[9] = 1.0f;
  return k;
}

modelfile::Motion motion(uint32_t bone) {
  modelfile::Motion m;
  m.part = 1;
  m.bone = bone;
  m.keys = {key(0), key(10)};
  return m;
}

modelfile::Anim anim(const std::string& name, uint32_t end, uint32_t loop) {
  modelfile::Anim a;
  a.name = name;
  a.endFrame = end;
  a.loopFrame = loop;
  a.group = 1;
  a.motions = {motion(0), motion(1)};
  return a;
}

modelfile::Sphere sphere(float x, float y, float z, float radius) {
  modelfile::Sphere s;
  s.part = 1;
  s.centre = {x, y, z};
  s.radius = radius;
  return s;
}

// One part "body" with one bone and a one-triangle vertex set in the part group "all".
modelfile::Model bodyModel() {
  modelfile::Model m;
  m.parts = {modelfile::trianglePart("body", {modelfile::bone("hip")})};
  m.groups = {modelfile::groupOfFirstPart("all")};
  return m;
}

class GeometryTest : public testing::Test {
 protected:
  GeometryTest() {
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
  }

  std::unique_ptr<rond::Geometry> load(const modelfile::Model& model) {
    const std::vector<uint8_t> bytes = modelfile::write(model);
    auto geometry = std::make_unique<rond::Geometry>();
    geometry->model.data = l3dNewObject<L3DObjectData>();
    geometry->model.data->Load(bytes.data(), bytes.size(), "body.dgo");
    geometry->model.instance = l3dNewObject<L3DObjectInstance>();
    geometry->model.instance->Create(L3DModelServices{}, geometry->model.data, {});
    return geometry;
  }

  LogCapture log;
};

TEST_F(GeometryTest, EntriesFollowTheModelAndTheDefaultFoldsCase) {
  modelfile::Model m = bodyModel();
  m.anims = {anim("walk", 10, 3), anim("Default", 20, 20), anim("run", 30, 29)};
  modelfile::Coll extents;
  extents.type = 0;
  extents.spheres = {sphere(0, 1, 0, 0.5f)};
  modelfile::Coll body;
  body.type = 3;
  body.spheres = {sphere(0, 1, 0, 0.5f)};
  m.colls = {extents, body};
  rond::Object object;
  rond::Geometry* g = object.attachGeometry(load(m));
  EXPECT_EQ(g->flags, rond::kGeometryHasExtents | rond::kGeometryHasBody);
  ASSERT_EQ(g->entries.size(), 3u);
  ASSERT_NE(g->defaultEntry, nullptr);
  EXPECT_EQ(g->defaultEntry->lastFrame(), 20);
  // min(end, loop + 1): the end frame when the loop frame is the last one.
  EXPECT_EQ(g->defaultEntry->loopFrame(), 20);
  EXPECT_EQ(g->findAnimation(u"WALK")->lastFrame(), 10);
  EXPECT_EQ(g->findAnimation(u"WALK")->loopFrame(), 4);
  EXPECT_EQ(g->findAnimation(u"run")->loopFrame(), 30);
  EXPECT_EQ(g->findAnimation(u"jump"), g->defaultEntry);
  EXPECT_EQ(g->findAnimation(u"wal"), g->defaultEntry) << "names compare with their lengths";
}

TEST_F(GeometryTest, AModelWithoutADefaultGetsAPlaceholder) {
  modelfile::Model m = bodyModel();
  m.anims = {anim("walk", 10, 3)};
  rond::Object object;
  rond::Geometry* g = object.attachGeometry(load(m));
  EXPECT_EQ(g->flags, 0u);
  ASSERT_EQ(g->entries.size(), 2u);
  EXPECT_TRUE(g->defaultEntry->isPlaceholder());
  EXPECT_EQ(g->defaultEntry->lastFrame(), 0);
  EXPECT_EQ(g->defaultEntry->loopFrame(), 0);
  EXPECT_EQ(g->findAnimation(u"default"), g->defaultEntry);
  EXPECT_EQ(g->findAnimation(u"missing"), g->defaultEntry);
}

TEST_F(GeometryTest, ExtentsComeFromTheSlotZeroSpheres) {
  modelfile::Model m = bodyModel();
  m.anims = {anim("default", 10, 0)};
  modelfile::Coll extents;
  extents.type = 0;
  extents.spheres = {sphere(0, 1, 0, 0.5f), sphere(0.3f, 2, 0, 0.25f)};
  modelfile::Coll other;
  other.type = 3;
  other.spheres = {sphere(0, 9, 0, 3.0f)};
  m.colls = {other, extents};
  rond::Object object;
  rond::Extents e;
  EXPECT_FALSE(object.computeExtents(e)) << "no current geometry";
  rond::Geometry* g = object.attachGeometry(load(m));
  object.setAnimation(g->defaultEntry);
  ASSERT_TRUE(object.computeExtents(e));
  EXPECT_EQ(e.radius, 512);
  EXPECT_EQ(e.radiusSq, 512 * 512);
  EXPECT_EQ(e.top, 2304);    // 2 + 0.25
  EXPECT_EQ(e.bottom, 512);  // 1 - 0.5

  modelfile::Model bare = bodyModel();
  bare.anims = {anim("default", 10, 0)};
  rond::Object plain;
  plain.setAnimation(plain.attachGeometry(load(bare))->defaultEntry);
  rond::Extents untouched;
  untouched.radius = 77;
  EXPECT_FALSE(plain.computeExtents(untouched));
  EXPECT_EQ(untouched.radius, 77);
}

TEST_F(GeometryTest, BodySpheresFollowTheMovedInstance) {
  modelfile::Model m = bodyModel();
  m.anims = {anim("default", 10, 0)};
  modelfile::Coll body;
  body.type = 3;
  body.flags = 1;
  body.spheres = {sphere(0, 1, 0, 0.5f)};
  modelfile::Coll attack;
  attack.type = 4;
  attack.flags = 1;
  attack.spheres = {sphere(0, 1, 0.75f, 0.25f)};
  m.colls = {body, attack};
  rond::Object object;
  rond::Geometry* g = object.attachGeometry(load(m));
  EXPECT_EQ(g->flags, rond::kGeometryHasBody | rond::kGeometryHasAttack);
  object.setAnimation(g->defaultEntry);
  object.position = {2048, 0, 0};
  object.applyMotion();
  L3DObjectInstance* instance = g->model.instance.Get();
  rond::SphereSet set;
  set.collect(instance, 3, object.position);
  ASSERT_EQ(set.count, 1u);
  EXPECT_EQ(set.items[0].x, 2048);
  EXPECT_EQ(set.items[0].y, 1024);
  EXPECT_EQ(set.items[0].z, 0);
  EXPECT_EQ(set.items[0].radius, 512);
  EXPECT_EQ(set.radius, 512);
  EXPECT_EQ(set.centre.y, 1024);
  rond::SphereSet hits;
  hits.collect(instance, 4, object.position);
  ASSERT_EQ(hits.count, 1u);
  EXPECT_EQ(hits.items[0].z, 768);
  EXPECT_TRUE(rond::overlaps(set, hits)) << "0.75 apart, radii 0.5 and 0.25: touching";
  // A slot with no group leaves the set at the position with no bound.
  rond::SphereSet none;
  none.collect(instance, 0, object.position);
  EXPECT_EQ(none.count, 0u);
  EXPECT_EQ(none.radius, 0);
  EXPECT_EQ(none.centre.x, 2048);
}

}  // namespace

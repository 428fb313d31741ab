// The object manager on the fixture game: objects' life (exit, references, destroy timing) from
// scripts and from the engine, the update order with collision maps, the objects in the state
// hash.

#include "engines/vell/ObjectManager.h"

#include "engines/vell/tests/FieldObjectFixture.h"

#include <algorithm>

namespace {

using fieldtest::FieldObjectTest;

constexpr const char* kFloor = "grid 0 0 8 8 0 4\nbounds 0 -4 0 8 8 8\n";

TEST_F(FieldObjectTest, ScriptsCreateObjectsAndReleaseTheirReferences) {
  EngineStart s;
  s.directory = u"Field";
  ScriptManager caller;
  const ScriptObject args = ScriptObject::newTable(caller.vm.vm);
  args.setSlot(u"scenario", ScriptObject::newString(u"objects", caller.vm.vm).getObject());
  s.args = serializeScriptValue(caller.vm, args);
  engine.reset(dynamic_cast<vell::Engine*>(vell::createEngine(system, s)));
  engine->setupResources();
  LogCapture::messages().clear();
  for (int i = 0; i < 3; ++i) engine->update();

  const std::vector<std::string> mine = objectLines();
  const std::vector<std::string> expected = {
      "before map 0",
      "ids true 0",
      // posrot "1 0 3 90": on the room's floor.
      "kept at 1 0 3 status 0",
      "kept frame 1",
      // Exited with the script's reference still held: kept, no longer updated.
      "kept exit status 1",
      "plain frame 1",
      "kept status 1",
      // The last reference moves it to the destroy list; the next object update deletes it.
      "released status 2",
      "plain frame 2",
      "plain frame 3",
  };
  EXPECT_EQ(mine, expected);
  const std::vector<std::string> refused = errors();
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_EQ(refused[0], "[] Script Error: no map");
  EXPECT_EQ(refused[1].rfind("[] Script Error: invalid base handle(", 0), 0u) << refused[1];
  EXPECT_EQ(engine->objects()->live().count, 1u);
  EXPECT_EQ(engine->objects()->exited().count, 0u);
  EXPECT_EQ(engine->objects()->destroying().count, 0u);
}

TEST_F(FieldObjectTest, ExitWithoutReferencesDeletesAtTheEndOfThatUpdate) {
  startWithMap(kFloor);
  create("a", {1024, 0, 1024}, 0, 1);
  vell::Object* b = create("b", {2048, 0, 1024});
  engine->update();
  EXPECT_EQ(liveObjects(), std::vector<vell::Object*>{b});
  EXPECT_EQ(engine->objects()->destroying().count, 0u);
  engine->update();
  EXPECT_EQ(objectLines(), (std::vector<std::string>{"a frame 1", "a exit status 2", "b frame 1",
                                                 "b frame 2"}));
}

TEST_F(FieldObjectTest, ReferencesKeepAnExitedObjectUntilTheLastIsReleased) {
  startWithMap(kFloor);
  vell::Object* a = create("a", {1024, 0, 1024}, vell::kCreateKeepReference, 1);
  ASSERT_EQ(a->references, 1u);
  a->references += 1;  // a second holder, as baseAddRef or a bullet
  engine->update();
  EXPECT_EQ(a->status, vell::kObjectExited);
  EXPECT_EQ(engine->objects()->exited().count, 1u);
  a->releaseHandle();
  engine->update();
  EXPECT_EQ(a->status, vell::kObjectExited);
  a->releaseHandle();
  EXPECT_EQ(a->status, vell::kObjectDestroy);
  EXPECT_EQ(engine->objects()->destroying().count, 1u);
  engine->update();
  EXPECT_EQ(engine->objects()->destroying().count, 0u);
  // Exited objects were not updated again.
  const std::vector<std::string> lines = printed();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "a frame 2"), 0);
}

TEST_F(FieldObjectTest, ALiveObjectWhoseLastReferenceGoesStaysLive) {
  startWithMap(kFloor);
  vell::Object* a = create("a", {1024, 0, 1024}, vell::kCreateKeepReference);
  a->releaseHandle();
  engine->update();
  EXPECT_EQ(a->status, vell::kObjectLive);
  EXPECT_EQ(a->references, 0u);
  EXPECT_EQ(liveObjects(), std::vector<vell::Object*>{a});
}

TEST_F(FieldObjectTest, CollisionMapObjectsRunFirstTheLastLoadedFirst) {
  modelfile::Material mat;
  fieldtest::addSquare(mat, 0, 0, 2, 2, 0, false);
  pack.Add("field/object/crate/lift.dgo", fieldtest::modelOf(mat));
  startWithMap(kFloor);
  vell::Object* a = create("a", {1024, 1024, 1024});
  vell::Object* b = create("b", {4096, 1024, 1024});
  vell::Object* c = create("c", {6144, 1024, 1024});
  a->loadCollMap(u"lift");
  b->loadCollMap(u"lift");
  ASSERT_NE(a->collMap, nullptr);
  ASSERT_NE(b->collMap, nullptr);
  EXPECT_EQ(liveObjects(), (std::vector<vell::Object*>{b, a, c}));
  // Loading again changes nothing.
  vell::CollMap* first = a->collMap;
  a->loadCollMap(u"lift");
  EXPECT_EQ(a->collMap, first);
  EXPECT_EQ(liveObjects(), (std::vector<vell::Object*>{b, a, c}));
  engine->update();
  EXPECT_EQ(objectLines(), (std::vector<std::string>{"b frame 1", "a frame 1", "c frame 1"}));
}

TEST_F(FieldObjectTest, StateHashFollowsTheObjects) {
  startWithMap(kFloor);
  vell::Object* a = create("a", {1024, 0, 1024});
  engine->update();
  uint64_t before = 0, after = 0;
  ASSERT_TRUE(engine->stateHash(&before));
  a->setAngle(100);
  ASSERT_TRUE(engine->stateHash(&after));
  EXPECT_NE(before, after);
}

}  // namespace

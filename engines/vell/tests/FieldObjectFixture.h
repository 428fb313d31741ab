#pragma once

// The field engine on the fixture game with a map reset, for the tests of objects: objects are
// crates of "field/object/crate/" (a script that prints its frames), the map's collision data
// is rebuilt from a map description, and models come from memory.

#include "engines/vell/Engine.h"
#include "engines/vell/FieldObject.h"
#include "engines/vell/Map.h"
#include "engines/vell/ObjectManager.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/ombCore.h"
#include "foundation/startup/Dmath.h"
#include "host/system/System.h"
#include "script/ScriptManager.h"
#include "script/ScriptValueSerial.h"
#include "testsupport/LogCapture.h"
#include "testsupport/MemoryPack.h"
#include "testsupport/ModelFileBuilder.h"
#include "testsupport/ModelSample.h"
#include "testsupport/Text.h"
#include "tools/mapwrite/MapWriter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace fieldtest {

struct CoreUp {
  CoreUp() { ombCoreInit(); }
};

// A flat square of land points (x, z) at height y, as a model of one material: two triangles
// whose normal points up, or down for a ceiling.
inline void addSquare(modelfile::Material& mat, float x0, float z0, float x1, float z1, float y,
                      bool down) {
  const uint32_t first = uint32_t(mat.points.size());
  mat.points.push_back({x0, y, z0});
  mat.points.push_back({x0, y, z1});
  mat.points.push_back({x1, y, z1});
  mat.points.push_back({x1, y, z0});
  for (uint32_t i = 0; i < 4; ++i) mat.corners.push_back({first + i, 0, 0, 0});
  const std::vector<uint32_t> up = {0, 1, 2, 0, 2, 3};
  const std::vector<uint32_t> flipped = {0, 2, 1, 0, 3, 2};
  for (uint32_t i : down ? flipped : up) mat.indices.push_back(first + i);
}

// A wall at x from (z0, y0) to (z1, y1) whose normal points along +x.
inline void addWall(modelfile::Material& mat, float x, float z0, float z1, float y0, float y1) {
  const uint32_t first = uint32_t(mat.points.size());
  mat.points.push_back({x, y0, z0});
  mat.points.push_back({x, y1, z0});
  mat.points.push_back({x, y1, z1});
  mat.points.push_back({x, y0, z1});
  for (uint32_t i = 0; i < 4; ++i) mat.corners.push_back({first + i, 0, 0, 0});
  for (uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u}) mat.indices.push_back(first + i);
}

inline std::vector<uint8_t> modelOf(const modelfile::Material& mat) {
  modelfile::Model m;
  modelfile::Part p;
  p.name = "body";
  p.colours = {0xFFFFFFFF};
  p.uvs = {{0.0f, 0.0f}};
  modelfile::Material copy = mat;
  copy.normals = {{0, 1, 0}};
  copy.primitiveCount = uint32_t(copy.indices.size() / 3);
  p.materials = {copy};
  m.parts = {p};
  return modelfile::scrambled(modelfile::write(m));
}

class FieldObjectTest : public ::testing::Test {
 protected:
  FieldObjectTest() {
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    ombFileUninit();
    ombFileInit();
    EXPECT_EQ(ombFileRegistPack(testsupport::u16(TEST_FIELD_ARCHIVE).c_str()), OMB_OK);
    // The room's model: any model with the animation "start"; the tests do not draw.
    pack.Add("field/map/room/room.dgo",
             modelfile::scrambled(modelfile::write(modelfile::untexturedModel("start"))));
  }
  ~FieldObjectTest() override {
    engine.reset();
    ombFileUninit();
    ombFileInit();
  }

  // The engine with the fixture's room map, its collision data replaced by the description.
  void startWithMap(const char* description) {
    EngineStart s;
    s.directory = u"Field";
    ScriptManager caller;
    const ScriptObject args = ScriptObject::newTable(caller.vm.vm);
    args.setSlot(u"scenario", ScriptObject::newString(u"idle", caller.vm.vm).getObject());
    s.args = serializeScriptValue(caller.vm, args);
    engine.reset(dynamic_cast<vell::Engine*>(vell::createEngine(system, s)));
    ASSERT_NE(engine, nullptr);
    engine->setupResources();
    engine->resetMap(u"room", u"room");
    if (description != nullptr) {
      engine->map()->build(mapwrite::mapFromDescription(description), &engine->space());
    }
    LogCapture::messages().clear();
  }

  // A crate whose script prints "<tag> frame <n>" (and exits in frame exitAt when not 0).
  vell::Object* create(const char* tag, const FixedVec3& at, uint8_t flags = 0, int exitAt = 0) {
    const HSQUIRRELVM vm = engine->scriptManager()->vm.vm;
    ScriptObject args = ScriptObject::newTable(vm);
    args.setSlot(u"tag", ScriptObject::newString(testsupport::u16(tag).c_str(), vm).getObject());
    if (exitAt != 0) args.setSlot(u"exitAt", ScriptObject::newInteger(vm, exitAt).getObject());
    vell::CreateRecord record;
    record.flags = flags;
    record.position = at;
    vell::ObjectManager& m = *engine->objects();
    vell::Object* kept = m.create(u"crate", u"crate", record, args);
    if (kept != nullptr) return kept;
    return static_cast<vell::Object*>(ombListElement(&m.live(), m.live().head.prev));
  }

  // A collision cylinder without a model: radius and height in fixed point from the position.
  static void setCylinder(vell::Object& o, int32_t radius, int32_t height) {
    o.entry.radius = radius;
    o.entry.top = height;
    o.entry.bottom = 0;
    o.push.radius = o.land.radius = o.air.radius = radius;
    o.push.height = o.land.height = o.air.height = height;
  }

  std::vector<vell::Object*> liveObjects() {
    std::vector<vell::Object*> out;
    vell::forEachObject(engine->objects()->live(), [&](vell::Object& o) { out.push_back(&o); });
    return out;
  }

  static std::vector<std::string> printed() {
    std::vector<std::string> lines;
    for (const LogCapture::Message& m : LogCapture::messages()) {
      std::string text = testsupport::u8(m.text);
      if (text.rfind("[] ", 0) == 0) text.erase(0, 3);
      if (m.level == OMB_LOG_DEBUG) lines.push_back(text);
    }
    return lines;
  }
  // The objects' lines: without the map's, the camera's and the second script's.
  static std::vector<std::string> objectLines() {
    std::vector<std::string> out;
    for (const std::string& l : printed()) {
      if (l.rfind("map ", 0) != 0 && l.rfind("camera ", 0) != 0 && l.rfind("second ", 0) != 0) {
        out.push_back(l);
      }
    }
    return out;
  }
  static std::vector<std::string> errors() {
    std::vector<std::string> lines;
    for (const LogCapture::Message& m : LogCapture::messages()) {
      if (m.level == OMB_LOG_ERROR) lines.push_back(testsupport::u8(m.text));
    }
    return lines;
  }

  CoreUp core;
  LogCapture log;
  PackScope pack;
  System system{pack.Number()};
  std::unique_ptr<vell::Engine> engine;
};

}  // namespace fieldtest

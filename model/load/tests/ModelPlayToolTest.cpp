#include "model/object/tests/ObjectTestSupport.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using objtest::key;
using objtest::motion;

namespace {

std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  pclose(pipe);
  return out;
}

TEST(ModelPlayTool, PrintsTheEventsOfEachFrameAndTheBounds) {
  modelfile::Model m = objtest::bodyModel();
  modelfile::Coll coll;
  coll.type = 3;
  coll.flags = 1;
  modelfile::Sphere sphere;
  sphere.part = 1;
  sphere.radius = 2.0f;
  coll.spheres = {sphere};
  m.colls = {coll};
  modelfile::Event jump;
  jump.type = 5;
  jump.frame = 2;
  jump.number = 0;
  m.anims = {objtest::anim("walk", 10, 0, {motion(1, 0, {key(0), key(10, 10.0f)}), motion(1, 1), motion(1, 2)})};
  m.anims[0].records.events = {jump};
  TempDir dir(TEST_BINARY_DIR, "dbtl");
  std::filesystem::create_directories(dir.Path("chr"));
  const std::vector<uint8_t> bytes = modelfile::scrambled(modelfile::write(m));
  std::ofstream(dir.Path("chr/a.dgo"), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

  const std::string out = run(std::string(MODEL_PLAY_PATH) + " " + dir.Path("") + " chr/a walk 4");
  EXPECT_NE(out.find("effect data chr/effdata\n"), std::string::npos) << out;
  EXPECT_NE(out.find("frame 2\n  event goframe at 2 to 0\n  slot 3 centre 2 0 0 radius 2\n"),
            std::string::npos)
      << out;
  // After the jump to frame 0 the root moves on by its keys, not by the events.
  EXPECT_NE(out.find("frame 3\n  slot 3 centre 3 0 0 radius 2\n"), std::string::npos) << out;
}

}  // namespace

// Runs the effect-run tool on small effects and compares its trace with the golden files in
// golden/. Setting EFFECT_RUN_UPDATE=1 rewrites them instead (check the difference before
// committing it).

#include "model/effect/L3DEffectTypes.h"
#include "model/effect/tests/EffectTestSupport.h"
#include "testsupport/FileBytes.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

using effectfile::Event;
using effectfile::Part;

std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  pclose(pipe);
  return out;
}

effectfile::Prop prop() {
  effectfile::Prop p;
  p.textures = {0, 1};
  p.images.resize(8);
  for (uint32_t i = 0; i < 8; ++i) {
    p.images[i].blend = 1;
    p.images[i].uv[0] = 0.125f * float(i);
    p.images[i].uv[2] = 0.125f * float(i + 1);
  }
  p.images[1].blend = 0;
  p.images[2].texture = 1;
  return p;
}

uint32_t f(float v) { return effectfile::bits(v); }

// Effect 0: shows image 0 and moves, ends at frame 6. Effect 1: images 3 .. 5, two frames
// each. Effect 2: removed by a stop of its key, with a child that fades in. Effect 3: a trail.
effectfile::Data data() {
  effectfile::Data d;
  d.roots.resize(4);
  d.roots[0].root = Part{0, {{0, 3, {0, uint32_t(-1), 0}}, {0, 14, {f(0.5f), 0, 0}}, {6, 0, {}}}};
  d.roots[1].root = Part{0, {{0, 4, {3, 5, 2, uint32_t(-1), 0}}, {9, 0, {}}}};
  d.roots[2].flags = L3D_EFFECT_ROOT_KEYSTOP;
  d.roots[2].root = Part{0, {{0, 3, {1, uint32_t(-1), 0}}, {1, 2, {0}}, {20, 0, {}}}};
  d.roots[2].children.push_back(
      Part{0, {{0, 3, {2, uint32_t(-6), 1}}, {0, 8, {f(1), f(1), f(1), f(0)}},
               {0, 9, {0, 0, 0, f(0.25f)}}, {20, 0, {}}}});
  d.roots[3].root = Part{0, {{0, 3, {0, uint32_t(-5), 0}}, {0, 39, {4, 1, f(0.5f)}}, {20, 0, {}}}};
  return d;
}

struct Case {
  const char* golden;
  const char* arguments;
};

TEST(EffectRunTool, TracesMatchTheGoldenFiles) {
  TempDir dir(TEST_BINARY_DIR, "effect-run");
  writeFileBytes(dir.Path("effdef.dat"), Scrambled(effectfile::write(prop())));
  writeFileBytes(dir.Path("effdata.dat"), Scrambled(effectfile::write(data())));
  const Case cases[] = {
      {"life0", "0 3 --life 0"},
      {"life3-delay5", "0 8 --life 3 --delay 5"},
      {"hold", "0 6 --hold 3"},
      {"key-stop", "2 5 --key-stop 3"},
      {"sequence", "1 8"},
      {"trail", "3 5 --trail"},
  };
  const bool update = std::getenv("EFFECT_RUN_UPDATE") != nullptr;
  for (const Case& c : cases) {
    const std::string out = run(std::string(EFFECT_RUN_PATH) + " " + dir.Path("") +
                                " effdef effdata " + c.arguments);
    const std::string path = std::string(EFFECT_GOLDEN_DIR) + "/" + c.golden + ".txt";
    if (update) {
      std::ofstream(path, std::ios::binary) << out;
      continue;
    }
    EXPECT_EQ(out, readFileText(path)) << c.golden;
  }
}

}  // namespace

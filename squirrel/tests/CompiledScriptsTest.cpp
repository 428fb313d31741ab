// Scripts compiled at build time by `sq -c` (project_compile_scripts), loaded the way the
// runtime loads its compiled scripts: through sq_readclosure from the build's copy.

#include "ScriptFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using sqtest::MachineTest;
using sqtest::narrow;

class CompiledScripts : public MachineTest, public testing::WithParamInterface<const char*> {
 protected:
  // Loads DIR/relative and runs its main function with the root table as `this`, keeping its
  // return value on the stack.
  void run(const std::string& relative) {
    const std::string path = std::string(GetParam()) + "/" + relative;
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    sqtest::ByteSource src{&bytes};
    ASSERT_TRUE(SQ_SUCCEEDED(sq_readclosure(v, sqtest::readBytes, &src))) << lastError();
    sq_pushroottable(v);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQTrue))) << lastError();
  }
  bool debug() const { return std::string(GetParam()) == TEST_DEBUG_SCRIPTS_DIR; }

  // The innermost script frame of the last error: "function source line".
  static inline std::string where;
  static SQInteger recordWhere(HSQUIRRELVM vm) {
    SQStackInfos si;
    if (SQ_SUCCEEDED(sq_stackinfos(vm, 1, &si))) {
      where = narrow(si.funcname) + " " + narrow(si.source) + " " + std::to_string(si.line);
    }
    return 0;
  }
};

TEST_P(CompiledScripts, OnlyTheDebugCopyRaisesLineEvents) {
  run("lines.cnut");
  std::vector<std::string> lines;
  for (SQInteger i = 0; i < sq_getsize(v, -1); ++i) {
    sq_pushinteger(v, i);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
    const SQChar* s = nullptr;
    sq_getstring(v, -1, &s);
    lines.push_back(narrow(s));
    sq_pop(v, 1);
  }
  const std::vector<std::string> expected = {"lines.nut:8", "lines.nut:9", "lines.nut:10"};
  EXPECT_EQ(lines, debug() ? expected : std::vector<std::string>{});
}

// The sub-folder is kept in the output path; the source name is the bare file name, and the
// line records are there with or without debug information.
TEST_P(CompiledScripts, AScriptInASubFolderRunsWithItsLineRecords) {
  sq_newclosure(v, recordWhere, 0);
  sq_seterrorhandler(v);
  where.clear();
  run("game/actor.cnut");
  sq_pushroottable(v);
  sq_pushstring(v, u"makeActor", -1);
  ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
  sq_pushroottable(v);
  sq_pushstring(v, u"bob", -1);
  sq_pushinteger(v, 5);
  ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 3, SQTrue, SQTrue))) << lastError();
  HSQOBJECT actor;
  sq_getstackobj(v, -1, &actor);
  sq_addref(v, &actor);
  sq_settop(v, 0);

  // actor.hit(damage) with raiseerror, so the handler sees the frame that threw.
  auto hit = [&](SQInteger damage) {
    sq_pushobject(v, actor);
    sq_pushstring(v, u"hit", -1);
    EXPECT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
    sq_pushobject(v, actor);
    sq_pushinteger(v, damage);
    const bool ok = SQ_SUCCEEDED(sq_call(v, 2, SQTrue, SQTrue));
    SQInteger hp = -1;
    if (ok) sq_getinteger(v, -1, &hp);
    sq_settop(v, 0);
    return ok ? hp : -1;
  };
  EXPECT_EQ(hit(3), 2);
  EXPECT_EQ(where, "");
  EXPECT_EQ(hit(3), -1);
  EXPECT_EQ(lastError(), "bob is already down");
  EXPECT_EQ(where, "hit actor.nut 12");
  sq_release(v, &actor);
}

INSTANTIATE_TEST_SUITE_P(Build, CompiledScripts,
                         testing::Values(TEST_SCRIPTS_DIR, TEST_DEBUG_SCRIPTS_DIR),
                         [](const auto& info) { return info.index == 0 ? "Plain" : "Debug"; });

}  // namespace

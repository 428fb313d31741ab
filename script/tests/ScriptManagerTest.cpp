// The script manager: its machine's hooks (print, compile errors, run-time error reports),
// interned strings, tables on top of the root table, and prepared calls.

#include "script/ScriptManager.h"

#include "script/ScriptHooks.h"
#include "testsupport/script/ScriptTestSupport.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using scripttest::ScriptTest;
using scripttest::u16;
using scripttest::u8;

class ScriptManagerTest : public ScriptTest {};

TEST_F(ScriptManagerTest, PrintedTextArrivesAtLevelFourAfterEmptyBrackets) {
  run("print(\"x\"); print(\"50%d %s\");");
  EXPECT_EQ(logged(OMB_LOG_DEBUG), (std::vector<std::string>{"[] x", "[] 50%d %s"}));
}

TEST_F(ScriptManagerTest, ThePrintFormatWidensOnlyBareStringConversions) {
  HSQUIRRELVM vm = manager.vm.vm;
  scriptPrintHandler(vm, u"%s and %s", u"wide", u"text");
  scriptPrintHandler(vm, u"100%%s");
  scriptPrintHandler(vm, u"[%5s]", "ab");  // left as it is: it takes a narrow string
  scriptPrintHandler(vm, u"%d%%", 7);
  EXPECT_EQ(logged(OMB_LOG_DEBUG), (std::vector<std::string>{"[] wide and text", "[] 100%s",
                                                             "[] [   ab]", "[] 7%"}));
}

TEST_F(ScriptManagerTest, CompileErrorsAreLoggedWithTheirPlace) {
  // A compilation that raises its errors reaches the manager's handler.
  HSQUIRRELVM vm = manager.vm.vm;
  const std::u16string source = u"local x = ;";
  ScriptStackTop top(vm);
  ASSERT_TRUE(SQ_FAILED(sq_compilebuffer(vm, source.c_str(), static_cast<SQInteger>(source.size()),
                                         u"broken.nut", SQTrue)));
  EXPECT_EQ(logged(OMB_LOG_DEBUG),
            std::vector<std::string>{"[] Script Compile Error[broken.nut:1:11] expression expected"});
  EXPECT_TRUE(errors().empty());
}

TEST_F(ScriptManagerTest, ARunTimeErrorIsReportedThenFailsTheCall) {
  struct Case {
    const char* source;
    const char* first;
  };
  const Case cases[] = {
      {"throw 5;", "[] Script Runtime Error: unknown"},  // not a string
      // The base library's compilestring compiles without raising: its failure is the error of
      // the calling script, not a compile-error line.
      {"compilestring(\"local x = ;\", \"broken.nut\");",
       "[] Script Runtime Error: expression expected"},
  };
  for (const Case& c : cases) {
    clearLog();
    EXPECT_TRUE(run(c.source).isNull()) << c.source;
    const std::vector<std::string> debug = logged(OMB_LOG_DEBUG);
    ASSERT_GE(debug.size(), 2u) << c.source;
    EXPECT_EQ(debug[0], c.first);
    EXPECT_EQ(debug[1], "[CALLSTACK]");
    EXPECT_EQ(errors(), std::vector<std::string>{"[] Script Error: can't run script"}) << c.source;
  }
}

TEST_F(ScriptManagerTest, TheErrorReportListsLocalsOfEveryType) {
  run("class C {}"
      "function gen() { yield 1; }"
      "function fail() {"
      "  local n = null, t = true, f = false, i = -3, x = 0.5, s = \"str\";"
      "  local tab = {}, arr = [], clo = fail, nat = print, g = gen(), th = newthread(fail);"
      "  local cls = C, inst = C(), w = tab.weakref();"
      "  throw \"stop\";"
      "}");
  clearLog();
  run("fail();");
  const std::vector<std::string> debug = logged(OMB_LOG_DEBUG);
  const std::vector<std::string> locals = {
      "[w] WEAKREF", "[inst] INSTANCE", "[cls] CLASS", "[th] THREAD", "[g] GENERATOR",
      "[nat] NATIVECLOSURE", "[clo] CLOSURE", "[arr] ARRAY", "[tab] TABLE", "[s] \"str\"",
      "[x] 0.5", "[i] -3", "[f] \"false\"", "[t] \"true\"", "[n] NULL", "[this] TABLE",
  };
  const auto start = std::find(debug.begin(), debug.end(), "[LOCAL VAR]");
  ASSERT_NE(start, debug.end());
  EXPECT_EQ(std::vector<std::string>(start + 1, start + 1 + locals.size()), locals);
}

TEST_F(ScriptManagerTest, TheErrorHandlerWithoutArgumentsReportsNothing) {
  HSQUIRRELVM vm = thread->vm.vm;
  ScriptStackTop top(vm);
  sq_settop(vm, 0);
  EXPECT_EQ(scriptRuntimeErrorHandler(vm), 0);
  EXPECT_TRUE(LogCapture::messages().empty());
}

TEST_F(ScriptManagerTest, InternedDirectoriesAreLowerCaseAndEndInASlash) {
  struct Case {
    std::u16string path;
    std::u16string interned;
  };
  const std::u16string long127(127, u'a');
  const Case cases[] = {
      {u"", u"/"},
      {u"Stage/Main", u"stage/main/"},
      {u"already/", u"already/"},
      {u"ＡＢＣ/Ｚ", u"ａｂｃ/ｚ/"},  // full-width letters fold too
      {std::u16string(126, u'B'), std::u16string(126, u'b') + u"/"},
      {long127, long127},                          // no room for the slash
      {std::u16string(200, u'c'), std::u16string(127, u'c')},  // cut to 127 units
  };
  for (const Case& c : cases) {
    EXPECT_EQ(std::u16string(manager.internDirectory(c.path.c_str())), c.interned)
        << u8(c.path);
  }
  EXPECT_EQ(manager.internDirectory(u"Stage/MAIN"), manager.internDirectory(u"stage/main/"));
}

TEST_F(ScriptManagerTest, InternedStringsKeepNoSlashAndDifferFromDirectories) {
  const char16_t* text = manager.internString(u"ABC");
  EXPECT_EQ(std::u16string(text), u"abc");
  EXPECT_EQ(manager.internString(u"abc"), text);
  EXPECT_NE(manager.internDirectory(u"ABC"), text);
  EXPECT_EQ(std::u16string(manager.internDirectory(u"ABC")), u"abc/");
}

TEST_F(ScriptManagerTest, AFailedCallSetsTheTopBackAndReportsIt) {
  HSQUIRRELVM vm = manager.vm.vm;
  const SQInteger top = sq_gettop(vm);
  // An integer cannot be called.
  EXPECT_TRUE(manager.vm.prepareCall(ScriptObject::newInteger(vm, 3)).pushInteger(1).run().isNull());
  EXPECT_EQ(sq_gettop(vm), top);
  EXPECT_EQ(errors(), std::vector<std::string>{"[] Script Error: can't run script"});
}

TEST_F(ScriptManagerTest, PreparedCallsPassTheirArguments) {
  run("function sum(a, b, c) { return a + b + c.len(); }");
  const ScriptObject sum = thread->vm.getRootTable().getSlot(u"sum");
  const ScriptObject three = ScriptObject::newString(u"abc", thread->vm.vm);
  const ScriptObject result =
      thread->vm.prepareCall(sum).pushInteger(4).pushFloat(0.5f).pushObject(three).run();
  EXPECT_FLOAT_EQ(result.toFloat(), 7.5f);
  const ScriptObject v = manager.prepareNewVec3().pushFloat(1).pushFloat(2).pushFloat(3).run();
  EXPECT_EQ(v.getTypeTag(), manager.vec3Class.getTypeTag());
  EXPECT_TRUE(errors().empty());
}

TEST_F(ScriptManagerTest, AScriptsOwnThreadHasNoContext) {
  // newthread makes a machine the host knows nothing of: natives that need the manager or the
  // context report it instead of reading a missing pointer.
  run("co <- newthread(function() { return Vec3(1, 2, 3) * 2; });");
  EXPECT_TRUE(eval("co.call()").isNull());
  EXPECT_EQ(errors(), std::vector<std::string>{"[] Script Error: can't find script context"});
  clearLog();
  run("co2 <- newthread(function() { return sysRun(\"x\"); });");
  EXPECT_TRUE(eval("co2.call()").isNull());
  EXPECT_EQ(errors(), std::vector<std::string>{"[] Script Error: can't find script context"});
}

TEST_F(ScriptManagerTest, AFatalErrorInANativeLeavesTheMachineUsable) {
  {
    scripttest::ThrowingHook hook;
    EXPECT_THROW(run("sysError(\"boom\");"), LExceptGame);
  }
  EXPECT_EQ(errors(), std::vector<std::string>{"Error: [`anonymous-namespace'::sysError] [] boom"});
  clearLog();
  EXPECT_EQ(eval("6 * 7").toInteger(), 42);
  EXPECT_TRUE(errors().empty());
}

}  // namespace

// The system natives: running scripts relative to the caller, the way back to the root, number
// formatting, the fatal error and the debug timer.

#include "script/ScriptBaseNatives.h"

#include "testsupport/script/ScriptTestSupport.h"

#include <string>
#include <vector>

namespace {

using scripttest::ScriptTest;
using scripttest::u16;
using scripttest::u8;

class ScriptBaseNativesTest : public ScriptTest {
 protected:
  scripttest::FixtureArchive archive;
};

TEST_F(ScriptBaseNativesTest, SysRunResolvesAgainstTheCallersDirectory) {
  // sysrun/main runs sub/child, which runs ../leaf: each sees its own directory, and the
  // caller's comes back afterwards.
  const ScriptObject result = thread->loadWithInit(u"sysrun/main", nullptr, nullptr);
  ASSERT_EQ(result.getType(), OT_TABLE);
  const ScriptObject child = result.getSlot(u"child");
  EXPECT_EQ(u8(child.getStringSlot(u"root")), "../../");
  EXPECT_EQ(u8(child.getStringSlot(u"leaf")), "leaf ../");
  EXPECT_EQ(u8(child.getStringSlot(u"rootAfter")), "../../");
  EXPECT_EQ(u8(result.getStringSlot(u"root")), "../");
  EXPECT_TRUE(result.findSlot(u"missing").isNull());
  // The run script's top level has the thread's root table as `this`.
  EXPECT_EQ(u8(thread->vm.getRootTable().getStringSlot(u"childGlobal")), "set by the child");
  EXPECT_EQ(u8(thread->context.dir), "sysrun/");
  EXPECT_TRUE(LogCapture::messages().empty());
}

TEST_F(ScriptBaseNativesTest, TheWayBackToTheRootCountsDirectoryLevels) {
  struct Case {
    const char16_t* dir;
    const char* up;
  };
  const Case cases[] = {
      {u"start/", "../"},
      {u"a/b/", "../../"},
      {u"a\\b/", "../../"},
      {u"", ""},
      {u"/", ""},  // a script at the root is already there
  };
  for (const Case& c : cases) {
    thread->context.dir = manager.internString(c.dir);
    EXPECT_EQ(evalString("sysGetRootDir()"), c.up) << u8(c.dir);
  }
}

TEST_F(ScriptBaseNativesTest, ScriptPathsResolveAgainstTheirDirectory) {
  struct Case {
    const char16_t* dir;
    const char16_t* path;
    const char16_t* resolved;
  };
  const Case cases[] = {
      {u"start/", u"x", u"start/x"},
      {u"a/b/", u"../c", u"a/c"},
      {u"a/b/", u"../../../c", u"c"},
      {nullptr, u"x", u"x"},
      {u"/", u"sub/x", u"sub/x"},  // never the file system's root
  };
  for (const Case& c : cases) {
    EXPECT_EQ(scriptResolvePath(c.dir, c.path), c.resolved) << u8(c.path);
  }
  // Long paths are not cut.
  const std::u16string longName(300, u'n');
  EXPECT_EQ(scriptResolvePath(u"d/", longName.c_str()), u"d/" + longName);
}

TEST_F(ScriptBaseNativesTest, StrConvertFormatsNumbers) {
  struct Case {
    const char* expression;
    const char* text;
  };
  const Case cases[] = {
      {"strConvert(\"03\", 7)", "007"},
      {"strConvert(\".2\", 1.5)", "1.50"},
      {"strConvert(\"\", 5)", "5"},
      {"strConvert(\"\", 2.5)", "2.500000"},
      {"strConvert(\"-4\", 7)", "7   "},
      {"strConvert(\"+\", 3)", "+3"},
      {"strConvert(\"5.1\", 3.14159)", "  3.1"},
      {"strConvert(\".0\", -2.7)", "-3"},
      {"strConvert(\"\", -2.7)", "-2.700000"},
      {"strConvert(\"10.3\", 12.9)", "    12.900"},
      {"strConvert(\"\", \"text\")", "0"},  // not a number: the integer 0
      {"strConvert(\"15\", 42)", "             42"},  // exactly the 15 characters a result holds
      // Longer results are given as nothing rather than as a cut number.
      {"strConvert(\"16\", 42)", ""},
      {"strConvert(\"99.99\", 1)", ""},
      {"strConvert(\"\", 1e30)", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(evalString(c.expression), c.text) << c.expression;
  }
  EXPECT_TRUE(errors().empty());
}

TEST_F(ScriptBaseNativesTest, StrConvertRefusesAnythingButANumericFormat) {
  // A script's text never becomes a conversion of its own, nor an unbounded width.
  for (const char* format : {"s", "%d", "3d", "123", ".123", "lld", "*", "5$", "1.2.3", "n",
                             "0000000000000000"}) {
    clearLog();
    EXPECT_TRUE(eval("strConvert(\"" + std::string(format) + "\", 1)").isNull()) << format;
    EXPECT_EQ(errors(), std::vector<std::string>{"[] Script Error: bad number format(" +
                                                 std::string(format) + ")"});
  }
}

TEST_F(ScriptBaseNativesTest, SysErrorEndsTheGameWithItsText) {
  eval("sysError(\"lost\")");
  EXPECT_EQ(errors(), std::vector<std::string>{"Error: [`anonymous-namespace'::sysError] [] lost"});
}

TEST_F(ScriptBaseNativesTest, TheDebugTimeIsZero) {
  EXPECT_EQ(eval("sysGetDebugTime()").getType(), OT_INTEGER);
  EXPECT_EQ(eval("sysGetDebugTime()").toInteger(), 0);
}

}  // namespace

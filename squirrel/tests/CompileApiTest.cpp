// Compiling through the C interface: sq_compilebuffer and sq_compile, the compile-error hook,
// the machine's constant table shared by its compilations, debug information and the
// compilestring global.

#include "ScriptFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using sqtest::MachineTest;
using sqtest::narrow;

class CompileApi : public MachineTest {
 protected:
  static inline std::vector<std::string> reports;
  static void onCompileError(HSQUIRRELVM, const SQChar* desc, const SQChar* source, SQInteger line,
                             SQInteger column) {
    reports.push_back(narrow(desc) + " | " + narrow(source) + " | " + std::to_string(line) + ":" +
                      std::to_string(column));
  }
  void SetUp() override {
    MachineTest::SetUp();
    reports.clear();
    sq_setcompilererrorhandler(v, onCompileError);
  }

  SQRESULT compile(const std::u16string& source, SQBool raise = SQTrue, const SQChar* name = u"t.nut") {
    return sq_compilebuffer(v, source.data(), static_cast<SQInteger>(source.size()), name, raise);
  }
  // Compiles and runs `source` with the root table as `this`; the result as text.
  std::string eval(const std::u16string& source) {
    const SQInteger top = sq_gettop(v);
    if (SQ_FAILED(compile(source))) return "compile error: " + lastError();
    sq_pushroottable(v);
    std::string r;
    if (SQ_FAILED(sq_call(v, 1, SQTrue, SQFalse))) {
      r = "error: " + lastError();
    } else {
      sq_tostring(v, -1);
      const SQChar* s = nullptr;
      sq_getstring(v, -1, &s);
      r = narrow(s);
    }
    sq_settop(v, top);
    return r;
  }
};

// The hook gets the message, the source name, line and column; the last error holds the
// message. Without raiseerror the hook stays silent. Nothing is pushed on failure.
TEST_F(CompileApi, ErrorsReachTheHookOnlyWhenRaised) {
  struct Case {
    std::u16string source;
    SQBool raise;
    const char* report;  // null: the hook is not called
    const char* message;
  } cases[] = {
      {u"local a = 1;\nlocal = 5;\n", SQTrue, "expected 'IDENTIFIER' | t.nut | 2:8", "expected 'IDENTIFIER'"},
      {u"local a = 1;\nlocal = 5;\n", SQFalse, nullptr, "expected 'IDENTIFIER'"},
      {u"local s = \"abc\n\";", SQTrue, "newline in a constant | t.nut | 1:14", "newline in a constant"},
      {u"while (1) {}\nbreak;", SQTrue, "'break' has to be in a loop block | t.nut | 2:6",
       "'break' has to be in a loop block"},
  };
  for (const Case& c : cases) {
    reports.clear();
    const SQInteger top = sq_gettop(v);
    EXPECT_TRUE(SQ_FAILED(compile(c.source, c.raise)));
    EXPECT_EQ(sq_gettop(v), top);
    EXPECT_EQ(lastError(), c.message);
    if (c.report) {
      EXPECT_EQ(reports, std::vector<std::string>{c.report});
    } else {
      EXPECT_TRUE(reports.empty());
    }
  }
}

TEST_F(CompileApi, PushesTheMainClosure) {
  ASSERT_TRUE(SQ_SUCCEEDED(compile(u"return 6 * 7;", SQTrue, u"answer.nut")));
  EXPECT_EQ(sq_gettype(v, -1), OT_CLOSURE);
  EXPECT_EQ(sq_gettop(v), 1);
  sq_pushroottable(v);
  ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQFalse)));
  SQInteger r = 0;
  sq_getinteger(v, -1, &r);
  EXPECT_EQ(r, 42);
  EXPECT_TRUE(reports.empty());
}

// sq_compile reads one character per call until the reader returns 0, so a NUL ends the
// source; characters outside the 8-bit range pass unchanged.
struct CharReader {
  std::u16string text;
  size_t pos = 0;
  static SQInteger read(SQUserPointer up) {
    auto* r = static_cast<CharReader*>(up);
    return r->pos < r->text.size() ? r->text[r->pos++] : 0;
  }
};

TEST_F(CompileApi, CompilesFromAReaderUpToItsEnd) {
  CharReader reader{std::u16string(u"return \"\u65E5\" + 1;\0 this would not compile (", 42)};
  ASSERT_TRUE(SQ_SUCCEEDED(sq_compile(v, CharReader::read, &reader, u"r.nut", SQTrue))) << lastError();
  sq_pushroottable(v);
  ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQFalse)));
  const SQChar* s = nullptr;
  sq_getstring(v, -1, &s);
  EXPECT_EQ(std::u16string(s), u"\u65E51");

  CharReader bad{u"local x = (1;"};
  EXPECT_TRUE(SQ_FAILED(sq_compile(v, CharReader::read, &bad, u"r.nut", SQTrue)));
  EXPECT_EQ(reports, std::vector<std::string>{"expected ')' | r.nut | 1:13"});
}

// Constants and enums of one compilation are seen by the later ones, through the machine's
// constant table, which the host and scripts can read and replace.
TEST_F(CompileApi, ConstantsAreSharedThroughTheConstantTable) {
  EXPECT_EQ(eval(u"const LIMIT = 10;\nenum Color { red, green = 5, name = \"verde\" }\nreturn LIMIT;"), "10");
  EXPECT_EQ(eval(u"return LIMIT + Color.green + Color.red;"), "15");
  EXPECT_EQ(eval(u"return Color.name;"), "verde");
  EXPECT_EQ(eval(u"return getconsttable().LIMIT;"), "10");
  EXPECT_EQ(eval(u"return Color.blue;"), "compile error: invalid constant [Color.blue]");

  // A constant the host adds is substituted at compile time: changing it afterwards does not
  // change code compiled before.
  sq_pushconsttable(v);
  sq_pushstring(v, u"SPEED", -1);
  sq_pushfloat(v, 2.5f);
  sq_newslot(v, -3, SQFalse);
  ASSERT_TRUE(SQ_SUCCEEDED(compile(u"return SPEED * 2;")));
  sq_pushstring(v, u"SPEED", -1);
  sq_pushinteger(v, 100);
  sq_set(v, -4);
  sq_pushroottable(v);
  ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQFalse)));
  SQFloat f = 0;
  sq_getfloat(v, -1, &f);
  EXPECT_EQ(f, 5.0f);
  sq_settop(v, 0);
  EXPECT_EQ(eval(u"return SPEED;"), "100");

  // Only numbers and strings can replace a name in the code.
  sq_pushconsttable(v);
  sq_pushstring(v, u"FLAG", -1);
  sq_pushbool(v, SQTrue);
  sq_newslot(v, -3, SQFalse);
  sq_settop(v, 0);
  EXPECT_EQ(eval(u"return FLAG;"), "compile error: invalid constant [FLAG]");

  // A new constant table replaces the old names.
  EXPECT_EQ(eval(u"setconsttable({ LIMIT = 3 });"), "(null : 0x00000000)");
  EXPECT_EQ(eval(u"return LIMIT;"), "3");
  EXPECT_EQ(eval(u"return Color.green;"), "error: the index 'Color' does not exist");
}

// LINE instructions (and so the debug hook's line events) only in compilations made while
// debug information is enabled, from the host or from a script.
TEST_F(CompileApi, DebugInformationFollowsTheSwitch) {
  const std::u16string lines =
      u"::lines <- \"\";\n"
      u"setdebughook(function(t, s, l, f) { if (t == 'l') ::lines += l + \" \"; });\n"
      u"local a = 1;\n"
      u"setdebughook(null);\n"
      u"return ::lines;";
  EXPECT_EQ(eval(lines), "");
  sq_enabledebuginfo(v, SQTrue);
  EXPECT_EQ(eval(lines), "3 4 ");
  sq_enabledebuginfo(v, SQFalse);
  EXPECT_EQ(eval(lines), "");
  sq_pushroottable(v);
  sq_pushstring(v, u"source", -1);
  sq_pushstring(v, lines.c_str(), static_cast<SQInteger>(lines.size()));
  sq_newslot(v, -3, SQFalse);
  sq_pop(v, 1);
  EXPECT_EQ(eval(u"enabledebuginfo(true);\nreturn compilestring(::source)();"), "3 4 ");
}

TEST_F(CompileApi, CompileString) {
  struct Case {
    std::u16string source;
    const char* result;
  } cases[] = {
      {u"return compilestring(\"return 4 * 5;\")();", "20"},
      {u"return compilestring(\"return 1;\").getinfos().src;", "unnamedbuffer"},
      {u"return compilestring(\"return 1;\", \"inner.nut\").getinfos().src;", "inner.nut"},
      {u"return compilestring(\"return 1;\").getinfos().name;", "main"},
      {u"try { compilestring(\"local = 1;\"); } catch (e) { return e; }", "expected 'IDENTIFIER'"},
      {u"compilestring(\"const K = 7;\")();\nreturn compilestring(\"return K;\")();", "7"},
      {u"return compilestring(1);", "error: parameter 1 has an invalid type 'integer' ; expected: 'string'"},
  };
  for (const Case& c : cases) EXPECT_EQ(eval(c.source), c.result) << narrow(c.source.c_str());
  // A script's compile errors are raised as errors, never reported through the hook.
  EXPECT_TRUE(reports.empty());
}

}  // namespace

// Generated code where it matters beyond the reference suite: faults of the reference that
// this compiler avoids, limits, tail calls, and constants shared through the constant table.

#include "CompilerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using sqtest::compileUtf8;
using sqtest::listing;

bool hasOp(const sqformat::FunctionData& f, const std::string& name) {
  auto l = listing(f);
  return std::any_of(l.begin(), l.end(), [&](const std::string& i) { return i.rfind(name + " ", 0) == 0; });
}

// `case v:` with v a local must not overwrite v with the comparison result.
TEST(CompilerCode, SwitchCaseOnALocalComparesIntoATemporary) {
  auto r = compileUtf8("local v = 7;\nswitch (v) { case v: x(); }");
  ASSERT_TRUE(r.function) << r.errorLine("t.nut");
  auto code = listing(*r.function);
  ASSERT_GE(code.size(), 3u);
  EXPECT_EQ(code[0], "LOADINT 1 7 0 0");
  EXPECT_EQ(code[1], "EQ 2 1 1 0");
  EXPECT_EQ(code[2], "JZ 2 2 0 0");
}

std::string locals(int count) {
  std::string s = "local v0";
  for (int i = 1; i < count; ++i) s += ", v" + std::to_string(i);
  return s + ";\n";
}

// Register operands are bytes and 255 means "none": 255 registers (this and 254 locals) fit,
// one more is refused instead of wrapping around to register 0.
TEST(CompilerCode, FrameHoldsAtMost255Registers) {
  auto fits = compileUtf8(locals(254));
  ASSERT_TRUE(fits.function) << fits.errorLine("t.nut");
  EXPECT_EQ(fits.function->stackSize, 255);

  std::string parameters = "p0";
  for (int i = 1; i < 255; ++i) parameters += ", p" + std::to_string(i);
  for (const std::string& source :
       {locals(255), locals(254) + "v0 = v1 + v2;", "function f(" + parameters + ") {}"}) {
    auto r = compileUtf8(source);
    EXPECT_FALSE(r.function) << source.substr(0, 40);
    EXPECT_EQ(sqtest::toUtf8(r.error.message), "internal compiler error: too many locals");
  }
}

// Nesting deep enough to exhaust the native stack is refused; ordinary nesting is not.
TEST(CompilerCode, DeepNestingIsRefusedCleanly) {
  const int deep = 100000;
  for (const std::string& source :
       {std::string(deep, '(') + "1" + std::string(deep, ')'), std::string(deep, '{') + std::string(deep, '}'),
        "x = " + std::string(deep, '-') + "1;", [] {
          std::string s;
          for (int i = 0; i < deep; ++i) s += "if (a) ";
          return s + "b();";
        }()}) {
    auto r = compileUtf8(source);
    EXPECT_FALSE(r.function);
    EXPECT_EQ(sqtest::toUtf8(r.error.message), "script too deeply nested");
  }
  const int ordinary = 100;
  auto parens = compileUtf8("x = " + std::string(ordinary, '(') + "1" + std::string(ordinary, ')') + ";");
  EXPECT_TRUE(parens.function) << parens.errorLine("t.nut");
  auto blocks = compileUtf8(std::string(ordinary, '{') + std::string(ordinary, '}'));
  EXPECT_TRUE(blocks.function) << blocks.errorLine("t.nut");
}

// The loop-exit jump is patched even when the condition test is the function's first
// instruction.
TEST(CompilerCode, ForConditionAtTheFirstInstructionStillExits) {
  auto r = compileUtf8("function f(x) { for (; x; ) x = null; }");
  ASSERT_TRUE(r.function) << r.errorLine("t.nut");
  ASSERT_EQ(r.function->functions.size(), 1u);
  EXPECT_EQ(listing(*r.function->functions[0]),
            (std::vector<std::string>{"JZ 1 3 0 0", "LOADNULLS 2 1 0 0", "MOVE 1 2 0 0", "JMP 0 -4 0 0",
                                      "RETURN 255 0 0 0"}));
}

struct TailCallCase {
  const char* source;
  bool tailCall;
};

const TailCallCase kTailCallCases[] = {
    {"function f() { return g(1); }", true},
    {"function f(o) { return o.m(1); }", true},
    {"function f() { return (g(1)); }", true},
    // The call belongs to an earlier statement: the value returned is a local.
    {"function f(x) { g(); return x; }", false},
    // A trap must be popped after the call returns.
    {"function f() { try { return g(); } catch (e) {} }", false},
    {"function f() { return g() + 1; }", false},
    {"function f() { yield g(); }", false},
};

TEST(CompilerCode, TailCalls) {
  for (const TailCallCase& c : kTailCallCases) {
    auto r = compileUtf8(c.source);
    ASSERT_TRUE(r.function) << c.source;
    ASSERT_EQ(r.function->functions.size(), 1u) << c.source;
    EXPECT_EQ(hasOp(*r.function->functions[0], "TAILCALL"), c.tailCall) << c.source;
  }
  // Never in the main function: its frame belongs to the host's call.
  auto main = compileUtf8("return g(1);");
  ASSERT_TRUE(main.function);
  EXPECT_FALSE(hasOp(*main.function, "TAILCALL"));
  EXPECT_TRUE(hasOp(*main.function, "CALL"));
}

// Constants and enums go into the shared table while compiling and replace later uses, also
// in later compilations; they leave no code or literal of their own.
TEST(CompilerCode, ConstantsAreSharedThroughTheTable) {
  sqcompiler::MemoryConstantTable table;
  auto first = compileUtf8("const A = 5;\nconst N = -3;\nenum E { X, Y = 10, Z }\n", "a.nut",
                           sqcompiler::DebugInfo::Off, &table);
  ASSERT_TRUE(first.function) << first.errorLine("a.nut");
  EXPECT_EQ(listing(*first.function), (std::vector<std::string>{"RETURN 255 0 0 0"}));
  EXPECT_TRUE(first.function->literals.empty());

  auto e = table.find(u"E");
  ASSERT_TRUE(e);
  ASSERT_EQ(e->kind, sqcompiler::ConstantValue::Kind::Table);
  std::vector<std::pair<std::u16string, sqformat::Literal>> members = {
      {u"X", int32_t{0}}, {u"Y", int32_t{10}}, {u"Z", int32_t{1}}};
  EXPECT_EQ(e->members, members);

  auto second = compileUtf8("x <- A + E.Z + N;", "b.nut", sqcompiler::DebugInfo::Off, &table);
  ASSERT_TRUE(second.function) << second.errorLine("b.nut");
  auto code = listing(*second.function);
  EXPECT_NE(std::find(code.begin(), code.end(), "LOADINT 2 5 0 0"), code.end());
  EXPECT_NE(std::find(code.begin(), code.end(), "LOADINT 3 1 0 0"), code.end());
  EXPECT_EQ(second.function->literals, (std::vector<sqformat::Literal>{std::u16string(u"x"), int32_t{-3}}));
}

// The machine's constant table may hold values a script cannot spell (set from the host or
// through getconsttable()); such a name cannot be compiled in place of its value.
TEST(CompilerCode, ConstantOfAnotherKindIsRefused) {
  class Table : public sqcompiler::MemoryConstantTable {
   public:
    std::optional<sqcompiler::ConstantValue> find(std::u16string_view name) const override {
      if (name == u"O") return sqcompiler::ConstantValue{};
      return MemoryConstantTable::find(name);
    }
  } table;
  auto r = compileUtf8("local x = O;", "t.nut", sqcompiler::DebugInfo::Off, &table);
  EXPECT_FALSE(r.function);
  EXPECT_EQ(sqtest::toUtf8(r.error.message), "invalid constant [O]");
  auto shadowed = compileUtf8("local O = 1; local x = O;", "t.nut", sqcompiler::DebugInfo::Off, &table);
  EXPECT_TRUE(shadowed.function);
}

}  // namespace

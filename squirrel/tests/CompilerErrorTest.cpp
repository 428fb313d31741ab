// Compile errors beyond the suite's cases: the message and the position the compiler reports.
// The column is that of the unit the lexer looks at after the offending token, counted from 0
// on line 1 and from 1 on later lines.

#include "CompilerTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct ErrorCase {
  const char* source;
  const char* message;
  int line;
  int column;
};

const ErrorCase kErrorCases[] = {
    // unterminated and malformed strings
    {"local s = \"abc", "unfinished string", 1, 14},
    {"local a = 1\nprint(\"abc", "unfinished string", 2, 11},
    {"print(\"abc\ndef\")", "newline in a constant", 1, 10},
    {"s = \"\\xg\";", "hexadecimal number expected", 1, 7},
    {"c = '';", "empty constant", 1, 6},
    {"c = 'ab';", "constant too long", 1, 8},
    {"s = @abc;", "string expected", 1, 5},
    {"/* never closed", "missing \"*/\" in comment", 1, 15},
    // numbers
    {"x = 0128;", "invalid octal number", 1, 7},
    {"x = 1e+;", "exponent expected", 1, 7},
    {"x = 0x1234567890;", "too many digits for an Hex number", 1, 16},
    // bad tokens
    {"x = a..b;", "invalid token '..'", 1, 7},
    {"local x = \x01;", "unexpected character(control)", 1, 10},
    {"local x = 5 $ 3", "end of statement expected (; or lf)", 1, 13},
    // missing brackets and separators
    {"local a = [1, 2;", "expression expected", 1, 16},
    {"if (a {}", "expected ')'", 1, 7},
    {"a[1;", "expected ']'", 1, 4},
    {"f(1,,2)", "expression expected", 1, 5},
    {"class A { x = 1", "expected 'IDENTIFIER'", 1, 15},
    {"local t = { a 1 };", "expected '='", 1, 15},
    {"function f(a b) {}", "expected ')' or ','", 1, 14},
    {"foreach (x of y) {}", "expected 'in'", 1, 13},
    {"try {} finally {}", "expected 'catch'", 1, 14},
    {"do {} until (x);", "expected 'while'", 1, 11},
    {"local a = 1 local b = 2", "end of statement expected (; or lf)", 1, 17},
    // On the top level a statement ending in '}' leaves a following ';' to stand alone, and the
    // next statement on the same line then lacks its separator.
    {"local t = {}; f();", "end of statement expected (; or lf)", 1, 15},
    {"local t = {\n a = x\n[1] = 2\n}", "cannot brake deref/or comma needed after [exp]=exp slot declaration", 3, 2},
    // loops
    {"continue;", "'continue' has to be in a loop block", 1, 8},
    {"while (1) { local f = function() { break; } }", "'break' has to be in a loop block", 1, 40},
    {"function f() { switch (x) { case 1: continue; } }", "'continue' has to be in a loop block", 1, 44},
    // assignments and deletes
    {"1 = 2;", "can't assign expression", 1, 3},
    {"local a = 1; delete a;", "cannot delete a local", 1, 22},
    {"delete 5;", "can't delete an expression", 1, 9},
    {"x.parent = 1;", "parent cannot be set", 1, 10},
    {"local f = function() : (g) { g <- 1; };", "free variables cannot be modified", 1, 36},
    // classes and functions
    {"class 5 {}", "invalid class name", 1, 9},
    {"local c; class c {}", "cannot create a class in a local with the syntax(class <local>)", 1, 18},
    {"function f(a = 1, ...) {}", "function with default parameters cannot have variable number of parameters", 1, 21},
    {"function f(...a) {}", "expected ')'", 1, 15},
    // constants
    {"const X = null;", "scalar expected : integer,float or string", 1, 14},
    {"const X = -\"a\";", "scalar expected : integer,float", 1, 14},
    {"enum E { A }\nlocal v = E.Z;", "invalid constant [E.Z]", 2, 15},
    {"const C = 1;\nC = 2;", "free variables cannot be modified", 2, 7},
    // positions after line breaks of every kind
    {"/*\n*/\n1 = 2;", "can't assign expression", 3, 4},
    {"a = 1\r\n1 = 2;", "can't assign expression", 2, 4},
    {"s = @\"a\nb\"\n1 = 2;", "can't assign expression", 3, 4},
    {"// comment\n\n   1 = 2;", "can't assign expression", 3, 7},
};

class CompilerErrors : public testing::TestWithParam<ErrorCase> {};

TEST_P(CompilerErrors, ReportMessageAndPosition) {
  const ErrorCase& c = GetParam();
  auto result = sqtest::compileUtf8(c.source, "t.nut");
  ASSERT_FALSE(result.function) << c.source;
  EXPECT_EQ(sqtest::toUtf8(result.error.message), c.message) << c.source;
  EXPECT_EQ(result.error.line, c.line) << c.source;
  EXPECT_EQ(result.error.column, c.column) << c.source;
}

INSTANTIATE_TEST_SUITE_P(Table, CompilerErrors, testing::ValuesIn(kErrorCases));

// A NUL unit ends the source: what follows it is never read.
TEST(CompilerErrors, SourceEndsAtTheFirstNul) {
  std::u16string source = u"local a = 1;";
  source += u'\0';
  source += u"this is not squirrel";
  sqcompiler::MemoryConstantTable constants;
  sqcompiler::CompileError error;
  EXPECT_TRUE(sqcompiler::compile(source, u"t.nut", sqcompiler::DebugInfo::Off, constants, error));
}

}  // namespace

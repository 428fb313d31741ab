// The lexer: literal values, escapes, operators and what it remembers between tokens.

#include "squirrel/compiler/Diagnostics.h"
#include "squirrel/compiler/Lexer.h"
#include "squirrel/compiler/SourceText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using sqcompiler::Lexer;
using namespace sqcompiler;  // token names

std::vector<int> tokens(std::u16string_view source) {
  Lexer lexer(source);
  std::vector<int> out;
  for (int t = lexer.lex(); t != TkEnd; t = lexer.lex()) out.push_back(t);
  return out;
}

// Each source is exactly one token of the given kind whose value `get` reads.
template <typename Cases, typename Get>
void expectSingleTokens(const Cases& cases, int token, Get get) {
  for (const auto& c : cases) {
    Lexer lexer(c.source);
    EXPECT_EQ(lexer.lex(), token) << utf16ToUtf8(c.source);
    EXPECT_EQ(get(lexer), c.value) << utf16ToUtf8(c.source);
    EXPECT_EQ(lexer.lex(), TkEnd) << utf16ToUtf8(c.source);
  }
}

struct IntCase {
  const char16_t* source;
  int32_t value;
};

// Decimal literals wrap modulo 2^32; a leading 0 means octal only when an octal digit follows.
const IntCase kIntCases[] = {
    {u"0", 0},
    {u"2147483647", 2147483647},
    {u"2147483648", -2147483647 - 1},
    {u"4294967297", 1},
    {u"0x7fffffff", 0x7FFFFFFF},
    {u"0XFFFFFFFF", -1},
    {u"0x", 0},
    {u"0777", 0777},
    {u"08", 8},
    {u"'a'", 97},
    {u"'\\n'", 10},
    {u"'\\x41'", 65},
    {u"'日'", 0x65E5},
};

TEST(CompilerLexer, IntegerLiterals) {
  expectSingleTokens(kIntCases, TkInteger, [](const Lexer& l) { return l.intValue(); });
}

struct FloatCase {
  const char16_t* source;
  float value;
};

// Parsed in double precision and rounded once to single; an exponent alone makes a float.
const FloatCase kFloatCases[] = {
    {u"1.5", 1.5f},
    {u"0.1", 0.1f},
    {u"1.", 1.0f},
    {u"1e3", 1000.0f},
    {u"2.5E-3", 0.0025f},
    {u"1.5e+2", 150.0f},
    {u"16777217.0", 16777216.0f},
    {u"1.5.3", 1.5f},  // every '.' joins the number; the text is read as far as it is valid
    {u"1e999", std::numeric_limits<float>::infinity()},
    {u"1e-999", 0.0f},
};

TEST(CompilerLexer, FloatLiterals) {
  expectSingleTokens(kFloatCases, TkFloat, [](const Lexer& l) { return l.floatValue(); });
}

TEST(CompilerLexer, NumberFollowedByDotSwallowsTheDot) {
  Lexer lexer(u"1.5.foo");
  EXPECT_EQ(lexer.lex(), TkFloat);
  EXPECT_EQ(lexer.lex(), TkIdentifier);
  EXPECT_EQ(lexer.text(), u"foo");
}

struct StringCase {
  const char16_t* source;
  std::u16string value;
};

const StringCase kStringCases[] = {
    {uR"("\t\a\b\n\r\v\f\\\"\'")", u"\t\a\b\n\r\v\f\\\"'"},
    {uR"("a\0b")", std::u16string(u"a\0b", 3)},
    {uR"("\x20b")", u"\u020b"},           // up to four hex digits
    {uR"("\x12345")", u"\u12345"},        // the fifth digit is text again
    {uR"("\x41z")", u"Az"},
    {uR"(@"a""b")", u"a\"b"},             // a doubled quote in a verbatim string
    {uR"(@"c:\dir\n")", u"c:\\dir\\n"},   // no escapes in a verbatim string
    {u"@\"two\nlines\"", u"two\nlines"},
    {u"\"日本語😀\"", u"日本語😀"},
};

TEST(CompilerLexer, StringLiterals) {
  expectSingleTokens(kStringCases, TkStringLiteral, [](const Lexer& l) { return l.text(); });
}

TEST(CompilerLexer, VerbatimStringCountsItsLines) {
  Lexer lexer(u"@\"a\nb\nc\" x");
  EXPECT_EQ(lexer.lex(), TkStringLiteral);
  EXPECT_EQ(lexer.lex(), TkIdentifier);
  EXPECT_EQ(lexer.line(), 3);
}

struct TokenCase {
  const char16_t* source;
  std::vector<int> expected;
};

const TokenCase kTokenCases[] = {
    {u"<- <= << </ < />", {TkNewSlot, TkLe, TkShiftL, TkAttrOpen, '<', TkAttrClose}},
    {u">>> >> >= >", {TkUShiftR, TkShiftR, TkGe, '>'}},
    {u"== = != ! && & || | :: :", {TkEq, '=', TkNe, '!', TkAnd, '&', TkOr, '|', TkDoubleColon, ':'}},
    {u"+= ++ + -= -- - *= * /= / %= %", {TkPlusEq, TkPlusPlus, '+', TkMinusEq, TkMinusMinus, '-',
                                          TkMulEq, '*', TkDivEq, '/', TkModEq, '%'}},
    {u"... . { } ( ) [ ] ; , ? ^ ~", {TkVarParams, '.', '{', '}', '(', ')', '[', ']', ';', ',', '?', '^', '~'}},
    {u"a // comment\nb /* c\n */ d", {TkIdentifier, TkIdentifier, TkIdentifier}},
    {u"$ # `", {'$', '#', '`'}},  // characters that start no token are returned as themselves
    {u"local localx _x x1 \u540d\u524d", {TkLocal, TkIdentifier, TkIdentifier, TkIdentifier, TkIdentifier}},
    {u"vargc vargv static enum const instanceof extends parent this",
     {TkVargC, TkVargV, TkStatic, TkEnum, TkConst, TkInstanceOf, TkExtends, TkParent, TkThis}},
};

TEST(CompilerLexer, Tokens) {
  for (const TokenCase& c : kTokenCases) EXPECT_EQ(tokens(c.source), c.expected) << utf16ToUtf8(c.source);
}

TEST(CompilerLexer, ConstructorKeywordKeepsItsText) {
  Lexer lexer(u"constructor");
  EXPECT_EQ(lexer.lex(), TkConstructor);
  EXPECT_EQ(lexer.text(), u"constructor");
}

// The parser decides where statements end from the token before the current one.
TEST(CompilerLexer, RemembersALineBreakBeforeTheToken) {
  Lexer lexer(u"a b\n/* x */ c");
  lexer.lex();
  lexer.lex();
  EXPECT_EQ(lexer.prevToken(), TkIdentifier);
  lexer.lex();
  EXPECT_EQ(lexer.prevToken(), '\n');
  EXPECT_EQ(lexer.lastTokenLine(), 1);
  EXPECT_EQ(lexer.line(), 2);
}

TEST(CompilerLexer, ColumnCountsFromZeroOnTheFirstLineOnly) {
  Lexer lexer(u"ab cd\nef gh");
  lexer.lex();
  EXPECT_EQ(lexer.column(), 2);  // looking at the space, the third unit
  lexer.lex();
  lexer.lex();
  EXPECT_EQ(lexer.column(), 3);  // looking at the space, the third unit of line 2
}

TEST(CompilerLexer, ErrorsCarryThePosition) {
  try {
    Lexer lexer(u"x\n  \"ab\\q\"");
    lexer.lex();
    lexer.lex();
    FAIL() << "no error";
  } catch (const CompileFailure& f) {
    EXPECT_EQ(f.message, u"unrecognised escaper char");
    EXPECT_EQ(f.line, 2);
    EXPECT_EQ(f.column, 7);
  }
}

}  // namespace

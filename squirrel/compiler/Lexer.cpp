#include "squirrel/compiler/Lexer.h"

#include "squirrel/compiler/CharClass.h"
#include "squirrel/compiler/Diagnostics.h"

#include <charconv>
#include <limits>
#include <string>
#include <system_error>

namespace sqcompiler {
namespace {

struct Keyword {
  std::u16string_view text;
  int token;
};

constexpr Keyword kKeywords[] = {
    {u"while", TkWhile},         {u"do", TkDo},
    {u"if", TkIf},               {u"else", TkElse},
    {u"break", TkBreak},         {u"continue", TkContinue},
    {u"return", TkReturn},       {u"null", TkNull},
    {u"function", TkFunction},   {u"local", TkLocal},
    {u"for", TkFor},             {u"foreach", TkForeach},
    {u"in", TkIn},               {u"typeof", TkTypeOf},
    {u"delegate", TkDelegate},   {u"delete", TkDelete},
    {u"try", TkTry},             {u"catch", TkCatch},
    {u"throw", TkThrow},         {u"clone", TkClone},
    {u"yield", TkYield},         {u"resume", TkResume},
    {u"switch", TkSwitch},       {u"case", TkCase},
    {u"default", TkDefault},     {u"this", TkThis},
    {u"parent", TkParent},       {u"class", TkClass},
    {u"extends", TkExtends},     {u"constructor", TkConstructor},
    {u"instanceof", TkInstanceOf}, {u"vargc", TkVargC},
    {u"vargv", TkVargV},         {u"true", TkTrue},
    {u"false", TkFalse},         {u"static", TkStatic},
    {u"enum", TkEnum},           {u"const", TkConst},
};

bool isExponent(char16_t c) { return c == u'e' || c == u'E'; }
bool isOctalDigit(char16_t c) { return c >= u'0' && c <= u'7'; }

// Integer literals accumulate modulo 2^32, so "4294967297" is 1.
int32_t accumulate(const std::u16string& digits, uint32_t base) {
  uint32_t value = 0;
  for (char16_t c : digits) {
    uint32_t digit = isDigit(c) ? c - u'0' : (c | 0x20) - u'a' + 10;
    value = value * base + digit;
  }
  return static_cast<int32_t>(value);
}

// The text holds only ASCII digits, '.', exponent letters and signs; it is parsed as a double
// (the longest valid prefix, like strtod) and then rounded to single precision.
float parseFloat(const std::u16string& text) {
  std::string narrow(text.begin(), text.end());
  double value = 0;
  auto [end, ec] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
  (void)end;
  if (ec == std::errc::result_out_of_range) {
    auto e = narrow.find_first_of("eE");
    bool tiny = e != std::string::npos && e + 1 < narrow.size() && narrow[e + 1] == '-';
    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return static_cast<float>(value);
}

}  // namespace

Lexer::Lexer(std::u16string_view source) : source_(source.substr(0, source.find(u'\0'))) {}

std::u16string_view Lexer::keywordText(int token) {
  for (const Keyword& k : kKeywords) {
    if (k.token == token) return k.text;
  }
  return {};
}

void Lexer::error(std::u16string message) const {
  throw CompileFailure{std::move(message), line_, column_};
}

int Lexer::lex() {
  lastTokenLine_ = line_;
  while (cur() != 0) {
    char16_t c = cur();
    switch (c) {
      case u'\t':
      case u'\r':
      case u' ':
        next();
        continue;
      case u'\n':
        ++line_;
        prevToken_ = currentToken_;
        currentToken_ = u'\n';
        next();
        column_ = 1;
        continue;
      case u'/':
        next();
        switch (cur()) {
          case u'*':
            next();
            blockComment();
            continue;
          case u'/':
            do {
              next();
            } while (cur() != u'\n' && cur() != 0);
            continue;
          case u'=':
            next();
            return token(TkDivEq);
          case u'>':
            next();
            return token(TkAttrClose);
          default:
            return token(u'/');
        }
      case u'=':
        return choose(u'=', TkEq, u'=');
      case u'<':
        next();
        switch (cur()) {
          case u'=': next(); return token(TkLe);
          case u'-': next(); return token(TkNewSlot);
          case u'<': next(); return token(TkShiftL);
          case u'/': next(); return token(TkAttrOpen);
          default: return token(u'<');
        }
      case u'>':
        next();
        if (cur() == u'=') {
          next();
          return token(TkGe);
        }
        if (cur() == u'>') {
          next();
          if (cur() == u'>') {
            next();
            return token(TkUShiftR);
          }
          return token(TkShiftR);
        }
        return token(u'>');
      case u'!':
        return choose(u'=', TkNe, u'!');
      case u'@':
        next();
        if (cur() != u'"') error(u"string expected");
        return token(readString(u'"', true));
      case u'"':
      case u'\'':
        return token(readString(c, false));
      case u'{': case u'}': case u'(': case u')': case u'[': case u']':
      case u';': case u',': case u'?': case u'^': case u'~':
        next();
        return token(c);
      case u'.':
        next();
        if (cur() != u'.') return token(u'.');
        next();
        if (cur() != u'.') error(u"invalid token '..'");
        next();
        return token(TkVarParams);
      case u'&':
        return choose(u'&', TkAnd, u'&');
      case u'|':
        return choose(u'|', TkOr, u'|');
      case u':':
        return choose(u':', TkDoubleColon, u':');
      case u'*':
        return choose(u'=', TkMulEq, u'*');
      case u'%':
        return choose(u'=', TkModEq, u'%');
      case u'-':
        if (peek() == u'-') return choose(u'-', TkMinusMinus, u'-');
        return choose(u'=', TkMinusEq, u'-');
      case u'+':
        if (peek() == u'+') return choose(u'+', TkPlusPlus, u'+');
        return choose(u'=', TkPlusEq, u'+');
      default:
        if (isDigit(c)) return token(readNumber());
        if (isLetter(c) || c == u'_') return token(readIdentifier());
        if (isControl(c)) error(u"unexpected character(control)");
        next();
        return token(c);
    }
  }
  return TkEnd;
}

int Lexer::choose(char16_t second, int ifSecond, int otherwise) {
  next();
  if (cur() != second) return token(otherwise);
  next();
  return token(ifSecond);
}

// Line breaks inside a comment count lines but do not reset the column.
void Lexer::blockComment() {
  for (;;) {
    switch (cur()) {
      case u'*':
        next();
        if (cur() == u'/') {
          next();
          return;
        }
        continue;
      case u'\n':
        ++line_;
        next();
        continue;
      case 0:
        error(u"missing \"*/\" in comment");
      default:
        next();
    }
  }
}

int Lexer::readString(char16_t delimiter, bool verbatim) {
  text_.clear();
  next();
  if (cur() == 0) error(u"error parsing the string");
  for (;;) {
    while (cur() != delimiter) {
      switch (cur()) {
        case 0:
          error(u"unfinished string");
        case u'\n':
          if (!verbatim) error(u"newline in a constant");
          text_ += cur();
          next();
          ++line_;
          break;
        case u'\\':
          if (verbatim) {
            text_ += u'\\';
            next();
          } else {
            next();
            readEscape();
          }
          break;
        default:
          text_ += cur();
          next();
      }
    }
    next();
    // In a verbatim string a doubled quote stands for one quote.
    if (!verbatim || cur() != u'"') break;
    text_ += cur();
    next();
  }
  if (delimiter == u'\'') {
    if (text_.empty()) error(u"empty constant");
    if (text_.size() > 1) error(u"constant too long");
    intValue_ = text_[0];
    return TkInteger;
  }
  return TkStringLiteral;
}

void Lexer::readEscape() {
  char16_t simple = 0;
  switch (cur()) {
    case u'x': {
      next();
      if (!isHexDigit(cur())) error(u"hexadecimal number expected");
      std::u16string digits;
      while (isHexDigit(cur()) && digits.size() < 4) {
        digits += cur();
        next();
      }
      text_ += static_cast<char16_t>(accumulate(digits, 16));
      return;
    }
    case u't': simple = u'\t'; break;
    case u'a': simple = u'\a'; break;
    case u'b': simple = u'\b'; break;
    case u'n': simple = u'\n'; break;
    case u'r': simple = u'\r'; break;
    case u'v': simple = u'\v'; break;
    case u'f': simple = u'\f'; break;
    case u'0': simple = u'\0'; break;
    case u'\\': simple = u'\\'; break;
    case u'"': simple = u'"'; break;
    case u'\'': simple = u'\''; break;
    default:
      error(u"unrecognised escaper char");
  }
  text_ += simple;
  next();
}

int Lexer::readNumber() {
  enum { Int, Float, Hex, Octal } kind = Int;
  char16_t first = cur();
  text_.clear();
  next();
  if (first == u'0' && (cur() == u'x' || cur() == u'X' || isOctalDigit(cur()))) {
    if (isOctalDigit(cur())) {
      kind = Octal;
      while (isOctalDigit(cur())) {
        text_ += cur();
        next();
      }
      if (isDigit(cur())) error(u"invalid octal number");
    } else {
      next();
      kind = Hex;
      while (isHexDigit(cur())) {
        text_ += cur();
        next();
      }
      if (text_.size() > 8) error(u"too many digits for an Hex number");
    }
  } else {
    text_ += first;
    // A '.' always belongs to the number ("1.5.x" is 1.5 and then ".x" is never reached as a
    // member access); an exponent without a dot also makes a float ("1e3").
    while (cur() == u'.' || isDigit(cur()) || isExponent(cur())) {
      if (cur() == u'.' || isExponent(cur())) kind = Float;
      if (isExponent(cur())) {
        text_ += cur();
        next();
        if (cur() == u'+' || cur() == u'-') {
          text_ += cur();
          next();
        }
        if (!isDigit(cur())) error(u"exponent expected");
      }
      text_ += cur();
      next();
    }
  }
  switch (kind) {
    case Float:
      floatValue_ = parseFloat(text_);
      return TkFloat;
    case Hex:
      intValue_ = accumulate(text_, 16);
      return TkInteger;
    case Octal:
      intValue_ = accumulate(text_, 8);
      return TkInteger;
    case Int:
      break;
  }
  intValue_ = accumulate(text_, 10);
  return TkInteger;
}

int Lexer::readIdentifier() {
  text_.clear();
  do {
    text_ += cur();
    next();
  } while (isLetter(cur()) || isDigit(cur()) || cur() == u'_');
  for (const Keyword& k : kKeywords) {
    if (k.text == text_) return k.token;
  }
  return TkIdentifier;
}

}  // namespace sqcompiler

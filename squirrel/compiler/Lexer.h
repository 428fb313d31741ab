#pragma once

// Splits UTF-16 source text into tokens and keeps the position the compiler reports errors at.

#include "squirrel/compiler/Token.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sqcompiler {

class Lexer {
 public:
  // The source ends at its first NUL unit, as the machine's character reader does.
  explicit Lexer(std::u16string_view source);

  // Reads the next token. Raises CompileFailure on malformed input.
  int lex();

  // The token before the current one; '\n' when a line break came between them.
  int prevToken() const { return prevToken_; }
  int line() const { return line_; }
  // Position of the unit the lexer looks at. Line 1 counts from 0, later lines from 1: the
  // count is reset to 1 only by a line break between tokens.
  int column() const { return column_; }
  // The line the lexer was on when the current token's scan started.
  int lastTokenLine() const { return lastTokenLine_; }

  // Identifier text (also "constructor") or the contents of a string literal.
  const std::u16string& text() const { return text_; }
  int32_t intValue() const { return intValue_; }
  float floatValue() const { return floatValue_; }

  // The spelling of a keyword token, for "expected '<keyword>'" messages.
  static std::u16string_view keywordText(int token);

  [[noreturn]] void error(std::u16string message) const;

 private:
  char16_t cur() const { return pos_ < source_.size() ? source_[pos_] : u'\0'; }
  char16_t peek() const { return pos_ + 1 < source_.size() ? source_[pos_ + 1] : u'\0'; }
  void next() {
    if (pos_ < source_.size()) ++pos_;
    ++column_;
  }
  int token(int t) {
    prevToken_ = currentToken_;
    currentToken_ = t;
    return t;
  }
  // The token `ifNext` when the unit after the current one is `next`, else `otherwise`.
  int choose(char16_t next, int ifNext, int otherwise);
  void blockComment();
  int readString(char16_t delimiter, bool verbatim);
  void readEscape();
  int readNumber();
  int readIdentifier();

  std::u16string_view source_;
  std::size_t pos_ = 0;
  int line_ = 1;
  int column_ = 0;
  int lastTokenLine_ = 1;
  int prevToken_ = -1;
  int currentToken_ = -1;
  std::u16string text_;
  int32_t intValue_ = 0;
  float floatValue_ = 0;
};

}  // namespace sqcompiler

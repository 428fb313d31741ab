#pragma once

// What every format parser returns: the value, or the error text and the byte offset where the
// data went wrong. Parsers never raise the game's fatal error or write to the log; the given
// Load/Create functions call the parser and turn an error into the message (or result code) the
// game requires. Fuzz targets and tests call the parser directly.
//
// Inside a parser, ParseError may also be thrown (throwParse) from deep in a recursive reader
// and is turned back into a value by parseCatching at the parser's own boundary: it never leaves
// a parser.

#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

struct ParseError {
  ParseError() = default;
  ParseError(std::string text_, std::size_t offset_, std::string context_ = {})
      : text(std::move(text_)), offset(offset_), context(std::move(context_)) {}

  std::string text;
  std::size_t offset = 0;
  // A line the boundary writes to the log before it reports text, where the game's message
  // names the place in the file but not the file itself; usually empty.
  std::string context;
  // The bytes ended inside the format while the file goes on: a caller that reads a file
  // piecewise may hand over a longer prefix and parse again.
  bool truncated = false;
  // A number the format's own boundary uses to choose its answer (a result code, a throw or a
  // plain false) where the kinds of failure differ; 0 unless the format says otherwise.
  int code = 0;
};

template <class T = std::monostate>
class Parsed {
 public:
  Parsed() requires std::is_same_v<T, std::monostate> : state_(std::monostate{}) {}
  Parsed(T value) : state_(std::move(value)) {}  // NOLINT: a value converts implicitly
  Parsed(ParseError error) : state_(std::move(error)) {}  // NOLINT: so does an error

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<0>(state_); }
  const T& value() const { return std::get<0>(state_); }
  const ParseError& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, ParseError> state_;
};

[[noreturn]] inline void throwParse(std::string text, std::size_t offset,
                                    std::string context = {}) {
  throw ParseError{std::move(text), offset, std::move(context)};
}

// Runs body (which returns something Parsed<T> is made from, or nothing for Parsed<>) and
// gives a thrown ParseError back as the error.
template <class T, class Body>
Parsed<T> parseCatching(Body&& body) {
  try {
    if constexpr (std::is_void_v<decltype(body())>) {
      std::forward<Body>(body)();
      return Parsed<T>();
    } else {
      return Parsed<T>(std::forward<Body>(body)());
    }
  } catch (ParseError& error) {
    return Parsed<T>(std::move(error));
  }
}

#pragma once

#include <cstddef>
#include <string_view>

// The pieces of ombFormatNarrow that its conversions share: the bounded output, the parsed
// conversion and the field layout.
namespace omb_format {

// Bounded output: bytes past size - 1 are dropped, the terminator is written by the caller.
class Sink {
 public:
  Sink(char* out, std::size_t size) : out_(out), limit_(size - 1) {}

  void put(char c) {
    if (length_ < limit_) {
      out_[length_++] = c;
    }
  }
  void put(std::string_view text) {
    for (const char c : text) {
      put(c);
    }
  }
  void fill(char c, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      put(c);
    }
  }
  void terminate() { out_[length_] = 0; }

 private:
  char* out_;
  std::size_t limit_;
  std::size_t length_ = 0;
};

enum class Size { Default, Char, Short, Long32, Long64, Pointer };

struct Spec {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alternate = false;
  bool zero = false;
  int width = 0;
  int precision = -1;  // -1: none
  Size size = Size::Default;
  bool wide = false;    // "l", "w": the string and character conversions take UTF-16
  bool narrow = false;  // "h": the string and character conversions take 8-bit text
};

// Writes sign/prefix, zero padding (after the prefix) and the body within the field width.
void emitField(Sink& sink, const Spec& spec, std::string_view prefix, std::string_view body,
               bool zeroPad);

// "%e", "%f", "%g", "%a" and their upper-case forms.
void formatFloat(Sink& sink, const Spec& spec, char conversion, double value);

}  // namespace omb_format

#pragma once

#include <cstdint>
#include <string_view>

// The bounded output of the path builders: at most capacity - 1 units and a terminator are
// written (nothing when the capacity is 0), while the length counts everything, so a caller whose
// result + 1 exceeds its capacity grows its buffer and calls again.
class OmbPathWriter {
 public:
  OmbPathWriter(char16_t* destination, uint32_t capacity)
      : destination_(capacity ? destination : nullptr), capacity_(capacity) {}

  void put(char16_t unit) {
    if (destination_ && length_ + 1 < capacity_) {
      destination_[length_] = unit;
    }
    ++length_;
  }
  void put(std::u16string_view text) {
    for (const char16_t unit : text) {
      put(unit);
    }
  }
  // Terminates the output and returns the full length.
  uint32_t finish() {
    if (destination_) {
      destination_[length_ < capacity_ ? length_ : capacity_ - 1] = 0;
    }
    return length_;
  }

 private:
  char16_t* destination_;
  uint32_t capacity_;
  uint32_t length_ = 0;
};

#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

// A 64-bit FNV-1a hash built up value by value: integers by their little-endian bytes, floats
// by their bit patterns (so that -0.0 and 0.0, or two NaNs, are told apart as the simulation
// keeps them). The action engines hash their simulation state with it after every update.
class StateHash {
 public:
  StateHash& bytes(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) {
      value_ ^= p[i];
      value_ *= 0x100000001b3ull;
    }
    return *this;
  }
  StateHash& text(std::string_view s) { return bytes(s.data(), s.size()); }
  StateHash& u32(uint32_t v) {
    const unsigned char b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    return bytes(b, 4);
  }
  StateHash& i32(int32_t v) { return u32(uint32_t(v)); }
  StateHash& u64(uint64_t v) { return u32(uint32_t(v)).u32(uint32_t(v >> 32)); }
  StateHash& f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return u32(bits);
  }

  uint64_t value() const { return value_; }

 private:
  uint64_t value_ = 0xcbf29ce484222325ull;
};

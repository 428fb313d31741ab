#pragma once

// The writing side of ByteReader: numbers appended little- or big-endian by name to a growing
// byte vector, for the writers of files, buffers and datagrams and for the tests' file builders.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

// Little- and big-endian numbers stored at a fixed offset of a buffer the caller has sized.
inline void storeU16le(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void storeU32le(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void storeU16be(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void storeU32be(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * (3 - i)));
}
inline void storeU64be(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * (7 - i)));
}

class ByteWriter {
 public:
  ByteWriter() = default;
  explicit ByteWriter(std::vector<uint8_t> start) : bytes_(std::move(start)) {}

  std::size_t size() const { return bytes_.size(); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t> release() { return std::move(bytes_); }

  ByteWriter& u8(uint8_t v) {
    bytes_.push_back(v);
    return *this;
  }
  ByteWriter& u16le(uint16_t v) { return le(v, 2); }
  ByteWriter& u16be(uint16_t v) { return be(v, 2); }
  ByteWriter& u32le(uint32_t v) { return le(v, 4); }
  ByteWriter& u32be(uint32_t v) { return be(v, 4); }
  ByteWriter& u64le(uint64_t v) { return le(v, 8); }
  ByteWriter& u64be(uint64_t v) { return be(v, 8); }
  ByteWriter& i32le(int32_t v) { return le(static_cast<uint32_t>(v), 4); }
  ByteWriter& i32be(int32_t v) { return be(static_cast<uint32_t>(v), 4); }
  ByteWriter& f32le(float v) { return le(bitsOf(v), 4); }
  ByteWriter& f32be(float v) { return be(bitsOf(v), 4); }
  ByteWriter& bytes(std::span<const uint8_t> v) {
    bytes_.insert(bytes_.end(), v.begin(), v.end());
    return *this;
  }
  ByteWriter& bytes(const void* data, std::size_t n) {
    return bytes({static_cast<const uint8_t*>(data), n});
  }
  // The characters of a text, without a terminator.
  ByteWriter& text(std::string_view v) { return bytes(v.data(), v.size()); }
  ByteWriter& zeros(std::size_t n) {
    bytes_.resize(bytes_.size() + n, 0);
    return *this;
  }

  // Overwrites four bytes written earlier (a size or an offset known only later); the offset
  // must lie at least four bytes before the end.
  void patchU32le(std::size_t at, uint32_t v) { patch(at, v, 4, false); }
  void patchU32be(std::size_t at, uint32_t v) { patch(at, v, 4, true); }

 private:
  ByteWriter& le(uint64_t v, int n) {
    for (int i = 0; i < n; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  ByteWriter& be(uint64_t v, int n) {
    for (int i = n; i-- > 0;) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  void patch(std::size_t at, uint64_t v, int n, bool bigEndian) {
    for (int i = 0; i < n; ++i) {
      const int shift = 8 * (bigEndian ? n - 1 - i : i);
      bytes_.at(at + static_cast<std::size_t>(i)) = static_cast<uint8_t>(v >> shift);
    }
  }
  static uint32_t bitsOf(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
  }

  std::vector<uint8_t> bytes_;
};

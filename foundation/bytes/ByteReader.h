#pragma once

// A bounds-checked cursor over bytes held in memory, for every reader of a file, network or
// buffer format. Numbers are read little- or big-endian by name (u32le, u32be); floats are the
// IEEE bits of the same width.
//
// A read that would pass the end fails and the reader stays failed: that read and every later
// one give zero (an empty span, false) without moving, and failOffset() tells where the first
// failure happened. So a parser may read a whole header and test failed() once, as long as it
// tests before a value sizes an allocation or a loop (or uses fits(), which is false once
// failed). The format's own rules (magic numbers, versions, limits) stay in its parser.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  ByteReader(const void* data, std::size_t size)
      : bytes_(static_cast<const uint8_t*>(data), size) {}

  std::size_t size() const { return bytes_.size(); }
  std::size_t offset() const { return offset_; }
  std::size_t left() const { return bytes_.size() - offset_; }
  bool atEnd() const { return offset_ == bytes_.size(); }
  bool failed() const { return failed_; }
  // Where the first failed read started (the current offset while nothing failed).
  std::size_t failOffset() const { return offset_; }
  std::span<const uint8_t> all() const { return bytes_; }

  // n more bytes are there (and nothing failed yet).
  bool has(std::size_t n) const { return !failed_ && n <= left(); }
  // count records of at least recordBytes each can fit in what is left; the product cannot
  // overflow. A count read from the data is tested with this before anything is allocated.
  bool fits(uint64_t count, uint64_t recordBytes) const {
    if (failed_) return false;
    if (recordBytes == 0) return true;
    return count <= left() / recordBytes;
  }

  // The next n bytes, or an empty span (and the failed state) when they are not all there.
  std::span<const uint8_t> take(std::size_t n) {
    if (!has(n)) {
      failed_ = true;
      return {};
    }
    const std::span<const uint8_t> out = bytes_.subspan(offset_, n);
    offset_ += n;
    return out;
  }
  // Copies n bytes; on a short read nothing is copied and out is zero-filled.
  bool read(void* out, std::size_t n) {
    const std::span<const uint8_t> in = take(n);
    if (in.size() != n) {
      if (n != 0) std::memset(out, 0, n);
      return false;
    }
    if (n != 0) std::memcpy(out, in.data(), n);
    return true;
  }
  bool skip(std::size_t n) { return take(n).size() == n; }
  // Moves to an absolute offset, the end included; beyond it fails.
  bool seek(std::size_t to) {
    if (failed_ || to > bytes_.size()) {
      failed_ = true;
      return false;
    }
    offset_ = to;
    return true;
  }
  // A reader over the next n bytes, which this one passes over; a failed, empty reader when
  // they are not there.
  ByteReader sub(std::size_t n) {
    const std::span<const uint8_t> in = take(n);
    ByteReader inner(in);
    inner.failed_ = in.size() != n;
    return inner;
  }

  uint8_t u8() { return static_cast<uint8_t>(le<1>()); }
  int8_t i8() { return static_cast<int8_t>(u8()); }
  uint16_t u16le() { return static_cast<uint16_t>(le<2>()); }
  uint16_t u16be() { return static_cast<uint16_t>(be<2>()); }
  int16_t i16le() { return static_cast<int16_t>(u16le()); }
  int16_t i16be() { return static_cast<int16_t>(u16be()); }
  uint32_t u32le() { return static_cast<uint32_t>(le<4>()); }
  uint32_t u32be() { return static_cast<uint32_t>(be<4>()); }
  int32_t i32le() { return static_cast<int32_t>(u32le()); }
  int32_t i32be() { return static_cast<int32_t>(u32be()); }
  uint64_t u64le() { return le<8>(); }
  uint64_t u64be() { return be<8>(); }
  int64_t i64le() { return static_cast<int64_t>(u64le()); }
  int64_t i64be() { return static_cast<int64_t>(u64be()); }
  float f32le() { return floatOf(u32le()); }
  float f32be() { return floatOf(u32be()); }
  double f64le() { return doubleOf(u64le()); }
  double f64be() { return doubleOf(u64be()); }

 private:
  template <std::size_t N>
  uint64_t le() {
    const std::span<const uint8_t> b = take(N);
    if (b.size() != N) return 0;
    uint64_t v = 0;
    for (std::size_t i = N; i-- > 0;) v = v << 8 | b[i];
    return v;
  }
  template <std::size_t N>
  uint64_t be() {
    const std::span<const uint8_t> b = take(N);
    if (b.size() != N) return 0;
    uint64_t v = 0;
    for (std::size_t i = 0; i < N; ++i) v = v << 8 | b[i];
    return v;
  }
  static float floatOf(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  static double doubleOf(uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }

  std::span<const uint8_t> bytes_;
  std::size_t offset_ = 0;
  bool failed_ = false;
};

// Little- and big-endian numbers at a fixed offset of bytes the caller has already checked.
inline uint16_t loadU16le(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint16_t loadU16be(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t loadU32le(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline uint32_t loadU32be(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

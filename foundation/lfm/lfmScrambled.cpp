#include "foundation/lfm/lfmScrambled.h"

#include "foundation/bytes/ByteReader.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "platform/CheckedMath.h"

#include <algorithm>
#include <cstring>

namespace {

[[noreturn]] void fatalRead(dbtl::DFile& file) {
  lerrFatal(lerrText(u"ファイル \"%s\" を読み込めませんでした。").c_str(), file.GetPath());
}

int64_t position(dbtl::DFile& file) {
  const int64_t p = file.Tell();
  if (p < 0) lerrFatal(lerrText(u"ファイル \"%s\" の位置を取得できませんでした。").c_str(), file.GetPath());
  return p;
}

void descramble(unsigned char* bytes, size_t n, int64_t start) {
  for (size_t i = 0; i < n; ++i) {
    bytes[i] ^= static_cast<unsigned char>((static_cast<uint64_t>(start) + i) & 0xFF);
  }
}

}  // namespace

size_t lfmReadScrambled(void* bytes, size_t n, dbtl::DFile& file) {
  const int64_t start = position(file);
  if (n == 0) return 0;
  if (file.Read(bytes, n) != static_cast<int64_t>(n)) fatalRead(file);
  descramble(static_cast<unsigned char*>(bytes), n, start);
  return n;
}

uint32_t lfmReadScrambledU32(dbtl::DFile& file) {
  unsigned char b[4];
  lfmReadScrambled(b, sizeof b, file);
  return loadU32le(b);
}

float lfmReadScrambledFloat(dbtl::DFile& file) {
  const uint32_t bits = lfmReadScrambledU32(file);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

uint8_t lfmReadScrambledU8(dbtl::DFile& file) {
  unsigned char b;
  lfmReadScrambled(&b, 1, file);
  return b;
}

void lfmReadScrambledString(dbtl::DFile& file, dbtl::DString& string) {
  const uint32_t n = lfmReadScrambledU32(file);
  if (n == 0) {
    string.Assign("");
    return;
  }
  // A count from the file is believed only as far as the file reaches.
  const int64_t size = file.GetSize();
  const int64_t left = size - position(file);
  // The terminator needs one more byte than a u32 can count.
  if (size < 0 || static_cast<int64_t>(n) > left || n == UINT32_MAX) fatalRead(file);
  string.Reserve(n + 1);
  char* buffer = string.GetBuffer();
  lfmReadScrambled(buffer, n, file);
  buffer[n] = '\0';
  string._UpdateLength();
}

std::optional<LfmPointer> lfmRelocatePointer(uint32_t stored, uint32_t storedBase, uint32_t count,
                                             void* base, size_t blockSize, size_t elementSize,
                                             size_t alignment) {
  if (stored == 0) return LfmPointer{nullptr, 0};
  // The 32-bit writer's pointers only make sense as offsets into their block; a target before
  // the block wraps to a huge offset and fails the range test below.
  const uint64_t offset = static_cast<uint32_t>(stored - storedBase);
  const auto bytes = platform::checkedMul<uint64_t>(count, elementSize);
  const auto end = bytes ? platform::checkedAdd<uint64_t>(offset, *bytes) : std::nullopt;
  const bool overflow = !end;
  unsigned char* target = static_cast<unsigned char*>(base) + std::min<uint64_t>(offset, blockSize);
  const bool aligned = alignment <= 1 || reinterpret_cast<uintptr_t>(target) % alignment == 0;
  if (base == nullptr || overflow || *end > blockSize || !aligned) return std::nullopt;
  return LfmPointer{target, count};
}

LfmPointer lfmReadScrambledPointer(dbtl::DFile& file, void* base, size_t blockSize,
                                   size_t elementSize, size_t alignment) {
  const uint32_t stored = lfmReadScrambledU32(file);
  const uint32_t storedBase = lfmReadScrambledU32(file);
  const uint32_t count = lfmReadScrambledU32(file);
  const std::optional<LfmPointer> pointer =
      lfmRelocatePointer(stored, storedBase, count, base, blockSize, elementSize, alignment);
  if (!pointer) {
    lerrFatal("[lfmReadScrambledPointer] pointer outside its data block in \"%s\"",
              file.GetPath());
  }
  return *pointer;
}

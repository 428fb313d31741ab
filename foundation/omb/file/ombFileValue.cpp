#include "foundation/bytes/ByteReader.h"
#include "foundation/bytes/ByteWriter.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileHandle.h"
#include "foundation/omb/file/ombFileModule.h"

#include <cstring>

namespace {

// Reads exactly n bytes; anything less is a failure.
bool readExactly(OMB_FILE* file, uint8_t* bytes, uint32_t n) {
  uint32_t got = 0;
  return _ombFileRead(n, file, &got, bytes) >= 0 && got == n;
}

bool writeExactly(OMB_FILE* file, const uint8_t* bytes, uint32_t n) {
  uint32_t put = 0;
  return _ombFileWrite(bytes, file, &put, n) >= 0 && put == n;
}

// The framework's typed values are big-endian.
template <int N>
uint64_t fromBigEndian(const uint8_t* bytes) {
  ByteReader in(bytes, N);
  if constexpr (N == 2) return in.u16be();
  if constexpr (N == 4) return in.u32be();
  return in.u64be();
}

template <int N>
void toBigEndian(uint64_t value, uint8_t* bytes) {
  if constexpr (N == 4) storeU32be(bytes, static_cast<uint32_t>(value));
  if constexpr (N == 8) storeU64be(bytes, value);
}

// Leaves the output unchanged on failure.
template <int N>
int32_t readValue(OMB_FILE* file, uint64_t* out) {
  uint8_t bytes[N];
  platform::RecursiveMutexHold hold(ombFileLock());
  if (!readExactly(file, bytes, N)) {
    return OMB_ERR_IO;
  }
  *out = fromBigEndian<N>(bytes);
  return OMB_OK;
}

template <int N>
int32_t writeValue(OMB_FILE* file, uint64_t value) {
  uint8_t bytes[N];
  toBigEndian<N>(value, bytes);
  platform::RecursiveMutexHold hold(ombFileLock());
  return writeExactly(file, bytes, N) ? OMB_OK : OMB_ERR_IO;
}

}  // namespace

int32_t ombFileReadU32(uint32_t* out, OMB_FILE* file) {
  uint64_t value = 0;
  if (readValue<4>(file, &value) < 0) {
    return OMB_ERR_IO;
  }
  *out = static_cast<uint32_t>(value);
  return OMB_OK;
}

int32_t ombFileReadU64(uint64_t* out, OMB_FILE* file) {
  return readValue<8>(file, out);
}

int32_t ombFileReadU16Array(OMB_FILE* file, char16_t* destination, uint32_t count) {
  platform::RecursiveMutexHold hold(ombFileLock());
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t bytes[2];
    if (!readExactly(file, bytes, 2)) {
      return OMB_ERR_IO;
    }
    destination[i] = static_cast<char16_t>(fromBigEndian<2>(bytes));
  }
  return OMB_OK;
}

int32_t ombFileWriteU32(OMB_FILE* file, uint32_t value) {
  return writeValue<4>(file, value);
}

int32_t ombFileWriteU64(OMB_FILE* file, uint64_t value) {
  return writeValue<8>(file, value);
}

int32_t ombFileWriteF32(OMB_FILE* file, float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return writeValue<4>(file, bits);
}

int32_t ombFileWriteU16Array(OMB_FILE* file, const char16_t* units, uint32_t count) {
  // Converted in chunks that fit the view's own buffer, so no allocation is needed.
  uint8_t bytes[OMB_FILE_BUFFER_SIZE];
  platform::RecursiveMutexHold hold(ombFileLock());
  while (count > 0) {
    const uint32_t chunk = count < sizeof bytes / 2 ? count : sizeof bytes / 2;
    for (uint32_t i = 0; i < chunk; ++i) {
      storeU16be(bytes + 2 * i, static_cast<uint16_t>(units[i]));
    }
    if (!writeExactly(file, bytes, chunk * 2)) {
      return OMB_ERR_IO;
    }
    units += chunk;
    count -= chunk;
  }
  return OMB_OK;
}

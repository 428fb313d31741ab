#include "foundation/omb/text/ombFormat.h"

#include "foundation/omb/containers/ombArray.h"
#include "foundation/omb/ombCheckedMath.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombSpinlock.h"
#include "foundation/omb/text/ombFormatNarrow.h"
#include "platform/text/Cp932.h"

#include <cstring>
#include <limits>
#include <string_view>

namespace {

constexpr uint32_t kGrowStep = 128;

// Usable before ombStrInit as well: a message may be formatted before the core is up.
OMB_SPINLOCK formatLock;
OMB_ARRAY formatBytes = {1, kGrowStep, nullptr, 0, nullptr, 0};
OMB_ARRAY resultBytes = {1, kGrowStep, nullptr, 0, nullptr, 0};

// Grows a shared buffer to `bytes`; null when that is not possible (already reported).
char* reserve(OMB_ARRAY* buffer, std::size_t bytes) {
  if (bytes > std::numeric_limits<uint32_t>::max()) {
    ombCheckAlloc(nullptr);
    return nullptr;
  }
  return static_cast<char*>(ombArrayResize(buffer, static_cast<uint32_t>(bytes)));
}

// The format in code page 932, terminated; null when a unit has no code.
const char* convertFormat(const char16_t* format) {
  std::size_t bytes = 0;
  std::size_t units = 0;
  for (; format[units]; ++units) {
    char code[2];
    const std::size_t length = platform::cp932EncodeChar(format[units], code);
    if (length == 0) {
      return nullptr;
    }
    bytes += length;
  }
  char* out = reserve(&formatBytes, bytes + 1);
  if (!out) {
    return nullptr;
  }
  char* p = out;
  for (std::size_t i = 0; i < units; ++i) {
    p += platform::cp932EncodeChar(format[i], p);
  }
  *p = 0;
  return out;
}

// Decodes the narrow result into the destination when it converts and fits in capacity - 1
// units; otherwise leaves it empty.
void convertResult(const char* result, char16_t* destination, uint32_t capacity) {
  std::string_view bytes(result);
  uint32_t length = 0;
  while (!bytes.empty()) {
    char16_t unit;
    const std::size_t taken = platform::cp932DecodeChar(bytes, unit);
    if (taken == 0 || length + 1 >= capacity) {
      destination[0] = 0;
      return;
    }
    destination[length++] = unit;
    bytes.remove_prefix(taken);
  }
  destination[length] = 0;
}

void resetBuffers() {
  ombArrayInit(&formatBytes, 1, kGrowStep);
  ombArrayInit(&resultBytes, 1, kGrowStep);
}

}  // namespace

void ombStrInit() {
  formatLock = OMB_SPINLOCK{};
  ombArrayUninit(&formatBytes);
  ombArrayUninit(&resultBytes);
  resetBuffers();
}

void ombStrUninit() {
  OmbSpinLockHold hold(formatLock);
  ombArrayUninit(&formatBytes);
  ombArrayUninit(&resultBytes);
  // A message formatted after the shut-down (another exit-time function) grows them again.
  resetBuffers();
}

void ombStrVPrintf(char16_t* destination, uint32_t capacity, const char16_t* format,
                   va_list args) {
  if (capacity == 0) {
    return;
  }
  OmbSpinLockHold hold(formatLock);
  destination[0] = 0;
  const char* narrowFormat = convertFormat(format);
  if (!narrowFormat) {
    return;
  }
  // Every text of capacity - 1 units takes at most twice as many bytes, so anything that could
  // fit is formatted whole; what the limit cuts is too long anyway.
  const std::size_t size = std::size_t{capacity} * 3 - 2;
  char* result = reserve(&resultBytes, size);
  if (!result) {
    return;
  }
  va_list copy;
  va_copy(copy, args);
  const bool formatted = ombFormatNarrow(result, size, narrowFormat, copy);
  va_end(copy);
  if (formatted) {
    convertResult(result, destination, capacity);
  }
}

void ombStrPrintf(char16_t* destination, uint32_t capacity, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  ombStrVPrintf(destination, capacity, format, args);
  va_end(args);
}

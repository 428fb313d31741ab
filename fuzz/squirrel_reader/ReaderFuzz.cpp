// Bytes -> closure reader -> prototype checks and build. Running the result is left out on
// purpose: a valid program may loop for ever.

#include "squirrel/format/ClosureReader.h"
#include "squirrel/vm/FunctionProto.h"
#include "squirrel/vm/String.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t pos = 0;
  std::u16string error;
  auto function = sqformat::readClosure(
      [&](void* buffer, size_t n) {
        const size_t k = n < size - pos ? n : size - pos;
        if (k) std::memcpy(buffer, data + pos, k);
        pos += k;
        return k;
      },
      error);
  if (!function) return 0;
  sqvm::StringTable strings;
  if (sqvm::FunctionProto* proto = sqvm::buildProto(*function, strings, error)) {
    sqvm::addRef(proto);
    sqvm::decRef(proto);
  }
  return 0;
}

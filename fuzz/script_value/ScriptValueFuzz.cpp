// Feeds arbitrary bytes to the script value reader as if they were a buffer handed from one
// engine to the next. Whatever the bytes, the reader must stay inside them; the value it builds
// must then write out as a buffer that reads back whole, to its last byte.

#include "foundation/omb/ombCore.h"
#include "script/ScriptManager.h"
#include "script/ScriptValueSerial.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

struct Framework {
  Framework() { ombCoreInit(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Framework framework;
  if (size > 1 << 20) {
    return 0;
  }
  // A buffer of exactly the input's bytes, so reading past them is caught.
  OMB_ARRAY input;
  ombArrayInit(&input, 1, 1);
  void* items = ombArrayResize(&input, static_cast<uint32_t>(size));
  if (size > 0) {
    std::memcpy(items, data, size);
  }
  {
    ScriptManager manager;
    const ScriptObject value = deserializeScriptValue(&input, manager);
    OMB_ARRAY* again = serializeScriptValue(manager.vm, value);
    uint32_t position = 0;
    readScriptValue(again, position, manager);
    require(position == again->count);
    freeScriptValueBuffer(again);
  }
  ombArrayUninit(&input);
  return 0;
}

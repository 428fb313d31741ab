#include "host/binary/BinaryNatives.h"

#include "foundation/omb/ombLog.h"
#include "host/binary/BinManager.h"
#include "host/engine/Engine.h"
#include "script/ScriptContext.h"
#include "script/ScriptNative.h"

namespace {

using BinaryArg = ScriptHandleArg<Binary, kBinaryHandle>;

BinManager* callerList(HSQUIRRELVM vm) {
  Engine* engine = Engine::fromVm(vm);
  return engine != nullptr ? engine->binaryList() : nullptr;
}

// The binary when it belongs to the caller's list; otherwise the invalid-handle error.
Binary* own(HSQUIRRELVM vm, Binary* binary) {
  BinManager* list = callerList(vm);
  if (list != nullptr && list->owns(binary)) return binary;
  ScriptHandleTable::reportInvalid(binary->handle, kBinaryHandle);
  return nullptr;
}

int32_t binaryLoad(HSQUIRRELVM vm, const char16_t* path) {
  BinManager* list = callerList(vm);
  if (list == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] no binary list", "binaryLoad");
    return 0;
  }
  const ScriptContext* context = scriptFindContext(vm);
  return list->create(path, context != nullptr ? context->dir : nullptr)->handle;
}

void binaryDestroy(HSQUIRRELVM vm, BinaryArg binary) {
  if (Binary* b = own(vm, binary)) b->owner->release(b);
}

int32_t binaryReadU8(HSQUIRRELVM vm, BinaryArg binary, int32_t offset) {
  Binary* b = own(vm, binary);
  return b != nullptr ? b->readU8(offset) : 0;
}

int32_t binaryReadI32(HSQUIRRELVM vm, BinaryArg binary, int32_t offset) {
  Binary* b = own(vm, binary);
  return b != nullptr ? b->readI32(offset) : 0;
}

int32_t binaryWriteU8(HSQUIRRELVM vm, BinaryArg binary, int32_t offset, int32_t value) {
  Binary* b = own(vm, binary);
  return b != nullptr ? b->writeU8(offset, value) : 0;
}

int32_t binaryWriteI32(HSQUIRRELVM vm, BinaryArg binary, int32_t offset, int32_t value) {
  Binary* b = own(vm, binary);
  return b != nullptr ? b->writeI32(offset, value) : 0;
}

}  // namespace

void registerBinaryApi(const ScriptObject& table) {
  table.registerFunction(u"binaryLoad", &binaryLoad)
      .registerFunction(u"binaryDestroy", &binaryDestroy)
      .registerFunction(u"binaryReadU8", &binaryReadU8)
      .registerFunction(u"binaryReadI32", &binaryReadI32)
      .registerFunction(u"binaryWriteU8", &binaryWriteU8)
      .registerFunction(u"binaryWriteI32", &binaryWriteI32);
}

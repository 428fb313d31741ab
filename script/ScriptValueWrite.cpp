#include "foundation/bytes/ByteWriter.h"
#include "foundation/omb/ombCore.h"
#include "script/ScriptError.h"
#include "script/ScriptStackTop.h"
#include "script/ScriptValueSerial.h"
#include "script/Vec3.h"

#include <cstring>
#include <limits>
#include <memory>

namespace {

void appendU32(OMB_ARRAY* buffer, uint32_t value) {
  uint8_t bytes[4];
  storeU32le(bytes, value);
  appendScriptValueBytes(buffer, 4, bytes);
}

uint32_t floatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

bool isVec3(const ScriptObject& value) {
  return value.getType() == OT_INSTANCE && value.getTypeTag() == Vec3::typeTag();
}

// What another machine can rebuild.
bool isTransferable(const ScriptObject& value) {
  switch (value.getType()) {
    case OT_NULL:
    case OT_BOOL:
    case OT_INTEGER:
    case OT_FLOAT:
    case OT_STRING:
    case OT_ARRAY:
    case OT_TABLE:
      return true;
    case OT_INSTANCE:
      return isVec3(value);
    default:
      return false;
  }
}

void writeString(OMB_ARRAY* buffer, const ScriptObject& value) {
  const char16_t* text = value.toString();
  uint32_t n = 0;
  while (text[n] != 0) {
    ++n;
  }
  appendU32(buffer, n);
  // The units go out as little-endian pairs whatever the host's order.
  for (uint32_t i = 0; i <= n; ++i) {
    uint8_t unit[2];
    storeU16le(unit, static_cast<uint16_t>(text[i]));
    appendScriptValueBytes(buffer, 2, unit);
  }
}

void writeArray(OMB_ARRAY* buffer, const ScriptVm& holder, const ScriptObject& value,
                int32_t depth) {
  const int32_t n = value.getSize();
  appendU32(buffer, static_cast<uint32_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    // A null element is a value like any other, and an element that cannot cross stays a
    // null placeholder, so the indices of the rest are kept.
    const ScriptObject element = value.findSlotByIndex(i);
    if (isTransferable(element)) {
      writeScriptValue(buffer, holder, element, depth + 1);
    } else {
      appendU32(buffer, OT_NULL);
    }
  }
}

void writeTable(OMB_ARRAY* buffer, const ScriptVm& holder, const ScriptObject& value,
                int32_t depth) {
  const uint32_t countAt = buffer->count;
  appendU32(buffer, 0);
  uint32_t written = 0;
  HSQUIRRELVM vm = holder.vm;
  ScriptStackTop top(vm);
  // The value may belong to a thread of the holder's machine: push it on the holder's stack.
  sq_pushobject(vm, value.getObject());
  sq_pushnull(vm);
  while (SQ_SUCCEEDED(sq_next(vm, -2))) {
    const ScriptObject key = ScriptObject::fromStack(vm, -2);
    const ScriptObject slot = ScriptObject::fromStack(vm, -1);
    sq_pop(vm, 2);
    if (isTransferable(key) && isTransferable(slot)) {
      writeScriptValue(buffer, holder, key, depth + 1);
      writeScriptValue(buffer, holder, slot, depth + 1);
      ++written;
    }
  }
  if (buffer->count >= countAt + 4) {
    storeU32le(static_cast<uint8_t*>(buffer->items) + countAt, written);
  }
}

void writeVec3(OMB_ARRAY* buffer, const ScriptObject& value) {
  const auto* v = static_cast<const Vec3*>(value.getInstanceUp(Vec3::typeTag()));
  appendU32(buffer, floatBits(v ? v->x : 0.0f));
  appendU32(buffer, floatBits(v ? v->y : 0.0f));
  appendU32(buffer, floatBits(v ? v->z : 0.0f));
}

}  // namespace

OMB_ARRAY* serializeScriptValue(const ScriptVm& holder, const ScriptObject& value) {
  // A fatal error while writing leaves by an exception: the buffer must not leak then.
  std::unique_ptr<OMB_ARRAY, void (*)(OMB_ARRAY*)> buffer(new OMB_ARRAY, freeScriptValueBuffer);
  ombArrayInit(buffer.get(), 1, kScriptValueGrowStep);
  writeScriptValue(buffer.get(), holder, value);
  return buffer.release();
}

void writeScriptValue(OMB_ARRAY* buffer, const ScriptVm& holder, const ScriptObject& value,
                      int32_t depth) {
  if (!isTransferable(value)) {
    return;
  }
  const SQObjectType type = value.getType();
  if (depth > kScriptValueMaxDepth && (type == OT_ARRAY || type == OT_TABLE)) {
    scriptError(u"[%ls] Script Error: can't serialize a value nested deeper than %d levels",
                kScriptValueMaxDepth);
    appendU32(buffer, OT_NULL);
    return;
  }
  appendU32(buffer, static_cast<uint32_t>(type));
  switch (type) {
    case OT_BOOL: {
      HSQOBJECT object = value.getObject();
      appendU32(buffer, sq_objtobool(&object) ? 1u : 0u);
      break;
    }
    case OT_INTEGER:
      appendU32(buffer, static_cast<uint32_t>(value.toInteger()));
      break;
    case OT_FLOAT:
      appendU32(buffer, floatBits(value.toFloat()));
      break;
    case OT_STRING:
      writeString(buffer, value);
      break;
    case OT_ARRAY:
      writeArray(buffer, holder, value, depth);
      break;
    case OT_TABLE:
      writeTable(buffer, holder, value, depth);
      break;
    case OT_INSTANCE:
      writeVec3(buffer, value);
      break;
    default:
      break;
  }
}

void appendScriptValueBytes(OMB_ARRAY* buffer, uint32_t count, const void* source) {
  const uint32_t at = buffer->count;
  if (count > std::numeric_limits<uint32_t>::max() - at) {
    ombCheckAlloc(nullptr);
    return;
  }
  auto* items = static_cast<uint8_t*>(ombArrayResize(buffer, at + count));
  if (items && count > 0) {
    std::memcpy(items + at, source, count);
  }
}

#include "foundation/bytes/ByteReader.h"
#include "script/ScriptManager.h"
#include "script/ScriptValueSerial.h"

#include <cstring>
#include <string>

namespace {

uint32_t remaining(const OMB_ARRAY* buffer, uint32_t position) {
  return position < buffer->count ? buffer->count - position : 0;
}

const uint8_t* bytesAt(const OMB_ARRAY* buffer, uint32_t position) {
  return static_cast<const uint8_t*>(buffer->items) + position;
}

// A payload word; 0 when the buffer ends first (a correct writer never cuts one off).
uint32_t readU32(const OMB_ARRAY* buffer, uint32_t& position) {
  uint8_t bytes[4];
  if (!readScriptValueWord(buffer, position, bytes)) {
    return 0;
  }
  return loadU32le(bytes);
}

float readF32(const OMB_ARRAY* buffer, uint32_t& position) {
  const uint32_t bits = readU32(buffer, position);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// The buffer cannot be one the writer made: nothing after this point is trusted.
ScriptObject damaged(const OMB_ARRAY* buffer, uint32_t& position, HSQUIRRELVM vm) {
  position = buffer->count;
  return ScriptObject::newNull(vm);
}

ScriptObject readString(const OMB_ARRAY* buffer, uint32_t& position, HSQUIRRELVM vm) {
  const uint64_t n = readU32(buffer, position);
  const uint64_t bytes = (n + 1) * 2;
  if (bytes > remaining(buffer, position)) {
    return damaged(buffer, position, vm);
  }
  const uint8_t* p = bytesAt(buffer, position);
  std::u16string text;
  text.reserve(n);
  // Up to the first zero unit, which the writer puts at index n.
  for (uint64_t i = 0; i < n; ++i) {
    const char16_t unit = static_cast<char16_t>(loadU16le(p + 2 * i));
    if (unit == 0) {
      break;
    }
    text.push_back(unit);
  }
  position += static_cast<uint32_t>(bytes);
  return ScriptObject::newString(text.c_str(), vm);
}

// A container's count, when that many entries of at least `entryBytes` each can still follow and
// the container lies within the depth the writer keeps to.
bool readCount(const OMB_ARRAY* buffer, uint32_t& position, uint32_t entryBytes, int32_t depth,
               uint32_t& n) {
  n = readU32(buffer, position);
  return n <= remaining(buffer, position) / entryBytes && depth <= kScriptValueMaxDepth;
}

ScriptObject readArray(const OMB_ARRAY* buffer, uint32_t& position, ScriptManager& manager,
                       int32_t depth) {
  HSQUIRRELVM vm = manager.vm.vm;
  uint32_t n = 0;
  // Every element takes at least its 4-byte type word.
  if (!readCount(buffer, position, 4, depth, n)) {
    return damaged(buffer, position, vm);
  }
  ScriptObject array = ScriptObject::newArray(vm, static_cast<int32_t>(n));
  for (uint32_t i = 0; i < n; ++i) {
    const ScriptObject element = readScriptValue(buffer, position, manager, depth + 1);
    array.setSlotByIndex(static_cast<int32_t>(i), element.getObject());
  }
  return array;
}

ScriptObject readTable(const OMB_ARRAY* buffer, uint32_t& position, ScriptManager& manager,
                       int32_t depth) {
  HSQUIRRELVM vm = manager.vm.vm;
  uint32_t n = 0;
  // Every slot takes at least a key's and a value's type words.
  if (!readCount(buffer, position, 8, depth, n)) {
    return damaged(buffer, position, vm);
  }
  ScriptObject table = ScriptObject::newTable(vm);
  for (uint32_t i = 0; i < n; ++i) {
    const ScriptObject key = readScriptValue(buffer, position, manager, depth + 1);
    const ScriptObject value = readScriptValue(buffer, position, manager, depth + 1);
    // Only integer and string keys survive as themselves; any other key becomes the empty
    // string, the text the handle gives for a value that is not a string.
    if (key.getType() == OT_INTEGER) {
      table.setSlotByIndex(key.toInteger(), value.getObject());
    } else {
      table.setSlot(key.toString(), value.getObject());
    }
  }
  return table;
}

ScriptObject readVec3(const OMB_ARRAY* buffer, uint32_t& position, ScriptManager& manager) {
  const float x = readF32(buffer, position);
  const float y = readF32(buffer, position);
  const float z = readF32(buffer, position);
  return manager.prepareNewVec3().pushFloat(x).pushFloat(y).pushFloat(z).run();
}

}  // namespace

ScriptObject deserializeScriptValue(const OMB_ARRAY* buffer, ScriptManager& manager) {
  if (!buffer) {
    return ScriptObject::newNull(manager.vm.vm);
  }
  uint32_t position = 0;
  return readScriptValue(buffer, position, manager);
}

ScriptObject readScriptValue(const OMB_ARRAY* buffer, uint32_t& position, ScriptManager& manager,
                             int32_t depth) {
  HSQUIRRELVM vm = manager.vm.vm;
  uint8_t header[4];
  if (!readScriptValueWord(buffer, position, header)) {
    return ScriptObject::newNull(vm);
  }
  const uint32_t type = loadU32le(header);
  switch (type) {
    case OT_NULL:
      return ScriptObject::newNull(vm);
    case OT_BOOL:
      return ScriptObject::newBool(vm, readU32(buffer, position) != 0);
    case OT_INTEGER:
      return ScriptObject::newInteger(vm, static_cast<int32_t>(readU32(buffer, position)));
    case OT_FLOAT:
      return ScriptObject::newFloat(vm, readF32(buffer, position));
    case OT_STRING:
      return readString(buffer, position, vm);
    case OT_ARRAY:
      return readArray(buffer, position, manager, depth);
    case OT_TABLE:
      return readTable(buffer, position, manager, depth);
    case OT_INSTANCE:
      return readVec3(buffer, position, manager);
    default:
      return ScriptObject::newNull(vm);
  }
}

bool readScriptValueWord(const OMB_ARRAY* buffer, uint32_t& position, void* destination) {
  if (remaining(buffer, position) < 4) {
    return false;
  }
  std::memcpy(destination, bytesAt(buffer, position), 4);
  position += 4;
  return true;
}

void freeScriptValueBuffer(OMB_ARRAY* buffer) {
  if (!buffer) {
    return;
  }
  ombArrayUninit(buffer);
  delete buffer;
}

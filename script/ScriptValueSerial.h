#pragma once

#include "foundation/omb/containers/ombArray.h"
#include "script/ScriptObject.h"
#include "script/ScriptVm.h"

#include <cstdint>

class ScriptManager;

// Copies a script value from one machine to another through bytes, for the values an engine
// hands to the next engine: the old machine is closed before the new one exists, so the value
// travels as a buffer that never leaves the process.
//
// The buffer is an OMB_ARRAY of bytes (element size 1, grow step 256, the process heap), the
// record itself made with new. It holds one value: a little-endian u32 type word (the machine's
// own, as sq_gettype gives it), then the payload:
//   null              none
//   bool              u32 1 or 0
//   integer           i32
//   float             binary32
//   string            u32 n (UTF-16 units), then the n units and a zero unit
//   array             u32 n, then n values, index 0 first
//   table             u32 n, then n pairs of key and value, in the table's iteration order
//   Vec3 instance     x, y, z as binary32 (type word 0x0A008000, the instance type)
// Other types (closures, threads, classes, user data, other instances ...) cannot cross
// machines: a value of such a type on its own writes no bytes (it reads back as null), an
// array element of such a type is written as null, and a table slot whose key or value is of
// such a type is left out, the slot count written being the slots that were kept. So one such
// value never shifts the rest of the buffer.
//
// Nesting deeper than kScriptValueMaxDepth (which a value that contains itself always reaches)
// is the level-0 "[%ls] Script Error: can't serialize a value nested deeper than %d levels"; when
// the error hook returns, the too-deep value is written as null.
inline constexpr int32_t kScriptValueMaxDepth = 256;
inline constexpr uint32_t kScriptValueGrowStep = 256;

// A new buffer with the value written into it; the caller frees it with freeScriptValueBuffer.
// Tables are walked on the holder's machine, which must share the value's machine state.
OMB_ARRAY* serializeScriptValue(const ScriptVm& holder, const ScriptObject& value);
// Appends one serialised value. `depth` counts the containers around it.
void writeScriptValue(OMB_ARRAY* buffer, const ScriptVm& holder, const ScriptObject& value,
                      int32_t depth = 0);
// Grows the buffer by `count` bytes copied from `source`. A size beyond 32 bits is the level-0
// "Error: Out of memory."; when the hook returns, nothing is appended.
void appendScriptValueBytes(OMB_ARRAY* buffer, uint32_t count, const void* source);

// The value rebuilt on the manager's machine; null (bound to that machine) for a null buffer.
ScriptObject deserializeScriptValue(const OMB_ARRAY* buffer, ScriptManager& manager);
// Reads one value at `position` and advances it. The reader never reads outside the buffer: a
// header cut off by the end gives null; a value that cannot fit in what remains (a string
// longer than the rest, a count larger than the rest could hold, nesting deeper than the writer
// makes) gives null and moves the position to the end. An unknown type word gives null and
// consumes only itself.
ScriptObject readScriptValue(const OMB_ARRAY* buffer, uint32_t& position, ScriptManager& manager,
                             int32_t depth = 0);
// When 4 bytes remain: copies them to `destination` (as stored), advances and returns true;
// otherwise changes nothing and returns false.
bool readScriptValueWord(const OMB_ARRAY* buffer, uint32_t& position, void* destination);

// Frees the bytes through the array's allocator (the heap when it has none) and deletes the
// record; nothing for null.
void freeScriptValueBuffer(OMB_ARRAY* buffer);

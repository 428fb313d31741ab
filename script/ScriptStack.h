#pragma once

#include "script/ScriptObject.h"
#include "squirrel/squirrel.h"

#include <cstdint>

// A native's view of its stack frame: slot 1 is `this`, slots 2 to `top` are the script's
// arguments. The frame also holds the native closure's free variable in its last slot; `top`
// leaves that slot out, so a missing argument is reported as missing and never read from the
// free variable.
//
// Every reader takes a 1-based slot number and reports a slot outside 1..top, or a value of the
// wrong type, with its own level-0 message carrying the slot number.
struct ScriptStack {
  HSQUIRRELVM vm;
  int32_t top;

  // "get stack type(%d)" and OT_NULL outside the frame.
  SQObjectType getType(int32_t n) const;
  // The native data of an instance of the class tagged `typeTag` (or of a class derived from
  // it); anything else is "get instance up from stack(%d)" and null.
  void* getInstanceUp(int32_t n, SQUserPointer typeTag) const;
  // A handle to the slot's value of any type; "get stack object(%d)" and null outside the frame.
  ScriptObject getObject(int32_t n) const;
  ScriptObject getObjectArgument(int32_t n) const { return getObject(n); }
  // A number as a float; otherwise "get float from stack(%d)" and 0.
  float getFloat(int32_t n) const;

  // The typed readers of the dispatch templates: true with the value, or false after the
  // message, leaving `out` at its fallback.
  bool readInteger(int32_t n, int32_t& out) const;  // floats truncated toward zero
  bool readFloat(int32_t n, float& out) const;      // integers converted
  bool readBool(int32_t n, bool& out) const;        // only bools; integers are refused
  bool readString(int32_t n, const char16_t*& out) const;
  // Any user pointer, also one whose value is 0 (a native that returned null gave it to the
  // script): natives taking object pointers check for null themselves.
  bool readUserPointer(int32_t n, void*& out) const;
  bool readObject(int32_t n, ScriptObject& out) const;

 private:
  bool inFrame(int32_t n) const { return n >= 1 && n <= top; }
};

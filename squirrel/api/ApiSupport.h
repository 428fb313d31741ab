#pragma once

// Helpers shared by the C interface: stack slots by host index and small checks.

#include "squirrel/format/FunctionData.h"
#include "squirrel/vm/VM.h"

namespace sqvm::api {

// The slot a host index names, or null when the index is outside the current frame's stack.
inline Value* slot(HSQUIRRELVM v, SQInteger idx) {
  const int32_t a = v->absIndex(idx);
  if (idx == 0 || a < v->base || a >= v->top) return nullptr;
  return &v->stack[a];
}

// Like slot(), but an invalid index reads as null.
inline const Value& slotOrNull(HSQUIRRELVM v, SQInteger idx) {
  static const Value none;
  const Value* p = slot(v, idx);
  return p ? *p : none;
}

inline SQRESULT fail(HSQUIRRELVM v, const char* msg) {
  v->raise(msg);
  return SQ_ERROR;
}

SQRESULT wrongType(HSQUIRRELVM v, const char* expected, const SQObject& got);

// Builds the prototypes of a main function, checking them, and pushes its closure (no outer
// values or default parameters bound). On refusal the last error holds the reason.
SQRESULT pushMainClosure(HSQUIRRELVM v, const sqformat::FunctionData& data);

}  // namespace sqvm::api

#pragma once

// Small helpers the natives of the base library share.

#include "squirrel/vm/VM.h"

#include <initializer_list>

namespace sqvm::baselib {

// Argument i of the running native (1 is `this`).
inline Value& arg(HSQUIRRELVM v, int i) { return v->stack[v->base + i - 1]; }
inline int32_t argCount(HSQUIRRELVM v) { return v->top - v->base; }
inline SQInteger result(HSQUIRRELVM v, Value val) {
  v->push(std::move(val));
  return 1;
}
inline SQInteger error(HSQUIRRELVM v, const char* msg) {
  v->raise(msg);
  return SQ_ERROR;
}

// An integer argument that may also be given as a float (truncated).
inline SQInteger toInteger(const Value& v) { return v._type == OT_FLOAT ? floatToInt(v.f()) : v.i(); }

// The range of slice(start [, end]) (arguments 2 and 3) over `len` elements: negative positions
// count from the end. False, with the error raised, when the range is not inside.
bool sliceRange(HSQUIRRELVM v, SQInteger len, SQInteger& start, SQInteger& end);

struct NativeReg {
  const char* name;
  SQFUNCTION function;
  int32_t paramsCheck;
  const char16_t* typeMask;  // null: no type check
};

Value makeNative(SharedState& ss, const NativeReg& reg);
void registerNatives(SharedState& ss, Table* t, std::initializer_list<NativeReg> regs);
// A new default delegate table holding the given natives.
Value makeDelegate(SharedState& ss, std::initializer_list<NativeReg> regs);

// Natives every default delegate has.
SQInteger delegateWeakRef(HSQUIRRELVM v);
SQInteger delegateToString(HSQUIRRELVM v);
SQInteger delegateLen(HSQUIRRELVM v);
SQInteger delegateClear(HSQUIRRELVM v);

void createNumberDelegates(SharedState& ss);
void createContainerDelegates(SharedState& ss);
void createFunctionDelegates(SharedState& ss);
void createObjectDelegates(SharedState& ss);

}  // namespace sqvm::baselib

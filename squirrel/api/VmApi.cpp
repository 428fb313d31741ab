// Opening and closing machines, threads, hooks and machine states.

#include "squirrel/api/ApiSupport.h"
#include "squirrel/baselib/BaseLib.h"

#include <cstdlib>

using namespace sqvm;

HSQUIRRELVM sq_open(SQInteger initialstacksize) {
  SharedState* ss = new SharedState();
  VM* v = new VM(ss, initialstacksize);
  addRef(v);  // the host's handle; sq_close drops it
  ss->rootVM = v;
  v->rootTable = Value(OT_TABLE, new Table(ss, 0));
  baselib::createDefaultDelegates(*ss);
  baselib::registerBaseLib(v);
  return v;
}

HSQUIRRELVM sq_newthread(HSQUIRRELVM friendvm, SQInteger initialstacksize) {
  VM* t = new VM(friendvm->ss, initialstacksize);
  t->rootTable = friendvm->rootTable;
  t->errorHandler = friendvm->errorHandler;
  t->setDebugHook(friendvm->debugHook);
  friendvm->push(Value(OT_THREAD, t));
  return t;
}

void sq_close(HSQUIRRELVM v) {
  SharedState* ss = v->ss;
  VM* root = ss->rootVM;
  ss->finalizeAll();
  decRef(root);
  delete ss;
}

void sq_seterrorhandler(HSQUIRRELVM v) {
  Value& h = v->stackTop();
  if (h._type == OT_CLOSURE || h._type == OT_NATIVECLOSURE || h._type == OT_NULL) {
    v->errorHandler = h;
    v->pop(1);
  }
}

void sq_setdebughook(HSQUIRRELVM v) {
  Value& h = v->stackTop();
  if (h._type == OT_CLOSURE || h._type == OT_NATIVECLOSURE || h._type == OT_NULL) {
    v->setDebugHook(h);
    v->pop(1);
  }
}

void sq_setforeignptr(HSQUIRRELVM v, SQUserPointer p) { v->foreignPtr = p; }
SQUserPointer sq_getforeignptr(HSQUIRRELVM v) { return v->foreignPtr; }
void sq_setprintfunc(HSQUIRRELVM v, SQPRINTFUNCTION printfunc) { v->ss->printFunction = printfunc; }
SQPRINTFUNCTION sq_getprintfunc(HSQUIRRELVM v) { return v->ss->printFunction; }
void sq_setcompilererrorhandler(HSQUIRRELVM v, SQCOMPILERERROR f) {
  v->ss->compilerErrorHandler = f;
}
void sq_enabledebuginfo(HSQUIRRELVM v, SQBool enable) { v->ss->debugInfo = enable != 0; }
void sq_notifyallexceptions(HSQUIRRELVM v, SQBool enable) { v->notifyAllExceptions = enable != 0; }

SQRESULT sq_suspendvm(HSQUIRRELVM v) {
  if (v->suspended) return api::fail(v, "cannot suspend an already suspended vm");
  return SQ_SUSPEND_FLAG;
}

SQRESULT sq_wakeupvm(HSQUIRRELVM v, SQBool resumedret, SQBool retval, SQBool raiseerror,
                     SQBool throwerror) {
  if (!v->suspended) return api::fail(v, "cannot resume a vm that is not running any code");
  if (resumedret && v->top > v->base) {
    v->wakeupValue = v->stackTop();
    v->pop(1);
  } else {
    v->wakeupValue.setNull();
  }
  Value ret;
  const bool ok = v->execute(Value(), 0, 0, ret, raiseerror != 0,
                             throwerror ? ExecType::ResumeThrowVM : ExecType::ResumeVM);
  if (!v->suspended && v->calls.empty()) v->setTop(1);
  if (!ok) return SQ_ERROR;
  if (retval) v->push(ret);
  return SQ_OK;
}

SQInteger sq_getvmstate(HSQUIRRELVM v) {
  if (v->suspended) return SQ_VMSTATE_SUSPENDED;
  return v->calls.empty() ? SQ_VMSTATE_IDLE : SQ_VMSTATE_RUNNING;
}

SQInteger sq_collectgarbage(HSQUIRRELVM v) { return v->ss->collect(); }

SQChar* sq_getscratchpad(HSQUIRRELVM v, SQInteger minsize) {
  auto& pad = v->ss->scratchPad;
  const size_t need = minsize > 0 ? static_cast<size_t>(minsize) : 1;
  if (pad.size() < need) pad.resize(need + need / 2);
  return pad.data();
}

void* sq_malloc(SQUnsignedInteger size) { return std::malloc(size ? size : 1); }
void* sq_realloc(void* p, SQUnsignedInteger, SQUnsignedInteger newsize) {
  return std::realloc(p, newsize ? newsize : 1);
}
void sq_free(void* p, SQUnsignedInteger) { std::free(p); }

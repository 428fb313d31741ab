#pragma once

// The C interface of the script machine: the names and meanings of the Squirrel 2.2 host API,
// in this project's own declarations. Characters are 16-bit units, integers and floats 32 bits.

#include <cstdint>

namespace sqvm {
struct RefCounted;
struct VM;
}  // namespace sqvm

using SQInteger = int32_t;
using SQUnsignedInteger = uint32_t;
using SQHash = uint32_t;
using SQInt32 = int32_t;
using SQFloat = float;
using SQChar = char16_t;
using SQBool = uint32_t;
using SQRESULT = SQInteger;
using SQUserPointer = void*;
using HSQUIRRELVM = sqvm::VM*;

inline constexpr SQBool SQTrue = 1;
inline constexpr SQBool SQFalse = 0;
inline constexpr SQRESULT SQ_OK = 0;
inline constexpr SQRESULT SQ_ERROR = -1;
inline constexpr SQInteger SQ_SUSPEND_FLAG = -666;
inline constexpr SQInteger SQ_MATCHTYPEMASKSTRING = -99999;

inline constexpr SQInteger SQ_VMSTATE_IDLE = 0;
inline constexpr SQInteger SQ_VMSTATE_RUNNING = 1;
inline constexpr SQInteger SQ_VMSTATE_SUSPENDED = 2;

// Raw type bits and flag bits of a value's type word.
inline constexpr uint32_t _RT_NULL = 0x00000001;
inline constexpr uint32_t _RT_INTEGER = 0x00000002;
inline constexpr uint32_t _RT_FLOAT = 0x00000004;
inline constexpr uint32_t _RT_BOOL = 0x00000008;
inline constexpr uint32_t _RT_STRING = 0x00000010;
inline constexpr uint32_t _RT_TABLE = 0x00000020;
inline constexpr uint32_t _RT_ARRAY = 0x00000040;
inline constexpr uint32_t _RT_USERDATA = 0x00000080;
inline constexpr uint32_t _RT_CLOSURE = 0x00000100;
inline constexpr uint32_t _RT_NATIVECLOSURE = 0x00000200;
inline constexpr uint32_t _RT_GENERATOR = 0x00000400;
inline constexpr uint32_t _RT_USERPOINTER = 0x00000800;
inline constexpr uint32_t _RT_THREAD = 0x00001000;
inline constexpr uint32_t _RT_FUNCPROTO = 0x00002000;
inline constexpr uint32_t _RT_CLASS = 0x00004000;
inline constexpr uint32_t _RT_INSTANCE = 0x00008000;
inline constexpr uint32_t _RT_WEAKREF = 0x00010000;

inline constexpr uint32_t SQOBJECT_REF_COUNTED = 0x08000000;
inline constexpr uint32_t SQOBJECT_NUMERIC = 0x04000000;
inline constexpr uint32_t SQOBJECT_DELEGABLE = 0x02000000;
inline constexpr uint32_t SQOBJECT_CANBEFALSE = 0x01000000;

enum SQObjectType : uint32_t {
  OT_NULL = _RT_NULL | SQOBJECT_CANBEFALSE,
  OT_INTEGER = _RT_INTEGER | SQOBJECT_NUMERIC | SQOBJECT_CANBEFALSE,
  OT_FLOAT = _RT_FLOAT | SQOBJECT_NUMERIC | SQOBJECT_CANBEFALSE,
  OT_BOOL = _RT_BOOL | SQOBJECT_CANBEFALSE,
  OT_STRING = _RT_STRING | SQOBJECT_REF_COUNTED,
  OT_TABLE = _RT_TABLE | SQOBJECT_REF_COUNTED | SQOBJECT_DELEGABLE,
  OT_ARRAY = _RT_ARRAY | SQOBJECT_REF_COUNTED,
  OT_USERDATA = _RT_USERDATA | SQOBJECT_REF_COUNTED | SQOBJECT_DELEGABLE,
  OT_CLOSURE = _RT_CLOSURE | SQOBJECT_REF_COUNTED,
  OT_NATIVECLOSURE = _RT_NATIVECLOSURE | SQOBJECT_REF_COUNTED,
  OT_GENERATOR = _RT_GENERATOR | SQOBJECT_REF_COUNTED,
  OT_USERPOINTER = _RT_USERPOINTER,
  OT_THREAD = _RT_THREAD | SQOBJECT_REF_COUNTED,
  OT_FUNCPROTO = _RT_FUNCPROTO | SQOBJECT_REF_COUNTED,
  OT_CLASS = _RT_CLASS | SQOBJECT_REF_COUNTED,
  OT_INSTANCE = _RT_INSTANCE | SQOBJECT_REF_COUNTED | SQOBJECT_DELEGABLE,
  OT_WEAKREF = _RT_WEAKREF | SQOBJECT_REF_COUNTED,
};

inline constexpr bool ISREFCOUNTED(uint32_t t) { return (t & SQOBJECT_REF_COUNTED) != 0; }

union SQObjectValue {
  SQInteger nInteger;
  SQFloat fFloat;
  SQUserPointer pUserPointer;
  sqvm::RefCounted* pRefCounted;
  uint64_t raw;
};

// A value as the host holds it: the type word and the payload. Holding one does not keep the
// object alive; sq_addref does.
struct SQObject {
  SQObjectType _type;
  SQObjectValue _unVal;
};
using HSQOBJECT = SQObject;

struct SQStackInfos {
  const SQChar* funcname;
  const SQChar* source;
  SQInteger line;
};

struct SQFunctionInfo {
  SQUserPointer funcid;
  const SQChar* name;
  const SQChar* source;
};

using SQFUNCTION = SQInteger (*)(HSQUIRRELVM);
using SQRELEASEHOOK = SQInteger (*)(SQUserPointer, SQInteger size);
using SQCOMPILERERROR = void (*)(HSQUIRRELVM, const SQChar* desc, const SQChar* source,
                                 SQInteger line, SQInteger column);
using SQPRINTFUNCTION = void (*)(HSQUIRRELVM, const SQChar* format, ...);
using SQWRITEFUNC = SQInteger (*)(SQUserPointer up, SQUserPointer buffer, SQInteger size);
using SQREADFUNC = SQInteger (*)(SQUserPointer up, SQUserPointer buffer, SQInteger size);
using SQLEXREADFUNC = SQInteger (*)(SQUserPointer up);

inline constexpr bool SQ_SUCCEEDED(SQRESULT r) { return r >= 0; }
inline constexpr bool SQ_FAILED(SQRESULT r) { return r < 0; }

// Machine and threads.
HSQUIRRELVM sq_open(SQInteger initialstacksize);
HSQUIRRELVM sq_newthread(HSQUIRRELVM friendvm, SQInteger initialstacksize);
void sq_seterrorhandler(HSQUIRRELVM v);
void sq_close(HSQUIRRELVM v);
void sq_setforeignptr(HSQUIRRELVM v, SQUserPointer p);
SQUserPointer sq_getforeignptr(HSQUIRRELVM v);
void sq_setprintfunc(HSQUIRRELVM v, SQPRINTFUNCTION printfunc);
SQPRINTFUNCTION sq_getprintfunc(HSQUIRRELVM v);
SQRESULT sq_suspendvm(HSQUIRRELVM v);
SQRESULT sq_wakeupvm(HSQUIRRELVM v, SQBool resumedret, SQBool retval, SQBool raiseerror,
                     SQBool throwerror);
SQInteger sq_getvmstate(HSQUIRRELVM v);

// Compiling (these need the compiler in the build).
SQRESULT sq_compile(HSQUIRRELVM v, SQLEXREADFUNC read, SQUserPointer p, const SQChar* sourcename,
                    SQBool raiseerror);
SQRESULT sq_compilebuffer(HSQUIRRELVM v, const SQChar* s, SQInteger size, const SQChar* sourcename,
                          SQBool raiseerror);
void sq_enabledebuginfo(HSQUIRRELVM v, SQBool enable);
void sq_notifyallexceptions(HSQUIRRELVM v, SQBool enable);
void sq_setcompilererrorhandler(HSQUIRRELVM v, SQCOMPILERERROR f);

// Stack operations.
void sq_push(HSQUIRRELVM v, SQInteger idx);
void sq_pop(HSQUIRRELVM v, SQInteger nelemstopop);
void sq_poptop(HSQUIRRELVM v);
void sq_remove(HSQUIRRELVM v, SQInteger idx);
SQInteger sq_gettop(HSQUIRRELVM v);
void sq_settop(HSQUIRRELVM v, SQInteger newtop);
void sq_reservestack(HSQUIRRELVM v, SQInteger nsize);
SQInteger sq_cmp(HSQUIRRELVM v);
void sq_move(HSQUIRRELVM dest, HSQUIRRELVM src, SQInteger idx);

// Creating values and reading them.
SQUserPointer sq_newuserdata(HSQUIRRELVM v, SQUnsignedInteger size);
void sq_newtable(HSQUIRRELVM v);
void sq_newarray(HSQUIRRELVM v, SQInteger size);
void sq_newclosure(HSQUIRRELVM v, SQFUNCTION func, SQUnsignedInteger nfreevars);
SQRESULT sq_setparamscheck(HSQUIRRELVM v, SQInteger nparamscheck, const SQChar* typemask);
SQRESULT sq_bindenv(HSQUIRRELVM v, SQInteger idx);
void sq_pushstring(HSQUIRRELVM v, const SQChar* s, SQInteger len);
void sq_pushfloat(HSQUIRRELVM v, SQFloat f);
void sq_pushinteger(HSQUIRRELVM v, SQInteger n);
void sq_pushbool(HSQUIRRELVM v, SQBool b);
void sq_pushuserpointer(HSQUIRRELVM v, SQUserPointer p);
void sq_pushnull(HSQUIRRELVM v);
SQObjectType sq_gettype(HSQUIRRELVM v, SQInteger idx);
SQInteger sq_getsize(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_getbase(HSQUIRRELVM v, SQInteger idx);
SQBool sq_instanceof(HSQUIRRELVM v);
void sq_tostring(HSQUIRRELVM v, SQInteger idx);
void sq_tobool(HSQUIRRELVM v, SQInteger idx, SQBool* b);
SQRESULT sq_getstring(HSQUIRRELVM v, SQInteger idx, const SQChar** c);
SQRESULT sq_getinteger(HSQUIRRELVM v, SQInteger idx, SQInteger* i);
SQRESULT sq_getfloat(HSQUIRRELVM v, SQInteger idx, SQFloat* f);
SQRESULT sq_getbool(HSQUIRRELVM v, SQInteger idx, SQBool* b);
SQRESULT sq_getthread(HSQUIRRELVM v, SQInteger idx, HSQUIRRELVM* thread);
SQRESULT sq_getuserpointer(HSQUIRRELVM v, SQInteger idx, SQUserPointer* p);
SQRESULT sq_getuserdata(HSQUIRRELVM v, SQInteger idx, SQUserPointer* p, SQUserPointer* typetag);
SQRESULT sq_settypetag(HSQUIRRELVM v, SQInteger idx, SQUserPointer typetag);
SQRESULT sq_gettypetag(HSQUIRRELVM v, SQInteger idx, SQUserPointer* typetag);
void sq_setreleasehook(HSQUIRRELVM v, SQInteger idx, SQRELEASEHOOK hook);
SQChar* sq_getscratchpad(HSQUIRRELVM v, SQInteger minsize);
SQRESULT sq_getclosureinfo(HSQUIRRELVM v, SQInteger idx, SQUnsignedInteger* nparams,
                           SQUnsignedInteger* nfreevars);
SQRESULT sq_setnativeclosurename(HSQUIRRELVM v, SQInteger idx, const SQChar* name);
SQRESULT sq_setinstanceup(HSQUIRRELVM v, SQInteger idx, SQUserPointer p);
SQRESULT sq_getinstanceup(HSQUIRRELVM v, SQInteger idx, SQUserPointer* p, SQUserPointer typetag);
SQRESULT sq_setclassudsize(HSQUIRRELVM v, SQInteger idx, SQInteger udsize);
SQRESULT sq_newclass(HSQUIRRELVM v, SQBool hasbase);
SQRESULT sq_createinstance(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_setattributes(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_getattributes(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_getclass(HSQUIRRELVM v, SQInteger idx);
void sq_weakref(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_getdefaultdelegate(HSQUIRRELVM v, SQObjectType t);

// Tables, arrays and slots.
void sq_pushroottable(HSQUIRRELVM v);
void sq_pushregistrytable(HSQUIRRELVM v);
void sq_pushconsttable(HSQUIRRELVM v);
SQRESULT sq_setroottable(HSQUIRRELVM v);
SQRESULT sq_setconsttable(HSQUIRRELVM v);
SQRESULT sq_newslot(HSQUIRRELVM v, SQInteger idx, SQBool bstatic);
SQRESULT sq_deleteslot(HSQUIRRELVM v, SQInteger idx, SQBool pushval);
SQRESULT sq_set(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_get(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_rawget(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_rawset(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_rawdeleteslot(HSQUIRRELVM v, SQInteger idx, SQBool pushval);
SQRESULT sq_arrayappend(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_arraypop(HSQUIRRELVM v, SQInteger idx, SQBool pushval);
SQRESULT sq_arrayresize(HSQUIRRELVM v, SQInteger idx, SQInteger newsize);
SQRESULT sq_arrayreverse(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_arrayremove(HSQUIRRELVM v, SQInteger idx, SQInteger itemidx);
SQRESULT sq_arrayinsert(HSQUIRRELVM v, SQInteger idx, SQInteger destpos);
SQRESULT sq_setdelegate(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_getdelegate(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_clone(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_setfreevariable(HSQUIRRELVM v, SQInteger idx, SQUnsignedInteger nval);
SQRESULT sq_next(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_getweakrefval(HSQUIRRELVM v, SQInteger idx);
SQRESULT sq_clear(HSQUIRRELVM v, SQInteger idx);

// Calls and errors.
SQRESULT sq_call(HSQUIRRELVM v, SQInteger params, SQBool retval, SQBool raiseerror);
SQRESULT sq_resume(HSQUIRRELVM v, SQBool retval, SQBool raiseerror);
const SQChar* sq_getlocal(HSQUIRRELVM v, SQUnsignedInteger level, SQUnsignedInteger idx);
const SQChar* sq_getfreevariable(HSQUIRRELVM v, SQInteger idx, SQUnsignedInteger nval);
SQRESULT sq_throwerror(HSQUIRRELVM v, const SQChar* err);
void sq_reseterror(HSQUIRRELVM v);
void sq_getlasterror(HSQUIRRELVM v);

// Raw objects and references.
SQRESULT sq_getstackobj(HSQUIRRELVM v, SQInteger idx, HSQOBJECT* po);
void sq_pushobject(HSQUIRRELVM v, HSQOBJECT obj);
void sq_addref(HSQUIRRELVM v, HSQOBJECT* po);
SQBool sq_release(HSQUIRRELVM v, HSQOBJECT* po);
void sq_resetobject(HSQOBJECT* po);
const SQChar* sq_objtostring(HSQOBJECT* o);
SQBool sq_objtobool(HSQOBJECT* o);
SQInteger sq_objtointeger(HSQOBJECT* o);
SQFloat sq_objtofloat(HSQOBJECT* o);
SQRESULT sq_getobjtypetag(HSQOBJECT* o, SQUserPointer* typetag);

SQInteger sq_collectgarbage(HSQUIRRELVM v);

// Compiled closures.
SQRESULT sq_writeclosure(HSQUIRRELVM v, SQWRITEFUNC writef, SQUserPointer up);
SQRESULT sq_readclosure(HSQUIRRELVM v, SQREADFUNC readf, SQUserPointer up);

// The library's allocator.
void* sq_malloc(SQUnsignedInteger size);
void* sq_realloc(void* p, SQUnsignedInteger oldsize, SQUnsignedInteger newsize);
void sq_free(void* p, SQUnsignedInteger size);

// Debugging.
SQRESULT sq_stackinfos(HSQUIRRELVM v, SQInteger level, SQStackInfos* si);
void sq_setdebughook(HSQUIRRELVM v);
SQRESULT sq_getfunctioninfo(HSQUIRRELVM v, SQInteger level, SQFunctionInfo* fi);

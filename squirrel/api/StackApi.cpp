// The value stack: pushing, popping and reading values by host index.

#include "squirrel/api/ApiSupport.h"
#include "squirrel/vm/UserData.h"

using namespace sqvm;

namespace sqvm::api {

SQRESULT wrongType(HSQUIRRELVM v, const char* expected, const SQObject& got) {
  v->raiseFormat("wrong argument type, expected '%s' got '%s'", expected, typeNameAscii(got._type));
  return SQ_ERROR;
}

}  // namespace sqvm::api

void sq_push(HSQUIRRELVM v, SQInteger idx) { v->push(Value(api::slotOrNull(v, idx))); }

void sq_pop(HSQUIRRELVM v, SQInteger nelemstopop) {
  const SQInteger n = nelemstopop < v->top - v->base ? nelemstopop : v->top - v->base;
  v->pop(n);
}

void sq_poptop(HSQUIRRELVM v) { sq_pop(v, 1); }

void sq_remove(HSQUIRRELVM v, SQInteger idx) {
  if (!api::slot(v, idx)) return;
  for (int32_t i = v->absIndex(idx); i < v->top - 1; ++i) v->stack[i] = std::move(v->stack[i + 1]);
  v->pop(1);
}

SQInteger sq_gettop(HSQUIRRELVM v) { return v->top - v->base; }

void sq_settop(HSQUIRRELVM v, SQInteger newtop) {
  if (newtop < 0) newtop = 0;
  v->setTop(v->base + newtop);
}

void sq_reservestack(HSQUIRRELVM v, SQInteger nsize) {
  if (nsize > 0) v->ensureStack(static_cast<size_t>(v->top) + nsize);
}

SQInteger sq_cmp(HSQUIRRELVM v) {
  int32_t r = 0;
  v->compare(api::slotOrNull(v, -1), api::slotOrNull(v, -2), r);
  return r;
}

void sq_move(HSQUIRRELVM dest, HSQUIRRELVM src, SQInteger idx) {
  dest->push(Value(api::slotOrNull(src, idx)));
}

void sq_pushstring(HSQUIRRELVM v, const SQChar* s, SQInteger len) {
  if (!s) {
    v->pushNull();
    return;
  }
  if (len < 0) {
    len = 0;
    while (s[len]) ++len;
  }
  v->push(Value(OT_STRING, v->ss->strings.intern(s, static_cast<uint32_t>(len))));
}

void sq_pushfloat(HSQUIRRELVM v, SQFloat f) { v->push(Value::number(f)); }
void sq_pushinteger(HSQUIRRELVM v, SQInteger n) { v->push(Value::integer(n)); }
void sq_pushbool(HSQUIRRELVM v, SQBool b) { v->push(Value::boolean(b != 0)); }
void sq_pushuserpointer(HSQUIRRELVM v, SQUserPointer p) { v->push(Value::userPointer(p)); }
void sq_pushnull(HSQUIRRELVM v) { v->pushNull(); }

SQObjectType sq_gettype(HSQUIRRELVM v, SQInteger idx) { return api::slotOrNull(v, idx)._type; }

void sq_tostring(HSQUIRRELVM v, SQInteger idx) {
  Value o = api::slotOrNull(v, idx);
  Value s;
  // Only a stack overflow makes the conversion fail; the host still gets a string.
  if (!v->toString(o, s)) s = v->ss->str(plainText(o));
  v->push(std::move(s));
}

void sq_tobool(HSQUIRRELVM v, SQInteger idx, SQBool* b) {
  *b = isFalse(api::slotOrNull(v, idx)) ? SQFalse : SQTrue;
}

SQRESULT sq_getstring(HSQUIRRELVM v, SQInteger idx, const SQChar** c) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_STRING) return api::wrongType(v, "string", o);
  *c = asString(o)->data;
  return SQ_OK;
}

SQRESULT sq_getinteger(HSQUIRRELVM v, SQInteger idx, SQInteger* i) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type == OT_INTEGER) {
    *i = o.i();
  } else if (o._type == OT_FLOAT) {
    *i = floatToInt(o.f());
  } else {
    return SQ_ERROR;
  }
  return SQ_OK;
}

SQRESULT sq_getfloat(HSQUIRRELVM v, SQInteger idx, SQFloat* f) {
  const Value& o = api::slotOrNull(v, idx);
  if (!o.isNumeric()) return SQ_ERROR;
  *f = o.toFloat();
  return SQ_OK;
}

SQRESULT sq_getbool(HSQUIRRELVM v, SQInteger idx, SQBool* b) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_BOOL) return SQ_ERROR;
  *b = o.i() ? SQTrue : SQFalse;
  return SQ_OK;
}

SQRESULT sq_getthread(HSQUIRRELVM v, SQInteger idx, HSQUIRRELVM* thread) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_THREAD) return api::wrongType(v, "thread", o);
  *thread = asThread(o);
  return SQ_OK;
}

SQRESULT sq_getuserpointer(HSQUIRRELVM v, SQInteger idx, SQUserPointer* p) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_USERPOINTER) return api::wrongType(v, "userdata", o);
  *p = o._unVal.pUserPointer;
  return SQ_OK;
}

SQRESULT sq_getuserdata(HSQUIRRELVM v, SQInteger idx, SQUserPointer* p, SQUserPointer* typetag) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_USERDATA) return api::wrongType(v, "userdata", o);
  *p = asUserData(o)->data();
  if (typetag) *typetag = asUserData(o)->typeTag;
  return SQ_OK;
}

SQRESULT sq_getstackobj(HSQUIRRELVM v, SQInteger idx, HSQOBJECT* po) {
  const Value* p = api::slot(v, idx);
  if (!p) {
    sq_resetobject(po);
    return SQ_ERROR;
  }
  *po = *p;
  return SQ_OK;
}

void sq_pushobject(HSQUIRRELVM v, HSQOBJECT obj) { v->push(Value(obj)); }

void sq_resetobject(HSQOBJECT* po) {
  po->_type = OT_NULL;
  po->_unVal.raw = 0;
}

const SQChar* sq_objtostring(HSQOBJECT* o) {
  return o->_type == OT_STRING ? asString(*o)->data : nullptr;
}

SQBool sq_objtobool(HSQOBJECT* o) {
  return o->_type == OT_BOOL && o->_unVal.nInteger ? SQTrue : SQFalse;
}

SQInteger sq_objtointeger(HSQOBJECT* o) {
  if (o->_type == OT_INTEGER) return o->_unVal.nInteger;
  if (o->_type == OT_FLOAT) return floatToInt(o->_unVal.fFloat);
  return 0;
}

SQFloat sq_objtofloat(HSQOBJECT* o) {
  if (o->_type == OT_FLOAT) return o->_unVal.fFloat;
  if (o->_type == OT_INTEGER) return static_cast<SQFloat>(o->_unVal.nInteger);
  return 0;
}

void sq_getlasterror(HSQUIRRELVM v) { v->push(v->lastError); }
void sq_reseterror(HSQUIRRELVM v) { v->lastError.setNull(); }

SQRESULT sq_throwerror(HSQUIRRELVM v, const SQChar* err) {
  SQInteger len = 0;
  while (err && err[len]) ++len;
  v->lastError = err ? Value(OT_STRING, v->ss->strings.intern(err, static_cast<uint32_t>(len)))
                     : Value();
  return SQ_ERROR;
}

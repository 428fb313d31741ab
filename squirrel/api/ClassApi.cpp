// Classes, instances, attributes and instance user data through the host interface.

#include "squirrel/api/ApiSupport.h"

using namespace sqvm;

SQRESULT sq_newclass(HSQUIRRELVM v, SQBool hasbase) {
  Class* base = nullptr;
  if (hasbase) {
    const Value& b = api::slotOrNull(v, -1);
    if (b._type != OT_CLASS) return api::fail(v, "invalid base type");
    base = asClass(b);
  }
  Value cls(OT_CLASS, new Class(v->ss, base));
  if (hasbase) v->pop(1);
  v->push(std::move(cls));
  return SQ_OK;
}

SQRESULT sq_createinstance(HSQUIRRELVM v, SQInteger idx) {
  const Value& c = api::slotOrNull(v, idx);
  if (c._type != OT_CLASS) return api::wrongType(v, "class", c);
  v->push(Value(OT_INSTANCE, asClass(c)->createInstance()));
  return SQ_OK;
}

SQRESULT sq_setattributes(HSQUIRRELVM v, SQInteger idx) {
  const Value& c = api::slotOrNull(v, idx);
  if (c._type != OT_CLASS || v->top - v->base < 2) return api::wrongType(v, "class", c);
  Class* cls = asClass(c);
  Value key = v->stack[v->top - 2];
  Value val = v->stack[v->top - 1];
  Value old;
  if (!cls->getAttributes(key, old)) return api::fail(v, "wrong index");
  cls->setAttributes(key, val);
  v->pop(2);
  v->push(std::move(old));
  return SQ_OK;
}

SQRESULT sq_getattributes(HSQUIRRELVM v, SQInteger idx) {
  const Value& c = api::slotOrNull(v, idx);
  if (c._type != OT_CLASS) return api::wrongType(v, "class", c);
  Value attrs;
  if (!asClass(c)->getAttributes(v->stackTop(), attrs)) return api::fail(v, "wrong index");
  v->stackTop() = std::move(attrs);
  return SQ_OK;
}

SQRESULT sq_getclass(HSQUIRRELVM v, SQInteger idx) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_INSTANCE || !asInstance(o)->cls) return api::wrongType(v, "instance", o);
  v->push(Value(OT_CLASS, asInstance(o)->cls));
  return SQ_OK;
}

SQRESULT sq_getbase(HSQUIRRELVM v, SQInteger idx) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_CLASS) return api::wrongType(v, "class", o);
  Class* b = asClass(o)->base;
  v->push(b ? Value(OT_CLASS, b) : Value());
  return SQ_OK;
}

SQBool sq_instanceof(HSQUIRRELVM v) {
  const Value& inst = api::slotOrNull(v, -1);
  const Value& cls = api::slotOrNull(v, -2);
  if (inst._type != OT_INSTANCE || cls._type != OT_CLASS) return SQFalse;
  return asInstance(inst)->instanceOf(asClass(cls)) ? SQTrue : SQFalse;
}

SQRESULT sq_setinstanceup(HSQUIRRELVM v, SQInteger idx, SQUserPointer p) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_INSTANCE) return api::fail(v, "the object is not a class instance");
  asInstance(o)->userPointer = p;
  return SQ_OK;
}

SQRESULT sq_getinstanceup(HSQUIRRELVM v, SQInteger idx, SQUserPointer* p, SQUserPointer typetag) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_INSTANCE) return api::fail(v, "the object is not a class instance");
  Instance* inst = asInstance(o);
  if (typetag) {
    bool found = false;
    for (const Class* c = inst->cls; c && !found; c = c->base) found = c->typeTag == typetag;
    if (!found) return api::fail(v, "invalid type tag");
  }
  *p = inst->userPointer;
  return SQ_OK;
}

SQRESULT sq_setclassudsize(HSQUIRRELVM v, SQInteger idx, SQInteger udsize) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_CLASS) return api::wrongType(v, "class", o);
  if (asClass(o)->locked) return api::fail(v, "the class is locked");
  asClass(o)->userDataSize = udsize > 0 ? udsize : 0;
  return SQ_OK;
}

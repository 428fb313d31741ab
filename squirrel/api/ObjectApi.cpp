// Creating objects, closures and their checks, sizes, type tags, weak and host references.

#include "squirrel/api/ApiSupport.h"
#include "squirrel/vm/Array.h"
#include "squirrel/vm/TypeMask.h"
#include "squirrel/vm/UserData.h"
#include "squirrel/vm/WeakRef.h"

using namespace sqvm;

SQUserPointer sq_newuserdata(HSQUIRRELVM v, SQUnsignedInteger size) {
  UserData* u = new UserData(v->ss, size);
  v->push(Value(OT_USERDATA, u));
  return u->data();
}

void sq_newtable(HSQUIRRELVM v) { v->push(Value(OT_TABLE, new Table(v->ss, 0))); }

void sq_newarray(HSQUIRRELVM v, SQInteger size) {
  v->push(Value(OT_ARRAY, new Array(v->ss, size > 0 ? static_cast<size_t>(size) : 0)));
}

void sq_newclosure(HSQUIRRELVM v, SQFUNCTION func, SQUnsignedInteger nfreevars) {
  NativeClosure* nc = new NativeClosure(v->ss, func);
  Value clo(OT_NATIVECLOSURE, nc);
  for (SQUnsignedInteger i = 0; i < nfreevars && v->top > v->base; ++i) {
    nc->outers.push_back(v->stackTop());
    v->pop(1);
  }
  v->push(std::move(clo));
}

SQRESULT sq_setparamscheck(HSQUIRRELVM v, SQInteger nparamscheck, const SQChar* typemask) {
  const Value& o = api::slotOrNull(v, -1);
  if (o._type != OT_NATIVECLOSURE) return api::fail(v, "native closure expected");
  NativeClosure* nc = asNativeClosure(o);
  nc->paramsCheck = nparamscheck;
  if (typemask) {
    std::vector<int32_t> masks;
    if (!compileTypeMask(typemask, masks)) return api::fail(v, "invalid typemask");
    nc->typeCheck = std::move(masks);
  } else {
    nc->typeCheck.clear();
  }
  if (nparamscheck == SQ_MATCHTYPEMASKSTRING) {
    nc->paramsCheck = static_cast<int32_t>(nc->typeCheck.size());
  }
  return SQ_OK;
}

SQRESULT sq_bindenv(HSQUIRRELVM v, SQInteger idx) {
  Value target = api::slotOrNull(v, idx);
  const Value& env = api::slotOrNull(v, -1);
  if (env._type != OT_TABLE && env._type != OT_CLASS && env._type != OT_INSTANCE) {
    return api::fail(v, "invalid environment");
  }
  Value weak = makeWeakRef(env);
  Value bound;
  if (target._type == OT_CLOSURE) {
    Closure* c = asClosure(target)->clone();
    bound = Value(OT_CLOSURE, c);
    c->bindEnv(weak);
  } else if (target._type == OT_NATIVECLOSURE) {
    NativeClosure* c = asNativeClosure(target)->clone();
    bound = Value(OT_NATIVECLOSURE, c);
    c->env = weak;
  } else {
    return api::fail(v, "the target is not a closure");
  }
  v->pop(1);
  v->push(std::move(bound));
  return SQ_OK;
}

SQInteger sq_getsize(HSQUIRRELVM v, SQInteger idx) {
  const Value& o = api::slotOrNull(v, idx);
  switch (o._type) {
    case OT_STRING: return static_cast<SQInteger>(asString(o)->length);
    case OT_TABLE: return static_cast<SQInteger>(asTable(o)->count());
    case OT_ARRAY: return static_cast<SQInteger>(asArray(o)->values.size());
    case OT_USERDATA: return static_cast<SQInteger>(asUserData(o)->size);
    case OT_INSTANCE: return asInstance(o)->cls ? asInstance(o)->cls->userDataSize : 0;
    case OT_CLASS: return asClass(o)->userDataSize;
    default:
      v->raiseFormat("unexpected type %s", typeNameAscii(o._type));
      return SQ_ERROR;
  }
}

SQRESULT sq_settypetag(HSQUIRRELVM v, SQInteger idx, SQUserPointer typetag) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type == OT_USERDATA) {
    asUserData(o)->typeTag = typetag;
  } else if (o._type == OT_CLASS) {
    asClass(o)->typeTag = typetag;
  } else {
    return api::fail(v, "invalid object type");
  }
  return SQ_OK;
}

SQRESULT sq_getobjtypetag(HSQOBJECT* o, SQUserPointer* typetag) {
  switch (o->_type) {
    case OT_INSTANCE: {
      const Class* c = asInstance(*o)->cls;
      *typetag = c ? c->typeTag : nullptr;
      return SQ_OK;
    }
    case OT_CLASS: *typetag = asClass(*o)->typeTag; return SQ_OK;
    case OT_USERDATA: *typetag = asUserData(*o)->typeTag; return SQ_OK;
    default: return SQ_ERROR;
  }
}

SQRESULT sq_gettypetag(HSQUIRRELVM v, SQInteger idx, SQUserPointer* typetag) {
  SQObject o = api::slotOrNull(v, idx);
  if (SQ_FAILED(sq_getobjtypetag(&o, typetag))) return api::fail(v, "invalid object type");
  return SQ_OK;
}

void sq_setreleasehook(HSQUIRRELVM v, SQInteger idx, SQRELEASEHOOK hook) {
  const Value& o = api::slotOrNull(v, idx);
  switch (o._type) {
    case OT_USERDATA: asUserData(o)->hook = hook; break;
    case OT_INSTANCE: asInstance(o)->hook = hook; break;
    case OT_CLASS: asClass(o)->hook = hook; break;
    default: break;
  }
}

SQRESULT sq_getclosureinfo(HSQUIRRELVM v, SQInteger idx, SQUnsignedInteger* nparams,
                           SQUnsignedInteger* nfreevars) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_CLOSURE) return api::fail(v, "the object is not a closure");
  Closure* c = asClosure(o);
  *nparams = static_cast<SQUnsignedInteger>(c->proto->parameters.size());
  *nfreevars = static_cast<SQUnsignedInteger>(c->outers.size());
  return SQ_OK;
}

SQRESULT sq_setnativeclosurename(HSQUIRRELVM v, SQInteger idx, const SQChar* name) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_NATIVECLOSURE) return api::fail(v, "the object is not a nativeclosure");
  SQInteger len = 0;
  while (name && name[len]) ++len;
  asNativeClosure(o)->name =
      name ? Value(OT_STRING, v->ss->strings.intern(name, static_cast<uint32_t>(len))) : Value();
  return SQ_OK;
}

SQRESULT sq_setfreevariable(HSQUIRRELVM v, SQInteger idx, SQUnsignedInteger nval) {
  Value target = api::slotOrNull(v, idx);
  std::vector<Value>* outers = nullptr;
  if (target._type == OT_CLOSURE) outers = &asClosure(target)->outers;
  if (target._type == OT_NATIVECLOSURE) outers = &asNativeClosure(target)->outers;
  if (!outers || nval >= outers->size()) return api::fail(v, "invalid free var index");
  (*outers)[nval] = v->stackTop();
  v->pop(1);
  return SQ_OK;
}

const SQChar* sq_getfreevariable(HSQUIRRELVM v, SQInteger idx, SQUnsignedInteger nval) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_CLOSURE) return nullptr;
  Closure* c = asClosure(o);
  if (nval >= c->outers.size() || nval >= c->proto->outers.size()) return nullptr;
  v->push(c->outers[nval]);
  const Value& name = c->proto->outers[nval].name;
  return name._type == OT_STRING ? asString(name)->data : nullptr;
}

void sq_weakref(HSQUIRRELVM v, SQInteger idx) { v->push(makeWeakRef(api::slotOrNull(v, idx))); }

SQRESULT sq_getweakrefval(HSQUIRRELVM v, SQInteger idx) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_WEAKREF) return api::fail(v, "the object must be a weakref");
  v->push(asWeakRef(o)->get());
  return SQ_OK;
}

SQRESULT sq_getdefaultdelegate(HSQUIRRELVM v, SQObjectType t) {
  const Value& d = v->ss->defaultDelegate(t);
  if (d._type != OT_TABLE) return api::fail(v, "the type doesn't have a default delegate");
  v->push(d);
  return SQ_OK;
}

void sq_addref(HSQUIRRELVM v, HSQOBJECT* po) {
  if (!ISREFCOUNTED(po->_type)) return;
  auto& refs = v->ss->hostRefs;
  auto it = refs.find(po->_unVal.pRefCounted);
  if (it == refs.end()) {
    refs.emplace(po->_unVal.pRefCounted, SharedState::HostRef{Value(*po), 1});
  } else {
    ++it->second.count;
  }
}

SQBool sq_release(HSQUIRRELVM v, HSQOBJECT* po) {
  if (!ISREFCOUNTED(po->_type)) return SQTrue;
  auto& refs = v->ss->hostRefs;
  auto it = refs.find(po->_unVal.pRefCounted);
  if (it == refs.end()) return SQFalse;
  if (--it->second.count == 0) {
    Value keep = std::move(it->second.object);
    refs.erase(it);
    return SQTrue;
  }
  return SQFalse;
}

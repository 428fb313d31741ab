// Tables, arrays and slots through the host interface.

#include "squirrel/api/ApiSupport.h"
#include "squirrel/vm/Array.h"
#include "squirrel/vm/UserData.h"
#include "squirrel/vm/WeakRef.h"

#include <algorithm>

using namespace sqvm;

void sq_pushroottable(HSQUIRRELVM v) { v->push(v->rootTable); }
void sq_pushregistrytable(HSQUIRRELVM v) { v->push(v->ss->registry); }
void sq_pushconsttable(HSQUIRRELVM v) { v->push(v->ss->constTable); }

SQRESULT sq_setroottable(HSQUIRRELVM v) {
  const Value& o = api::slotOrNull(v, -1);
  if (o._type != OT_TABLE && o._type != OT_NULL) return api::fail(v, "ivalid type");
  v->rootTable = o;
  v->pop(1);
  return SQ_OK;
}

SQRESULT sq_setconsttable(HSQUIRRELVM v) {
  const Value& o = api::slotOrNull(v, -1);
  if (o._type != OT_TABLE) return api::fail(v, "ivalid type, expected table");
  v->ss->constTable = o;
  v->pop(1);
  return SQ_OK;
}

SQRESULT sq_newslot(HSQUIRRELVM v, SQInteger idx, SQBool bstatic) {
  Value self = api::slotOrNull(v, idx);
  if (self._type != OT_TABLE && self._type != OT_CLASS) return SQ_OK;
  if (v->top - v->base < 2) return api::fail(v, "not enough parameters in the stack");
  Value key = v->stack[v->top - 2];
  if (key._type == OT_NULL) return api::fail(v, "null is not a valid key");
  Value val = v->stack[v->top - 1];
  v->pop(2);
  // A refused slot (a locked class) is not reported here.
  if (!v->newSlot(self, key, val, bstatic != 0)) v->lastError.setNull();
  return SQ_OK;
}

SQRESULT sq_deleteslot(HSQUIRRELVM v, SQInteger idx, SQBool pushval) {
  Value self = api::slotOrNull(v, idx);
  if (self._type != OT_TABLE) return api::fail(v, "the object is not a table");
  Value key = v->stackTop();
  if (key._type == OT_NULL) return api::fail(v, "null is not a valid key");
  Value removed;
  if (!v->deleteSlot(self, key, removed)) return SQ_ERROR;
  v->pop(1);
  if (pushval) v->push(std::move(removed));
  return SQ_OK;
}

SQRESULT sq_set(HSQUIRRELVM v, SQInteger idx) {
  Value self = api::slotOrNull(v, idx);
  Value key = v->stack[v->top - 2];
  Value val = v->stack[v->top - 1];
  if (v->set(self, key, val, false)) {
    v->pop(2);
    return SQ_OK;
  }
  v->raiseIndexError(key);
  return SQ_ERROR;
}

SQRESULT sq_get(HSQUIRRELVM v, SQInteger idx) {
  Value self = api::slotOrNull(v, idx);
  Value key = v->stackTop();
  Value out;
  if (v->get(self, key, out, false)) {
    v->stackTop() = std::move(out);
    return SQ_OK;
  }
  v->pop(1);
  return api::fail(v, "the index doesn't exist");
}

SQRESULT sq_rawget(HSQUIRRELVM v, SQInteger idx) {
  Value self = api::slotOrNull(v, idx);
  Value key = v->stackTop();
  Value out;
  switch (self._type) {
    case OT_TABLE:
    case OT_ARRAY:
    case OT_INSTANCE:
    case OT_CLASS:
      if (v->get(self, key, out, true)) {
        v->stackTop() = std::move(out);
        return SQ_OK;
      }
      v->pop(1);
      return api::fail(v, "the index doesn't exist");
    default:
      v->pop(1);
      return api::fail(v, "rawget works only on array/table/instance and class");
  }
}

SQRESULT sq_rawset(HSQUIRRELVM v, SQInteger idx) {
  Value self = api::slotOrNull(v, idx);
  Value key = v->stack[v->top - 2];
  Value val = v->stack[v->top - 1];
  if (key._type == OT_NULL) {
    v->pop(2);
    return api::fail(v, "null key");
  }
  bool ok = false;
  switch (self._type) {
    case OT_TABLE:
      asTable(self)->newSlot(key, val);
      ok = true;
      break;
    case OT_CLASS: ok = asClass(self)->newSlot(key, val, false); break;
    case OT_INSTANCE: ok = asInstance(self)->set(key, val); break;
    case OT_ARRAY: ok = v->set(self, key, val, false); break;
    default:
      v->pop(2);
      return api::fail(v, "rawset works only on array/table/class and instance");
  }
  v->pop(2);
  if (!ok) {
    v->raiseIndexError(key);
    return SQ_ERROR;
  }
  return SQ_OK;
}

SQRESULT sq_rawdeleteslot(HSQUIRRELVM v, SQInteger idx, SQBool pushval) {
  Value self = api::slotOrNull(v, idx);
  if (self._type != OT_TABLE) return api::fail(v, "the object is not a table");
  Value key = v->stackTop();
  v->pop(1);
  Value removed;
  if (asTable(self)->get(key, removed)) asTable(self)->remove(key);
  if (pushval) v->push(std::move(removed));
  return SQ_OK;
}

static Array* arrayAt(HSQUIRRELVM v, SQInteger idx) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type != OT_ARRAY) {
    api::wrongType(v, "array", o);
    return nullptr;
  }
  return asArray(o);
}

SQRESULT sq_arrayappend(HSQUIRRELVM v, SQInteger idx) {
  Array* a = arrayAt(v, idx);
  if (!a) return SQ_ERROR;
  a->values.push_back(v->stackTop());
  v->pop(1);
  return SQ_OK;
}

SQRESULT sq_arraypop(HSQUIRRELVM v, SQInteger idx, SQBool pushval) {
  Array* a = arrayAt(v, idx);
  if (!a) return SQ_ERROR;
  if (a->values.empty()) return api::fail(v, "empty array");
  Value last = std::move(a->values.back());
  a->values.pop_back();
  if (pushval) v->push(std::move(last));
  return SQ_OK;
}

SQRESULT sq_arrayresize(HSQUIRRELVM v, SQInteger idx, SQInteger newsize) {
  Array* a = arrayAt(v, idx);
  if (!a) return SQ_ERROR;
  if (newsize < 0) return api::fail(v, "negative size");
  a->values.resize(static_cast<size_t>(newsize));
  return SQ_OK;
}

SQRESULT sq_arrayreverse(HSQUIRRELVM v, SQInteger idx) {
  Array* a = arrayAt(v, idx);
  if (!a) return SQ_ERROR;
  std::reverse(a->values.begin(), a->values.end());
  return SQ_OK;
}

SQRESULT sq_arrayremove(HSQUIRRELVM v, SQInteger idx, SQInteger itemidx) {
  Array* a = arrayAt(v, idx);
  if (!a) return SQ_ERROR;
  if (itemidx < 0 || static_cast<size_t>(itemidx) >= a->values.size()) {
    return api::fail(v, "index out of range");
  }
  a->values.erase(a->values.begin() + itemidx);
  return SQ_OK;
}

SQRESULT sq_arrayinsert(HSQUIRRELVM v, SQInteger idx, SQInteger destpos) {
  Array* a = arrayAt(v, idx);
  if (!a) return SQ_ERROR;
  if (destpos < 0 || static_cast<size_t>(destpos) > a->values.size()) {
    return api::fail(v, "index out of range");
  }
  a->values.insert(a->values.begin() + destpos, v->stackTop());
  v->pop(1);
  return SQ_OK;
}

SQRESULT sq_setdelegate(HSQUIRRELVM v, SQInteger idx) {
  Value self = api::slotOrNull(v, idx);
  const Value& d = v->stackTop();
  if (d._type != OT_TABLE && d._type != OT_NULL) return api::fail(v, "invalid type");
  Table* dt = d._type == OT_TABLE ? asTable(d) : nullptr;
  if (self._type == OT_TABLE) {
    if (!asTable(self)->setDelegate(dt)) return api::fail(v, "delagate cycle");
  } else if (self._type == OT_USERDATA) {
    asUserData(self)->setDelegate(dt);
  } else {
    return api::fail(v, "only table and userdata can have a delegate");
  }
  v->pop(1);
  return SQ_OK;
}

SQRESULT sq_getdelegate(HSQUIRRELVM v, SQInteger idx) {
  const Value& self = api::slotOrNull(v, idx);
  Table* d = nullptr;
  if (self._type == OT_TABLE) {
    d = asTable(self)->delegate();
  } else if (self._type == OT_USERDATA) {
    d = asUserData(self)->delegate;
  } else {
    return api::fail(v, "wrong type");
  }
  v->push(d ? Value(OT_TABLE, d) : Value());
  return SQ_OK;
}

SQRESULT sq_clone(HSQUIRRELVM v, SQInteger idx) {
  Value self = api::slotOrNull(v, idx);
  Value out;
  if (!v->clone(self, out)) return SQ_ERROR;
  v->push(std::move(out));
  return SQ_OK;
}

SQRESULT sq_clear(HSQUIRRELVM v, SQInteger idx) {
  const Value& o = api::slotOrNull(v, idx);
  if (o._type == OT_TABLE) {
    asTable(o)->clear();
  } else if (o._type == OT_ARRAY) {
    asArray(o)->values.clear();
  } else {
    return api::fail(v, "clear only works on table and array");
  }
  return SQ_OK;
}

SQRESULT sq_next(HSQUIRRELVM v, SQInteger idx) {
  Value o = api::slotOrNull(v, idx);
  Value& iter = v->stackTop();
  const SQInteger from = iter._type == OT_INTEGER ? iter.i() : 0;
  Value key, val;
  switch (o._type) {
    case OT_TABLE:
    case OT_CLASS: {
      Table* t = o._type == OT_TABLE ? asTable(o) : asClass(o)->members;
      const int32_t n = from < 0 ? -1 : t->next(static_cast<uint32_t>(from), key, val);
      if (n < 0) return SQ_ERROR;
      if (o._type == OT_CLASS) asClass(o)->get(key, val);
      iter.setInteger(n + 1);
      val = derefWeak(val);
      break;
    }
    case OT_ARRAY: {
      const auto& vals = asArray(o)->values;
      if (from < 0 || static_cast<size_t>(from) >= vals.size()) return SQ_ERROR;
      key = Value::integer(from);
      val = derefWeak(vals[from]);
      iter.setInteger(from + 1);
      break;
    }
    case OT_STRING: {
      const String* s = asString(o);
      if (from < 0 || static_cast<uint32_t>(from) >= s->length) return SQ_ERROR;
      key = Value::integer(from);
      val = Value::integer(s->data[from]);
      iter.setInteger(from + 1);
      break;
    }
    case OT_GENERATOR: return api::fail(v, "cannot iterate a generator");
    default: return api::fail(v, "cannot iterate this type");
  }
  v->push(std::move(key));
  v->push(std::move(val));
  return SQ_OK;
}

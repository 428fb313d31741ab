// Reading, writing, creating and deleting slots, with delegates, metamethods and the default
// delegates of the built-in types.

#include "squirrel/vm/Array.h"
#include "squirrel/vm/UserData.h"
#include "squirrel/vm/VM.h"
#include "squirrel/vm/WeakRef.h"

namespace sqvm {

namespace {

bool numericIndex(const SQObject& key, SQInteger& idx) {
  if (key._type == OT_INTEGER) {
    idx = key._unVal.nInteger;
    return true;
  }
  if (key._type == OT_FLOAT) {
    idx = floatToInt(key._unVal.fFloat);
    return true;
  }
  return false;
}

bool defaultDelegateGet(const Value& delegate, const Value& key, Value& dest) {
  return delegate._type == OT_TABLE && asTable(delegate)->get(key, dest);
}

}  // namespace

bool VM::get(const Value& self, const Value& key, Value& dest, bool raw) {
  switch (self._type) {
    case OT_TABLE:
      if (Table::Node* n = asTable(self)->find(key)) {
        dest = derefWeak(n->val);
        return true;
      }
      return !raw && fallbackGet(self, key, dest);
    case OT_ARRAY: {
      SQInteger idx;
      if (numericIndex(key, idx)) {
        const auto& vals = asArray(self)->values;
        if (idx < 0 || static_cast<size_t>(idx) >= vals.size()) return false;
        dest = derefWeak(vals[idx]);
        return true;
      }
      return !raw && defaultDelegateGet(ss->arrayDelegate, key, dest);
    }
    case OT_INSTANCE:
      if (asInstance(self)->get(key, dest)) return true;
      return !raw && fallbackGet(self, key, dest);
    case OT_CLASS: return asClass(self)->get(key, dest);
    case OT_STRING: {
      SQInteger idx;
      if (numericIndex(key, idx)) {
        const String* s = asString(self);
        if (idx < 0 || static_cast<uint32_t>(idx) >= s->length) return false;
        dest = Value::integer(s->data[idx]);
        return true;
      }
      return !raw && defaultDelegateGet(ss->stringDelegate, key, dest);
    }
    case OT_USERDATA: return !raw && fallbackGet(self, key, dest);
    default: return !raw && defaultDelegateGet(ss->defaultDelegate(self._type), key, dest);
  }
}

bool VM::fallbackGet(const Value& self, const Value& key, Value& dest) {
  Table* d = nullptr;
  if (self._type == OT_TABLE) d = asTable(self)->delegate();
  if (self._type == OT_USERDATA) d = asUserData(self)->delegate;
  if (d) {
    Value dv(OT_TABLE, d);
    if (get(dv, key, dest, false)) return true;
  }
  if (tryMeta(self, MT_GET, dest, self, key) == Meta::Done) return true;
  if (overflowing) return false;
  if (self._type == OT_TABLE) return defaultDelegateGet(ss->tableDelegate, key, dest);
  if (self._type == OT_INSTANCE) return defaultDelegateGet(ss->instanceDelegate, key, dest);
  return false;
}

bool VM::getWithRoot(const Value& self, const Value& key, Value& dest) {
  if (get(self, key, dest, false)) return true;
  if (overflowing) return false;
  const Value& thisValue = stack[base];
  if (rawEqual(self, thisValue) && rootTable._type != OT_NULL && !rawEqual(self, rootTable)) {
    return get(rootTable, key, dest, false);
  }
  return false;
}

bool VM::set(const Value& self, const Value& key, const Value& val, bool fetchRoot) {
  switch (self._type) {
    case OT_TABLE: {
      Table* t = asTable(self);
      if (t->set(key, val)) return true;
      if (Table* d = t->delegate()) {
        if (set(Value(OT_TABLE, d), key, val, false)) return true;
      }
      break;
    }
    case OT_ARRAY: {
      SQInteger idx;
      if (!numericIndex(key, idx)) return false;
      auto& vals = asArray(self)->values;
      if (idx < 0 || static_cast<size_t>(idx) >= vals.size()) return false;
      vals[idx] = val;
      return true;
    }
    case OT_INSTANCE:
      if (asInstance(self)->set(key, val)) return true;
      break;
    case OT_USERDATA: break;
    default: return false;
  }
  Value ignored;
  if (tryMeta(self, MT_SET, ignored, self, key, val) == Meta::Done) return true;
  if (overflowing) return false;
  if (fetchRoot && rawEqual(self, stack[base]) && rootTable._type == OT_TABLE &&
      !rawEqual(self, rootTable)) {
    return set(rootTable, key, val, false);
  }
  return false;
}

bool VM::newSlot(const Value& self, const Value& key, const Value& val, bool isStatic) {
  if (key._type == OT_NULL) return raise("null cannot be used as index");
  switch (self._type) {
    case OT_TABLE: {
      Table* t = asTable(self);
      if (t->delegate() && !t->find(key)) {
        Value ignored;
        const Meta m = tryMeta(self, MT_NEWSLOT, ignored, self, key, val);
        if (m == Meta::Done) return true;
        if (m == Meta::Failed && overflowing) return false;
      }
      t->newSlot(key, val);
      return true;
    }
    case OT_CLASS: return addClassMember(self, key, val, nullptr, isStatic);
    case OT_INSTANCE: {
      Value ignored;
      if (tryMeta(self, MT_NEWSLOT, ignored, self, key, val) == Meta::Done) return true;
      return raise("class instances do not support the new slot operator");
    }
    default:
      return raiseFormat("indexing %s with %s", typeNameAscii(self._type), typeNameAscii(key._type));
  }
}

bool VM::deleteSlot(const Value& self, const Value& key, Value& removed) {
  switch (self._type) {
    case OT_TABLE:
    case OT_INSTANCE:
    case OT_USERDATA: {
      Value ignored;
      const Meta m = tryMeta(self, MT_DELSLOT, ignored, self, key);
      if (m == Meta::Done) {
        removed.setNull();
        return true;
      }
      if (m == Meta::Failed && overflowing) return false;
      if (self._type != OT_TABLE) {
        return raiseFormat("cannot delete a slot from %s", typeNameAscii(self._type));
      }
      Table* t = asTable(self);
      if (!t->get(key, removed)) return raiseIndexError(key);
      t->remove(key);
      return true;
    }
    default:
      return raiseFormat("attempt to delete a slot from a %s", typeNameAscii(self._type));
  }
}

bool VM::exists(const Value& container, const Value& key) {
  switch (container._type) {
    case OT_TABLE:
    case OT_USERDATA: {
      Table* t = container._type == OT_TABLE ? asTable(container) : asUserData(container)->delegate;
      if (container._type == OT_USERDATA && !t) return false;
      for (; t; t = t->delegate()) {
        if (t->find(key)) return true;
      }
      return false;
    }
    case OT_ARRAY: {
      SQInteger idx;
      return numericIndex(key, idx) && idx >= 0 &&
             static_cast<size_t>(idx) < asArray(container)->values.size();
    }
    case OT_STRING: {
      SQInteger idx;
      return numericIndex(key, idx) && idx >= 0 &&
             static_cast<uint32_t>(idx) < asString(container)->length;
    }
    case OT_INSTANCE: {
      Value tmp;
      return asInstance(container)->get(key, tmp);
    }
    case OT_CLASS: {
      Value tmp;
      return asClass(container)->get(key, tmp);
    }
    default: return false;
  }
}

bool VM::getVararg(const CallInfo& c, const Value& index, Value& out) {
  SQInteger idx;
  if (!numericIndex(index, idx)) {
    return raiseFormat("indexing 'vargv' with %s", typeNameAscii(index._type));
  }
  if (c.vargsCount == 0) return raise("the function doesn't have var args");
  if (idx < 0 || idx >= c.vargsCount) return raise("vargv index out of range");
  out = vargs[c.vargsBase + idx];
  return true;
}

bool VM::getParent(const Value& o, Value& out) {
  if (o._type == OT_TABLE) {
    Table* d = asTable(o)->delegate();
    out = d ? Value(OT_TABLE, d) : Value();
    return true;
  }
  if (o._type == OT_CLASS) {
    Class* b = asClass(o)->base;
    out = b ? Value(OT_CLASS, b) : Value();
    return true;
  }
  return raiseFormat("the %s type doesn't have a parent slot", typeNameAscii(o._type));
}

bool VM::setDelegateOp(const Value& self, const Value& delegate) {
  if (self._type != OT_TABLE) return raiseFormat("delegating a '%s'", typeNameAscii(self._type));
  if (delegate._type != OT_TABLE && delegate._type != OT_NULL) {
    return raiseFormat("using '%s' as delegate", typeNameAscii(delegate._type));
  }
  Table* d = delegate._type == OT_TABLE ? asTable(delegate) : nullptr;
  if (!asTable(self)->setDelegate(d)) return raise("delegate cycle detected");
  return true;
}

}  // namespace sqvm

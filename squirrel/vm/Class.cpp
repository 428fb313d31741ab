#include "squirrel/vm/Class.h"

#include "squirrel/vm/SharedState.h"
#include "squirrel/vm/WeakRef.h"

namespace sqvm {

namespace {

bool isFunction(const Value& v) { return v._type == OT_CLOSURE || v._type == OT_NATIVECLOSURE; }

}  // namespace

Class::Class(SharedState* s, Class* baseClass) : Collectable(s), base(baseClass) {
  if (base) {
    addRef(base);
    members = base->members->clone();
    fields = base->fields;
    methods = base->methods;
    for (int i = 0; i < MT_LAST; ++i) metaMethods[i] = base->metaMethods[i];
    typeTag = base->typeTag;
    userDataSize = base->userDataSize;
    hook = base->hook;
  } else {
    members = new Table(s, 0);
  }
  addRef(members);
}

Class::~Class() {
  if (hook) hook(typeTag, 0);
  if (members) decRef(members);
  if (base) decRef(base);
}

void Class::finalize() {
  std::vector<ClassMember>().swap(fields);
  std::vector<ClassMember>().swap(methods);
  for (Value& v : metaMethods) v.setNull();
  attributes.setNull();
  members->finalize();
  if (Class* b = base) {
    base = nullptr;
    decRef(b);
  }
}

void Class::markChildren(Marker& m) {
  m.mark(members);
  m.mark(base);
  for (const ClassMember& f : fields) {
    m.mark(f.val);
    m.mark(f.attrs);
  }
  for (const ClassMember& f : methods) {
    m.mark(f.val);
    m.mark(f.attrs);
  }
  for (const Value& v : metaMethods) m.mark(v);
  m.mark(attributes);
}

bool Class::newSlot(const Value& key, const Value& val, bool isStatic) {
  if (locked) return false;
  Value idx;
  const bool known = members->get(key, idx);
  if (known && (idx.i() & kMemberField)) {
    fields[idx.i() & kMemberIndexMask].val = val;
    return true;
  }
  if (isFunction(val) || isStatic) {
    const int mm = isFunction(val) ? ss->metaMethodIndex(key) : -1;
    if (mm >= 0) {
      metaMethods[mm] = val;
    } else if (!known) {
      members->newSlot(key, Value::integer(kMemberMethod | static_cast<SQInteger>(methods.size())));
      methods.push_back({val, Value()});
    } else {
      methods[idx.i() & kMemberIndexMask].val = val;
    }
    return true;
  }
  members->newSlot(key, Value::integer(kMemberField | static_cast<SQInteger>(fields.size())));
  fields.push_back({val, Value()});
  return true;
}

bool Class::get(const SQObject& key, Value& out) const {
  Value idx;
  if (!members->get(key, idx)) return false;
  const SQInteger i = idx.i() & kMemberIndexMask;
  out = derefWeak((idx.i() & kMemberField) ? fields[i].val : methods[i].val);
  return true;
}

bool Class::setAttributes(const SQObject& key, const Value& attrs) {
  if (key._type == OT_NULL) {
    attributes = attrs;
    return true;
  }
  Value idx;
  if (!members->get(key, idx)) return false;
  const SQInteger i = idx.i() & kMemberIndexMask;
  ((idx.i() & kMemberField) ? fields[i] : methods[i]).attrs = attrs;
  return true;
}

bool Class::getAttributes(const SQObject& key, Value& out) const {
  if (key._type == OT_NULL) {
    out = attributes;
    return true;
  }
  Value idx;
  if (!members->get(key, idx)) return false;
  const SQInteger i = idx.i() & kMemberIndexMask;
  out = ((idx.i() & kMemberField) ? fields[i] : methods[i]).attrs;
  return true;
}

void Class::constructor(Value& out) {
  out.setNull();
  if (!locked) {
    get(ss->constructorName, out);
    return;
  }
  // A locked class's members keep their entries.
  if (!constructorKnown) {
    const Table::Node* n = members->find(ss->constructorName);
    constructorEntry = n ? n->val.i() : -1;
    constructorKnown = true;
  }
  if (constructorEntry < 0) return;
  const SQInteger i = constructorEntry & kMemberIndexMask;
  out = derefWeak((constructorEntry & kMemberField) ? fields[i].val : methods[i].val);
}

Instance* Class::createInstance() {
  for (Class* c = this; c; c = c->base) c->locked = true;
  return Instance::make(ss, this);
}

Instance* Instance::make(SharedState* s, Class* c) {
  const size_t count = c->fields.size();
  void* block = ::operator new(sizeof(Instance) + count * sizeof(Value));
  return new (block) Instance(s, c);
}

Instance::Instance(SharedState* s, Class* c) : Collectable(s), cls(c) {
  static_assert(sizeof(Instance) % alignof(Value) == 0);
  addRef(c);
  fields.data_ = reinterpret_cast<Value*>(this + 1);
  for (const ClassMember& f : c->fields) {
    new (fields.data_ + fields.size_) Value(f.val);
    ++fields.size_;
  }
  if (c->userDataSize > 0) {
    userData.reset(new uint64_t[(static_cast<size_t>(c->userDataSize) + 7) / 8]());
    userPointer = userData.get();
  }
}

Instance::~Instance() {
  if (hook) hook(userPointer, 0);
  if (cls) decRef(cls);
  // The fields go after the class, first to last.
  const uint32_t n = fields.size_;
  fields.size_ = 0;
  for (uint32_t i = 0; i < n; ++i) fields.data_[i].~Value();
}

void Instance::finalize() {
  // As with the destructor, nothing sees the fields while they are released.
  const uint32_t n = fields.size_;
  fields.size_ = 0;
  for (uint32_t i = 0; i < n; ++i) fields.data_[i].setNull();
  if (Class* c = cls) {
    cls = nullptr;
    decRef(c);
  }
}

void Instance::markChildren(Marker& m) {
  m.mark(cls);
  for (const Value& v : fields) m.mark(v);
}

Instance* Instance::clone() const {
  Instance* copy = cls->createInstance();
  for (size_t i = 0; i < fields.size(); ++i) copy->fields[i] = fields[i];
  return copy;
}

bool cachedMemberMiss(const Instance* inst, const SQObject& key, MemberCache& cache, Value& out) {
  const Class* cls = inst->cls;
  if (!cls) return false;
  const Value* e = inst->memberEntry(key);
  if (!e) return false;
  cache.cls = cls;
  cache.serial = cls->serial;
  cache.member = e->i();
  out = memberValue(inst, cache.member);
  return true;
}

bool registerKeyMiss(const Instance* inst, const SQObject& key, MemberCache& cache, SQInteger& member) {
  const Class* cls = inst->cls;
  if (!cls || key._type != OT_STRING) return false;
  const Value* e = inst->memberEntry(key);
  if (!e) return false;
  cache.cls = cls;
  cache.serial = cls->serial;
  cache.member = e->i();
  cache.key = key._unVal.pRefCounted;
  cache.keySerial = key._unVal.pRefCounted->serial;
  member = cache.member;
  return true;
}

}  // namespace sqvm

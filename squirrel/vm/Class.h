#pragma once

// Classes and their instances. A class keeps a member table mapping each name to a field
// (one value per instance) or a method/static (shared), plus its metamethods apart.

#include "squirrel/vm/Collectable.h"
#include "squirrel/vm/FunctionProto.h"
#include "squirrel/vm/Table.h"
#include "squirrel/vm/WeakRef.h"

#include <memory>
#include <vector>

namespace sqvm {

enum MetaMethod {
  MT_ADD = 0, MT_SUB, MT_MUL, MT_DIV, MT_UNM, MT_MODULO, MT_SET, MT_GET, MT_TYPEOF, MT_NEXTI,
  MT_CMP, MT_CALL, MT_CLONED, MT_NEWSLOT, MT_DELSLOT, MT_TOSTRING, MT_NEWMEMBER, MT_INHERITED,
  MT_LAST
};

struct ClassMember {
  Value val;
  Value attrs;
};

// Member table entries are integers: an index with a flag saying field or method.
inline constexpr SQInteger kMemberField = 0x01000000;
inline constexpr SQInteger kMemberMethod = 0x02000000;
inline constexpr SQInteger kMemberIndexMask = 0x00FFFFFF;

struct Instance;

struct Class final : Collectable {
  Class* base = nullptr;
  Table* members;
  std::vector<ClassMember> fields;   // default values
  std::vector<ClassMember> methods;  // methods and statics
  Value metaMethods[MT_LAST];
  Value attributes;
  SQUserPointer typeTag = nullptr;
  SQRELEASEHOOK hook = nullptr;
  int32_t userDataSize = 0;
  bool locked = false;
  // The constructor's member table entry (-1: none), found once the class is locked.
  SQInteger constructorEntry = 0;
  bool constructorKnown = false;

  Class(SharedState* s, Class* baseClass);
  ~Class() override;
  void finalize() override;
  void markChildren(Marker& m) override;

  // Adds or replaces a member (false when the class is locked).
  bool newSlot(const Value& key, const Value& val, bool isStatic);
  // Raw read of a member: the field default or the method.
  bool get(const SQObject& key, Value& out) const;
  bool setAttributes(const SQObject& key, const Value& attrs);
  bool getAttributes(const SQObject& key, Value& out) const;
  bool isDerivedFrom(const Class* c) const {
    for (const Class* p = this; p; p = p->base) {
      if (p == c) return true;
    }
    return false;
  }
  // The per-instance hook value: the type tag.
  Instance* createInstance();
  // The constructor member (null when there is none).
  void constructor(Value& out);
};

// An instance's field values. They live right behind the instance, in the same allocation
// (Instance::make), so creating an instance takes one allocation whatever its field count.
class InstanceFields {
 public:
  Value& operator[](size_t i) { return data_[i]; }
  const Value& operator[](size_t i) const { return data_[i]; }
  size_t size() const { return size_; }
  Value* begin() { return data_; }
  Value* end() { return data_ + size_; }
  const Value* begin() const { return data_; }
  const Value* end() const { return data_ + size_; }

 private:
  friend struct Instance;
  Value* data_ = nullptr;
  uint32_t size_ = 0;
};

struct Instance final : Collectable {
  Class* cls;
  InstanceFields fields;
  SQUserPointer userPointer = nullptr;
  SQRELEASEHOOK hook = nullptr;
  std::unique_ptr<uint64_t[]> userData;

  // A new instance of `c` with the class's field defaults (Class::createInstance locks the
  // class first).
  static Instance* make(SharedState* s, Class* c);
  ~Instance() override;
  // The instance and its fields are one block from ::operator new.
  static void operator delete(void* p) { ::operator delete(p); }
  void finalize() override;
  void markChildren(Marker& m) override;
  bool get(const SQObject& key, Value& out) const;
  // Writes an existing field only.
  bool set(const SQObject& key, const Value& val);
  // The member table's entry for `key` (kMemberField or kMemberMethod with an index), or null.
  const Value* memberEntry(const SQObject& key) const {
    if (!cls) return nullptr;
    const Table::Node* n = cls->members->find(key);
    return n ? &n->val : nullptr;
  }
  Instance* clone() const;
  bool instanceOf(const Class* c) const { return cls && cls->isDerivedFrom(c); }

 private:
  Instance(SharedState* s, Class* c);
};

inline Class* asClass(const SQObject& o) { return static_cast<Class*>(o._unVal.pRefCounted); }

// A member of an instance by its member table entry.
inline Value memberValue(const Instance* inst, SQInteger member) {
  const SQInteger i = member & kMemberIndexMask;
  return derefWeak((member & kMemberField) ? inst->fields[i] : inst->cls->methods[i].val);
}

// memberValue stored into `out` without a temporary. `out` may hold the instance's last
// reference: the member is counted before the old value of `out` is released.
[[gnu::always_inline]] inline void readMember(const Instance* inst, SQInteger member, Value& out) {
  const SQInteger i = member & kMemberIndexMask;
  const Value& v = (member & kMemberField) ? inst->fields[i] : inst->cls->methods[i].val;
  if (v._type == OT_WEAKREF) [[unlikely]] {
    out = derefWeak(v);
  } else {
    out = v;
  }
}

// Instance::get that fills `cache` for the next lookup of the same key by the same instruction.
bool cachedMemberMiss(const Instance* inst, const SQObject& key, MemberCache& cache, Value& out);

// Instance::get with the entry remembered in `cache` for the next lookup of the same key by the
// same instruction.
[[gnu::always_inline]] inline bool cachedMemberGet(const Instance* inst, const SQObject& key,
                                                   MemberCache& cache, Value& out) {
  const Class* cls = inst->cls;
  if (cls && cache.cls == cls && cache.serial == cls->serial) [[likely]] {
    readMember(inst, cache.member, out);
    return true;
  }
  return cachedMemberMiss(inst, key, cache, out);
}

// The member table entry of a string key held in a register, remembered in `cache` with the
// key for the next lookup by the same instruction; false when the class has no such member
// (or the key is not a string).
bool registerKeyMiss(const Instance* inst, const SQObject& key, MemberCache& cache, SQInteger& member);

[[gnu::always_inline]] inline bool registerKeyEntry(const Instance* inst, const SQObject& key,
                                                    MemberCache& cache, SQInteger& member) {
  const Class* cls = inst->cls;
  if (cls && cache.cls == cls && cache.serial == cls->serial && key._type == OT_STRING &&
      cache.key == key._unVal.pRefCounted && cache.keySerial == key._unVal.pRefCounted->serial)
      [[likely]] {
    member = cache.member;
    return true;
  }
  return registerKeyMiss(inst, key, cache, member);
}

inline bool Instance::get(const SQObject& key, Value& out) const {
  const Value* e = memberEntry(key);
  if (!e) return false;
  out = memberValue(this, e->i());
  return true;
}

inline bool Instance::set(const SQObject& key, const Value& val) {
  const Value* e = memberEntry(key);
  if (!e || !(e->i() & kMemberField)) return false;
  fields[e->i() & kMemberIndexMask] = val;
  return true;
}
inline Instance* asInstance(const SQObject& o) {
  return static_cast<Instance*>(o._unVal.pRefCounted);
}

}  // namespace sqvm

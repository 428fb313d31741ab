#pragma once

// Tables: an open hash table whose collision chains live inside the node array. The insert,
// move and rehash rules decide the iteration order that scripts see, so they are kept exactly.

#include "squirrel/vm/Collectable.h"
#include "squirrel/vm/String.h"

#include <cstdint>

namespace sqvm {

struct Table final : Collectable {
  struct Node {
    Value key;
    Value val;
    Node* next = nullptr;
  };

  Table(SharedState* s, uint32_t sizeHint);
  ~Table() override;
  void finalize() override;
  void markChildren(Marker& m) override;

  // Raw access to own slots.
  Node* find(const SQObject& key) const;
  // find() for a key known to be a string.
  Node* findString(const SQObject& key) const;
  // find() that tries the node at `hint` first and leaves the found node's index there. A key
  // sits in at most one node, so a node that holds it is the answer whatever the table did
  // since the hint was taken (grown, shrunk, moved the node).
  Node* findHinted(const SQObject& key, uint32_t& hint) const {
    if (hint < size_ && key._type != OT_NULL && rawEqual(nodes_[hint].key, key)) return &nodes_[hint];
    Node* n = find(key);
    if (n) hint = static_cast<uint32_t>(n - nodes_);
    return n;
  }
  bool get(const SQObject& key, Value& out) const {
    if (Node* n = find(key)) {
      out = n->val;
      return true;
    }
    return false;
  }
  // Overwrites an existing slot only.
  bool set(const SQObject& key, const Value& val) {
    if (Node* n = find(key)) {
      n->val = val;
      return true;
    }
    return false;
  }
  // Creates or overwrites (the key must not be null).
  void newSlot(const SQObject& key, const Value& val);
  bool remove(const SQObject& key);
  void clear();
  // Iteration: the first occupied node at index >= from; returns its index or -1.
  int32_t next(uint32_t from, Value& key, Value& val) const;
  uint32_t count() const { return used_; }
  uint32_t nodeCount() const { return size_; }
  Table* clone() const;
  // Sets the delegate; false when that would make a delegation cycle.
  bool setDelegate(Table* d);
  Table* delegate() const { return delegate_; }

 private:
  static uint32_t hashOf(const SQObject& key) {
    switch (key._type) {
      case OT_STRING: return asString(key)->hash;
      case OT_INTEGER:
      case OT_BOOL: return static_cast<uint32_t>(key._unVal.nInteger);
      case OT_FLOAT: return static_cast<uint32_t>(floatToInt(key._unVal.fFloat));
      case OT_USERPOINTER:
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key._unVal.pUserPointer) >> 3);
      default: return key._unVal.pRefCounted->serial;
    }
  }
  Node* mainNode(const SQObject& key) const { return &nodes_[hashOf(key) & mask_]; }
  void allocNodes(uint32_t size);
  void rehash(bool force);
  Node* nodes_ = nullptr;
  uint32_t size_ = 0;  // a power of two
  uint32_t mask_ = 0;  // size_ - 1
  uint32_t used_ = 0;
  Node* firstFree_ = nullptr;
  Table* delegate_ = nullptr;
};

inline Table* asTable(const SQObject& o) { return static_cast<Table*>(o._unVal.pRefCounted); }

inline Table::Node* Table::findString(const SQObject& key) const {
  // Strings are interned: the same text is the same object.
  Node* n = &nodes_[asString(key)->hash & mask_];
  for (;;) {
    if (n->key._type == OT_STRING && n->key._unVal.raw == key._unVal.raw) [[likely]] return n;
    n = n->next;
    if (!n) return nullptr;
  }
}

inline Table::Node* Table::find(const SQObject& key) const {
  if (key._type == OT_STRING) [[likely]] return findString(key);
  if (key._type == OT_NULL) return nullptr;
  Node* n = mainNode(key);
  do {
    if (rawEqual(n->key, key)) return n;
    n = n->next;
  } while (n);
  return nullptr;
}

}  // namespace sqvm

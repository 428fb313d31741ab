#include "squirrel/vm/Table.h"

#include "squirrel/vm/BigBlock.h"
#include "squirrel/vm/SharedState.h"
#include "squirrel/vm/String.h"

namespace sqvm {

Table::Table(SharedState* s, uint32_t sizeHint) : Collectable(s) {
  uint32_t size = 4;
  while (size < sizeHint && size < 0x40000000u) size <<= 1;
  allocNodes(size);
}

namespace {

Table::Node* newNodes(uint32_t size) {
  auto* nodes = static_cast<Table::Node*>(allocateBlock(sizeof(Table::Node) * size));
  for (uint32_t i = 0; i < size; ++i) new (&nodes[i]) Table::Node();
  return nodes;
}

void deleteNodes(Table::Node* nodes, uint32_t size) {
  for (uint32_t i = 0; i < size; ++i) nodes[i].~Node();
  freeBlock(nodes, sizeof(Table::Node) * size);
}

}  // namespace

Table::~Table() {
  deleteNodes(nodes_, size_);
  if (delegate_) decRef(delegate_);
}

void Table::finalize() {
  Node* old = nodes_;
  const uint32_t oldSize = size_;
  used_ = 0;
  allocNodes(4);
  deleteNodes(old, oldSize);  // releases the keys and values once the table is consistent again
  if (Table* d = delegate_) {
    delegate_ = nullptr;
    decRef(d);
  }
}

void Table::markChildren(Marker& m) {
  for (uint32_t i = 0; i < size_; ++i) {
    m.mark(nodes_[i].key);
    m.mark(nodes_[i].val);
  }
  m.mark(delegate_);
}

void Table::allocNodes(uint32_t size) {
  nodes_ = newNodes(size);
  size_ = size;
  mask_ = size - 1;
  firstFree_ = &nodes_[size - 1];
}

void Table::newSlot(const SQObject& key, const Value& val) {
  if (Node* n = find(key)) {
    n->val = val;
    return;
  }
  Node* mp = mainNode(key);
  if (mp->key._type != OT_NULL) {
    Node* n = firstFree_;
    Node* othern = mainNode(mp->key);
    if (mp > n && othern != mp) {
      // The occupant is not in its main node: move it to the free node and take its place.
      while (othern->next != mp) othern = othern->next;
      othern->next = n;
      n->key = std::move(mp->key);
      n->val = std::move(mp->val);
      n->next = mp->next;
      mp->key.setNull();
      mp->val.setNull();
      mp->next = nullptr;
    } else {
      n->next = mp->next;
      mp->next = n;
      mp = n;
    }
  }
  mp->key = Value(key);
  for (;;) {
    if (firstFree_->key._type == OT_NULL && firstFree_->next == nullptr) {
      mp->val = val;
      ++used_;
      return;
    }
    if (firstFree_ == nodes_) break;
    --firstFree_;
  }
  // No free node left. The key already sits in the node array (its value still null) and is
  // carried over by the rebuild, which does not count it yet; then it gets its value.
  Value k(key);
  Value v(val);
  rehash(true);
  newSlot(k, v);
}

void Table::rehash(bool force) {
  const uint32_t oldSize = size_;
  const uint32_t size = oldSize < 4 ? 4 : oldSize;
  const uint32_t nfilled = used_;
  uint32_t newSize;
  if (nfilled >= size - size / 4) {
    newSize = size * 2;
  } else if (nfilled <= size / 4 && size > 4) {
    newSize = size / 2;
  } else if (force) {
    newSize = size;
  } else {
    return;
  }
  Node* old = nodes_;
  allocNodes(newSize);
  used_ = 0;
  for (uint32_t i = 0; i < oldSize; ++i) {
    if (old[i].key._type != OT_NULL) newSlot(old[i].key, old[i].val);
  }
  deleteNodes(old, oldSize);
}

bool Table::remove(const SQObject& key) {
  Node* n = find(key);
  if (!n) return false;
  Value k = std::move(n->key);
  Value v = std::move(n->val);
  n->key.setNull();
  n->val.setNull();
  --used_;
  rehash(false);
  return true;
}

void Table::clear() {
  for (uint32_t i = 0; i < size_; ++i) {
    nodes_[i].key.setNull();
    nodes_[i].val.setNull();
  }
  used_ = 0;
  rehash(true);
}

int32_t Table::next(uint32_t from, Value& key, Value& val) const {
  for (uint32_t i = from; i < size_; ++i) {
    if (nodes_[i].key._type != OT_NULL) {
      key = nodes_[i].key;
      val = nodes_[i].val;
      return static_cast<int32_t>(i);
    }
  }
  return -1;
}

Table* Table::clone() const {
  Table* t = new Table(ss, size_);
  for (uint32_t i = 0; i < size_; ++i) {
    if (nodes_[i].key._type != OT_NULL) t->newSlot(nodes_[i].key, nodes_[i].val);
  }
  t->setDelegate(delegate_);
  return t;
}

bool Table::setDelegate(Table* d) {
  for (Table* p = d; p; p = p->delegate_) {
    if (p == this) return false;
  }
  if (d) addRef(d);
  Table* old = delegate_;
  delegate_ = d;
  if (old) decRef(old);
  return true;
}

}  // namespace sqvm

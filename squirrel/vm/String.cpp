#include "squirrel/vm/String.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace sqvm {

uint32_t hashText(const char16_t* s, uint32_t length) {
  uint32_t h = length;
  const uint32_t step = (length >> 5) | 1;
  for (uint32_t l = length; l >= step; l -= step) h = h ^ ((h << 5) + (h >> 2) + *s++);
  return h;
}

// Hashes a text made of two pieces exactly as hashText would hash their concatenation: that
// takes one unit per round from the start, for length / step rounds.
static uint32_t hashTwo(const char16_t* a, uint32_t alen, const char16_t* b, uint32_t blen) {
  const uint32_t length = alen + blen;
  uint32_t h = length;
  const uint32_t step = (length >> 5) | 1;
  const uint32_t rounds = length / step;
  const uint32_t fromA = rounds < alen ? rounds : alen;
  for (uint32_t i = 0; i < fromA; ++i) h = h ^ ((h << 5) + (h >> 2) + a[i]);
  for (uint32_t i = 0; i < rounds - fromA; ++i) h = h ^ ((h << 5) + (h >> 2) + b[i]);
  return h;
}

namespace {

std::size_t allocationSize(std::size_t length) { return sizeof(String) + length * sizeof(char16_t); }

}  // namespace

void String::release() {
  StringTable* t = table;
  t->remove(this);
  t->destroy(this);
}

void StringTable::destroy(String* s) {
  const std::size_t size = allocationSize(s->length);
  s->~String();
  pool_.release(s, size);
}

StringTable::StringTable() : buckets_(256, nullptr) {}

StringTable::~StringTable() {
  // Strings still referenced here were leaked by their holders; free them anyway.
  for (String*& head : buckets_) {
    while (head) {
      String* s = head;
      head = s->next;
      destroy(s);
    }
  }
}

String* StringTable::find(const char16_t* s, uint32_t length, uint32_t hash) const {
  for (String* p = buckets_[hash & (buckets_.size() - 1)]; p; p = p->next) {
    if (p->hash == hash && p->length == length &&
        std::memcmp(p->data, s, length * sizeof(char16_t)) == 0) {
      return p;
    }
  }
  return nullptr;
}

String* StringTable::intern(const char16_t* s, uint32_t length) {
  const uint32_t h = hashText(s, length);
  if (String* p = find(s, length, h)) return p;
  return insert(s, length, nullptr, 0, h);
}

String* StringTable::concat(std::u16string_view a, std::u16string_view b) {
  const uint32_t alen = static_cast<uint32_t>(a.size());
  const uint32_t blen = static_cast<uint32_t>(b.size());
  const uint32_t h = hashTwo(a.data(), alen, b.data(), blen);
  const uint32_t length = alen + blen;
  for (String* p = buckets_[h & (buckets_.size() - 1)]; p; p = p->next) {
    if (p->hash == h && p->length == length &&
        std::memcmp(p->data, a.data(), alen * sizeof(char16_t)) == 0 &&
        std::memcmp(p->data + alen, b.data(), blen * sizeof(char16_t)) == 0) {
      return p;
    }
  }
  return insert(a.data(), alen, b.data(), blen, h);
}

String* StringTable::insert(const char16_t* a, uint32_t alen, const char16_t* b, uint32_t blen,
                            uint32_t hash) {
  const size_t length = static_cast<size_t>(alen) + blen;
  void* mem = pool_.allocate(allocationSize(length));
  String* s = new (mem) String();
  s->table = this;
  s->hash = hash;
  s->length = static_cast<uint32_t>(length);
  if (alen) std::memcpy(s->data, a, alen * sizeof(char16_t));
  if (blen) std::memcpy(s->data + alen, b, blen * sizeof(char16_t));
  s->data[length] = 0;
  String*& head = buckets_[hash & (buckets_.size() - 1)];
  s->next = head;
  head = s;
  // At most one string for two buckets: a lookup that finds nothing (every new string's) walks
  // the whole chain, one cache miss a string.
  if (++count_ > buckets_.size() / 2) grow();
  return s;
}

void StringTable::remove(String* s) {
  String** link = &buckets_[s->hash & (buckets_.size() - 1)];
  while (*link && *link != s) link = &(*link)->next;
  if (*link) {
    *link = s->next;
    --count_;
  }
}

void StringTable::grow() {
  decltype(buckets_) bigger(buckets_.size() * 2, nullptr);
  for (String* head : buckets_) {
    while (head) {
      String* s = head;
      head = s->next;
      String*& b = bigger[s->hash & (bigger.size() - 1)];
      s->next = b;
      b = s;
    }
  }
  buckets_.swap(bigger);
}

}  // namespace sqvm

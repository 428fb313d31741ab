#pragma once

#include <cstdint>

namespace rond {

// The links of one intrusive list membership inside a record.
template <class T>
struct ListLink {
  T* prev = nullptr;
  T* next = nullptr;
};

// A doubly linked list in insertion order whose links live in the records, so that moving a
// record between lists (a bullet between its type's pool and a side's live list) never
// allocates. A record is in at most one list per link.
template <class T, ListLink<T> T::*L>
class IntrusiveList {
 public:
  T* front() const { return head_; }
  static T* next(const T* t) { return (t->*L).next; }
  uint32_t size() const { return size_; }
  bool empty() const { return head_ == nullptr; }

  void pushBack(T* t) {
    ListLink<T>& link = t->*L;
    link.prev = tail_;
    link.next = nullptr;
    if (tail_ != nullptr) {
      (tail_->*L).next = t;
    } else {
      head_ = t;
    }
    tail_ = t;
    ++size_;
  }
  void erase(T* t) {
    ListLink<T>& link = t->*L;
    if (link.prev != nullptr) {
      (link.prev->*L).next = link.next;
    } else {
      head_ = link.next;
    }
    if (link.next != nullptr) {
      (link.next->*L).prev = link.prev;
    } else {
      tail_ = link.prev;
    }
    link.prev = link.next = nullptr;
    --size_;
  }
  T* popFront() {
    T* t = head_;
    if (t != nullptr) erase(t);
    return t;
  }
  void clear() {
    while (head_ != nullptr) erase(head_);
  }

 private:
  T* head_ = nullptr;
  T* tail_ = nullptr;
  uint32_t size_ = 0;
};

}  // namespace rond

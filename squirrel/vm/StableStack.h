#pragma once

// A stack whose elements never move. The machine hands out references to its value slots and
// frames (the registers of the running function, the arguments of a native, the `this` a lookup
// compares with) and then calls code that may push far more: a metamethod that recurses, a
// native that calls back into scripts. With a growing vector each of those references would
// dangle after the reallocation. Here the whole capacity is reserved as address space when the
// stack is made and committed as the stack grows, so an element stays where it is for the life
// of the stack and no caller has to re-read anything after a call.
//
// Under the address sanitizer the room above the last element is poisoned, so a reference kept
// to a popped element is still reported when it is used.

#include <cstddef>
#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define SQ_STABLE_STACK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SQ_STABLE_STACK_ASAN 1
#endif
#endif

#if defined(SQ_STABLE_STACK_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace sqvm {

namespace stablestack {

// Reserves `bytes` of address space (nothing committed); throws std::bad_alloc on failure.
void* reserve(std::size_t bytes);
// Commits the range [from, to) of a reserved region (page multiples, from < to).
void commit(void* region, std::size_t from, std::size_t to);
// Gives back a region of `bytes`, of which the first `committed` were committed.
void release(void* region, std::size_t bytes, std::size_t committed);
std::size_t pageSize();

// Marks bytes as unusable or usable again for the address sanitizer (no-ops otherwise).
inline void poison([[maybe_unused]] const void* p, [[maybe_unused]] std::size_t bytes) {
#if defined(SQ_STABLE_STACK_ASAN)
  __asan_poison_memory_region(p, bytes);
#endif
}
inline void unpoison([[maybe_unused]] const void* p, [[maybe_unused]] std::size_t bytes) {
#if defined(SQ_STABLE_STACK_ASAN)
  __asan_unpoison_memory_region(p, bytes);
#endif
}

}  // namespace stablestack

template <typename T>
class StableStack {
 public:
  // At most `maxSize` elements; `initialSize` default-constructed ones to begin with.
  StableStack(std::size_t initialSize, std::size_t maxSize) : max_(maxSize), cap_(maxSize) {
    const std::size_t page = stablestack::pageSize();
    reserved_ = (max_ * sizeof(T) + page - 1) / page * page;
    data_ = static_cast<T*>(stablestack::reserve(reserved_));
    end_ = data_;
    roomEnd_ = data_;
    resize(initialSize);
  }
  ~StableStack() {
    clear();
    stablestack::release(data_, reserved_, committed_);
  }
  StableStack(const StableStack&) = delete;
  StableStack& operator=(const StableStack&) = delete;

  std::size_t size() const { return static_cast<std::size_t>(end_ - data_); }
  std::size_t maxSize() const { return max_; }
  bool empty() const { return end_ == data_; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  T& back() { return end_[-1]; }
  const T& back() const { return end_[-1]; }
  T* begin() { return data_; }
  T* end() { return end_; }
  const T* begin() const { return data_; }
  const T* end() const { return end_; }

  // Grows with default-constructed elements or shrinks; beyond maxSize() it throws
  // std::bad_alloc, as running out of memory would.
  void resize(std::size_t n) {
    while (size() > n) pop_back();
    if (n > size()) {
      room(n);
      for (T* p = end_; p < data_ + n; ++p) {
        stablestack::unpoison(p, sizeof(T));
        new (p) T();
      }
      end_ = data_ + n;
    }
  }
  template <typename... Args>
  [[gnu::always_inline]] T& emplace_back(Args&&... args) {
    room(size() + 1);
    stablestack::unpoison(end_, sizeof(T));
    T* p = new (end_) T(std::forward<Args>(args)...);
    ++end_;
    return *p;
  }
  // A limit below maxSize() for the callers of emplaceCommitted, and whether one more element
  // fits both it and the memory committed so far (one comparison).
  void setCommittedCap(std::size_t cap) {
    cap_ = cap;
    roomEnd_ = data_ + (committedCount_ < cap_ ? committedCount_ : cap_);
  }
  bool roomForOneCommitted() const { return end_ < roomEnd_; }
  // emplace_back for a caller that made sure of roomForOneCommitted().
  template <typename... Args>
  [[gnu::always_inline]] T& emplaceCommitted(Args&&... args) {
    stablestack::unpoison(end_, sizeof(T));
    T* p = new (end_) T(std::forward<Args>(args)...);
    ++end_;
    return *p;
  }
  void push_back(const T& v) { emplace_back(v); }
  [[gnu::always_inline]] void pop_back() {
    --end_;
    end_->~T();
    stablestack::poison(end_, sizeof(T));
  }
  // pop_back for a caller that holds a pointer to the last element.
  [[gnu::always_inline]] void popBack(T* last) {
    --end_;
    last->~T();
    stablestack::poison(last, sizeof(T));
  }
  void clear() {
    while (end_ != data_) pop_back();
  }

 private:
  // Commits memory for n elements.
  [[gnu::always_inline]] void room(std::size_t n) {
    if (n <= max_ && n * sizeof(T) <= committed_) [[likely]] return;
    grow(n);
  }
  [[gnu::noinline]] void grow(std::size_t n) {
    if (n > max_) throw std::bad_alloc();
    const std::size_t need = n * sizeof(T);
    if (need <= committed_) return;
    const std::size_t page = stablestack::pageSize();
    std::size_t to = committed_ * 2 > need ? committed_ * 2 : need;
    to = (to + page - 1) / page * page;
    if (to > reserved_) to = reserved_;
    stablestack::commit(data_, committed_, to);
    stablestack::poison(reinterpret_cast<char*>(data_) + committed_, to - committed_);
    committed_ = to;
    committedCount_ = to / sizeof(T);
    roomEnd_ = data_ + (committedCount_ < cap_ ? committedCount_ : cap_);
  }

  T* data_ = nullptr;
  T* end_ = nullptr;  // one past the last element
  std::size_t max_;
  std::size_t reserved_ = 0;
  std::size_t committed_ = 0;
  std::size_t committedCount_ = 0;  // whole elements that fit in the committed bytes
  std::size_t cap_ = 0;             // setCommittedCap's limit
  T* roomEnd_ = nullptr;            // where the lesser of the two ends
};

}  // namespace sqvm

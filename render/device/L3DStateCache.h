#pragma once

// One state cache of the device: for each state the value requested, the value last sent to
// Direct3D and the default, with two intrusive lists (entries whose request differs from what
// was sent, and entries whose request differs from the default). Requests are constant time
// and never allocate; sending walks only the first list, resetting only the second.

#include <cstdint>
#include <vector>

constexpr uint32_t L3DDEV_STATE_SUPPORTED = 0x1;
constexpr uint32_t L3DDEV_STATE_DIRTY = 0x2;
constexpr uint32_t L3DDEV_STATE_NONDEFAULT = 0x4;

template <class Value>
struct L3DStateEntry {
  uint32_t flags = 0;
  uint32_t unit = 0;  // sampler or stage number; 0 for render states
  uint32_t state = 0;
  Value requested{};
  Value sent{};
  Value def{};
  L3DStateEntry* dirtyPrev = nullptr;
  L3DStateEntry* dirtyNext = nullptr;
  L3DStateEntry* changedPrev = nullptr;
  L3DStateEntry* changedNext = nullptr;
};

template <class Value>
class L3DStateCache {
 public:
  using Entry = L3DStateEntry<Value>;

  // count entries, none supported and off both lists.
  void Clear(uint32_t count) {
    m_entries.assign(count, Entry{});
    m_dirty = nullptr;
    m_changed = nullptr;
  }
  void Support(uint32_t index, uint32_t unit, uint32_t state, Value def) {
    Entry& e = m_entries[index];
    e.flags = L3DDEV_STATE_SUPPORTED;
    e.unit = unit;
    e.state = state;
    e.def = def;
  }
  Entry& At(uint32_t index) { return m_entries[index]; }
  uint32_t Size() const { return uint32_t(m_entries.size()); }

  void Request(Entry& e, Value value) {
    if (value == e.requested) return;
    e.requested = value;
    if (value == e.sent) {
      if (e.flags & L3DDEV_STATE_DIRTY) Unlink(e, &Entry::dirtyPrev, &Entry::dirtyNext, m_dirty);
      e.flags &= ~L3DDEV_STATE_DIRTY;
    } else if (!(e.flags & L3DDEV_STATE_DIRTY)) {
      Push(e, &Entry::dirtyPrev, &Entry::dirtyNext, m_dirty);
      e.flags |= L3DDEV_STATE_DIRTY;
    }
    if (value == e.def) {
      if (e.flags & L3DDEV_STATE_NONDEFAULT) {
        Unlink(e, &Entry::changedPrev, &Entry::changedNext, m_changed);
      }
      e.flags &= ~L3DDEV_STATE_NONDEFAULT;
    } else if (!(e.flags & L3DDEV_STATE_NONDEFAULT)) {
      Push(e, &Entry::changedPrev, &Entry::changedNext, m_changed);
      e.flags |= L3DDEV_STATE_NONDEFAULT;
    }
  }

  // Sends every dirty entry from the head of the list and empties it.
  template <class Send>
  void Apply(Send send) {
    for (Entry* e = m_dirty; e != nullptr;) {
      Entry* next = e->dirtyNext;
      send(*e);
      e->sent = e->requested;
      e->flags &= ~L3DDEV_STATE_DIRTY;
      e->dirtyPrev = e->dirtyNext = nullptr;
      e = next;
    }
    m_dirty = nullptr;
  }

  // The first entry whose request is not the default, or null.
  Entry* FirstChanged() const { return m_changed; }

  // Every supported entry back to its default, sent whatever it held; both lists emptied.
  template <class Send>
  void Restore(Send send) {
    for (Entry& e : m_entries) {
      if (!(e.flags & L3DDEV_STATE_SUPPORTED)) continue;
      e.requested = e.sent = e.def;
      e.flags = L3DDEV_STATE_SUPPORTED;
      e.dirtyPrev = e.dirtyNext = e.changedPrev = e.changedNext = nullptr;
      send(e);
    }
    m_dirty = nullptr;
    m_changed = nullptr;
  }

 private:
  using Link = Entry* Entry::*;
  static void Push(Entry& e, Link prev, Link next, Entry*& head) {
    e.*prev = nullptr;
    e.*next = head;
    if (head != nullptr) head->*prev = &e;
    head = &e;
  }
  static void Unlink(Entry& e, Link prev, Link next, Entry*& head) {
    if (e.*prev != nullptr) {
      (e.*prev)->*next = e.*next;
    } else {
      head = e.*next;
    }
    if (e.*next != nullptr) (e.*next)->*prev = e.*prev;
    e.*prev = e.*next = nullptr;
  }

  std::vector<Entry> m_entries;
  Entry* m_dirty = nullptr;
  Entry* m_changed = nullptr;
};

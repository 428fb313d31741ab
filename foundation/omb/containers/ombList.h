#pragma once

#include <cstdint>

// Intrusive circular doubly linked list. Each element embeds a link at `nodeOffset`; the list's
// own head link is the sentinel, so an empty list points at itself and the record must not move
// once initialised.
struct OMB_LIST_LINK {
  OMB_LIST_LINK* next;
  OMB_LIST_LINK* prev;
};

// Called with the element whenever the list itself unlinks one.
using OMB_LIST_REMOVED = void (*)(void* user, void* element);

struct OMB_LIST {
  OMB_LIST_LINK head;  // head.next is the first link, head.prev the last
  int32_t nodeOffset;
  uint32_t count;
  OMB_LIST_REMOVED removed;
  void* user;
};

inline void ombListInit(OMB_LIST* list, int32_t nodeOffset = 0, OMB_LIST_REMOVED removed = nullptr,
                        void* user = nullptr) {
  list->head.next = &list->head;
  list->head.prev = &list->head;
  list->nodeOffset = nodeOffset;
  list->count = 0;
  list->removed = removed;
  list->user = user;
}

inline OMB_LIST_LINK* ombListSentinel(OMB_LIST* list) {
  return &list->head;
}

inline void* ombListElement(const OMB_LIST* list, OMB_LIST_LINK* link) {
  return reinterpret_cast<char*>(link) - list->nodeOffset;
}

inline OMB_LIST_LINK* ombListLink(const OMB_LIST* list, void* element) {
  return reinterpret_cast<OMB_LIST_LINK*>(static_cast<char*>(element) + list->nodeOffset);
}

// Links before the sentinel, that is at the end.
inline void ombListAppend(OMB_LIST* list, OMB_LIST_LINK* link) {
  link->next = &list->head;
  link->prev = list->head.prev;
  list->head.prev->next = link;
  list->head.prev = link;
  ++list->count;
}

// Links after the sentinel, that is at the front.
inline void ombListPrepend(OMB_LIST* list, OMB_LIST_LINK* link) {
  link->prev = &list->head;
  link->next = list->head.next;
  list->head.next->prev = link;
  list->head.next = link;
  ++list->count;
}

// With a removal callback, unlinks every element from the first (count down, callback each);
// without one only resets the head to empty and leaves the elements untouched.
void ombListClear(OMB_LIST* list);
// The first element, or null.
void* ombListGetFirst(OMB_LIST* list);
// Unlinks the link (count - 1, callback) and returns the link that followed it; the sentinel
// itself is left alone and returned.
OMB_LIST_LINK* ombListRemove(OMB_LIST* list, OMB_LIST_LINK* link);
void ombListRemoveFirst(OMB_LIST* list);
void ombListRemoveLast(OMB_LIST* list);

#include "foundation/omb/containers/ombList.h"

void ombListClear(OMB_LIST* list) {
  if (!list->removed) {
    list->head.next = &list->head;
    list->head.prev = &list->head;
    list->count = 0;
    return;
  }
  while (list->head.next != &list->head) {
    ombListRemove(list, list->head.next);
  }
}

void* ombListGetFirst(OMB_LIST* list) {
  if (list->head.next == &list->head) {
    return nullptr;
  }
  return ombListElement(list, list->head.next);
}

OMB_LIST_LINK* ombListRemove(OMB_LIST* list, OMB_LIST_LINK* link) {
  if (link == &list->head) {
    return link;
  }
  OMB_LIST_LINK* following = link->next;
  link->prev->next = link->next;
  link->next->prev = link->prev;
  --list->count;
  if (list->removed) {
    list->removed(list->user, ombListElement(list, link));
  }
  return following;
}

void ombListRemoveFirst(OMB_LIST* list) {
  if (list->head.next != &list->head) {
    ombListRemove(list, list->head.next);
  }
}

void ombListRemoveLast(OMB_LIST* list) {
  if (list->head.prev != &list->head) {
    ombListRemove(list, list->head.prev);
  }
}

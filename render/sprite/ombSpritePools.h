#pragma once

#include "foundation/omb/containers/ombMempool.h"

#include <new>

// The module's growable pools; records are constructed in their blocks and destroyed before
// the blocks go back.
struct OmbSpritePools {
  OMB_MEMPOOL images, renderers, sprites, rects, fonts, chunks, formats, texts;
};

OmbSpritePools& ombSpritePools();

template <class T, class... Args>
T* ombSpritePoolNew(OMB_MEMPOOL& pool, Args&&... args) {
  void* block = ombMempoolAllocateBlock(&pool);
  if (block == nullptr) {
    ombMempoolReportExhausted();
    return nullptr;
  }
  return new (block) T{args...};
}

template <class T>
void ombSpritePoolDelete(OMB_MEMPOOL& pool, T* record) {
  record->~T();
  ombMempoolReleaseBlock(&pool, record);
}

// The element of an intrusive list link.
template <class T>
T* ombSpriteOf(const OMB_LIST* list, OMB_LIST_LINK* link) {
  return static_cast<T*>(ombListElement(list, link));
}

inline void ombSpriteUnlink(OMB_LIST* list, OMB_LIST_LINK* link) {
  ombListRemove(list, link);
}

#include "foundation/omb/containers/ombHash.h"

#include "foundation/omb/containers/ombSharedPool.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/text/ombString.h"

#include <cstdlib>

namespace {

OMB_SHARED_POOL nodes;

OMB_HASH_NODE** findSlot(OMB_HASH* table, const void* key, uint32_t* hashOut) {
  const uint32_t h = table->hash(table->user, key);
  *hashOut = h;
  OMB_HASH_NODE** slot = &table->buckets[h % table->bucketCount];
  while (*slot && !((*slot)->hash == h && table->equal(table->user, (*slot)->key, key))) {
    slot = &(*slot)->next;
  }
  return slot;
}

}  // namespace

void ombHashNodePoolInit() {
  ombSharedPoolInit(&nodes, 128, sizeof(OMB_HASH_NODE), OMB_MEMPOOL_GROW);
}

void ombHashNodePoolUninit() {
  ombSharedPoolUninit(&nodes);
}

uint32_t ombHashString(void*, const void* key) {
  uint32_t h = 0x811C9DC5u;
  for (const auto* p = static_cast<const char16_t*>(key); *p; ++p) {
    if (*p >= 0x100) {
      h = (h * 16777619u) ^ (*p >> 8);
    }
    h = (h * 16777619u) ^ (*p & 0xFFu);
  }
  return h;
}

bool ombHashStringIsEqual(void*, const void* a, const void* b) {
  return ombStrIsEqual(static_cast<const char16_t*>(a), static_cast<const char16_t*>(b));
}

void ombHashInit(OMB_HASH* table, uint32_t bucketCount, OMB_HASH_RELEASE valueRelease) {
  if (bucketCount == 0) {
    bucketCount = 1;
  }
  table->buckets = ombCheckAlloc(
      static_cast<OMB_HASH_NODE**>(std::calloc(bucketCount, sizeof(OMB_HASH_NODE*))));
  table->bucketCount = table->buckets ? bucketCount : 0;
  table->hash = ombHashString;
  table->equal = ombHashStringIsEqual;
  table->keyRelease = nullptr;
  table->valueRelease = valueRelease;
  table->user = nullptr;
}

void ombHashUninit(OMB_HASH* table) {
  if (!table->buckets) {
    return;
  }
  auto forEachNode = [table](auto visit) {
    for (uint32_t b = 0; b < table->bucketCount; ++b) {
      for (OMB_HASH_NODE* node = table->buckets[b]; node; node = node->next) {
        visit(node);
      }
    }
  };
  if (table->keyRelease) {
    forEachNode([table](OMB_HASH_NODE* node) {
      table->keyRelease(table->user, const_cast<void*>(node->key));
    });
  }
  if (table->valueRelease) {
    forEachNode([table](OMB_HASH_NODE* node) { table->valueRelease(table->user, node->value); });
  }
  {
    OmbSpinLockHold hold(nodes.lock);
    for (uint32_t b = 0; b < table->bucketCount; ++b) {
      OMB_HASH_NODE* node = table->buckets[b];
      while (node) {
        OMB_HASH_NODE* next = node->next;
        ombMempoolReleaseBlock(&nodes.pool, node);
        node = next;
      }
    }
  }
  std::free(table->buckets);
  table->buckets = nullptr;
}

void* ombHashFind(OMB_HASH* table, const void* key) {
  if (!table->buckets) {
    return nullptr;
  }
  uint32_t h;
  OMB_HASH_NODE* node = *findSlot(table, key, &h);
  return node ? node->value : nullptr;
}

int32_t ombHashInsert(OMB_HASH* table, const void* key, void* value) {
  if (!table->buckets) {
    return OMB_ERR_CREATE;
  }
  uint32_t h;
  if (*findSlot(table, key, &h)) {
    return OMB_ERR_KEY;
  }
  auto* node = static_cast<OMB_HASH_NODE*>(ombSharedPoolAllocate(&nodes));
  if (!node) {
    return OMB_ERR_CREATE;
  }
  OMB_HASH_NODE** bucket = &table->buckets[h % table->bucketCount];
  *node = OMB_HASH_NODE{h, key, value, *bucket};
  *bucket = node;
  return OMB_OK;
}

int32_t ombHashRemove(OMB_HASH* table, const void* key) {
  if (!table->buckets) {
    return OMB_ERR_KEY;
  }
  uint32_t h;
  OMB_HASH_NODE** slot = findSlot(table, key, &h);
  OMB_HASH_NODE* node = *slot;
  if (!node) {
    return OMB_ERR_KEY;
  }
  *slot = node->next;
  if (table->keyRelease) {
    table->keyRelease(table->user, const_cast<void*>(node->key));
  }
  if (table->valueRelease) {
    table->valueRelease(table->user, node->value);
  }
  ombSharedPoolRelease(&nodes, node);
  return OMB_OK;
}

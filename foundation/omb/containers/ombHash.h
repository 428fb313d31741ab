#pragma once

#include <cstdint>

// String-keyed chained hash table. Keys are not copied: a node points at the caller's key.
// Nodes come from one process-wide pool (128 per chunk) guarded by its own spin lock, set up by
// ombCoreInit.
using OMB_HASH_FUNCTION = uint32_t (*)(void* user, const void* key);
using OMB_HASH_EQUAL = bool (*)(void* user, const void* a, const void* b);
using OMB_HASH_RELEASE = void (*)(void* user, void* pointer);

struct OMB_HASH_NODE {
  uint32_t hash;
  const void* key;
  void* value;
  OMB_HASH_NODE* next;
};

struct OMB_HASH {
  OMB_HASH_NODE** buckets;
  uint32_t bucketCount;
  OMB_HASH_FUNCTION hash;
  OMB_HASH_EQUAL equal;
  OMB_HASH_RELEASE keyRelease;    // or null
  OMB_HASH_RELEASE valueRelease;  // or null
  void* user;
};

// Default callbacks (ombHashString, ombHashStringIsEqual), no key release, user data null.
// A bucket count of 0 is taken as 1.
void ombHashInit(OMB_HASH* table, uint32_t bucketCount, OMB_HASH_RELEASE valueRelease);
// Releases every key, then every value (bucket order, chain order), returns the nodes to the pool
// and frees the buckets.
void ombHashUninit(OMB_HASH* table);
// The value of an equal key, or null.
void* ombHashFind(OMB_HASH* table, const void* key);
// 1, or OMB_ERR_KEY when an equal key is present (the existing entry stays), or OMB_ERR_CREATE
// when no node could be had (reported as pool exhaustion).
int32_t ombHashInsert(OMB_HASH* table, const void* key, void* value);
// 1 after releasing the key and the value, or OMB_ERR_KEY when the key is absent.
int32_t ombHashRemove(OMB_HASH* table, const void* key);

// 32-bit FNV-1 over the key's UTF-16 units, the high byte first when it is non-zero, so an ASCII
// string hashes like FNV-1 over its bytes.
uint32_t ombHashString(void* user, const void* key);
// Exact UTF-16 equality.
bool ombHashStringIsEqual(void* user, const void* a, const void* b);

// The process-wide node pool, driven by the core.
void ombHashNodePoolInit();
void ombHashNodePoolUninit();

#pragma once

#include "foundation/omb/containers/ombList.h"
#include "foundation/omb/ombThread.h"
#include "platform/kernel/Event.h"

#include <cstdint>
#include <optional>
#include <string>

// Host-name look-ups on background threads, so that no caller ever blocks on one. Each record
// owns one thread for the life of the module and serves one request at a time; a record with
// no flags set is idle and takes the next request.
inline constexpr uint32_t OMB_RESOLVER_QUIT = 0x01;
inline constexpr uint32_t OMB_RESOLVER_QUEUED = 0x04;
inline constexpr uint32_t OMB_RESOLVER_RUNNING = 0x08;
inline constexpr uint32_t OMB_RESOLVER_READY = 0x10;
inline constexpr uint32_t OMB_RESOLVER_DISCARD = 0x20;

// The address of a failed look-up.
inline constexpr uint32_t OMB_RESOLVER_NO_ADDRESS = 0xFFFFFFFFu;

struct OMB_RESOLVER {
  OMB_THREAD* thread;
  OMB_LIST_LINK node;  // in the module's list
  OMB_CRITICAL_SECTION* lock;  // the module's one lock for every resolver
  platform::Event* event;      // auto-reset; wakes the thread
  uint32_t flags;
  std::string name;  // multibyte host name
  uint32_t address;  // network byte order, or OMB_RESOLVER_NO_ADDRESS
};

// Queues a look-up of the multibyte name on an idle record, or on a new one with its own thread.
// Null when no thread could be started; callers treat that like a failed look-up.
OMB_RESOLVER* _ombSocketResolveStart(const char* name);
// 1 with the address (network byte order, OMB_RESOLVER_NO_ADDRESS when the name has none) once
// the result is ready, which makes the record idle again; otherwise wakes the thread, gives up
// the rest of the time slice and answers OMB_ERR_PENDING.
int32_t _ombSocketResolveGetResult(OMB_RESOLVER* resolver, uint32_t* address);
// The look-up of a record in state 1: false while it runs; otherwise the record forgets its
// resolver and `address` holds the result, OMB_RESOLVER_NO_ADDRESS also when no look-up could
// be started for it.
struct OMB_SOCKET;
bool _ombSocketResolveTake(OMB_SOCKET* record, uint32_t* address);
// Gives up a request: a queued one is withdrawn, a ready result dropped, and a running look-up
// has its result thrown away when it returns. The record must not be used by the caller again.
void _ombSocketResolveCancel(OMB_RESOLVER* resolver);

// Module life, driven by ombSocketInit and ombSocketUninit. The shutdown waits for a look-up
// still running.
void _ombSocketResolverInit();
void _ombSocketResolverShutdown();

// The blocking look-up the threads run; tests replace it to hold a look-up where they want it.
// Null restores the system's resolver.
using OMB_RESOLVER_LOOKUP = std::optional<uint32_t> (*)(const char* name);
void _ombSocketResolverSetLookup(OMB_RESOLVER_LOOKUP lookup);
// The number of records (and so of threads) the module has made.
uint32_t _ombSocketResolverGetCount();

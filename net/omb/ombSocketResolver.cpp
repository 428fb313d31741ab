#include "net/omb/ombSocketResolver.h"

#include "foundation/omb/ombCore.h"
#include "net/omb/ombSocket.h"
#include "platform/net/HostLookup.h"

#include <sched.h>

#include <atomic>
#include <new>

namespace {

struct Module {
  OMB_CRITICAL_SECTION lock;
  OMB_LIST records;
  bool ready = false;
};

Module module;
std::atomic<OMB_RESOLVER_LOOKUP> lookupFunction{nullptr};

std::optional<uint32_t> lookup(const char* name) {
  const OMB_RESOLVER_LOOKUP replaced = lookupFunction.load();
  return replaced ? replaced(name) : platform::net::lookupHostIpv4(name);
}

OMB_RESOLVER* recordOf(OMB_LIST_LINK* link) {
  return static_cast<OMB_RESOLVER*>(ombListElement(&module.records, link));
}

uint32_t resolverThread(void* argument) {
  auto* resolver = static_cast<OMB_RESOLVER*>(argument);
  platform::RecursiveMutexHold hold(*resolver->lock);
  for (;;) {
    while (resolver->flags & (OMB_RESOLVER_QUIT | OMB_RESOLVER_QUEUED)) {
      if (resolver->flags & OMB_RESOLVER_QUIT) {
        return 0;
      }
      resolver->flags = (resolver->flags & ~OMB_RESOLVER_QUEUED) | OMB_RESOLVER_RUNNING;
      // The name stays untouched while the record is running: only an idle record is reused.
      const std::string name = resolver->name;
      resolver->lock->unlock();
      std::optional<uint32_t> address;
      try {
        address = lookup(name.c_str());
      } catch (...) {
        address.reset();
      }
      resolver->lock->lock();
      resolver->address = address.value_or(OMB_RESOLVER_NO_ADDRESS);
      resolver->flags &= ~OMB_RESOLVER_RUNNING;
      if (resolver->flags & OMB_RESOLVER_DISCARD) {
        resolver->flags &= ~OMB_RESOLVER_DISCARD;
      } else {
        resolver->flags |= OMB_RESOLVER_READY;
      }
    }
    // A signal that arrives between the unlock and the wait stays set on the auto-reset event.
    resolver->event->reset();
    resolver->lock->unlock();
    resolver->event->wait(platform::Event::kInfinite);
    resolver->lock->lock();
  }
}

void freeRecord(OMB_RESOLVER* resolver) {
  delete resolver->event;
  delete resolver;
}

OMB_RESOLVER* newRecord() {
  auto* resolver = new (std::nothrow) OMB_RESOLVER{};
  ombCheckAlloc(resolver);
  if (!resolver) {
    return nullptr;
  }
  resolver->lock = &module.lock;
  resolver->event = new (std::nothrow) platform::Event(platform::EventReset::Auto,
                                                       platform::EventInitial::NonSignalled);
  ombCheckAlloc(resolver->event);
  if (!resolver->event) {
    delete resolver;
    return nullptr;
  }
  // The system's default stack: a look-up goes deep into the system's resolver, far deeper than
  // the small stack a thread of its own would otherwise do with.
  if (ombThreadCreate(&resolver->thread, &resolverThread, resolver,
                      OMB_THREAD_PRIORITY_HIGHEST, 0) != OMB_OK) {
    freeRecord(resolver);
    return nullptr;
  }
  ombListAppend(&module.records, &resolver->node);
  return resolver;
}

}  // namespace

void _ombSocketResolverInit() {
  if (module.ready) {
    return;
  }
  ombInitCriticalSection(&module.lock);
  ombListInit(&module.records, static_cast<int32_t>(offsetof(OMB_RESOLVER, node)));
  module.ready = true;
}

OMB_RESOLVER* _ombSocketResolveStart(const char* name) {
  if (!module.ready || !name) {
    return nullptr;
  }
  platform::RecursiveMutexHold hold(module.lock);
  OMB_RESOLVER* resolver = nullptr;
  for (OMB_LIST_LINK* link = module.records.head.next; link != &module.records.head;
       link = link->next) {
    if (recordOf(link)->flags == 0) {
      resolver = recordOf(link);
      break;
    }
  }
  if (!resolver) {
    resolver = newRecord();
    if (!resolver) {
      return nullptr;
    }
  }
  resolver->name = name;
  resolver->address = OMB_RESOLVER_NO_ADDRESS;
  resolver->flags |= OMB_RESOLVER_QUEUED;
  resolver->event->set();
  return resolver;
}

int32_t _ombSocketResolveGetResult(OMB_RESOLVER* resolver, uint32_t* address) {
  {
    platform::RecursiveMutexHold hold(*resolver->lock);
    if (resolver->flags & OMB_RESOLVER_READY) {
      *address = resolver->address;
      resolver->flags &= ~OMB_RESOLVER_READY;
      return OMB_OK;
    }
    resolver->event->set();
  }
  sched_yield();
  return OMB_ERR_PENDING;
}

bool _ombSocketResolveTake(OMB_SOCKET* record, uint32_t* address) {
  *address = OMB_RESOLVER_NO_ADDRESS;
  if (record->resolver &&
      _ombSocketResolveGetResult(record->resolver, address) == OMB_ERR_PENDING) {
    return false;
  }
  record->resolver = nullptr;
  return true;
}

void _ombSocketResolveCancel(OMB_RESOLVER* resolver) {
  if (!resolver) {
    return;
  }
  platform::RecursiveMutexHold hold(*resolver->lock);
  if (resolver->flags & OMB_RESOLVER_QUEUED) {
    resolver->flags &= ~OMB_RESOLVER_QUEUED;
  } else if (resolver->flags & OMB_RESOLVER_READY) {
    resolver->flags &= ~OMB_RESOLVER_READY;
  } else if (resolver->flags & OMB_RESOLVER_RUNNING) {
    resolver->flags |= OMB_RESOLVER_DISCARD;
  }
}

void _ombSocketResolverShutdown() {
  if (!module.ready) {
    return;
  }
  {
    platform::RecursiveMutexHold hold(module.lock);
    while (module.records.count != 0) {
      OMB_RESOLVER* resolver = recordOf(module.records.head.next);
      if (resolver->flags & (OMB_RESOLVER_RUNNING | OMB_RESOLVER_READY)) {
        resolver->flags |= OMB_RESOLVER_DISCARD;
      }
      resolver->flags |= OMB_RESOLVER_QUIT;
      resolver->event->set();
      module.lock.unlock();
      resolver->thread->wait(platform::kWaitForever);
      resolver->thread->close();
      module.lock.lock();
      ombListRemove(&module.records, &resolver->node);
      freeRecord(resolver);
    }
  }
  module.lock.destroy();
  module.ready = false;
}

void _ombSocketResolverSetLookup(OMB_RESOLVER_LOOKUP replacement) {
  lookupFunction.store(replacement);
}

uint32_t _ombSocketResolverGetCount() {
  if (!module.ready) {
    return 0;
  }
  platform::RecursiveMutexHold hold(module.lock);
  return module.records.count;
}

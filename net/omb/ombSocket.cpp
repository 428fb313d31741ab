#include "net/omb/ombSocket.h"

#include "foundation/omb/containers/ombMempool.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombSpinlock.h"
#include "net/omb/ombSocketResolver.h"
#include "net/omb/ombUdp.h"

namespace {

struct Module {
  bool initialised = false;
  OMB_SPINLOCK lock{};
  OMB_MEMPOOL sockets{};
  OMB_MEMPOOL connections{};
};

Module module;

void* allocate(OMB_MEMPOOL* pool) {
  void* block = nullptr;
  {
    OmbSpinLockHold hold(module.lock);
    block = ombMempoolAllocateBlock(pool);
  }
  if (!block) {
    ombMempoolReportExhausted();
  }
  return block;
}

void release(OMB_MEMPOOL* pool, void* block) {
  OmbSpinLockHold hold(module.lock);
  ombMempoolReleaseBlock(pool, block);
}

}  // namespace

void ombSocketInit() {
  if (module.initialised) {
    return;
  }
  // The socket library of this platform needs no start-up of its own.
  module.lock = OMB_SPINLOCK{};
  ombMempoolInit(&module.sockets, 8, sizeof(OMB_SOCKET), OMB_MEMPOOL_GROW);
  ombMempoolInit(&module.connections, 4, sizeof(OMB_UDP), OMB_MEMPOOL_GROW);
  _ombSocketResolverInit();
  module.initialised = true;
  ombRegisterUninit(ombSocketUninit);
}

void ombSocketUninit() {
  if (!module.initialised) {
    return;
  }
  module.initialised = false;
  _ombSocketResolverShutdown();
  ombMempoolUninit(&module.sockets);
  ombMempoolUninit(&module.connections);
}

OMB_SOCKET* _ombSocketAlloc() {
  auto* record = static_cast<OMB_SOCKET*>(allocate(&module.sockets));
  if (record) {
    *record = OMB_SOCKET{platform::net::kNoSocket, OMB_SOCKET_FAILED, nullptr, 0, 0};
  }
  return record;
}

void _ombSocketFree(OMB_SOCKET* record) {
  if (record) {
    release(&module.sockets, record);
  }
}

OMB_UDP* _ombUdpAllocRecord() {
  return static_cast<OMB_UDP*>(allocate(&module.connections));
}

void _ombUdpFreeRecord(OMB_UDP* record) {
  if (record) {
    release(&module.connections, record);
  }
}

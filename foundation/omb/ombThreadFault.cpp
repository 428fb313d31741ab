#include "foundation/omb/ombThreadFault.h"

#include <mutex>

namespace {

std::mutex& faultLock() {
  static std::mutex lock;
  return lock;
}

std::exception_ptr& pendingFault() {
  static std::exception_ptr fault;
  return fault;
}

}  // namespace

void ombThreadFaultCatch(std::exception_ptr error) {
  std::lock_guard guard(faultLock());
  if (!pendingFault()) {
    pendingFault() = error;
  }
}

bool ombThreadFaultPending() {
  std::lock_guard guard(faultLock());
  return pendingFault() != nullptr;
}

void ombThreadFaultRethrow() {
  std::exception_ptr fault;
  {
    std::lock_guard guard(faultLock());
    fault.swap(pendingFault());
  }
  if (fault) {
    std::rethrow_exception(fault);
  }
}

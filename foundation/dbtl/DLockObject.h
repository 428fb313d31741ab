#pragma once

#include "foundation/dbtl/DObject.h"

#include <cstdint>

namespace dbtl {

// The lock interface of the base library's kernel objects. Wait returns the kernel's raw wait
// result, so callers compare it with the constants below rather than treat it as a flag.
class DLockObject : public DObject {
 public:
  static constexpr uint32_t kWaitSignalled = 0;         // the object was signalled
  static constexpr uint32_t kWaitTimedOut = 0x102;      // the time ran out first
  static constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;  // nothing to wait on
  static constexpr uint32_t kInfinite = 0xFFFFFFFFu;    // a wait without time limit

  DLockObject() = default;
  DLockObject(const DLockObject&) = delete;
  DLockObject& operator=(const DLockObject&) = delete;
  ~DLockObject() override;

  // Releases the kernel object; true.
  virtual bool Close() = 0;
  // A zero-time wait. True unless it reports the object signalled (not signalled, or no object
  // to wait on); note the inversion: false means "was signalled" and, for an auto-reset
  // object, that the signal has been consumed.
  virtual bool Poll() = 0;
  virtual uint32_t Wait(uint32_t milliseconds) = 0;
  virtual bool Unlock() = 0;
};

}  // namespace dbtl

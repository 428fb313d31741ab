#pragma once

#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"
#include "platform/kernel/Thread.h"

#include <cstdint>

namespace dbtl {

// Owns the handle of one worker thread. Closing the handle neither stops nor waits for the
// thread: the owner first tells its thread to end and waits for it (Wait), then closes. A
// thread whose handle is closed while it still runs frees its own resources when it ends.
//
// An exception that leaves the thread function never ends the process: it is handed over to
// the game thread (ombThreadFault.h), which rethrows it at its next check, and the thread's
// exit code becomes OMB_THREAD_FAULT_EXIT_CODE.
class DThread : public DObject {
 public:
  using Function = uint32_t (*)(void* argument);

  static constexpr uint32_t kWaitEnded = 0;
  static constexpr uint32_t kWaitTimedOut = 0x102;
  static constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;  // no thread held
  static constexpr uint32_t kInfinite = 0xFFFFFFFFu;

  DThread() = default;
  DThread(const DThread&) = delete;
  DThread& operator=(const DThread&) = delete;
  ~DThread() override;

  // Starts function(argument) on a new thread with the default stack. False when a thread was
  // already started (and not closed since), or when none could be started.
  bool Start(Function function, void* argument);
  // Releases the handle without waiting; afterwards the object may start another thread.
  void Close();
  // Waits until the thread has ended: kWaitEnded, kWaitTimedOut, or kWaitFailed when no thread
  // is held. Waiting on a thread that has already ended returns at once.
  uint32_t Wait(uint32_t milliseconds);

 private:
  rcptr<platform::Thread*> m_handle;  // one element; null while no thread was started
  uint8_t m_started = 0;
};

}  // namespace dbtl

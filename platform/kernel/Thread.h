#pragma once

#include "platform/kernel/Semaphore.h"

#include <cstddef>
#include <cstdint>

namespace platform {

// A thread running a procedure, and the handle through which its starter waits for it and reads
// its exit code. Closing the handle does not stop the thread; its state is freed once both the
// thread has ended and the handle is closed.
class Thread {
 public:
  using Procedure = uint32_t (*)(void* argument);

  // Scheduling priority, best effort: a refusal by the system is ignored.
  enum class Priority { Lowest, BelowNormal, Normal, AboveNormal, Highest, TimeCritical };

  // Starts the procedure. A stack size of 0 takes the system's default; others are rounded up to
  // whole pages and the system's minimum. The thread may run on every processor of the process,
  // whatever its starter is bound to. Null when the system cannot start a thread.
  static Thread* start(Procedure procedure, void* argument, std::size_t stackSize,
                       Priority priority);

  // True when the thread has ended within the time (kWaitForever waits without limit).
  bool wait(uint32_t timeoutMilliseconds);
  // True, with the procedure's result, when the thread has ended.
  bool exitCode(uint32_t* code);
  // Releases the handle; `this` is invalid afterwards.
  void close();

 private:
  struct State;
  static void* run(void* state);
  explicit Thread(State* state) : state_(state) {}
  ~Thread() = default;
  State* state_;
};

}  // namespace platform

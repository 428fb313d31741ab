#include "foundation/dbtl/DThread.h"

#include "foundation/omb/ombThread.h"
#include "foundation/omb/ombThreadFault.h"

#include <memory>

namespace dbtl {

namespace {

// Made by Start and handed to the new thread, which frees it before it runs the function.
struct StartRecord {
  DThread::Function function;
  void* argument;
};

uint32_t trampoline(void* raw) {
  const StartRecord record = *static_cast<StartRecord*>(raw);
  delete static_cast<StartRecord*>(raw);
  return ombThreadFaultGuard(OMB_THREAD_FAULT_EXIT_CODE,
                             [&record] { return record.function(record.argument); });
}

}  // namespace

DThread::~DThread() {
  Close();
}

bool DThread::Start(Function function, void* argument) {
  if (m_started) {
    return false;
  }
  // Everything that can throw is done before the thread exists, so a failure never leaves a
  // running thread without a handle.
  rcptr<platform::Thread*> handle;
  handle.Create(1);
  auto record = std::make_unique<StartRecord>(StartRecord{function, argument});
  platform::Thread* thread =
      platform::Thread::start(&trampoline, record.get(), 0, platform::Thread::Priority::Normal);
  if (!thread) {
    return false;
  }
  record.release();  // the new thread frees it
  handle[0] = thread;
  m_handle = std::move(handle);
  m_started = 1;
  return true;
}

void DThread::Close() {
  if (!m_started || !m_handle) {
    return;
  }
  if (m_handle[0]) {
    m_handle[0]->close();
    m_handle[0] = nullptr;
  }
  m_handle.Reset();
  m_started = 0;
}

uint32_t DThread::Wait(uint32_t milliseconds) {
  if (!m_started || !m_handle || !m_handle[0]) {
    return kWaitFailed;
  }
  static_assert(kInfinite == platform::kWaitForever);
  return m_handle[0]->wait(milliseconds) ? kWaitEnded : kWaitTimedOut;
}

}  // namespace dbtl

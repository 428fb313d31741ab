#include "platform/kernel/Thread.h"

#include "platform/kernel/Processor.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

struct Thread::State {
  State(Procedure p, void* a, int n) : procedure(p), argument(a), niceness(n) {}
  Procedure procedure;
  void* argument;
  int niceness;
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  uint32_t code = 0;
  std::atomic<int> owners{2};  // the thread and the handle

  void release() {
    if (owners.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      delete this;
    }
  }
};

namespace {

// Thread priorities as nice values of the thread; raising one needs a privilege that an
// ordinary user lacks, so those requests usually fail and the thread runs at normal priority.
int niceness(Thread::Priority priority) {
  switch (priority) {
    case Thread::Priority::Lowest: return 10;
    case Thread::Priority::BelowNormal: return 5;
    case Thread::Priority::Normal: return 0;
    case Thread::Priority::AboveNormal: return -5;
    case Thread::Priority::Highest: return -10;
    case Thread::Priority::TimeCritical: return -15;
  }
  return 0;
}

std::size_t roundStack(std::size_t size) {
  const long page = sysconf(_SC_PAGESIZE);
  const std::size_t pageSize = page > 0 ? static_cast<std::size_t>(page) : 4096;
  std::size_t minimum = PTHREAD_STACK_MIN;
  if (size < minimum) {
    size = minimum;
  }
  return (size + pageSize - 1) / pageSize * pageSize;
}

}  // namespace

Thread* Thread::start(Procedure procedure, void* argument, std::size_t stackSize,
                      Priority priority) {
  auto* state = new State(procedure, argument, niceness(priority));
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) {
    delete state;
    return nullptr;
  }
  bool ok = pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED) == 0;
  if (ok && stackSize != 0) {
    ok = pthread_attr_setstacksize(&attributes, roundStack(stackSize)) == 0;
  }
  // Best effort: without it the thread shares its starter's binding.
  if (CPU_COUNT(&processAffinity()) > 0) {
    pthread_attr_setaffinity_np(&attributes, sizeof(cpu_set_t), &processAffinity());
  }
  pthread_t id;
  ok = ok && pthread_create(&id, &attributes, &Thread::run, state) == 0;
  pthread_attr_destroy(&attributes);
  if (!ok) {
    delete state;
    return nullptr;
  }
  return new Thread(state);
}

void* Thread::run(void* raw) {
  auto* state = static_cast<Thread::State*>(raw);
  if (state->niceness != 0) {
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), state->niceness);
  }
  const uint32_t code = state->procedure(state->argument);
  {
    std::lock_guard<std::mutex> hold(state->mutex);
    state->code = code;
    state->done = true;
  }
  state->ended.notify_all();
  state->release();
  return nullptr;
}

bool Thread::wait(uint32_t timeoutMilliseconds) {
  std::unique_lock<std::mutex> hold(state_->mutex);
  auto done = [this] { return state_->done; };
  if (timeoutMilliseconds == kWaitForever) {
    state_->ended.wait(hold, done);
    return true;
  }
  return state_->ended.wait_for(hold, std::chrono::milliseconds(timeoutMilliseconds), done);
}

bool Thread::exitCode(uint32_t* code) {
  std::lock_guard<std::mutex> hold(state_->mutex);
  if (state_->done) {
    *code = state_->code;
  }
  return state_->done;
}

void Thread::close() {
  state_->release();
  delete this;
}

}  // namespace platform

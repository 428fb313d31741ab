#pragma once

#include <pthread.h>

namespace platform {

// A lock that its owner may take again (the semantics of a critical section). Created in place
// by init, which can fail when the system lacks resources; destroyed by destroy or the
// destructor.
class RecursiveMutex {
 public:
  RecursiveMutex() = default;
  ~RecursiveMutex() { destroy(); }
  RecursiveMutex(const RecursiveMutex&) = delete;
  RecursiveMutex& operator=(const RecursiveMutex&) = delete;

  bool init();
  void destroy();
  bool ready() const { return ready_; }

  void lock();
  bool tryLock();
  void unlock();

 private:
  pthread_mutex_t mutex_{};
  bool ready_ = false;
};

// Holds a RecursiveMutex for a scope.
class RecursiveMutexHold {
 public:
  explicit RecursiveMutexHold(RecursiveMutex& mutex) : mutex_(mutex) { mutex_.lock(); }
  ~RecursiveMutexHold() { mutex_.unlock(); }
  RecursiveMutexHold(const RecursiveMutexHold&) = delete;
  RecursiveMutexHold& operator=(const RecursiveMutexHold&) = delete;

 private:
  RecursiveMutex& mutex_;
};

}  // namespace platform

#include "platform/kernel/RecursiveMutex.h"

namespace platform {

bool RecursiveMutex::init() {
  if (ready_) {
    return true;
  }
  pthread_mutexattr_t attributes;
  if (pthread_mutexattr_init(&attributes) != 0) {
    return false;
  }
  const bool ok = pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE) == 0 &&
                  pthread_mutex_init(&mutex_, &attributes) == 0;
  pthread_mutexattr_destroy(&attributes);
  ready_ = ok;
  return ok;
}

void RecursiveMutex::destroy() {
  if (ready_) {
    pthread_mutex_destroy(&mutex_);
    ready_ = false;
  }
}

void RecursiveMutex::lock() {
  pthread_mutex_lock(&mutex_);
}

bool RecursiveMutex::tryLock() {
  return pthread_mutex_trylock(&mutex_) == 0;
}

void RecursiveMutex::unlock() {
  pthread_mutex_unlock(&mutex_);
}

}  // namespace platform

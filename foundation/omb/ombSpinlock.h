#pragma once

#include <cstdint>

// The framework's recursive spin lock for short sections. A zeroed record is a free lock, so
// locks can be plain globals cleared by the init functions.
struct OMB_SPINLOCK {
  int32_t state;   // 0 free, 1 being taken, 2 held
  int32_t count;   // recursion count of the owner
  uint32_t owner;  // thread id of the owner; left as it was on release
};

// Takes the lock, waiting as long as another thread holds it; re-entry by the owner nests.
void ombSpinLockEnter(OMB_SPINLOCK* lock);
// 1 when the lock is now held by the calling thread (taken or nested), else OMB_ERR_BUSY; waits
// only while another thread is in the middle of taking it.
int32_t ombSpinLockTryEnter(OMB_SPINLOCK* lock);
// Undoes one enter; the last one frees the lock.
void ombSpinLockLeave(OMB_SPINLOCK* lock);

// Holds a spin lock for a scope. A level-0 message may leave any framework function by an
// exception (the host's error hook throws), so every lock is held through a guard like this.
class OmbSpinLockHold {
 public:
  explicit OmbSpinLockHold(OMB_SPINLOCK& lock) : lock_(lock) { ombSpinLockEnter(&lock_); }
  ~OmbSpinLockHold() { ombSpinLockLeave(&lock_); }
  OmbSpinLockHold(const OmbSpinLockHold&) = delete;
  OmbSpinLockHold& operator=(const OmbSpinLockHold&) = delete;

 private:
  OMB_SPINLOCK& lock_;
};

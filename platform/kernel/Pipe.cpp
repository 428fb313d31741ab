#include "platform/kernel/Pipe.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>

namespace platform {

PipeRead pipeReadWhole(uint64_t descriptor, void* buffer, uint32_t size) {
  if (descriptor > INT_MAX) return PipeRead::Failed;
  const int fd = static_cast<int>(descriptor);
  int waiting = 0;
  if (::ioctl(fd, FIONREAD, &waiting) != 0) return PipeRead::Failed;
  if (waiting < 0 || static_cast<uint32_t>(waiting) < size) return PipeRead::NotYet;
  auto* out = static_cast<char*>(buffer);
  uint32_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, out + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return PipeRead::Failed;
    done += static_cast<uint32_t>(n);
  }
  return PipeRead::Whole;
}

bool pipeWriteWhole(uint64_t descriptor, const void* buffer, uint32_t size) {
  if (descriptor > INT_MAX) return false;
  const int fd = static_cast<int>(descriptor);
  // A closed reader raises SIGPIPE; it is held back on this thread and consumed, so the write
  // reports EPIPE instead of ending the process.
  sigset_t pipeSignal;
  sigset_t previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  sigset_t pendingBefore;
  sigpending(&pendingBefore);
  const bool wasPending = sigismember(&pendingBefore, SIGPIPE) == 1;
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  const auto* in = static_cast<const char*>(buffer);
  uint32_t done = 0;
  bool ok = true;
  while (done < size) {
    const ssize_t n = ::write(fd, in + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      if (errno == EPIPE && !wasPending) {
        const timespec none{0, 0};
        while (sigtimedwait(&pipeSignal, nullptr, &none) == -1 && errno == EINTR) {
        }
      }
      break;
    }
    done += static_cast<uint32_t>(n);
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return ok;
}

}  // namespace platform

#include "platform/kernel/Pipe.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

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

}  // namespace platform

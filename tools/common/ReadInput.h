#pragma once

// Shared by the command-line tools: reads a whole input file, or says in one line why it cannot.
// Streams are not used for this: a read error inside std::istreambuf_iterator (a directory, an
// I/O error) escapes as an exception from the stream buffer and ends the program.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace tools {

// Reads the regular file at `path` into `bytes` (std::string or a vector of bytes). On failure
// the result is false and `why` holds the reason ("No such file or directory", "Is a
// directory", "not a regular file", "Input/output error", ...).
template <class Bytes>
bool readWholeFile(const std::string& path, Bytes& bytes, std::string& why) {
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    why = std::strerror(errno);
    return false;
  }
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0;
  if (!ok) {
    why = std::strerror(errno);
  } else if (S_ISDIR(info.st_mode)) {
    why = std::strerror(EISDIR);
    ok = false;
  } else if (!S_ISREG(info.st_mode)) {
    why = "not a regular file";
    ok = false;
  }
  char buffer[65536];
  while (ok) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      bytes.insert(bytes.end(), buffer, buffer + n);
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      why = std::strerror(errno);
      ok = false;
    }
  }
  ::close(fd);
  if (!ok) bytes.clear();
  return ok;
}

// As readWholeFile; a failure is reported as "<tool>: cannot read <path>: <reason>" on standard
// error.
template <class Bytes>
bool readInputFile(const char* tool, const std::string& path, Bytes& bytes) {
  std::string why;
  if (readWholeFile(path, bytes, why)) return true;
  std::fprintf(stderr, "%s: cannot read %s: %s\n", tool, path.c_str(), why.c_str());
  return false;
}

}  // namespace tools

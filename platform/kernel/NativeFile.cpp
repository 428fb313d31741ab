#include "platform/kernel/NativeFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform {

namespace {

bool exists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

// The entry of directory whose name equals name without regard to ASCII case; the first in
// byte order when several do.
std::optional<std::string> matchInDirectory(const std::string& directory, const std::string& name) {
  DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
  if (dir == nullptr) return std::nullopt;
  std::optional<std::string> best;
  while (const dirent* entry = ::readdir(dir)) {
    if (::strcasecmp(entry->d_name, name.c_str()) != 0) continue;
    if (!best || entry->d_name < *best) best = entry->d_name;
  }
  ::closedir(dir);
  return best;
}

int openFlags(NativeFile::Access access, NativeFile::Creation creation) {
  int flags = O_CLOEXEC;
  switch (access) {
    case NativeFile::Access::Read: flags |= O_RDONLY; break;
    case NativeFile::Access::Write: flags |= O_WRONLY; break;
    case NativeFile::Access::ReadWrite: flags |= O_RDWR; break;
  }
  switch (creation) {
    case NativeFile::Creation::OpenExisting: break;
    case NativeFile::Creation::CreateNew: flags |= O_CREAT | O_EXCL; break;
    case NativeFile::Creation::OpenAlways: flags |= O_CREAT; break;
    case NativeFile::Creation::CreateAlways: flags |= O_CREAT | O_TRUNC; break;
  }
  return flags;
}

}  // namespace

NativeFile::NativeFile(NativeFile&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept {
  if (this != &other) {
    close();
    m_fd = std::exchange(other.m_fd, -1);
  }
  return *this;
}

NativeFile::~NativeFile() { close(); }

std::optional<std::string> NativeFile::findExisting(const std::string& path) {
  if (path.empty()) return std::nullopt;
  if (exists(path)) return path;
  std::string resolved = path[0] == '/' ? "/" : "";
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string component = path.substr(start, end - start);
    const bool last = end == path.size();
    if (!component.empty()) {
      const std::string exact = resolved + component;
      if (component == "." || component == ".." || exists(exact)) {
        resolved = exact;
      } else {
        const auto match = matchInDirectory(resolved, component);
        if (!match) return std::nullopt;
        resolved += *match;
      }
      if (!last) resolved += '/';
    }
    start = end + 1;
  }
  if (!exists(resolved)) return std::nullopt;
  return resolved;
}

bool NativeFile::isRegularFile(const std::string& path) {
  const auto found = findExisting(path);
  struct stat info;
  return found && ::stat(found->c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool NativeFile::open(const std::string& path, Access access, Creation creation) {
  if (isOpen()) return false;
  const int flags = openFlags(access, creation);
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0 && creation == Creation::OpenExisting && (errno == ENOENT || errno == ENOTDIR)) {
    const int error = errno;
    if (const auto found = findExisting(path)) {
      fd = ::open(found->c_str(), flags, 0666);
    } else {
      errno = error;
    }
  }
  if (fd < 0) return false;
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return false;
  }
  m_fd = fd;
  return true;
}

int64_t NativeFile::read(void* bytes, size_t n) {
  if (!isOpen()) return -1;
  size_t done = 0;
  while (done < n) {
    const ssize_t got = ::read(m_fd, static_cast<char*>(bytes) + done, n - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<int64_t>(done);
}

int64_t NativeFile::write(const void* bytes, size_t n) {
  if (!isOpen()) return -1;
  size_t done = 0;
  while (done < n) {
    const ssize_t put = ::write(m_fd, static_cast<const char*>(bytes) + done, n - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    done += static_cast<size_t>(put);
  }
  return static_cast<int64_t>(done);
}

int64_t NativeFile::seek(int64_t distance, Origin origin) {
  if (!isOpen()) return -1;
  int whence = SEEK_SET;
  if (origin == Origin::Current) whence = SEEK_CUR;
  if (origin == Origin::End) whence = SEEK_END;
  const off_t at = ::lseek(m_fd, static_cast<off_t>(distance), whence);
  return at < 0 ? -1 : static_cast<int64_t>(at);
}

int64_t NativeFile::size() const {
  struct stat info;
  if (!isOpen() || ::fstat(m_fd, &info) != 0) return -1;
  return static_cast<int64_t>(info.st_size);
}

bool NativeFile::truncate() {
  if (!isOpen()) return false;
  const off_t at = ::lseek(m_fd, 0, SEEK_CUR);
  return at >= 0 && ::ftruncate(m_fd, at) == 0;
}

bool NativeFile::flush() { return isOpen() && ::fsync(m_fd) == 0; }

bool NativeFile::close() {
  if (!isOpen()) return false;
  ::close(std::exchange(m_fd, -1));
  return true;
}

}  // namespace platform

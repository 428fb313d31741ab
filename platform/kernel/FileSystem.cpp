#include "platform/kernel/FileSystem.h"

#include <sys/stat.h>

namespace platform {

PathKind pathKind(const std::string& path) {
  struct stat status;
  if (path.empty() || stat(path.c_str(), &status) != 0) {
    return PathKind::Missing;
  }
  return S_ISDIR(status.st_mode) ? PathKind::Directory : PathKind::Other;
}

bool makeDirectory(const std::string& path) {
  if (!path.empty() && mkdir(path.c_str(), 0777) == 0) {
    return true;
  }
  return pathKind(path) == PathKind::Directory;
}

}  // namespace platform

#include "foundation/omb/file/ombDirectory.h"

#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/file/ombPath.h"
#include "foundation/omb/file/ombPathState.h"
#include "foundation/omb/ombResult.h"
#include "foundation/omb/text/ombChar.h"
#include "platform/kernel/FileSystem.h"
#include "platform/text/Utf8.h"

#include <string>

namespace {

// True when the path is a directory or could be made one. A regular file of that name is not.
bool ensureDirectory(std::u16string_view path) {
  const std::string bytes = platform::utf16ToUtf8(path);
  switch (platform::pathKind(bytes)) {
    case platform::PathKind::Directory:
      return true;
    case platform::PathKind::Other:
      return false;
    case platform::PathKind::Missing:
      return platform::makeDirectory(bytes);
  }
  return false;
}

}  // namespace

bool ombMakeDirectory(const char16_t* native, OmbMakeParents parents) {
  std::u16string_view path(native);
  if (parents == OmbMakeParents::No) {
    if (!path.empty() && ombPathIsSeparator(path.back())) {
      path.remove_suffix(1);
    }
    return ensureDirectory(path);
  }
  std::size_t i = 0;
  if (path.size() >= 2 && ombPathIsSeparator(path[0]) && ombPathIsSeparator(path[1])) {
    // "//server/share/" names no directory that could be made; skip it whole.
    i = 2;
    for (int part = 0; part < 2; ++part) {
      while (i < path.size() && !ombPathIsSeparator(path[i])) {
        ++i;
      }
      if (i >= path.size()) {
        return false;
      }
      ++i;
    }
  }
  for (; i < path.size(); ++i) {
    if (ombPathIsSeparator(path[i]) && i > 0 && !ombPathIsSeparator(path[i - 1]) &&
        !ensureDirectory(path.substr(0, i))) {
      return false;
    }
  }
  if (path.empty() || ombPathIsSeparator(path.back())) {
    return !path.empty();
  }
  return ensureDirectory(path);
}

int32_t ombFileMakeDirectory(const char16_t* path) {
  platform::RecursiveMutexHold hold(ombFileLock());
  const char16_t* resolved =
      ombPathBuildInto(ombPathWorkBuffer(0), [path](char16_t* text, uint32_t capacity) {
        return ombPathResolve(text, nullptr, capacity, path);
      });
  if (!resolved) {
    return OMB_ERR_NOT_WRITABLE;
  }
  const char16_t* native =
      ombPathBuildInto(ombPathWorkBuffer(1), [resolved](char16_t* text, uint32_t capacity) {
        return ombPathToNative(text, capacity, resolved);
      });
  return native && ombMakeDirectory(native, OmbMakeParents::Yes) ? OMB_OK : OMB_ERR_NOT_WRITABLE;
}

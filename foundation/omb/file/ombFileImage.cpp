#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileHandle.h"
#include "foundation/omb/file/ombFileModule.h"

#include <optional>
#include <string>

namespace {

// The extensions tried after the name itself.
const char16_t* const kImageExtensions[] = {u"png"};

}  // namespace

// No second "." when the path already ends with one.
std::optional<std::u16string> _ombFileNextImageName(const char16_t* path, std::size_t index) {
  std::u16string name(path);
  if (index == 0) {
    return name;
  }
  if (index > std::size(kImageExtensions)) {
    return std::nullopt;
  }
  if (name.empty() || name.back() != u'.') {
    name += u'.';
  }
  return name + kImageExtensions[index - 1];
}

int32_t ombFileIsImageExist(const char16_t* path) {
  platform::RecursiveMutexHold hold(ombFileLock());
  for (std::size_t i = 0; const auto name = _ombFileNextImageName(path, i); ++i) {
    if (ombFileIsExist(OMB_FILE_MODE_READ, name->c_str()) == OMB_OK) {
      return OMB_OK;
    }
  }
  return OMB_ERR_NOT_FOUND;
}

OMB_FILE* ombFileOpenImage(const char16_t* path, uint32_t mode) {
  for (std::size_t i = 0; const auto name = _ombFileNextImageName(path, i); ++i) {
    if (ombFileIsExist(mode, name->c_str()) == OMB_OK) {
      return ombFileOpen(mode, name->c_str(), 0);
    }
  }
  return nullptr;
}

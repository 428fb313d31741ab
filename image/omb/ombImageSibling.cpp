#include "image/omb/ombImageSibling.h"

#include "foundation/omb/file/ombPath.h"

std::u16string ombImagePathWithExtension(const OMB_FILE* file, const char16_t* extension) {
  if (file->name == nullptr) {
    return {};
  }
  const uint32_t length = ombPathChangeExtension(file->name, nullptr, 0, extension);
  std::u16string path(length, u'\0');
  ombPathChangeExtension(file->name, path.data(), length + 1, extension);
  return path;
}

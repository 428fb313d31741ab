#pragma once

#include "foundation/omb/file/ombFile.h"
#include "image/omb/ombImage.h"

#include <cstdint>

namespace sprite2 {

// An image file opened for loading, with its size and format read; the file is closed when the
// object goes. When the open or the format check fails, the failure is reported (with `tag`)
// and the object is empty.
class ImageFile {
 public:
  ImageFile(uint32_t mode, const char16_t* path, const char* tag);
  ~ImageFile();
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  explicit operator bool() const { return file_ != nullptr; }
  OMB_FILE* file() const { return file_; }
  OMB_IMAGE_INFO& info() { return info_; }

 private:
  OMB_FILE* file_ = nullptr;
  OMB_IMAGE_INFO info_{};
};

}  // namespace sprite2

#include "render/sprite2/Sprite2ImageFile.h"

#include "foundation/omb/ombLog.h"

namespace sprite2 {

ImageFile::ImageFile(uint32_t mode, const char16_t* path, const char* tag) {
  OMB_FILE* file = ombFileOpenImage(path, mode);
  if (file == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] \"%ls\"を開けません。", "File::create", path);
    return;
  }
  if (ombImageGetInfo(&info_, file) < 0) {
    ombFileClose(file);
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] 画像形式を認識できませんでした(%ls)", tag, path);
    return;
  }
  file_ = file;
}

ImageFile::~ImageFile() {
  ombFileClose(file_);
}

}  // namespace sprite2

#include "foundation/omb/ombLog.h"
#include "image/omb/ombImage.h"
#include "image/omb/ombImageSibling.h"

#include <bit>
#include <cstring>
#include <string>

namespace {

constexpr uint32_t kAibMagic = 0x41414942;  // "AAIB"

// Fields of the information file in order after the magic and the version. Each is stored as
// soon as it is read, so a file cut short leaves the fields before the cut in the record.
bool readFields(OMB_IMAGE_INFO* info, OMB_FILE* file) {
  uint32_t value = 0;
  if (ombFileReadU32(&value, file) != OMB_OK || value != kAibMagic) return false;
  if (ombFileReadU32(&value, file) != OMB_OK || value != 0) return false;
  if (ombFileReadU32(&value, file) != OMB_OK) return false;
  info->flags |= value & OMB_IMAGE_FLAG_FILE;
  for (int32_t& kept : info->values) {
    if (ombFileReadU32(&value, file) != OMB_OK) return false;
    kept = static_cast<int32_t>(value);
  }
  if (ombFileReadU32(&info->gammaMode, file) != OMB_OK) return false;
  if (ombFileReadU32(&value, file) != OMB_OK) return false;
  info->gamma = std::bit_cast<float>(value);
  return ombFileReadU32(&info->alphaMode, file) == OMB_OK;
}

}  // namespace

bool ombImageLoadAIB(OMB_IMAGE_INFO* info, OMB_FILE* file) {
  std::memset(info, 0, sizeof *info);
  info->flags = OMB_IMAGE_FLAG_DEFAULT;
  info->values[0] = -1;
  info->values[1] = -1;
  info->gammaMode = 1;
  info->gamma = 2.2f;
  info->alphaMode = OMB_IMAGE_ALPHA_KEEP;

  const std::u16string path = ombImagePathWithExtension(file, u"aib");
  if (path.empty() || ombFileIsExist(OMB_FILE_MODE_READ, path.c_str()) != OMB_OK) {
    return true;
  }
  const OmbImageFile aib(ombFileOpen(OMB_FILE_MODE_READ, path.c_str(), 0));
  if (!aib) {
    ombLogPrintf(OMB_LOG_INFORMATION, u"Information: [%s] can't open an info file \"%ls\"",
                 "ombImageLoadAIB", path.c_str());
    return false;
  }
  return readFields(info, aib.get());
}

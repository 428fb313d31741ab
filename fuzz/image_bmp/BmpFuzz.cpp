// Windows bitmap bytes through DimgLoadBmp: a picture or a refusal, never a read or a write
// outside the data and the image. The reader itself refuses sizes the file cannot hold.
#include "image/file/DimgLoad.h"

#include "../image_common/ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  imagefuzz::MemoryFile f(std::vector<uint8_t>(data, data + size));
  dbtl::DImage image;
  imagefuzz::Check(DimgLoadBmp(image, f.file), image, {0});
  return 0;
}

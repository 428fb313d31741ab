// A plug-in's bitmap hand-over through DimgSusieBitmapToImage: the first byte splits the input
// into the information block and the pixel block, as a plug-in of any quality may fill them.
#include "image/file/DimgSusieBitmap.h"

#include "../image_common/ImageFuzz.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t infoSize = std::min<size_t>(size - 1, size_t{data[0]} * 4);
  // Separate blocks, so the sanitizer sees a read past either one.
  std::vector<uint8_t> info(data + 1, data + 1 + infoSize);
  std::vector<uint8_t> pixels(data + 1 + infoSize, data + size);
  if (info.size() >= 12) {
    int32_t width;
    int32_t height;
    std::memcpy(&width, info.data() + 4, 4);
    std::memcpy(&height, info.data() + 8, 4);
    const int64_t rows = height < 0 ? -int64_t{height} : height;
    if (width > 0 && uint64_t(width) * uint64_t(rows) > imagefuzz::kMaxFuzzPixels) return 0;
  }
  dbtl::DImage image;
  imagefuzz::Check(DimgSusieBitmapToImage(info.data(), info.size(), pixels.data(), pixels.size(), image),
                   image, {3});
  return 0;
}

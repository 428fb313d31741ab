// JPEG data through DimgLoadJpeg. The first byte chooses between the input as a file and a
// small JPEG that libjpeg compresses from the input's parameters and pixels, then cut or
// changed at a chosen byte: the decoder then meets damage deep in real scan data.
#include "image/file/DimgLoad.h"
#include "testsupport/JpegFixture.h"

#include "../image_common/ImageFuzz.h"

namespace {

// True when some frame header in the data announces more than the fuzz limit.
bool TooLarge(const std::vector<uint8_t>& file) {
  for (size_t i = 0; i + 9 <= file.size(); ++i) {
    const uint8_t m = file[i + 1];
    if (file[i] != 0xFF || m < 0xC0 || m > 0xCF || m == 0xC4 || m == 0xC8 || m == 0xCC) continue;
    const uint64_t height = uint64_t(file[i + 5]) << 8 | file[i + 6];
    const uint64_t width = uint64_t(file[i + 7]) << 8 | file[i + 8];
    if (width * height > imagefuzz::kMaxFuzzPixels) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  std::vector<uint8_t> file;
  if ((data[0] & 1) == 0) {
    file.assign(data + 1, data + size);
  } else {
    filetest::JpegPicture p;
    p.width = 1 + data[1] % 32;
    p.height = 1 + data[2] % 32;
    p.quality = 1 + data[3] % 100;
    p.progressive = (data[0] & 2) != 0;
    p.grey = (data[0] & 4) != 0;
    p.samples = data + 8;
    p.sampleCount = size - 8;
    file = filetest::CompressJpeg(p);
    const size_t at = (size_t(data[5]) << 8 | data[6]) % file.size();
    switch (data[4] % 3) {
      case 1: file.resize(at); break;
      case 2: file[at] ^= data[7] != 0 ? data[7] : 1; break;
      default: break;
    }
  }
  if (TooLarge(file)) return 0;
  imagefuzz::MemoryFile f(std::move(file));
  dbtl::DImage image;
  imagefuzz::Check(DimgLoadJpeg(image, f.file), image, {1});
  return 0;
}

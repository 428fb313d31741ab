// The image module over a file made of the input. The first byte picks the pixel format, the
// pitch padding and whether a container magic and version 0 are put in front (random bytes
// seldom start with them); the rest is the file. A record that describes an image is loaded
// into a buffer of exactly the size the module asked for, so any write past it is caught.
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombFile.h"
#include "image/omb/ombImage.h"
#include "image/omb/ombImageFormat.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Larger pictures are sound but would spend the run's seconds on one buffer.
constexpr uint64_t kMaxBufferBytes = uint64_t{1} << 22;

const std::string& FilePath() {
  static const std::string path = [] {
    const char* base = std::getenv("TMPDIR");
    return std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/image-caib-fuzz." +
           std::to_string(::getpid());
  }();
  return path;
}

std::u16string Utf16(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

void Setup() {
  static const bool ready = [] {
    ombCoreInit();
    ombImageInit();
    std::atexit([] { std::remove(FilePath().c_str()); });
    return true;
  }();
  (void)ready;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  Setup();
  const uint8_t options = data[0];
  const uint32_t format = options % 11;
  const uint32_t padding = (options >> 4) & 3;
  {
    std::ofstream out(FilePath(), std::ios::binary | std::ios::trunc);
    if ((options & 0x80) != 0) out.write("CAIB\0\0\0\0", 8);
    out.write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));
  }
  const std::u16string path = Utf16(FilePath());
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_READ_DISK, path.c_str(), 0);
  if (file == nullptr) return 0;
  OMB_IMAGE_INFO info{};
  if (ombImageGetInfo(&info, file) == OMB_OK) {
    if (info.width == 0 || info.height == 0) __builtin_trap();
    const uint64_t rowBytes = ombImageFormatRowBytes(format, info.width) + padding;
    const uint64_t rows = ombImageFormatRows(format, info.height);
    if (rowBytes <= UINT32_MAX && rows <= UINT32_MAX && rowBytes * rows <= kMaxBufferBytes) {
      std::vector<uint8_t> buffer(rowBytes * rows);
      ombImageLoad(&info, file, uint32_t(rowBytes), format, buffer.data(), uint32_t(rows));
    }
  } else if (info.layers != nullptr) {
    __builtin_trap();
  }
  std::free(info.layers);
  ombFileClose(file);
  return 0;
}

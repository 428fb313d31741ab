#pragma once

// Shared pieces of the image reader fuzz targets: a file over the input bytes and the check
// that a reader gives an image or an error, never anything between.

#include "foundation/dbtl/DFile.h"
#include "image/DImage.h"
#include "testsupport/DMemorySource.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace imagefuzz {

// Pictures above this are skipped: a header may announce up to the readers' own limit, which
// is sound but would spend the run's seconds on one allocation and decode.
constexpr uint64_t kMaxFuzzPixels = uint64_t{1} << 20;

struct MemoryFile {
  explicit MemoryFile(std::vector<uint8_t> bytes) {
    source.Create(1);
    source->data = std::move(bytes);
    // DMemorySource copies with memcpy even when empty; a buffer keeps that defined.
    source->data.reserve(source->data.size() + 1);
    file.OpenOverride("fuzz.img", source);
  }
  dbtl::rcptr<DMemorySource> source;
  dbtl::DFile file;
};

// A loaded image has memory, a size and one of the kinds the reader makes, and every pixel
// byte of it can be read; a failed load leaves no memory behind.
inline void Check(bool loaded, const dbtl::DImage& image, std::initializer_list<uint32_t> kinds) {
  if (!loaded) {
    if (image.GetBuffer() != nullptr) __builtin_trap();
    return;
  }
  bool kindOk = false;
  for (uint32_t k : kinds) kindOk = kindOk || image.GetKind() == k;
  if (!kindOk || image.GetBuffer() == nullptr || image.GetWidth() == 0 || image.GetHeight() == 0) {
    __builtin_trap();
  }
  volatile uint32_t sum = 0;
  const size_t row = size_t(image.GetWidth()) * image.GetBytesPerPixel();
  for (uint32_t y = 0; y < image.GetHeight(); ++y) {
    const uint8_t* p = image.GetPixelAddress(0, y);
    for (size_t i = 0; i < row; ++i) sum = sum + p[i];
  }
}

}  // namespace imagefuzz

#include "image/omb/ombImagePng.h"

#include "foundation/omb/file/ombFileModule.h"
#include "image/file/DimgPngReader.h"
#include "image/omb/ombImageFormat.h"
#include "image/omb/ombImageGamma.h"

#include <png.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// Reads exactly n bytes at the view's position with the file lock held for this read only.
bool readLocked(OMB_FILE* file, void* destination, size_t n) noexcept {
  if (n > UINT32_MAX) {
    return false;
  }
  try {
    platform::RecursiveMutexHold hold(ombFileLock());
    uint32_t count = 0;
    return _ombFileRead(static_cast<uint32_t>(n), file, &count, destination) == OMB_OK && count == n;
  } catch (...) {
    return false;
  }
}

// libpng's read function. A failure is raised only after readLocked has returned: png_error
// leaves through a jump, which would skip the lock guard's release and leave the file layer
// locked against every other thread.
void readData(png_structp png, png_bytep data, size_t n) {
  if (!readLocked(static_cast<OMB_FILE*>(png_get_io_ptr(png)), data, n)) {
    png_error(png, "can't read data");
  }
}

// Checks the signature at the current position and hands a reader set up behind it to the work;
// the reader's structures go with it whatever the work returns.
template <class Work>
int32_t readPng(OMB_FILE* file, Work&& work) {
  uint8_t signature[sizeof kSignature];
  if (!readLocked(file, signature, sizeof signature) ||
      std::memcmp(signature, kSignature, sizeof kSignature) != 0) {
    return OMB_ERR_NOT_FOUND;
  }
  DimgPngReader reader(nullptr);
  if (!reader.IsValid()) {
    return OMB_ERR_NOT_FOUND;
  }
  png_set_read_fn(reader.Png(), file, &readData);
  png_set_sig_bytes(reader.Png(), sizeof kSignature);
  return work(reader);
}

struct PngShape {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int interlace = PNG_INTERLACE_NONE;
  size_t rowBytes = 0;
};

bool readHeader(DimgPngReader& reader, PngShape& shape) {
  return reader.Step([&](png_structp png, png_infop info) {
    png_read_info(png, info);
    shape.width = png_get_image_width(png, info);
    shape.height = png_get_image_height(png, info);
    shape.interlace = png_get_interlace_type(png, info);
  });
}

// Every colour type and depth arrives as 8-bit R, G, B, A, the alpha as stored (255 where the
// file has none).
void expandToRgba(png_structp png, png_infop info, PngShape& shape) {
  // Pictures without alpha (no alpha channel, no tRNS chunk) get 255 after the colour.
  if (!DimgPngExpandTo8Bit(png, info)) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(png, info);
  shape.rowBytes = png_get_rowbytes(png, info);
}

struct RowTarget {
  uint8_t* buffer;
  uint32_t pitch;
  uint32_t format;
  const OmbImageGammaTable* gamma;  // null: no gamma pass
  const uint32_t* alphaMode;        // null: alpha kept
};

// Format 0 decodes straight into the buffer; the others through one work row that is packed.
// Plain values only: libpng may leave this frame with a jump.
void readRows(png_structp png, const PngShape& shape, const RowTarget& target, uint8_t* work) {
  for (png_uint_32 y = 0; y < shape.height; ++y) {
    uint8_t* row = target.buffer + size_t{y} * target.pitch;
    uint8_t* pixels = target.format == OMB_IMAGE_FORMAT_RGBA8 ? row : work;
    png_read_row(png, pixels, nullptr);
    if (target.alphaMode != nullptr) {
      for (png_uint_32 x = 0; x < shape.width; ++x) {
        pixels[x * 4 + 3] = ombImageAlphaByMode(*target.alphaMode, pixels[x * 4 + 3]);
      }
    }
    if (target.gamma != nullptr) {
      ombImageApplyGamma(*target.gamma, pixels, shape.width);
    }
    if (pixels != row) {
      ombImagePackRow(row, target.format, pixels, shape.width);
    }
  }
}

void finishSize(OMB_IMAGE_INFO* info) {
  const uint32_t width = info->width;
  const uint32_t height = info->height;
  info->flags |= OMB_IMAGE_FLAG_WIDTH_POW2 | OMB_IMAGE_FLAG_HEIGHT_POW2;
  if ((width & (width - 1)) != 0) info->flags &= ~OMB_IMAGE_FLAG_WIDTH_POW2;
  if ((height & (height - 1)) != 0) info->flags &= ~OMB_IMAGE_FLAG_HEIGHT_POW2;
  if (width == height) info->flags |= OMB_IMAGE_FLAG_SQUARE;
}

// Gamma modes: 1 (the default) and 0 mean the stored values; 2 a gamma of 1.0; 3 the gamma
// given. The known modes all end as mode 3, since a load reads only the gamma (2.2 being the
// stored values); an unknown mode is carried with the file's gamma.
void finishGamma(OMB_IMAGE_INFO* info) {
  if (info->gammaMode == 1) {
    info->gammaMode = 0;
  } else if (info->gammaMode == 2) {
    info->gammaMode = 3;
    info->gamma = 1.0f;
  } else if (info->gammaMode == 3 &&
             (std::fabs(info->gamma) <= 0.0001f || std::fabs(info->gamma - 2.2f) <= 0.0001f)) {
    info->gammaMode = 0;
  }
  if (info->gammaMode == 0) {
    info->gammaMode = 3;
    info->gamma = 2.2f;
  }
}

}  // namespace

int32_t ombImagePngGetInfo(OMB_IMAGE_INFO* info, OMB_FILE* file) {
  PngShape shape;
  const int32_t read = readPng(file, [&](DimgPngReader& reader) {
    return readHeader(reader, shape) ? OMB_OK : OMB_ERR_NOT_FOUND;
  });
  if (read != OMB_OK) {
    return read;
  }
  if (shape.width == 0 || shape.height == 0 || !ombImageLoadAIB(info, file)) {
    return OMB_ERR_NOT_FOUND;
  }
  info->width = shape.width;
  info->height = shape.height;
  finishSize(info);
  finishGamma(info);
  return OMB_OK;
}

int32_t ombImagePngLoad(uint8_t* buffer, uint32_t format, uint32_t pitch, uint32_t rows,
                        OMB_IMAGE_INFO* info, OMB_FILE* file, uint32_t loadFlags) {
  if (format > OMB_IMAGE_FORMAT_RGB565) {
    return OMB_ERR_NOT_FOUND;
  }
  return readPng(file, [&](DimgPngReader& reader) -> int32_t {
    PngShape shape;
    if (!readHeader(reader, shape) || shape.interlace != PNG_INTERLACE_NONE) {
      return OMB_ERR_NOT_FOUND;
    }
    if (!reader.Step([&](png_structp png, png_infop pngInfo) { expandToRgba(png, pngInfo, shape); })) {
      return OMB_ERR_NOT_FOUND;
    }
    OmbImageGammaTable gamma;
    const bool useGamma =
        (loadFlags & OMB_IMAGE_LOAD_GAMMA) != 0 && ombImageMakeGammaTable(info->gamma, &gamma);
    if (shape.height > rows) {
      return OMB_ERR_CREATE;
    }
    // The expansion makes 4 bytes a pixel; a row of any other size is not trusted.
    if (shape.rowBytes != size_t{shape.width} * 4) {
      return OMB_ERR_NOT_FOUND;
    }
    if (pitch < ombImageFormatRowBytes(format, shape.width)) {
      return OMB_ERR_CREATE;
    }
    // The alpha mode never touches format 0, whose rows are the decoded bytes themselves.
    const bool useAlpha = (loadFlags & OMB_IMAGE_LOAD_ALPHA) != 0 && format != OMB_IMAGE_FORMAT_RGBA8;
    const RowTarget target{buffer, pitch, format, useGamma ? &gamma : nullptr,
                           useAlpha ? &info->alphaMode : nullptr};
    std::vector<uint8_t> work(format == OMB_IMAGE_FORMAT_RGBA8 ? 0 : shape.rowBytes);
    const bool done = reader.Step([&](png_structp png, png_infop pngInfo) {
      readRows(png, shape, target, work.data());
      png_read_end(png, pngInfo);
    });
    return done ? OMB_OK : OMB_ERR_NOT_FOUND;
  });
}

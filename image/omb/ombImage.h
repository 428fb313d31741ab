#pragma once

#include "foundation/omb/file/ombFile.h"

#include <cstdint>

// The framework's image module: describes an image file that is open through the framework file
// layer and decodes it into a caller's buffer in one of the framework's pixel formats. Two
// sources: "CAIB" containers (an embedded PNG and optional block-compressed copies, read without
// hooks) and images read through the module's hooks (a PNG reader), which may come with an
// information file ("aib") and per-channel layer images ("_r", "_g", "_b", "_a").
//
// Results follow ombResult.h: 1, OMB_ERR_NOT_FOUND for anything that is not an
// image the module reads, OMB_ERR_CREATE for a buffer that is too small.

// Pixel formats (argument `format`); the geometry of each is in ombImageFormat.h.
inline constexpr uint32_t OMB_IMAGE_FORMAT_RGBA8 = 0;     // bytes R, G, B, A
inline constexpr uint32_t OMB_IMAGE_FORMAT_BGRA8 = 1;     // bytes B, G, R, A
inline constexpr uint32_t OMB_IMAGE_FORMAT_ARGB4444 = 2;  // 16-bit little-endian words
inline constexpr uint32_t OMB_IMAGE_FORMAT_ARGB1555 = 3;
inline constexpr uint32_t OMB_IMAGE_FORMAT_RGB565 = 4;
inline constexpr uint32_t OMB_IMAGE_FORMAT_DXT1 = 5;      // 4 × 4 blocks of 8 bytes
inline constexpr uint32_t OMB_IMAGE_FORMAT_DXT2 = 6;      // 6 to 9: 4 × 4 blocks of 16 bytes
inline constexpr uint32_t OMB_IMAGE_FORMAT_DXT3 = 7;
inline constexpr uint32_t OMB_IMAGE_FORMAT_DXT4 = 8;
inline constexpr uint32_t OMB_IMAGE_FORMAT_DXT5 = 9;

// Information flags.
inline constexpr uint32_t OMB_IMAGE_FLAG_DEFAULT = 0x1;       // set for every hook-read image
inline constexpr uint32_t OMB_IMAGE_FLAG_WIDTH_POW2 = 0x2;    // bits 1 to 3: hook-read images only
inline constexpr uint32_t OMB_IMAGE_FLAG_HEIGHT_POW2 = 0x4;
inline constexpr uint32_t OMB_IMAGE_FLAG_SQUARE = 0x8;
inline constexpr uint32_t OMB_IMAGE_FLAG_FILE = 0x10000;      // from the container or the "aib"
inline constexpr uint32_t OMB_IMAGE_FLAG_LAYER_DXT1 = 0x20000;  // container layers of formats
inline constexpr uint32_t OMB_IMAGE_FLAG_LAYER_DXT5 = 0x200000;  // 5 (bit 17) to 9 (bit 21)

// Sources.
inline constexpr uint32_t OMB_IMAGE_SOURCE_HOOK = 0;
inline constexpr uint32_t OMB_IMAGE_SOURCE_CONTAINER = 1;

// Load flags of a loader hook.
inline constexpr uint32_t OMB_IMAGE_LOAD_GAMMA = 1;  // R, G and B through the gamma table
inline constexpr uint32_t OMB_IMAGE_LOAD_ALPHA = 2;  // the alpha mode on the alpha channel

// Alpha modes; every other value keeps the alpha.
inline constexpr uint32_t OMB_IMAGE_ALPHA_OPAQUE = 0;  // alpha forced to 255
inline constexpr uint32_t OMB_IMAGE_ALPHA_BINARY = 1;  // 0 or 255 by the alpha's top bit
inline constexpr uint32_t OMB_IMAGE_ALPHA_KEEP = 3;

// One layer of a container: the embedded PNG (format 0) or a compressed copy (formats 5 to 9),
// and the file offsets of its levels (the first one is the full size).
struct OMB_IMAGE_LAYER {
  uint32_t format;
  uint32_t offsetCount;  // levels + 1
  uint64_t* offsets;
};

// The layer table of a container record: one heap block holding this header, the layers and
// their offsets, released by the record's owner with free().
struct OMB_IMAGE_LAYER_TABLE {
  uint32_t count;
  OMB_IMAGE_LAYER* layers;
};

struct OMB_IMAGE_INFO {
  uint32_t width;
  uint32_t height;
  uint32_t flags;
  uint32_t levels;     // containers only
  int32_t values[2];   // carried as the file gives them (-1 without an information file)
  uint32_t gammaMode;
  float gamma;
  uint32_t alphaMode;
  uint32_t source;
  OMB_IMAGE_LAYER_TABLE* layers;  // containers only; owned by whoever holds the record
};

// Hooks of images that are not containers.
using OMB_IMAGE_INFO_HOOK = int32_t (*)(OMB_IMAGE_INFO* info, OMB_FILE* file);
using OMB_IMAGE_LOADER = int32_t (*)(uint8_t* buffer, uint32_t format, uint32_t pitch,
                                     uint32_t rows, OMB_IMAGE_INFO* info, OMB_FILE* file,
                                     uint32_t loadFlags);

// Installs the PNG reader as the information hook and loader 0 and registers ombImageUninit with
// atexit; only the first call after start (or after ombImageUninit) does anything. Returns 0.
int32_t ombImageInit();
// Clears the initialised flag; the hooks stay installed.
void ombImageUninit();

// Clears the record and fills it from the file (read from its start): 1 or OMB_ERR_NOT_FOUND.
int32_t ombImageGetInfo(OMB_IMAGE_INFO* info, OMB_FILE* file);
// Decodes the image that the record describes into `buffer` (`rows` rows of `pitch` bytes):
// 1, OMB_ERR_CREATE when the buffer is too small for the format, OMB_ERR_NOT_FOUND otherwise.
int32_t ombImageLoad(OMB_IMAGE_INFO* info, OMB_FILE* file, uint32_t pitch, uint32_t format,
                     uint8_t* buffer, uint32_t rows);
// Clears the record, sets the defaults and reads the image's information file (its path with
// the extension "aib") when one exists. False when it exists but cannot be opened or is
// malformed.
bool ombImageLoadAIB(OMB_IMAGE_INFO* info, OMB_FILE* file);
// The hook-read image with its layer images.
int32_t _ombImageRawLoadData(uint32_t rows, uint8_t* buffer, uint32_t format, uint32_t pitch,
                             OMB_IMAGE_INFO* info, OMB_FILE* file);

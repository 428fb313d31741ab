#pragma once

#include "image/omb/ombImage.h"

#include <cstdint>

// The module's PNG hooks. Both read from the file's current position through libpng: the
// 8-byte signature first, then libpng's reads, each under the framework file lock and each
// releasing it before libpng hears of a failure. Any libpng error or warning ends the read with
// OMB_ERR_NOT_FOUND.

// The information hook: the PNG header's size, the information file ("aib") and the flags and
// gamma derived from them.
int32_t ombImagePngGetInfo(OMB_IMAGE_INFO* info, OMB_FILE* file);

// Loader 0: formats 0 to 4 from a non-interlaced PNG of any colour type, every pixel brought to
// 8-bit R, G, B, A first. Load flag OMB_IMAGE_LOAD_GAMMA runs R, G and B through the record's
// gamma table; OMB_IMAGE_LOAD_ALPHA applies the record's alpha mode (formats 1 to 4 only).
int32_t ombImagePngLoad(uint8_t* buffer, uint32_t format, uint32_t pitch, uint32_t rows,
                        OMB_IMAGE_INFO* info, OMB_FILE* file, uint32_t loadFlags);

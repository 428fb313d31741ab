#pragma once

#include "image/DImage.h"

#include <cstddef>
#include <cstdint>

// Turns the bitmap a Susie plug-in hands over (a Windows bitmap information block: the 40-byte
// header or a longer one, bit masks, colour table; and the pixel rows) into a kind-3 image
// (bytes B, G, R, rows top-down, pitch width × 3 rounded up to 4).
//
// Read are 1, 4 and 8 bits with a colour table, 16 and 32 bits plain (5-5-5 and B, G, R, X) or
// with bit fields, and 24 bits, rows bottom-up for a positive height and top-down for a
// negative one; compressed bitmaps are refused. The pixel rows are taken as the plug-in's
// block holds them: rows beyond its size read as black. A colour index past the table reads
// black. A colour field narrower than 8 bits is widened by repeating its bits, so its largest
// value becomes 255.
//
// False for a block too short for what its header announces, an unknown layout, or a picture
// larger than DimgMaxPixels; the image is then left as it was.
bool DimgSusieBitmapToImage(const uint8_t* info, size_t infoSize, const uint8_t* pixels,
                            size_t pixelSize, dbtl::DImage& image);

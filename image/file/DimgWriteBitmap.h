#pragma once

#include "foundation/dbtl/DFile.h"
#include "image/DImage.h"

// Writes the image as a 24-bit bottom-up Windows bitmap from offset 0 of the file (any kind of
// image, converted through DimgBlit). True when written. A failed write leaves what was
// written in the file; it throws dbtl::DExceptFile when the file was in throw mode, and
// otherwise logs "[DimgWriteBitmap] \"<path>\": Write Error" and returns false. The file's
// throw mode is as before afterwards.
bool DimgWriteBitmap(dbtl::DFile& file, const dbtl::DImage& image);

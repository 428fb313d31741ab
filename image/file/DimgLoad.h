#pragma once

#include "foundation/dbtl/DFile.h"
#include "image/DImage.h"

// Image file readers. Each reads from offset 0 of the file (a disk file or a window onto a pack
// entry) into an empty image and returns true with the picture in it, or false with the image
// left without a buffer. A reader that does not recognise its format says nothing.

// Tries the BMP, PNG, JPEG and Susie plug-in readers in this order and stops at the first that
// succeeds. When none does, logs "[DimgLoad] \"<path>\": Load Error" and returns false.
bool DimgLoad(dbtl::DFile& file, dbtl::DImage& image);

// Windows bitmaps of 8, 24 or 32 bits without compression (or with bit fields, taken as bytes
// B, G, R, A): kind 0, the alpha of a 32-bit file as stored, 255 otherwise.
bool DimgLoadBmp(dbtl::DImage& image, dbtl::DFile& file);

// PNG, plain or behind one of the two private 8-byte headers: kind 0 with the alpha inverted
// (255 minus the file's alpha) when the file has alpha or transparency, else kind 1.
bool DimgLoadPng(dbtl::DFile& file, dbtl::DImage& image);

// JPEG (baseline or progressive, converted to R, G, B): kind 1.
bool DimgLoadJpeg(dbtl::DImage& image, dbtl::DFile& file);

// Through the Susie plug-ins loaded at start-up (DimgSusie.h): kind 3.
bool DimgLoadSusie(dbtl::DImage& image, dbtl::DFile& file);

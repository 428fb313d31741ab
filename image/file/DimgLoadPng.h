#pragma once

#include <png.h>

// The callbacks that the PNG reader hands to libpng; the I/O pointer is the dbtl::DFile.

// Error and warning report: logs "[Error] <message>"; the reader then ends the load.
void DimgPngError(png_structp png, png_const_charp message);
// Reads n bytes; fewer raise the libpng error "can't read data".
void DimgPngRead(png_structp png, png_bytep buffer, size_t n);
// As DimgPngRead, then undoes the position scrambling: the byte read from window offset k is
// exclusive-or'ed with the low 8 bits of k.
void DimgPngReadScrambled(png_structp png, png_bytep buffer, size_t n);

#pragma once

#include "foundation/dbtl/DFile.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

// Small file and log helpers shared by the image readers and the writer.

// Reads exactly n bytes at the file's position. False on a short read or a failure; an
// exception of a file in throw mode is caught and also gives false, so the callbacks that
// libpng and libjpeg call never let one pass through the library's C frames.
bool DimgReadExact(dbtl::DFile& file, void* bytes, size_t n) noexcept;

// Reads up to n bytes; 0 at the end, on a failure or on an exception.
size_t DimgReadSome(dbtl::DFile& file, void* bytes, size_t n) noexcept;

// The file's position, or -1 on a failure or an exception.
int64_t DimgTell(dbtl::DFile& file) noexcept;

// Writes each piece to the debug log in turn, the way the image functions report.
void DimgDebugPrint(std::initializer_list<const char*> pieces);

#include "image/file/DimgFileIo.h"

#include "foundation/dbtl/DDebug.h"

bool DimgReadExact(dbtl::DFile& file, void* bytes, size_t n) noexcept {
  if (n == 0) return true;
  try {
    return file.Read(bytes, n) == static_cast<int64_t>(n);
  } catch (...) {
    return false;
  }
}

size_t DimgReadSome(dbtl::DFile& file, void* bytes, size_t n) noexcept {
  try {
    const int64_t got = file.Read(bytes, n);
    return got > 0 ? static_cast<size_t>(got) : 0;
  } catch (...) {
    return 0;
  }
}

int64_t DimgTell(dbtl::DFile& file) noexcept {
  try {
    return file.Tell();
  } catch (...) {
    return -1;
  }
}

void DimgDebugPrint(std::initializer_list<const char*> pieces) {
  for (const char* piece : pieces) dbtl::DDebug::Print(piece);
}

#pragma once

#include "foundation/dbtl/DFile.h"

#include <string>

// Everything a file reads from its position to the end of its window.
inline std::string ReadAll(dbtl::DFile& file) {
  std::string out;
  char buffer[64];
  for (int64_t n; (n = file.Read(buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
  return out;
}

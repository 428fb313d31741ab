#include "foundation/dbtl/Dpath.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lfm/lfmPack.h"

void lerrFatalPackFile(const char* name, const char* format, int32_t pack) {
  char fullName[dbtl::DPATH_BUFFER_SIZE];
  lerrFatal(format, lfmGetPackFileName(pack, fullName, name));
}

void lerrLogPackFile(const char* name, int32_t level, const char* format, int32_t pack) {
  char fullName[dbtl::DPATH_BUFFER_SIZE];
  lerrLog(level, format, lfmGetPackFileName(pack, fullName, name));
}

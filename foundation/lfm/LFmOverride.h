#pragma once

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/DObject.h"

#include <cstdint>

// Takes over every existence test and every open of the pack registry once installed with
// lfmRegistOverride (the host reads all packs through the framework's file layer this way).
class LFmOverride : public dbtl::DObject {
 public:
  virtual bool IsDataExist(const char* name) = 0;
  // Opens the name into file with the dbtl::DFile::Open flags. The override reports its own
  // failures (as fatal errors); the registry does not check the file afterwards.
  virtual void OpenData(dbtl::DFile& file, const char* name, uint32_t flags) = 0;
};

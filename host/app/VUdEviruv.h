#pragma once

#include "foundation/lfm/LFmOverride.h"

#include <cstdint>
#include <string>

// The pack override the host installs: every existence test and open of the pack registry goes
// through the framework's file layer, so pack files are found in the registered archives first
// and on the disk second.
class VUdEviruv : public LFmOverride {
 public:
  bool IsDataExist(const char* name) override;
  // Read opens (flag bit 0) read archives first; other opens write an existing disk file, or
  // create one when both creation bits (4 and 8) are set. Either creation bit alone is not
  // supported (fatal), nor is a file that cannot be opened.
  void OpenData(dbtl::DFile& file, const char* name, uint32_t flags) override;
};

// A code page 932 pack name as a framework path: at most 264 units, backslashes as slashes; a
// byte that is no character of the code page becomes '?'.
std::u16string packNameToPath(const char* name);

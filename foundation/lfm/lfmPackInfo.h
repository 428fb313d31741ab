#pragma once

#include "foundation/dbtl/DMFile.h"
#include "foundation/dbtl/DString.h"
#include "foundation/dbtl/rcptr.h"

// One registered pack: the unnamed pack (empty name, the executable's directory itself), a
// directory beside the executable, or a "DMF " container file ("<name>.dmf").
struct _PACKINFO {
  dbtl::DString name;
  // Null unless the pack is a container file.
  dbtl::rcptr<dbtl::DMFile> container;
};

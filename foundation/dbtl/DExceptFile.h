#pragma once

#include "foundation/dbtl/DExcept.h"

namespace dbtl {

// What a DFile in throw mode throws (by value) for any failing operation. The message is
// always "DExceptFile".
class DExceptFile : public DExcept {
 public:
  DExceptFile() : DExcept("DExceptFile") {}
};

}  // namespace dbtl

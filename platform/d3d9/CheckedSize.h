#pragma once

// Size arithmetic for resource dimensions that come from callers: every product and sum that
// sizes an allocation is checked, so an overflow is a refused call, not a short buffer.

#include "platform/CheckedMath.h"

#include <cstddef>

namespace d3d9 {

using platform::checkedAdd;
using platform::checkedMul;

// The largest single resource the stand-in allocates; larger requests answer out of memory.
constexpr size_t kMaxResourceBytes = size_t(512) << 20;

}  // namespace d3d9

#pragma once

#include "foundation/dbtl/DBuffer.h"

#include <cstdint>

// The two scratch buffers of the rendering library's radix sort (keys and indexes). They are
// process globals owned by the error module so that lerrTerm frees them with the rest of the
// game library's state at shut-down. which is 0 or 1 (any other value gives buffer 1).
dbtl::DBuffer<uint32_t, 256>& lerrRadixScratch(unsigned which);

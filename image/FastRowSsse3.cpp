// The conversion rows with SSSE3's byte shuffle for the 3-byte kinds 1 and 3 and kind 7; every
// other kind uses the SSE2 blocks, inlined into these rows.

#include "image/FastRow.h"

#include <cstdint>

#define DIMG_ROW_TARGET __attribute__((target("ssse3")))
#include "image/RowBlocks.h"
#include "image/ShuffleBlocks.h"

namespace {

constexpr DimgRowRoutineTable kSsse3Routines =
    DimgMakeRowRoutines<ShuffleBlocks<dimg_detail::YccMath4>>();

}  // namespace

const DimgRowRoutineTable& DimgSsse3RowRoutines() { return kSsse3Routines; }

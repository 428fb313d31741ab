#pragma once

#include "foundation/dbtl/DBuffer.h"
#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/DSection.h"
#include "foundation/dbtl/rcptr.h"
#include "foundation/lfm/LFmOverride.h"
#include "foundation/lfm/lfmPackInfo.h"

#include <cstdint>

// The global state of the pack registry and the error module. Only lfm and lerr use it
// directly; everyone else goes through their functions. See StartupObjects.cpp for why these
// objects are defined together.
namespace startup {

extern dbtl::DBuffer<_PACKINFO, 32> g_lfmPacks;
extern uint32_t g_lfmPackCount;
extern dbtl::rcptr<LFmOverride> g_lfmOverride;

extern dbtl::DSection g_lerrLock;
extern dbtl::DList<char> g_lerrQueue;
extern dbtl::DBuffer<uint32_t, 256> g_lerrRadixScratch[2];

}  // namespace startup

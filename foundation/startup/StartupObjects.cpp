#include "foundation/startup/StartupObjects.h"

#include "foundation/dbtl/DDebug.h"
#include "foundation/dbtl/DRefCount.h"

// The game and base libraries' global objects live in this one translation unit, so that the
// order in which they are constructed (and, reversed, destroyed at exit) is the order written
// here and not whatever order the linker puts translation units in.
//
// The full order of the process's global objects:
//  1-3. the host's log-route data sink and file, the script language's statics;
//  4-5. the count-block pool and the debug log, made here first of all by asking for them (see
//       below); both are never destroyed, so an exit routine that releases a pointer or prints
//       a line still finds them alive;
//  6.   the image plug-in list;
//  7-12. the objects defined below;
//  13.  the renderer's adapter list.
// 1 to 3, 6 and 13 belong to libraries that foundation may not use and are defined there.
//
// Exit routines run in reverse: the radix-sort scratch buffers, the error queue and lock, the
// override (its last reference is dropped here when nobody called lfmTerm) and the pack table
// with its containers. lfmTerm and lerrTerm have normally emptied them before.

namespace {

// Makes the pool (4) and the debug log (5) exist before any object below can use them.
struct EarlyObjects {
  EarlyObjects() {
    dbtl::DRefCountAllocator::Instance();
    dbtl::DDebug::Global();
  }
};

EarlyObjects g_earlyObjects;

}  // namespace

namespace startup {

uint32_t g_lfmPackCount = 0;

dbtl::DBuffer<_PACKINFO, 32> g_lfmPacks;                  // 7
dbtl::rcptr<LFmOverride> g_lfmOverride;                   // 8
dbtl::DSection g_lerrLock;                                // 9
dbtl::DList<char> g_lerrQueue;                            // 10
dbtl::DBuffer<uint32_t, 256> g_lerrRadixScratch[2];       // 11, 12

}  // namespace startup

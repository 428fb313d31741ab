#include "foundation/lerr/lerrRadixScratch.h"

#include "foundation/startup/StartupObjects.h"

dbtl::DBuffer<uint32_t, 256>& lerrRadixScratch(unsigned which) {
  return startup::g_lerrRadixScratch[which == 0 ? 0 : 1];
}

#include "model/L3DModelTypes.h"

#include "foundation/dbtl/Dstr.h"

bool l3dNameEquals(const char* a, uint32_t aLength, const char* b, uint32_t bLength) {
  if (aLength != bLength) return false;
  if (aLength == 0) return true;
  return dbtl::DstrCompareNoCaseN(a, b, aLength) == 0;
}

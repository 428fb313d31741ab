#include "foundation/dbtl/DThrowBadAlloc.h"

namespace dbtl {

const char* DBadAlloc::what() const noexcept { return "bad allocation"; }

void DThrowBadAlloc() { throw DBadAlloc(); }

}  // namespace dbtl

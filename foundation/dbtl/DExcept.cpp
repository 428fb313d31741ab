#include "foundation/dbtl/DExcept.h"

#include "foundation/dbtl/Dstr.h"

namespace dbtl {

DExcept::DExcept(const char* text) { DstrCopyN(m_message, text, kMessageSize); }

}  // namespace dbtl

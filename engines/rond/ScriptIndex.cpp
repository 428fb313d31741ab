#include "engines/rond/ScriptIndex.h"

#include "script/ScriptError.h"

namespace rond {

bool checkScriptIndex(int32_t index, int32_t count, const char16_t* what) {
  if (index >= 0 && index < count) return true;
  scriptError(u"[%ls] Script Error: %ls index out of range(%d)", what, index);
  return false;
}

}  // namespace rond

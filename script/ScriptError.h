#pragma once

#include "foundation/omb/ombLog.h"

// Every error of the binding layer is a level-0 message whose format begins "[%ls] Script
// Error: " and whose first argument is the script system's name. The system has no name, so
// every such text starts with an empty pair of square brackets. Level 0 ends the game through
// the host's error hook; when a hook returns (tests), the caller goes on with its fallback.
inline constexpr char16_t kScriptSystemName[] = u"";

template <class... Args>
void scriptError(const char16_t* format, Args... args) {
  ombLogPrintf(OMB_LOG_ERROR, format, kScriptSystemName, args...);
}

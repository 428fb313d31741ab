#include "script/ScriptHooks.h"

#include "foundation/omb/ombLog.h"
#include "foundation/omb/text/ombFormat.h"
#include "script/ScriptError.h"

#include <cstdarg>
#include <cstdint>

namespace {

constexpr uint32_t kPrintCapacity = OMB_LOG_MAX_TEXT + 1;
// Locals are listed for the innermost frames only; the call stack itself has no limit.
constexpr SQUnsignedInteger kLocalLevels = 10;

// Builds the print format: "[", the system's name, "] ", then the given format.
void widenFormat(const SQChar* format, char16_t* out) {
  uint32_t n = 0;
  auto put = [&](char16_t unit) {
    if (n < kPrintCapacity - 2) {
      out[n++] = unit;
    }
  };
  put(u'[');
  for (const char16_t* name = kScriptSystemName; *name; ++name) {
    put(*name);
  }
  put(u']');
  put(u' ');
  bool conversion = false;
  for (const SQChar* p = format; *p && n < kPrintCapacity - 2; ++p) {
    if (*p == u'%') {
      conversion = !conversion;
    } else if (conversion) {
      conversion = false;
      if (*p == u's') {
        put(u'l');
      }
    }
    put(*p);
  }
  out[n] = 0;
}

void logLocal(HSQUIRRELVM vm, const SQChar* name) {
  switch (sq_gettype(vm, -1)) {
    case OT_NULL: ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] NULL", name); break;
    case OT_USERPOINTER: ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] USERPOINTER", name); break;
    case OT_BOOL: {
      SQBool value = SQFalse;
      sq_getbool(vm, -1, &value);
      ombLogPrintf(OMB_LOG_DEBUG, value ? u"[%ls] \"true\"" : u"[%ls] \"false\"", name);
      break;
    }
    case OT_INTEGER: {
      SQInteger value = 0;
      sq_getinteger(vm, -1, &value);
      ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] %d", name, value);
      break;
    }
    case OT_FLOAT: {
      SQFloat value = 0.0f;
      sq_getfloat(vm, -1, &value);
      ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] %.14g", name, static_cast<double>(value));
      break;
    }
    case OT_STRING: {
      const SQChar* text = u"";
      sq_getstring(vm, -1, &text);
      ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] \"%ls\"", name, text);
      break;
    }
    case OT_TABLE: ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] TABLE", name); break;
    case OT_ARRAY: ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] ARRAY", name); break;
    case OT_CLOSURE: ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] CLOSURE", name); break;
    case OT_NATIVECLOSURE: ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] NATIVECLOSURE", name); break;
    case OT_GENERATOR: ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] GENERATOR", name); break;
    case OT_THREAD: ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] THREAD", name); break;
    case OT_CLASS: ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] CLASS", name); break;
    case OT_WEAKREF: ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] WEAKREF", name); break;
    case OT_USERDATA: ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] USERDATA", name); break;
    case OT_INSTANCE: ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] INSTANCE", name); break;
    default: ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] UNKNOWN", name); break;
  }
}

}  // namespace

void scriptPrintHandler(HSQUIRRELVM, const SQChar* format, ...) {
  char16_t widened[kPrintCapacity];
  widenFormat(format, widened);
  char16_t text[kPrintCapacity];
  va_list args;
  va_start(args, format);
  ombStrVPrintf(text, kPrintCapacity, widened, args);
  va_end(args);
  ombLogPuts(OMB_LOG_DEBUG, text);
}

void scriptCompileErrorHandler(HSQUIRRELVM, const SQChar* description, const SQChar* source,
                               SQInteger line, SQInteger column) {
  ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] Script Compile Error[%ls:%d:%d] %ls", kScriptSystemName,
               source, line, column, description);
}

SQInteger scriptRuntimeErrorHandler(HSQUIRRELVM vm) {
  if (sq_gettop(vm) < 1) {
    return 0;
  }
  // The type is tested first: reading a non-string would replace the error being handled.
  const SQChar* error = nullptr;
  if (sq_gettype(vm, 2) == OT_STRING && SQ_SUCCEEDED(sq_getstring(vm, 2, &error))) {
    ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] Script Runtime Error: %ls", kScriptSystemName, error);
  } else {
    ombLogPrintf(OMB_LOG_DEBUG, u"[%ls] Script Runtime Error: unknown", kScriptSystemName);
  }
  ombLogPuts(OMB_LOG_DEBUG, u"[CALLSTACK]");
  SQStackInfos info;
  for (SQInteger level = 1; SQ_SUCCEEDED(sq_stackinfos(vm, level, &info)); ++level) {
    ombLogPrintf(OMB_LOG_DEBUG, u"*FUNCTION [%ls()] %ls line [%d]\n",
                 info.funcname ? info.funcname : u"unknown", info.source ? info.source : u"unknown",
                 info.line);
  }
  ombLogPuts(OMB_LOG_DEBUG, u"");
  ombLogPuts(OMB_LOG_DEBUG, u"[LOCAL VAR]");
  for (SQUnsignedInteger level = 0; level < kLocalLevels; ++level) {
    for (SQUnsignedInteger index = 0;; ++index) {
      const SQChar* name = sq_getlocal(vm, level, index);
      if (!name) {
        break;
      }
      logLocal(vm, name);
      sq_pop(vm, 1);
    }
  }
  return 0;
}

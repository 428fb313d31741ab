// The system natives of the root table: fatal error, running another script, the way back to
// the root, number formatting and the debug timer.
#include "script/ScriptBaseNatives.h"

#include "foundation/omb/ombLog.h"
#include "foundation/omb/text/ombFormat.h"
#include "script/ScriptContext.h"
#include "script/ScriptError.h"
#include "script/ScriptNative.h"
#include "script/ScriptThread.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// The saved foreign pointer goes back when the nested run ends, also by an exception.
class ForeignPointerSwap {
 public:
  ForeignPointerSwap(HSQUIRRELVM vm, ScriptContext* nested)
      : vm_(vm), saved_(sq_getforeignptr(vm)) {
    sq_setforeignptr(vm, &nested->owner);
  }
  ~ForeignPointerSwap() { sq_setforeignptr(vm_, saved_); }
  ForeignPointerSwap(const ForeignPointerSwap&) = delete;
  ForeignPointerSwap& operator=(const ForeignPointerSwap&) = delete;

 private:
  HSQUIRRELVM vm_;
  SQUserPointer saved_;
};

void sysError(HSQUIRRELVM, const char16_t* text) {
  ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] [%ls] %ls", "`anonymous-namespace'::sysError",
               kScriptSystemName, text);
}

// Runs another compiled script, resolved against the caller's directory, with the root table as
// `this` and the caller's context except for the directory; null when it does not exist.
ScriptObject sysRun(HSQUIRRELVM vm, const char16_t* path) {
  ScriptContext* context = scriptGetContext(vm);
  if (!context || !context->thread) {
    return ScriptObject::newNull(vm);
  }
  ScriptThread* thread = context->thread;
  ScriptObject closure;
  const char16_t* directory =
      loadCompiledScript(scriptResolvePath(context->dir, path).c_str(), thread, closure);
  if (!directory || closure.isNull()) {
    return ScriptObject::newNull(vm);
  }
  ScriptContext nested = *context;
  nested.dir = directory;
  ForeignPointerSwap swap(vm, &nested);
  return thread->vm.prepareCall(closure).run();
}

// "../" for every directory level of the caller's directory: "start/" gives "../".
ScriptObject sysGetRootDir(HSQUIRRELVM vm) {
  const ScriptContext* context = scriptGetContext(vm);
  std::u16string up;
  const char16_t* dir = context && context->dir ? context->dir : u"";
  // A script at the root ("/") is already there.
  if (!(dir[0] == u'/' && dir[1] == 0)) {
    for (const char16_t* p = dir; *p; ++p) {
      if (*p == u'/' || *p == u'\\') {
        up += u"../";
      }
    }
  }
  return ScriptObject::newString(up.c_str(), vm);
}

// The format text ("%", the script's format and the conversion letter) and the result each
// hold at most this many characters.
constexpr uint32_t kConvertLength = 15;

// Flags, a width and a precision of at most two digits each: nothing a script passes can become
// a conversion of its own, and the text stays short.
bool isNumberFormat(const char16_t* format) {
  const char16_t* p = format;
  while (*p == u'-' || *p == u'+' || *p == u' ' || *p == u'#' || *p == u'0') {
    ++p;
  }
  auto digits = [&p] {
    int count = 0;
    while (*p >= u'0' && *p <= u'9') {
      ++p;
      ++count;
    }
    return count;
  };
  if (digits() > 2) {
    return false;
  }
  if (*p == u'.') {
    ++p;
    if (digits() > 2) {
      return false;
    }
  }
  return *p == 0 && p - format <= static_cast<std::ptrdiff_t>(kConvertLength - 2);
}

// A float with "%<format>f", anything else as an integer with "%<format>d". A result longer
// than 15 characters (a wide field, a huge float) gives the empty string: a number is never
// shown cut.
ScriptObject strConvert(HSQUIRRELVM vm, const char16_t* format, ScriptObject value) {
  if (!isNumberFormat(format)) {
    scriptError(u"[%ls] Script Error: bad number format(%ls)", format);
    return ScriptObject::newNull(vm);
  }
  const bool isFloat = value.getType() == OT_FLOAT;
  const std::u16string conversion = u"%" + std::u16string(format) + (isFloat ? u"f" : u"d");
  char16_t text[kConvertLength + 1];
  if (isFloat) {
    ombStrPrintf(text, kConvertLength + 1, conversion.c_str(), static_cast<double>(value.toFloat()));
  } else {
    ombStrPrintf(text, kConvertLength + 1, conversion.c_str(), value.toInteger());
  }
  return ScriptObject::newString(text, vm);
}

int32_t sysGetDebugTime(HSQUIRRELVM) {
  return 0;
}

}  // namespace

void scriptRegisterBaseNatives(const ScriptObject& table) {
  table.registerFunction(u"sysError", &sysError)
      .registerFunction(u"sysRun", &sysRun)
      .registerFunction(u"sysGetRootDir", &sysGetRootDir)
      .registerFunction(u"sysGetDebugTime", &sysGetDebugTime)
      .registerFunction(u"strConvert", &strConvert);
  scriptRegisterMathNatives(table);
}

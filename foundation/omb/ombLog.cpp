#include "foundation/omb/ombLog.h"

#include "foundation/omb/ombSpinlock.h"
#include "foundation/omb/text/ombFormat.h"
#include "platform/text/Utf8.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

OMB_SPINLOCK logLock;
std::atomic<OMB_LOG_OUTPUT> logOutput{_ombLogDefaultOutput};
std::atomic<OMB_LOG_HOOK> logHook{_ombLogDefaultHook};

std::u16string_view terminated(const char16_t* text) {
  return text ? std::u16string_view(text) : std::u16string_view();
}

void dispatch(int32_t level, const char16_t* text) {
  {
    OmbSpinLockHold hold(logLock);
    logOutput.load()(level, text);
  }
  logHook.load()(level);
}

}  // namespace

void _ombLogDefaultOutput(int32_t, const char16_t* text) {
  std::string line = platform::utf16ToUtf8(terminated(text));
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void _ombLogDefaultHook(int32_t level) {
  if (level == OMB_LOG_ERROR) {
    std::exit(1);
  }
}

void ombLogPuts(int32_t level, const char16_t* text) {
  dispatch(level, text ? text : u"");
}

void ombLogPrintf(int32_t level, const char16_t* format, ...) {
  constexpr uint32_t capacity = OMB_LOG_MAX_TEXT + 1;
  // Freed on every path, also when the output leaves by an exception.
  std::unique_ptr<char16_t, decltype(&std::free)> text(
      static_cast<char16_t*>(std::malloc(capacity * sizeof(char16_t))), &std::free);
  if (!text) {
    // Nothing can be formatted without the buffer; report and give the message up.
    ombLogPuts(OMB_LOG_ERROR, u"Error: Out of memory.");
    return;
  }
  va_list args;
  va_start(args, format);
  ombStrVPrintf(text.get(), capacity, format, args);
  va_end(args);
  {
    OmbSpinLockHold hold(logLock);
    logOutput.load()(level, text.get());
  }
  text.reset();
  logHook.load()(level);
}

void ombLogSetOutput(OMB_LOG_OUTPUT output) {
  OmbSpinLockHold hold(logLock);
  logOutput = output ? output : _ombLogDefaultOutput;
}

void ombLogSetErrorHook(OMB_LOG_HOOK hook) {
  OmbSpinLockHold hold(logLock);
  logHook = hook ? hook : _ombLogDefaultHook;
}

OMB_SPINLOCK& ombLogLock() { return logLock; }

void ombLogReset() {
  logLock = OMB_SPINLOCK{};
  logOutput = _ombLogDefaultOutput;
  logHook = _ombLogDefaultHook;
}

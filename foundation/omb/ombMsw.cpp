#include "foundation/omb/ombMsw.h"

#include "foundation/omb/file/ombDirectory.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombMswAppData.h"
#include "foundation/omb/ombMswDebugSettings.h"
#include "foundation/omb/text/ombString.h"
#include "platform/ui/MessageService.h"

#include <atomic>
#include <cstdlib>
#include <memory>

namespace {

// Lines up to this many units (terminator included) are built on the stack.
constexpr std::size_t kLocalLine = 300;

bool ready = false;
// Set and read under the log lock by the output; atomic because init and uninit set them while
// other threads may log.
std::atomic<OMB_FILE*> logFile{nullptr};
std::atomic<bool> flushEveryLine{false};
std::atomic<int32_t> writtenLevel{OMB_LOG_MESSAGE};
std::atomic<void*> ownerWindow{nullptr};

const char16_t* levelPrefix(int32_t level) {
  static constexpr const char16_t* kPrefixes[] = {u"[Err] ", u"[Warn] ", u"[Mes] ", u"[Info] ",
                                                  u"[Debug] "};
  return level >= 0 && level < static_cast<int32_t>(std::size(kPrefixes)) ? kPrefixes[level] : u"";
}

}  // namespace

void ombMswInit() {
  if (ready) {
    return;
  }
  ready = true;
  if (ombFileMakeDirectory(u"//<localappdata>/") < 0 ||
      ombFileMakeDirectory(u"//<userappdata>/") < 0) {
    ombReportInitFailure();
  }
  ombLogSetOutput(ombMswLogOutput);
  const OmbMswDebugSettings settings = ombMswReadDebugSettings(ombMswIniFileName());
  writtenLevel = settings.level;
  if (settings.file) {
    const std::u16string name = ombMswAppDataFileName(u"log");
    // A log file that cannot be created is silently absent; boxes still show levels 0 and 1.
    logFile = ombFileOpen(OMB_FILE_MODE_WRITE_ALT, name.c_str(),
                          OMB_FILE_OPEN_CREATE | OMB_FILE_OPEN_TEXT);
    flushEveryLine = logFile.load() != nullptr && settings.fileFlush;
  }
  // Common controls and the timer resolution need nothing here: there are no native dialogs, and
  // sleeps are already finer than 1 ms.
  // The main window module (ombMswWindowInit) lives in the host, which runs its init right after
  // this one. FIXME: the settings dialog's module init (ombMswConfigInit) joins with the dialog.
  ombRegisterUninit(ombMswUninit);
}

void ombMswUninit() {
  if (!ready) {
    return;
  }
  ready = false;
  // Takes the log lock, so no output is running once it returns and none starts afterwards.
  ombLogSetOutput(nullptr);
  ombFileClose(logFile.exchange(nullptr));
  flushEveryLine = false;
  ownerWindow = nullptr;
  // The host runs ombMswWindowUninit before this. FIXME: ombMswConfigUninit joins with the dialog.
}

void ombMswLogOutput(int32_t level, const char16_t* text) {
  const char16_t* prefix = levelPrefix(level);
  OMB_FILE* file = logFile.load();
  if (file && level <= writtenLevel.load()) {
    const std::size_t prefixLength = ombStrLength(prefix);
    const std::size_t textLength = ombStrLength(text);
    const std::size_t length = prefixLength + textLength + 2;
    char16_t local[kLocalLine];
    std::unique_ptr<char16_t, decltype(&std::free)> heap(nullptr, &std::free);
    char16_t* line = local;
    if (length + 1 > kLocalLine) {
      heap.reset(ombCheckAlloc(
          static_cast<char16_t*>(std::malloc((length + 1) * sizeof(char16_t)))));
      line = heap.get();
    }
    if (line) {
      std::char_traits<char16_t>::copy(line, prefix, prefixLength);
      std::char_traits<char16_t>::copy(line + prefixLength, text, textLength);
      line[length - 2] = u'\r';
      line[length - 1] = u'\n';
      line[length] = 0;
      // Write errors of the log are ignored: there is nowhere to report them.
      uint32_t count = 0;
      ombFileWriteText(file, &count, line, static_cast<uint32_t>(length));
      if (flushEveryLine) {
        ombFileFlush(file);
      }
    }
  }
  if (level == OMB_LOG_ERROR || level == OMB_LOG_WARNING) {
    platform::showMessageBox(text, prefix, platform::kMessageBoxOk);
  }
}

void ombMswSetLogLevel(int32_t level) {
  writtenLevel = level;
}

int32_t ombMswGetLogLevel() {
  return writtenLevel;
}

OMB_FILE* ombMswGetLogFile() {
  return logFile;
}

void ombMswSetOwnerWindow(void* window) {
  ownerWindow = window;
}

void* ombMswGetOwnerWindow() {
  return ownerWindow;
}

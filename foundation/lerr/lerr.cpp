#include "foundation/lerr/lerr.h"

#include "foundation/dbtl/DDebug.h"
#include "foundation/dbtl/DSection.h"
#include "foundation/dbtl/DSizeMath.h"
#include "foundation/lerr/LExceptGame.h"
#include "foundation/startup/StartupObjects.h"
#include "platform/ui/MessageService.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

std::atomic<uint32_t> g_mode{LERR_MODE_SHOW};
std::atomic<int32_t> g_threshold{2};

struct Message {
  char text[LERR_MESSAGE_BUFFER];
};

// vsnprintf cuts a longer result to the buffer less one byte and terminates it; a format it
// refuses gives an empty message rather than stale bytes.
void format(Message& message, const char* format, va_list args) {
  if (std::vsnprintf(message.text, sizeof message.text, format, args) < 0) message.text[0] = '\0';
}

void reportFormatted(const char* fmt, va_list args) {
  Message message;
  format(message, fmt, args);
  lerrReport(message.text);
}

void showBox(const char* text) {
  platform::showMessageBoxCp932(text, LERR_CAPTION, platform::kMessageBoxIconWarning);
}

}  // namespace

void lerrSetMode(uint32_t mode) { g_mode.store(mode); }
uint32_t lerrGetMode() { return g_mode.load(); }
void lerrSetThreshold(int32_t threshold) { g_threshold.store(threshold); }
int32_t lerrGetThreshold() { return g_threshold.load(); }

void lerrFatal(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  reportFormatted(fmt, args);
  va_end(args);
  lerrThrow();
}

std::string lerrFormat(const char* fmt, ...) {
  Message message;
  va_list args;
  va_start(args, fmt);
  format(message, fmt, args);
  va_end(args);
  return message.text;
}

void lerrWarning(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  reportFormatted(fmt, args);
  va_end(args);
}

void lerrLog(int32_t level, const char* fmt, ...) {
  Message message;
  va_list args;
  va_start(args, fmt);
  format(message, fmt, args);
  va_end(args);
  lerrLogLine(message.text, level);
}

void lerrReport(const char* text) {
  dbtl::DSectionLock guard(startup::g_lerrLock);
  lerrLogLine(text, 0);
  const uint32_t mode = g_mode.load();
  if ((mode & LERR_MODE_SHOW) != 0) showBox(text != nullptr ? text : "");
  if ((mode & LERR_MODE_QUEUE) != 0) {
    const size_t length = text != nullptr ? std::strlen(text) : 0;
    const size_t size = dbtl::DSizeAdd(length, 1);
    if (size > UINT32_MAX) dbtl::DThrowBadAlloc();
    dbtl::rcptr<char> copy;
    copy.Create(static_cast<uint32_t>(size));
    if (length != 0) std::memcpy(copy.Get(), text, length);
    copy[length] = '\0';
    startup::g_lerrQueue.PushBack(copy);
  }
}

void lerrLogLine(const char* text, int32_t level) {
  dbtl::DSectionLock guard(startup::g_lerrLock);
  if (level > g_threshold.load()) return;
  if (text != nullptr) dbtl::DDebug::Print(text);
  dbtl::DDebug::Print("\n");
}

void lerrThrow() { throw LExceptGame(); }

void lerrShowQueued() {
  dbtl::DSectionLock guard(startup::g_lerrLock);
  for (auto it = startup::g_lerrQueue.Begin(); it != startup::g_lerrQueue.End();
       it = dbtl::DListBase::Next(it)) {
    showBox(dbtl::DList<char>::Get(it).Get());
  }
  startup::g_lerrQueue.Clear();
}

void lerrTerm() {
  dbtl::DSectionLock guard(startup::g_lerrLock);
  startup::g_lerrQueue.Release();
  for (auto& scratch : startup::g_lerrRadixScratch) scratch.Release();
}

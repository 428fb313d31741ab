#include "foundation/dbtl/DDebug.h"

#include "foundation/dbtl/DstrChar.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace dbtl {

namespace {

// The debugger's output: standard error while a debugger (a tracer) is attached, nothing
// otherwise, so that ordinary runs and tests stay quiet. Whether a tracer is attached is
// asked once.
bool underDebugger() {
  static const bool traced = [] {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return false;
    char line[256];
    long tracer = 0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
      if (std::sscanf(line, "TracerPid: %ld", &tracer) == 1) break;
    }
    std::fclose(status);
    return tracer != 0;
  }();
  return traced;
}

void outputToDebugger(const char* text) {
  if (!underDebugger()) return;
  const size_t length = std::strlen(text);
  if (length != 0 && ::write(STDERR_FILENO, text, length) < 0) return;
}

}  // namespace

DDebug& DDebug::Global() {
  static DDebug* const log = new DDebug();
  return *log;
}

void DDebug::Print(const char* text) { Global()._Print(text != nullptr ? text : ""); }

void DDebug::SetFileOpen(bool open) {
  DSectionLock guard(m_section);
  m_fileOpen = open;
}

bool DDebug::IsFileOpen() {
  DSectionLock guard(m_section);
  return m_fileOpen;
}

// Texts are written in chunks of up to 256 bytes. A two-byte character is copied whole, a
// carriage return is dropped and a line feed becomes CR LF, so "\n" and "\r\n" both end a line
// as CR LF.
void DDebug::_Print(const char* text) {
  outputToDebugger(text);
  DSectionLock guard(m_section);
  if (!m_fileOpen) return;
  char chunk[256];
  size_t used = 0;
  for (const char* p = text; *p != '\0';) {
    if (used >= 254) {
      m_file.Write(chunk, used);
      used = 0;
    }
    const size_t width = DstrCharLength(p);
    if (width == 2) {
      chunk[used++] = p[0];
      chunk[used++] = p[1];
    } else if (*p == '\n') {
      chunk[used++] = '\r';
      chunk[used++] = '\n';
    } else if (*p != '\r') {
      chunk[used++] = *p;
    }
    p += width;
  }
  if (used != 0) m_file.Write(chunk, used);
  m_file.Flush();
}

}  // namespace dbtl

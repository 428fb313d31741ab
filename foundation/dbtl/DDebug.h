#pragma once

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/DSection.h"

namespace dbtl {

// The base library's diagnostic log. Print writes each text to the debugger's output and,
// once a file has been opened on the log and the log told so, to that file with CR LF line
// ends. The host points the file at the framework's log; until then texts reach only the
// debugger.
class DDebug : public DObject {
 public:
  // The process's debug log. It is never destroyed, so Print is safe at any point of the
  // shut-down.
  static DDebug& Global();

  // Writes a text through the global debug log and flushes its file.
  static void Print(const char* text);

  DDebug() = default;
  DDebug(const DDebug&) = delete;
  DDebug& operator=(const DDebug&) = delete;

  // The log's file. Open it before SetFileOpen(true); clear the flag before closing it.
  DFile& GetFile() { return m_file; }
  void SetFileOpen(bool open);
  bool IsFileOpen();

 private:
  void _Print(const char* text);

  // Keeps the chunks of one Print together when several threads print.
  DSection m_section;
  bool m_fileOpen = false;
  DFile m_file;
};

}  // namespace dbtl

#pragma once

#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/DString.h"
#include "platform/app/ProcessStart.h"
#include "platform/app/WindowClass.h"

#include <cstdint>

namespace dbtl {

// The one application object: the instance and show command the program was started with, the
// executable's file name and directory, the parsed command line, and the process-wide
// registrations the base library needs (its two window classes, the wheel message, the common
// controls and COM for the starting thread).
//
// The program entry builds it on its own frame, initialises it and publishes it while the host
// runs; the pack registry finds the executable's directory through the published object.
class DApplication : public DObject {
 public:
  static constexpr const char* kBasicClassName = "Welm Basic Window Class";
  static constexpr const char* kSplitterClassName = "Welm Splitter Window Class";

  DApplication() = default;
  DApplication(const DApplication&) = delete;
  DApplication& operator=(const DApplication&) = delete;
  // Undoes the COM initialisation (when it succeeded) and withdraws the object when it is the
  // published one.
  ~DApplication() override;

  // Stores instance and show command, splits the command line (8-bit code page 932, without
  // the program name; null parses nothing) into the argument list, finds the executable's name
  // and directory, registers the window classes and the wheel message, and initialises the
  // common controls and COM. False when a window class cannot be registered (one that already
  // exists is fine); nothing after the failed registration runs then.
  bool Init(platform::InstanceHandle instance, int32_t showCommand, const char* commandLine);

  // Appends the arguments of the text to the argument list and returns their number. Blanks
  // (space, tab) separate arguments; a quoted section keeps blanks; two quotes in a row stand
  // for one quote character, inside a section and outside; a two-byte character is never split.
  uint32_t _ParseCommandLine(const char* text);
  // Registers one window class of the base library's basic kind; true when it was registered
  // now (false also when it existed before).
  bool _RegisterBasicClass(const char* className);
  // The procedure of both classes. No window of them is ever created here, so it only hands
  // every message on to the default procedure.
  static intptr_t _WindowProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

  platform::InstanceHandle GetInstance() const { return m_instance; }
  int32_t GetShowCommand() const { return m_showCommand; }
  // The executable's file name without directory or extension.
  const char* GetFileName() const { return m_fileName.GetText(); }
  // Drive (none here) and directory of the executable, with '/' separators and a final '/'.
  const char* GetModuleDirectory() const { return m_moduleDirectory.GetText(); }
  const char* GetCompany() const { return m_company.GetText(); }
  uint32_t GetWheelMessage() const { return m_wheelMessage; }
  DList<char>& GetArguments() { return m_arguments; }

  // The published application, or null outside the host's run.
  static DApplication* GetPublished();
  // Publishes the object (null withdraws it); the program entry does this.
  static void _Publish(DApplication* application);

 private:
  void _FindModule();
  platform::ClassRegistration _RegisterBasicClassResult(const char* className);

  platform::InstanceHandle m_instance = nullptr;
  int32_t m_showCommand = 0;
  DString m_fileName;
  DString m_moduleDirectory;
  DString m_company;
  uint32_t m_wheelMessage = 0;
  DList<char> m_arguments;
  // COM is undone only after an initialisation that succeeded.
  bool m_comInitialized = false;
};

}  // namespace dbtl

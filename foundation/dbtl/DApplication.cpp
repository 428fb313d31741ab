#include "foundation/dbtl/DApplication.h"

#include "foundation/dbtl/DCp932Text.h"
#include "foundation/dbtl/Dpath.h"
#include "platform/app/Com.h"
#include "platform/kernel/ExecutablePath.h"

#include <atomic>
#include <cstring>

namespace dbtl {

namespace {

constexpr const char* kCompany = "Selvarine";
constexpr const char* kWheelMessageName = "MSWHEEL_ROLLMSG";

std::atomic<DApplication*> g_published{nullptr};

// A class that exists already (a second application object in the same process) is as good as
// a new one.
bool registered(platform::ClassRegistration result) {
  return result != platform::ClassRegistration::Failed;
}

}  // namespace

DApplication::~DApplication() {
  DApplication* self = this;
  g_published.compare_exchange_strong(self, nullptr);
  if (m_comInitialized) platform::coUninitialize();
}

DApplication* DApplication::GetPublished() { return g_published.load(); }

void DApplication::_Publish(DApplication* application) { g_published.store(application); }

bool DApplication::Init(platform::InstanceHandle instance, int32_t showCommand,
                        const char* commandLine) {
  m_instance = instance;
  m_showCommand = showCommand;
  if (commandLine != nullptr) _ParseCommandLine(commandLine);
  _FindModule();
  m_company.Assign(kCompany);

  if (!registered(_RegisterBasicClassResult(kBasicClassName))) return false;
  platform::WindowClass splitter;
  splitter.name = kSplitterClassName;
  splitter.style = platform::kClassStyleHRedraw | platform::kClassStyleVRedraw;
  splitter.procedure = &DApplication::_WindowProc;
  splitter.instance = m_instance;
  if (!registered(platform::registerWindowClass(splitter))) return false;

  m_wheelMessage = platform::registerWindowMessage(kWheelMessageName);
  platform::initCommonControls();
  if (!m_comInitialized) m_comInitialized = platform::coInitialize() >= 0;
  return true;
}

// The original asks for the module's file name in a 264-byte buffer, so a longer path is cut
// to 263 bytes like every base-library path.
void DApplication::_FindModule() {
  const std::string path = DCp932FromUtf8(platform::executablePath());
  char drive[DPATH_BUFFER_SIZE];
  char directory[DPATH_BUFFER_SIZE];
  char name[DPATH_BUFFER_SIZE];
  char bounded[DPATH_BUFFER_SIZE];
  detail::DpathCopyBounded(bounded, path.c_str(), DPATH_MAX_LENGTH);
  DpathSplitDrive(bounded, drive, directory, name);
  m_fileName.Assign(name);
  m_moduleDirectory.Assign(drive);
  m_moduleDirectory.Append(directory);
}

bool DApplication::_RegisterBasicClass(const char* className) {
  return _RegisterBasicClassResult(className) == platform::ClassRegistration::Registered;
}

platform::ClassRegistration DApplication::_RegisterBasicClassResult(const char* className) {
  platform::WindowClass basic;
  basic.name = className != nullptr ? className : "";
  basic.style = platform::kClassStyleHRedraw | platform::kClassStyleVRedraw;
  basic.procedure = &DApplication::_WindowProc;
  basic.instance = m_instance;
  basic.icon = platform::kIconApplication;
  basic.smallIcon = platform::kIconApplication;
  basic.cursor = platform::kCursorArrow;
  basic.background = platform::kColorWindow + 1;
  return platform::registerWindowClass(basic);
}

intptr_t DApplication::_WindowProc(void* window, uint32_t message, uintptr_t wParam,
                                   intptr_t lParam) {
  return platform::defaultWindowProcedure(window, message, wParam, lParam);
}

}  // namespace dbtl

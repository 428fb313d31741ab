#include "foundation/startup/WinMain.h"

#include "foundation/dbtl/DApplication.h"
#include "foundation/dbtl/DDebug.h"
#include "foundation/dbtl/DThrowBadAlloc.h"
#include "foundation/startup/Dmath.h"
#include "foundation/startup/StartupHooks.h"
#include "platform/app/NewHandler.h"

#include <clocale>

namespace {

// The user's default locale, except for numbers: a decimal comma from the environment would
// change how every formatted and parsed number of the runtime reads (logs, scripts), so
// numbers keep the C rules on every machine.
void selectLocale() {
  std::setlocale(LC_ALL, "");
  std::setlocale(LC_NUMERIC, "C");
}

int runAppMain(const StartupHooks& hooks) {
  if (hooks.appMain == nullptr) return 1;
  try {
    return hooks.appMain();
  } catch (...) {
    // The host's AppMain catches everything itself; this only keeps the shut-down below
    // running when something else escapes.
    dbtl::DDebug::Print("[WinMain] AppMain ended by an exception\n");
    return 1;
  }
}

void closeDebugLog() {
  dbtl::DDebug& log = dbtl::DDebug::Global();
  log.SetFileOpen(false);
  log.GetFile().Close();
}

}  // namespace

int WinMain(platform::InstanceHandle instance, platform::InstanceHandle, const char* commandLine,
            int showCommand) {
  selectLocale();
  platform::installNewHandler(&dbtl::DThrowBadAlloc);
  const StartupHooks hooks = startupGetHooks();
  DmathInitTables();
  if (hooks.initYCbCrTables != nullptr) hooks.initYCbCrTables();
  if (hooks.pluginInit != nullptr) hooks.pluginInit();

  // A failed initialisation is a failed start: exit code 1, never the 0 of success.
  int exitCode = 1;
  {
    dbtl::DApplication application;
    if (application.Init(instance, showCommand, commandLine)) {
      dbtl::DApplication::_Publish(&application);
      exitCode = runAppMain(hooks);
      dbtl::DApplication::_Publish(nullptr);
    }
  }
  closeDebugLog();
  if (hooks.pluginTerm != nullptr) hooks.pluginTerm();
  return exitCode;
}

int startupMain(int argc, char** argv) {
  const std::string commandLine = startupCommandLine(argc, argv);
  return WinMain(platform::processInstance(), nullptr, commandLine.c_str(), platform::kShowNormal);
}

// entryprobe: the program entry (startupMain) with hooks that report what they see, one line
// each on standard output, so a test can run the entry as a real process.
//
//   entryprobe [ARGUMENT...]
//
// Lines: "tables <sine 1024> <sqrt [0][0]>" from the YCbCr hook, "plugins-init published=<0|1>",
// from AppMain "arguments <n>", one "argument <hex bytes>" per argument, "module <directory>",
// "file <name>", "company <text>", "wheel <hex id>", "com <count>", "locale-numeric <name>",
// "new-handler <0|1>"; then "plugins-term published=<0|1> com=<count>" after the application
// object was destroyed. Environment:
//   ENTRYPROBE_EXIT=N     AppMain returns N (default 0)
//   ENTRYPROBE_THROW=1    AppMain ends by throwing LExceptGame
//   ENTRYPROBE_LEAVE=1    AppMain leaves an override installed and a queued error behind, for
//                         the exit routines to release ("override released" at exit)
// GAME_APP_FAIL makes steps of the application object fail (platform/app/StepFailure.h).

#include "foundation/dbtl/DApplication.h"
#include "foundation/dbtl/DThrowBadAlloc.h"
#include "foundation/lerr/LExceptGame.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lfm/lfmPack.h"
#include "foundation/startup/Dmath.h"
#include "foundation/startup/StartupHooks.h"
#include "foundation/startup/WinMain.h"
#include "platform/app/Com.h"

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

bool published() { return dbtl::DApplication::GetPublished() != nullptr; }

class ProbeOverride : public LFmOverride {
 public:
  ~ProbeOverride() override {
    static const char line[] = "override released\n";
    if (::write(STDOUT_FILENO, line, sizeof line - 1) < 0) return;
  }
  bool IsDataExist(const char*) override { return false; }
  void OpenData(dbtl::DFile&, const char*, uint32_t) override {}
};

bool tablesHook() {
  std::printf("tables %.9g %u\n", static_cast<double>(DmathSinTable[1024]), DmathSqrtTable[0][0]);
  return true;
}

void pluginInit() { std::printf("plugins-init published=%d\n", published() ? 1 : 0); }

void pluginTerm() {
  std::printf("plugins-term published=%d com=%d\n", published() ? 1 : 0, platform::comInitCount());
}

int appMain() {
  dbtl::DApplication& application = *dbtl::DApplication::GetPublished();
  dbtl::DList<char>& arguments = application.GetArguments();
  std::printf("arguments %u\n", arguments.GetCount());
  for (auto it = arguments.Begin(); it != arguments.End(); it = dbtl::DListBase::Next(it)) {
    std::printf("argument");
    for (const char* p = dbtl::DList<char>::Get(it).Get(); *p != '\0'; ++p) {
      std::printf(" %02X", static_cast<unsigned char>(*p));
    }
    std::printf("\n");
  }
  std::printf("module %s\n", application.GetModuleDirectory());
  std::printf("file %s\n", application.GetFileName());
  std::printf("company %s\n", application.GetCompany());
  std::printf("wheel %X\n", application.GetWheelMessage());
  std::printf("com %d\n", platform::comInitCount());
  std::printf("locale-numeric %s\n", std::setlocale(LC_NUMERIC, nullptr));
  std::printf("new-handler %d\n", std::get_new_handler() == &dbtl::DThrowBadAlloc ? 1 : 0);
  std::fflush(stdout);

  if (std::getenv("ENTRYPROBE_LEAVE") != nullptr) {
    dbtl::rcptr<ProbeOverride> probe;
    probe.Create(1);
    lfmRegistOverride(probe);
    lerrSetMode(LERR_MODE_QUEUE);
    lerrWarning("left in the queue");
  }
  if (std::getenv("ENTRYPROBE_THROW") != nullptr) throw LExceptGame();
  const char* code = std::getenv("ENTRYPROBE_EXIT");
  return code != nullptr ? std::atoi(code) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  StartupHooks hooks;
  hooks.initYCbCrTables = &tablesHook;
  hooks.pluginInit = &pluginInit;
  hooks.pluginTerm = &pluginTerm;
  hooks.appMain = &appMain;
  startupSetHooks(hooks);
  const int code = startupMain(argc, argv);
  std::fflush(stdout);
  return code;
}

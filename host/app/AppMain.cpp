#include "host/app/AppMain.h"

#include "foundation/dbtl/DDebug.h"
#include "foundation/dbtl/DFile.h"
#include "foundation/lerr/LExceptGame.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lfm/lfmPack.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombMsw.h"
#include "foundation/omb/ombTimer.h"
#include "host/app/AppResources.h"
#include "host/app/AppState.h"
#include "host/app/VUdEviruv.h"
#include "host/app/ZErarUdizudIzo.h"
#include "host/engine/EngineFactory.h"
#include "host/input/ombInputDevice.h"
#include "host/settings/ombInput.h"
#include "host/settings/ombVideo.h"
#include "host/window/ombMswWindow.h"
#include "image/omb/ombImage.h"
#include "net/omb/ombSocket.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/FloatControl.h"
#include "platform/kernel/ProcessPriority.h"
#include "render/device/l3dInit.h"
#include "render/sprite/ombSprite.h"
#include "render/sprite2/sprite2.h"

namespace {

constexpr const char* kTag = "appInit";

// The base library's debug log reaches the framework's log file through this file object, a
// view onto the one static route object.
dbtl::DFile& logRoute() {
  static dbtl::DFile route;
  return route;
}

ZErarUdizudIzo& logRouteSource() {
  static ZErarUdizudIzo source;
  return source;
}

void openDebugLogRoute() {
  logRoute().OpenOverride(nullptr,
                          dbtl::rcptr<dbtl::DDataOverride>::Borrow(&logRouteSource()));
  dbtl::DDebug& debug = dbtl::DDebug::Global();
  debug.GetFile().Close();
  debug.GetFile().OpenRange(logRoute(), 0, -1);
  debug.SetFileOpen(true);
}

void closeDebugLogRoute() {
  dbtl::DDebug::Global().SetFileOpen(false);
  logRoute().Close();
}

void registerPacks() {
  lfmTerm();
  appState().packIndex = lfmRegistPack("");
  dbtl::rcptr<VUdEviruv> override;
  override.Create(1);
  lfmRegistOverride(dbtl::rcptr<LFmOverride>(override));
}

void loadGameResources(Config& config) {
  _loadResource(u"res");
  if ((config.display.flags & CONFIG_DISPLAY_VALID) && config.display.width >= 1024) {
    _loadResource(u"resL");
  } else if (_loadResource(u"resS")) {
    config.resourceScale = 2;
  }
}

}  // namespace

AppState& appState() {
  static AppState state;
  return state;
}

Config* appConfig() { return appState().config.get(); }

int32_t appPackIndex() { return appState().packIndex; }

void appErrorHook(int32_t level) {
  if (level == OMB_LOG_ERROR) lerrThrow();
}

bool appInit() {
  AppState& state = appState();
  ombCoreInit();
  ombLogSetErrorHook(appErrorHook);
  _loadResource(u"system");
  runBaseScript();
  platform::applyGameFloatControl();
  ombImageInit();
  ombMswInit();
  ombMswWindowInit();
  ombMswSetLogLevel(OMB_LOG_INFORMATION);
  ombLogPrintf(OMB_LOG_INFORMATION, u"Information: [%s] This is logger of dadevoz", kTag);
  ombVideoInit();
  ombInputInit();
  ombTimerInit();
  ombSocketInit();
  ombSpriteInit();
  platform::raiseProcessPriority();
  openDebugLogRoute();
  lerrSetMode(LERR_MODE_QUEUE);
  lerrSetThreshold(0);
  registerPacks();
  l3dInit(ombVideoGetDirect3D());
  sprite2Init();

  state.config = std::make_unique<Config>();
  if (state.config->init() != 0) return false;
  loadGameResources(*state.config);
  if (ombMswWindowBringRunningToFront(ombMswWindowGetClassName())) return false;
  state.system = std::make_unique<System>(state.packIndex);
  state.system->init(state.config.get());
  return true;
}

int AppMain() {
  int exitCode = 1;
  try {
    if (appInit()) {
      System& system = *appState().system;
      EngineStart start;
      start.directory = u"start";
      system.queueEngine(engineCreate(EngineKind::Simple, system, start));
      system.runEngines();
      appState().config->exitCode = 0;
    }
  } catch (const LExceptGame&) {
    // The message was logged (and queued) where it was raised.
  } catch (...) {
    ombLogPrintf(OMB_LOG_WARNING, u"Warning: [%s] メモリが不足しています。", "AppMain");
  }
  if (const Config* config = appConfig()) exitCode = config->exitCode;
  try {
    appTerm();
  } catch (...) {
    // Shut-down goes on as far as it got; nothing may leave AppMain.
  }
  return exitCode;
}

void appTerm() {
  try {
    AppState& state = appState();
    lerrShowQueued();
    // The parameter file is saved by this explicit step, never by a destructor.
    if (state.system) state.system->saveParameters();
    lerrShowQueued();
    state.system.reset();
    state.config.reset();
    sprite2Term();
    lerrShowQueued();
    lfmTerm();
    l3dTerm();
    lerrShowQueued();
    lerrTerm();
    closeDebugLogRoute();
    appTermModules();
  } catch (...) {
  }
}

void appTermModules() {
  ombTimerUninit();
  ombInputUninit();
  ombInputReleaseDirectInput();
  ombVideoUninit();
  ombMswWindowUninit();
  ombMswUninit();
  ombImageUninit();
  ombCoreUninit();
}

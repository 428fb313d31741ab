#include "host/config/Config.h"

#include "foundation/bytes/ByteWriter.h"
#include "foundation/file/File.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/text/ombFormat.h"
#include "host/config/ConfigCommandLine.h"
#include "host/config/ConfigSettings.h"
#include "host/settings/ombInput.h"
#include "host/settings/ombMswConfig.h"
#include "host/settings/ombVideo.h"
#include "host/updater/Updater.h"
#include "host/window/ombMswWindow.h"
#include "platform/kernel/Pipe.h"
#include "script/ScriptManager.h"
#include "script/ScriptThread.h"

#include <iterator>
#include <memory>

namespace {

// The display entries offered to the video settings.
constexpr ConfigDisplayEntry kNormalTable[] = {
    {0, 1280, 960, 0}, {0, 1280, 1024, 0}, {0, 1024, 768, 0}, {0, 800, 600, 1},
    {0, 640, 480, 1},  {1, 1280, 960, 0},  {1, 1280, 1024, 0}, {1, 1024, 768, 0},
    {1, 800, 600, 1},  {1, 640, 480, 1},   {2, 1280, 960, 0},  {2, 1024, 768, 0},
    {2, 800, 600, 1},  {2, 640, 480, 1},
};
constexpr ConfigDisplayEntry kAdjusterTable[] = {
    {2, 1280, 960, 0}, {2, 1024, 768, 0}, {2, 800, 600, 1}, {2, 640, 480, 1},
};

// Adapters must take textures of at least this width and height.
constexpr uint32_t kMinimumTextureSize = 1024;

void readVersion(Config& config) {
  File file;
  file.create(u"ver", OMB_FILE_MODE_READ_DISK, 0);
  const uint32_t version = file.readU32();
  config.gameVersion = static_cast<int32_t>(version);
  ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] game version is \"%u\"", "Config::init", version);
  file.close();
}

void runConfigScript(ConfigSettings& settings) {
  ScriptManager manager;
  ScriptObject table = manager.newTable(nullptr);
  configRegisterNatives(table);
  std::unique_ptr<ScriptThread> thread(new ScriptThread(&manager, table));
  {
    const ScriptObject result = thread->loadWithInit(u"sys/config", &settings, nullptr);
  }
  thread.reset();
  table = ScriptObject();
}

const char16_t* sectionOf(LaunchMode mode) {
  switch (mode) {
    case LaunchMode::Adjuster:
    case LaunchMode::AdjusterConfig: return u"AdjusterConfig";
    case LaunchMode::Lounge:
    case LaunchMode::NetConfig: return u"NetConfig";
    case LaunchMode::Normal: break;
  }
  return u"Config";
}

bool settingsOnly(LaunchMode mode) {
  return mode == LaunchMode::AdjusterConfig || mode == LaunchMode::NetConfig;
}

// The settings dialog: the video and controller pages over this run's records.
int32_t confirmSettings(Config& config, const ConfigSettings& settings) {
  OMB_MSW_CONFIG dialog;
  dialog.icon = 107;
  dialog.title = config.title;
  dialog.section = sectionOf(config.mode);
  dialog.header = settings.logHeader;
  const bool adjusterTable =
      config.mode == LaunchMode::Adjuster || config.mode == LaunchMode::AdjusterConfig;
  OMB_VIDEO_TABLE table;
  table.entries = adjusterTable ? kAdjusterTable : kNormalTable;
  table.count = adjusterTable ? std::size(kAdjusterTable) : std::size(kNormalTable);
  table.minimumTexture = kMinimumTextureSize;
  table.multisample = true;
  ombVideoAddConfigPlugin(&config.display, &dialog, table);
  OMB_INPUT_LAYOUT layout;
  layout.types = settings.inputTypes;
  layout.typeCount = settings.activeInputTypes();
  layout.padCount = static_cast<uint32_t>(settings.padCount);
  ombInputAddConfigPlugin(&config.input, &dialog, layout);
  const bool shown = config.mode == LaunchMode::Normal || settingsOnly(config.mode);
  return ombMswConfigRun(&dialog, shown);
}

void checkDevices(const Config& config) {
  if (!ombVideoGetDirect3D()) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] Direct3D9がインストールされていません。",
                 "Config::init");
  }
  if (!(config.display.flags & CONFIG_DISPLAY_VALID)) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] 有効なグラフィックチップが見つかりません。",
                 "Config::init");
  }
  if (!ombInputGetDirectInput()) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] DirectInput8がインストールされていません。",
                 "Config::init");
  }
}

void setWindowClassName(const ConfigSettings& settings) {
  char16_t engineName[144];
  ombStrPrintf(engineName, 144, u"RERADI_VUVODO_%ls", settings.windowClassName);
  char16_t className[OMB_MSW_WINDOW_CLASS_CAPACITY];
  ombStrPrintf(className, OMB_MSW_WINDOW_CLASS_CAPACITY, u"%ls_%ls", u"DARURA_ZOR_IDUVAZ_ARARU",
               engineName);
  ombMswWindowSetClassName(className);
}

}  // namespace

Config::Config() = default;

int32_t Config::init() {
  const LaunchChoice choice = configParseCommandLine(configCommandLine().c_str());
  mode = choice.mode;
  loungeInput = choice.loungeInput;
  loungeOutput = choice.loungeOutput;
  if (mode == LaunchMode::Adjuster) adjusterMode = true;
  if (mode == LaunchMode::Lounge) loungeMode = true;
  if (choice.stalePipes()) return 1;

  readVersion(*this);

  ConfigSettings settings(*this);
  runConfigScript(settings);

  if (mode == LaunchMode::Normal && settings.updaterHost[0] && settings.updaterPort > 0 &&
      settings.updaterPath[0]) {
    UpdaterRecord record;
    const bool goOn = Updater::run(record, settings.updaterHost, settings.updaterPort,
                                   settings.updaterPath, static_cast<uint32_t>(gameVersion),
                                   simpleTitle);
    record.release();
    if (!goOn) return 1;
  }

  if (confirmSettings(*this, settings) < 0) return 1;
  checkDevices(*this);
  setWindowClassName(settings);
  if (settingsOnly(mode)) {
    exitCode = 0;
    return 1;
  }
  return 0;
}

bool Config::readLoungeData(void* buffer) {
  if (!loungeMode) return false;
  const platform::PipeRead read =
      platform::pipeReadWhole(loungeInput, buffer, CONFIG_LOUNGE_RECORD);
  if (read == platform::PipeRead::Failed) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] ラウンジとの通信エラー", "Config::readLoungeData");
    return false;
  }
  return read == platform::PipeRead::Whole;
}

void Config::writeLoungeData(uint32_t kind) {
  if (!loungeMode) return;
  uint8_t record[CONFIG_LOUNGE_RECORD] = {};
  storeU32le(record, kind);
  if (!platform::pipeWriteWhole(loungeOutput, record, CONFIG_LOUNGE_RECORD)) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] ラウンジとの通信エラー", "Config::writeLoungeData");
  }
}

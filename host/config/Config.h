#pragma once

#include "host/config/ConfigRecords.h"

#include <cstdint>
#include <string>

// Launch modes, chosen by the last switch of the command line.
enum class LaunchMode : int32_t {
  Normal = 0,          // no switch: the settings are offered at every start
  Adjuster = 1,        // "--adjuster IN OUT"
  AdjusterConfig = 2,  // "--adjusterconfig": settings only
  Lounge = 3,          // "--lounge IN OUT"
  NetConfig = 4,       // "--netconfig": settings only
};

// Bytes of one record of the lounge pipe.
inline constexpr uint32_t CONFIG_LOUNGE_RECORD = 276;

// The one configuration of a run: launch mode and lounge pipes from the command line, the game
// version from "ver", the game's identity from the script "sys/config", the confirmed display
// and input settings, and the main window's class name.
class Config {
 public:
  Config();
  Config(const Config&) = delete;
  Config& operator=(const Config&) = delete;

  // 0: the start-up goes on; 1: it ends (exitCode says with which code). Level-0 messages
  // (missing "ver", missing devices, a failing script) end in LExceptGame.
  int32_t init();

  // One 276-byte record from the lounge's input pipe when a whole one is waiting; false without
  // the lounge flag or when fewer bytes are waiting (nothing is consumed then). A failing pipe is
  // the level-0 "ラウンジとの通信エラー".
  bool readLoungeData(void* buffer);
  // A status record of that kind with a zero payload to the lounge's output pipe; nothing
  // without the lounge flag. A failed or short write is the level-0 "ラウンジとの通信エラー".
  void writeLoungeData(uint32_t kind);

  int32_t exitCode = 1;
  bool adjusterMode = false;
  bool loungeMode = false;
  // The lounge pipes are file descriptors inherited from the lounge program; 0 when none.
  uint64_t loungeInput = 0;
  uint64_t loungeOutput = 0;
  int32_t gameId = -1;
  int32_t gameVersion = -1;
  char16_t simpleTitle[32] = {};
  char16_t title[32] = {};
  ConfigDisplaySettings display = {};
  ConfigInputSettings input = {};
  int32_t resourceScale = 1;
  LaunchMode mode = LaunchMode::Normal;
};

// The process's command line as one UTF-16 text (the program path, then the arguments), the
// form the configuration splits into tokens. Arguments that hold blanks or quotes are quoted.
std::u16string configCommandLine();

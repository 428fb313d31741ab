#pragma once

#include "foundation/omb/containers/ombArray.h"

#include <cstdint>
#include <string>

class Engine;
class ButtonStateHolder;
class System;

// The host creates engines (the first one, and the next one a script queues) without knowing
// them: the executable registers one factory per engine family at start-up.
enum class EngineKind : uint32_t { Simple, Basic, Rond, Vell };
inline constexpr uint32_t kEngineKinds = 4;

// The versus engine's start parameters, read from the script's table by the queueing native.
struct RondEngineSetup {
  struct ControllerEntry {
    ButtonStateHolder* device = nullptr;  // the player slot's tracker, when asked for and present
    bool hasBrain = false;
    std::u16string brain;
    int32_t brainLevel = 0;
  };
  std::u16string systemDirectory;
  std::u16string seDirectory;
  std::u16string stageDirectory;
  std::u16string players[2];
  ControllerEntry controllers[2];
  bool drawTargets[2] = {};
  std::u16string inputHistorySave;
  std::u16string inputHistoryReplay;
  std::u16string drawSave;
  int32_t drawSaveSpan = 0;
};

// What the new engine starts from: the script directory (simple, basic and field engines), the
// serialised arguments (basic and field engines; the factory takes the buffer over and empties
// the field), and the versus engine's record.
struct EngineStart {
  const char16_t* directory = u"";
  OMB_ARRAY* args = nullptr;
  const RondEngineSetup* rond = nullptr;
};

// Creates the engine, calls its family's set-up and returns it ready to be queued.
using EngineFactory = Engine* (*)(System& system, EngineStart& start);

void engineRegisterFactory(EngineKind kind, EngineFactory factory);
// The engine of that family; a family without a factory is a level-0 error (null when the
// hook returns). A buffer left in `start` is freed.
Engine* engineCreate(EngineKind kind, System& system, EngineStart& start);

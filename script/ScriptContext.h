#pragma once

#include "squirrel/squirrel.h"

#include <cstdint>

class ScriptManager;
struct ScriptThread;

// What a machine's foreign pointer points at: a manager's own machine at its ScriptManager, a
// thread machine at the ScriptContext of its thread. Both begin with this record so a native can
// tell them apart; a machine the host did not make (a script's own `newthread`) has none.
// ScriptContext holds it as its first member (not as a base) so that ScriptThread stays a
// standard-layout type whose list link has a defined offset.
enum class ScriptMachineRole : uint8_t { Manager, Context };

struct ScriptMachineOwner {
  ScriptMachineRole machineRole;
};

// Whom a script works for; natives reach it through the foreign pointer of the machine that
// runs them.
struct ScriptContext {
  ScriptMachineOwner owner{ScriptMachineRole::Context};
  ScriptThread* thread = nullptr;
  void* engine = nullptr;  // the engine, the configuration record, the input manager, or null
  void* self = nullptr;    // the object the script drives, or null
  // The script's directory, interned by the manager (lower case, ending in '/'); null until a
  // script is loaded.
  const char16_t* dir = nullptr;
};

// The context of a thread machine; null for any other machine.
ScriptContext* scriptFindContext(HSQUIRRELVM vm);
// The manager a machine belongs to (its own, or its thread's); null for a machine the host did
// not make.
ScriptManager* scriptFindManager(HSQUIRRELVM vm);
// As the find forms, but a missing one is the level-0 "can't find script context".
ScriptContext* scriptGetContext(HSQUIRRELVM vm);
ScriptManager* scriptGetManager(HSQUIRRELVM vm);

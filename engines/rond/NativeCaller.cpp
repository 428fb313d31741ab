#include "engines/rond/NativeCaller.h"

#include "engines/rond/Player.h"
#include "engines/rond/RondEngine.h"
#include "foundation/lerr/lerr.h"
#include "foundation/omb/ombLog.h"
#include "host/globals/GlobalNatives.h"
#include "script/ScriptContext.h"

namespace rond {

Engine& engineOf(HSQUIRRELVM vm) {
  auto* engine = dynamic_cast<Engine*>(&callerEngine(vm));
  if (engine == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] the script runs for no versus engine", "rond");
    lerrThrow();
  }
  return *engine;
}

Player& scriptPlayer(HSQUIRRELVM vm) {
  engineOf(vm);
  ScriptContext* context = scriptGetContext(vm);
  auto* player = context != nullptr ? static_cast<Player*>(context->self) : nullptr;
  if (player == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] the script drives no player", "rond");
    lerrThrow();
  }
  return *player;
}

}  // namespace rond

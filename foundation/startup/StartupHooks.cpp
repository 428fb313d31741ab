#include "foundation/startup/StartupHooks.h"

namespace {

StartupHooks g_hooks;

}  // namespace

void startupSetHooks(const StartupHooks& hooks) { g_hooks = hooks; }

const StartupHooks& startupGetHooks() { return g_hooks; }

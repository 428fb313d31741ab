#include "host/engine/EngineFactory.h"

#include "foundation/omb/ombLog.h"
#include "script/ScriptValueSerial.h"

#include <utility>

namespace {

EngineFactory g_factories[kEngineKinds] = {};

const char16_t* kindName(EngineKind kind) {
  switch (kind) {
    case EngineKind::Simple: return u"simple";
    case EngineKind::Basic: return u"basic";
    case EngineKind::Rond: return u"rond";
    case EngineKind::Vell: return u"vell";
  }
  return u"?";
}

}  // namespace

void engineRegisterFactory(EngineKind kind, EngineFactory factory) {
  g_factories[uint32_t(kind)] = factory;
}

Engine* engineCreate(EngineKind kind, System& system, EngineStart& start) {
  EngineFactory factory = g_factories[uint32_t(kind)];
  Engine* engine = nullptr;
  if (factory == nullptr) {
    freeScriptValueBuffer(std::exchange(start.args, nullptr));
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] the %ls engine is not available", "engineCreate",
                 kindName(kind));
    return nullptr;
  }
  try {
    engine = factory(system, start);
  } catch (...) {
    freeScriptValueBuffer(std::exchange(start.args, nullptr));
    throw;
  }
  freeScriptValueBuffer(std::exchange(start.args, nullptr));
  return engine;
}

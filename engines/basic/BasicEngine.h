#pragma once

#include "foundation/omb/containers/ombArray.h"
#include "host/engine/EngineFactory.h"
#include "host/engine/ScriptEngine.h"

namespace basic {

// A script-only engine on sprite layer 2 that can receive a value from the engine that queued
// it: the serialised "args" are rebuilt in this engine's machine at set-up and handed to the
// script by engineGetArgsVar.
class Engine final : public ScriptEngine {
 public:
  ~Engine() override;

  // Takes the serialised arguments over (null for none).
  void setArgs(OMB_ARRAY* buffer);
  void setupResources() override;
  void releaseResources();
  // Every slot has a controller; only an input controller counts as present.
  bool controllerExists(uint32_t slot) const override;
  // The arguments value (a new reference), or a new empty table when there were none.
  ScriptObject argsValue(HSQUIRRELVM vm) const;

 private:
  OMB_ARRAY* argsBuffer_ = nullptr;
  ScriptObject args_;
};

::Engine* createEngine(System& system, EngineStart& start);

}  // namespace basic

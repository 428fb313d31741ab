#pragma once

#include "host/engine/EngineFactory.h"
#include "host/engine/ScriptEngine.h"

namespace simple {

// The engine of the game's first scripts ("start"): the script "main" of its directory run once
// per frame with controllers for the player slots that have a tracker, a sound-effect group,
// the music player and the sprite layers.
class Engine final : public ScriptEngine {
 public:
  ~Engine() override;

  // The base set-up, the load directory, the controllers, then loadResources().
  void setupResources() override;
  // Rebuilds the subresources, the group "seList" and the main script.
  void loadResources();
  bool controllerExists(uint32_t slot) const override { return controller(slot) != nullptr; }
};

// The factory the executable registers: a new engine, set up on the System, with the start's
// directory interned as its script directory.
::Engine* createEngine(System& system, EngineStart& start);

}  // namespace simple

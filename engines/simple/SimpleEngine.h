#pragma once

#include "host/engine/EngineFactory.h"
#include "host/engine/ScriptEngine.h"
#include "render/sprite1/sprite1.h"

namespace simple {

// The engine of the game's first scripts ("start"): the script "main" of its directory run once
// per frame with controllers for the player slots that have a tracker, a sound-effect group,
// the music player and sprite layer 1 (GDI text and images), drawn in the 3D pass.
class Engine final : public ScriptEngine {
 public:
  ~Engine() override;

  // The base set-up, the load directory, the controllers, then loadResources().
  void setupResources() override;
  // Rebuilds the subresources, the sprite system, the group "seList" and the main script.
  void loadResources();
  bool controllerExists(uint32_t slot) const override { return controller(slot) != nullptr; }
  // The engine's sprite layer 1; null before the resources are loaded.
  sprite1::System* sprites() { return spritesMade_ ? &sprites_ : nullptr; }

 protected:
  // Sprite layer 1's natives and the engine's creating natives.
  void registerSpriteApi(const ScriptObject& table) override;
  void drawScene() override;

 private:
  void destroySprites();

  sprite1::System sprites_;
  bool spritesMade_ = false;
};

// The factory the executable registers: a new engine, set up on the System, with the start's
// directory interned as its script directory.
::Engine* createEngine(System& system, EngineStart& start);

}  // namespace simple

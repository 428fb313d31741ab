#pragma once

#include "host/engine/Engine.h"
#include "sound/se/LSeManager.h"

#include <memory>

class Controller;
struct ScriptThread;

// What the two script-only engines share: the script directory, the sound-effect group, four
// per-player controllers and the main script thread, run once per frame.
class ScriptEngine : public Engine {
 public:
  static constexpr uint32_t kPlayers = 4;

  ~ScriptEngine() override;

  // The interned script directory (with its trailing slash), set right after setup().
  void setDirectory(const char16_t* directory) { directory_ = directory; }
  const char16_t* directory() const { return directory_; }
  // The directory as interned again at set-up; null until then.
  const char16_t* loadDirectory() const { return loadDirectory_; }

  // Unloads the current group; loads the named group of the load directory unless the name is
  // empty.
  void switchSeGroup(const char16_t* name);
  LSeManager::_GROUPINFO* seGroup() const { return seGroup_; }
  Controller* controller(uint32_t slot) const {
    return slot < kPlayers ? controllers_[slot].get() : nullptr;
  }
  // Whether the script may call the slot's controller present (the families differ).
  virtual bool controllerExists(uint32_t slot) const = 0;

  // Controllers, the main script, then the sprite renderers.
  void update() override;

 protected:
  void internLoadDirectory();
  // Group "seList" of the load directory, of type 1, when it exists.
  void loadSeList();
  void unloadSeGroup();
  void deleteMainThread();
  void releaseControllers();
  // A new script table with the sprite, shared, binary and engine natives; the family adds its
  // own natives to it.
  ScriptObject newApiTable();
  // The sprite natives a family's table starts with: sprite layer 2's unless overridden.
  virtual void registerSpriteApi(const ScriptObject& table);
  // A thread over the table running "main" of the load directory. A game without the script
  // is told so in the log and the engine ends, rather than running empty frames forever.
  void startMain(const ScriptObject& table, const char* tag);

  std::unique_ptr<Controller> controllers_[kPlayers];

 private:
  LSeManager::_GROUPINFO* loadGroup(const char16_t* name);

  const char16_t* directory_ = nullptr;
  const char16_t* loadDirectory_ = nullptr;
  LSeManager::_GROUPINFO* seGroup_ = nullptr;
  ScriptThread* mainThread_ = nullptr;
};

// The device set of the engine a machine works for (the sprite natives' resolver).
OmbSpriteDeviceSet* engineSpriteSet(HSQUIRRELVM vm);

// The natives of both script-only engines, in their order: engineRequestExit, engineReload,
// engineResetFrameController, engineSetAudioVolume, engineSwitchSeGroup, enginePlaySe,
// engineGetRandomValue, engineGetRandomRange, inputCustomize, ctrlIsExist, ctrlGetStatus,
// ctrlGetEvent, bgmPlay, bgmStop, bgmSetVolume, bgmFadeout, bgmPlaySound.
void registerScriptEngineApi(const ScriptObject& table);

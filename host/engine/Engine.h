#pragma once

#include "foundation/omb/ombFrameController.h"
#include "foundation/omb/ombRandom.h"
#include "render/post/PostEffect.h"
#include "render/sprite/ombSprite.h"
#include "script/ScriptObject.h"

#include <cstdint>
#include <memory>
#include <string>

class System;
class ScriptManager;
class BinManager;
class EngineScriptKeys;
class EngineSession;

// The base of every engine: its own script manager with the interned keys its natives use, a
// seeded generator for the simulation and a default one, the frame controller, the sprite
// layer-2 device set with its sprite engine and the list of binary files its scripts loaded.
// run() is the per-engine main loop the System calls; it ends after the frame in which the quit
// flag became set.
//
// Life: constructed, setup(system), queued, run once, deleted by the System.
class Engine {
 public:
  Engine();
  virtual ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Stores the system, clears the quit flag and the screenshots, creates the engine's script
  // manager and its keys, and enables the per-frame tasks.
  void setup(System* system);
  // Starts a round: tells the session, seeds the generator (the session's seed, else the time)
  // and creates the subresources. Every engine's override calls this first.
  virtual void setupResources();
  // One frame of the engine's own work; the base updates the sprite engine.
  virtual void update();
  // The 3D pass; the base draws nothing.
  virtual void drawScene();
  // The 2D pass: the sprite engine.
  virtual void drawOverlay();
  // The hash of the simulation state after the last update (a StateHash over what the
  // simulation keeps), which the engine runner prints to check determinism; engines without a
  // simulation of their own answer false.
  virtual bool stateHash(uint64_t* hash) const;

  void run();
  // One frame of run() without its pacing: the window and input, the floating-point state,
  // update, the sound and effect tasks, the post effect, then the frame drawn (not presented)
  // when asked. run() and the headless engine runner both go through it.
  enum class FrameDraw { Skip, Draw };
  void runFrame(FrameDraw draw);

  void seedRandom(uint32_t seed);
  // Creates what is missing of the sprite device set and engine and the binary list.
  void setupSubresources();
  // Destroys the binary list (every binary still loaded), the sprite engine and its device set.
  void releaseSubresources();
  // The 6 ms margin before a frame is due, in counter ticks.
  void setFrameWaitMargin();

  // Screenshots: every (interval + 1)-th frame the back buffer is written to "<prefix><n>.bmp"
  // (a path relative to the game's folder); every frame is then drawn. An empty prefix ends them.
  void setScreenshots(const std::u16string& prefix, uint32_t interval);

  System* system() const { return system_; }
  EngineSession& session() const;
  ScriptManager* scriptManager() const { return scripts_.get(); }
  const EngineScriptKeys* keys() const { return keys_.get(); }
  OMB_RANDOM* seededRandom() const { return random_; }
  OMB_RANDOM* defaultRandom() const { return defaultRandom_; }
  uint32_t seed() const { return seed_; }
  OmbSpriteDeviceSet* spriteEngine() const { return sprites_; }
  // Null when the settings or the device refused post effects.
  PostEffect* postEffect() const { return postEffect_.get(); }
  BinManager* binaryList() const { return binaries_.get(); }
  bool quitRequested() const { return quit_; }
  void requestExit() { quit_ = true; }
  // The next frame is drawn and restarts the frame controller.
  void requestReset() { reset_ = true; }
  bool taskEnabled() const { return taskEnable_; }
  void setTaskEnable(bool enable) { taskEnable_ = enable; }
  uint32_t frameFlags() const { return frameFlags_; }
  // The frames drawn in the last whole second of the frame controller's statistics.
  uint32_t currentFps() const { return frames_.drawnLastSecond; }

  // The engine a script machine works for (its thread context's engine); null for a machine
  // without one.
  static Engine* fromVm(HSQUIRRELVM vm);

 protected:
  // The binary list alone, for engines (and tests) that need no device.
  void createBinaryList();

 private:
  void drawFrame();
  void writeScreenshot(uint32_t number);

  System* system_ = nullptr;
  bool quit_ = false;
  std::u16string screenshotPrefix_;
  uint32_t screenshotInterval_ = 0;
  uint32_t screenshotCountdown_ = 0;
  OMB_FRAMECONTROLLER frames_{};
  uint64_t waitMargin_ = 0;
  bool reset_ = false;
  uint32_t seed_ = 0;
  OMB_RANDOM* random_ = nullptr;
  OMB_RANDOM* defaultRandom_ = nullptr;
  std::unique_ptr<ScriptManager> scripts_;
  std::unique_ptr<EngineScriptKeys> keys_;
  bool taskEnable_ = false;
  uint32_t frameFlags_ = 0;
  OmbSpriteDeviceOps spriteOps_{};
  OmbSpriteDeviceSet* sprites_ = nullptr;
  std::unique_ptr<BinManager> binaries_;
  std::unique_ptr<PostEffect> postEffect_;
};

// Where the seed of a round without a network session comes from: the current time in seconds,
// unless the executable installs another source (a fixed seed for reproducible runs).
using EngineSeedSource = uint32_t (*)();
void engineSetSeedSource(EngineSeedSource source);

// The seventeen keys the natives read and write table members with, interned once in the
// engine's machine, in this order.
class EngineScriptKeys {
 public:
  explicit EngineScriptKeys(HSQUIRRELVM vm);

  ScriptObject x, y, z, width, height, flag, speed, colorRed, red, colorGreen, green, colorBlue,
      blue, alpha, base, level, show;
};

#pragma once

// The one application object that outlives every engine: the main window, the device, the
// sound manager, the renderer, the input manager with the four players' button trackers, the
// music player, the global script manager, the persistent parameters and the audio volumes. It
// fills the seams the libraries below leave for the host: the device's window and pack, the
// renderer's manager factories and the music player's view of the application.

#include "host/engine/EngineSession.h"
#include "host/input/ButtonStateHolder.h"
#include "host/input/InputManager.h"
#include "host/input/ombButtonState.h"
#include "host/system/SystemParameters.h"
#include "host/window/ombMswWindow.h"
#include "render/L3DRenderer.h"
#include "render/L3DRendererLinks.h"
#include "render/device/L3DDevice.h"
#include "render/device/L3DWindow.h"
#include "render/device/l3dPack.h"
#include "sound/DsndManager.h"
#include "sound/bgm/BgmPlayer.h"
#include "sound/bgm/BgmSystem.h"

#include <cstdint>
#include <memory>
#include <string>

class Config;
class ConfigNetHost;
class ScriptManager;
class Engine;
class LSeManager;
class L3DEffectManager;

inline constexpr uint32_t SYSTEM_FLAG_INITIALISED = 1;
inline constexpr uint32_t SYSTEM_FLAG_QUIT = 2;
inline constexpr uint32_t SYSTEM_PLAYERS = 4;

class System final : public BgmSystem,
                     public L3DWindow,
                     public L3DPack,
                     public L3DRendererLinks {
 public:
  // pack: the unnamed pack the start-up registered, where every host file is looked up.
  explicit System(int32_t pack);
  // Releases everything in its order. The parameter file is not saved here: saveParameters is
  // the explicit step before.
  ~System() override;
  System(const System&) = delete;
  System& operator=(const System&) = delete;

  // Brings everything up; every failure is a level-0 message.
  void init(Config* config);
  // When initialised: writes the parameter file through a temporary file and a rename. A
  // failure is logged (level 0, queued for display) and leaves the previous file as it was;
  // nothing is thrown.
  void saveParameters();
  void runEngines();
  void resetRenderer();
  void updateFrame();
  void signalNetReady();
  void resizeIntegerParameters(uint32_t n);
  void resizeStringParameters(uint32_t n);
  bool createMainWindow(const OMB_MSW_WINDOW_DESC& description);
  void destroyMainWindow();

  // BgmSystem.
  dbtl::DsndManager& GetSoundManager() override { return sound_; }
  int32_t GetPack() const override { return pack_; }
  float GetVolume(uint32_t type) const override { return volumes_[type]; }
  // L3DWindow: the main window's client size.
  void GetClientSize(d3d9::HWND window, uint32_t& width, uint32_t& height) const override;
  // L3DPack.
  int32_t GetRegisteredPack() const override { return pack_; }
  // L3DRendererLinks: the sound-effect manager and the effect manager, and the model library's
  // object instances over the managers of the renderer that asks for one.
  dbtl::rcptr<L3DSeManagerLink> CreateSeManager(const dbtl::rcptr<dbtl::DsndManager>& sound,
                                                float velocityFactor) override;
  dbtl::rcptr<L3DEffectManagerLink> CreateEffectManager(
      const dbtl::rcptr<L3DRenderer>& renderer) override;
  dbtl::rcptr<L3DObjectInstance> CreateObjectInstance(
      L3DRenderer& renderer, const dbtl::rcptr<L3DObjectData>& data,
      const L3DTextureResolver& resolver) override;
  void ReleaseInstance(L3DObjectInstance* instance) override;

  uint32_t flags() const { return flags_; }
  Config* config() const { return config_; }
  // The network session the engines run with: the one the lounge arranged at init, NoSession
  // without a lounge link (or until one is handed over).
  EngineSession& session() const { return *session_; }
  void setSession(std::unique_ptr<EngineSession> session);
  // The renderer's sound-effect manager, null without sound.
  LSeManager* seManager() const;
  // The renderer's effect manager, null without a renderer.
  L3DEffectManager* effectManager() const;
  bool quitRequested() const { return (flags_ & SYSTEM_FLAG_QUIT) != 0; }
  OMB_MSW_WINDOW* mainWindow() const { return window_; }
  L3DDevice& device() { return device_; }
  L3DRenderer* renderer() const { return renderer_.get(); }
  InputManager* inputManager() const { return input_.get(); }
  OMB_BUTTON_STATE* tracker(uint32_t slot) const { return trackers_[slot].get(); }
  ButtonStateHolder* trackerHolder(uint32_t slot) { return &trackers_[slot]; }
  BgmPlayer* bgmPlayer() const { return bgm_.get(); }
  ScriptManager* scriptManager() const { return scripts_.get(); }
  SystemParameters& parameters() { return parameters_; }
  void setVolume(uint32_t type, float volume) { volumes_[type] = volume; }
  // The next engine; a newly queued one replaces (and deletes) the one queued before.
  void queueEngine(Engine* engine);
  Engine* nextEngine() const { return next_; }

  // "//<localappdata>/<exe>.prm".
  static std::u16string parameterFilePath();

 private:
  void translateAdapter(uint32_t& adapter) const;
  void loadParameters();
  void writeParameters(const std::u16string& path);

  int32_t pack_;
  Config* config_ = nullptr;
  uint32_t flags_ = 0;
  std::unique_ptr<ScriptManager> scripts_;
  OMB_MSW_WINDOW* window_ = nullptr;
  L3DDevice device_;
  dbtl::DsndManager sound_;
  std::unique_ptr<L3DRenderer> renderer_;
  class SeManager;
  SeManager* seManager_ = nullptr;  // the renderer's, while it lives
  std::unique_ptr<InputManager> input_;
  // The session's view of the host; it outlives the session, which reaches the lounge through it.
  std::unique_ptr<ConfigNetHost> netHost_;
  std::unique_ptr<EngineSession> session_ = std::make_unique<NoSession>();
  // Player 0's buttons as the session reads them every frame.
  InputSource localInput_;
  ButtonStateHolder trackers_[SYSTEM_PLAYERS];
  std::unique_ptr<BgmPlayer> bgm_;
  SystemParameters parameters_;
  float volumes_[BgmSystem::kVolumeCount] = {};
  Engine* current_ = nullptr;
  Engine* next_ = nullptr;
};

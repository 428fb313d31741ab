#include "host/system/System.h"

#include "foundation/dbtl/DFile.h"
#include "foundation/file/File.h"
#include "foundation/lerr/LExceptGame.h"
#include "foundation/lfm/lfmPack.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/file/ombPath.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombMsw.h"
#include "foundation/omb/ombMswAppData.h"
#include "host/config/Config.h"
#include "host/config/ConfigNetHost.h"
#include "host/engine/Engine.h"
#include "model/L3DHandles.h"
#include "model/effect/L3DEffectManager.h"
#include "model/object/L3DObjectInstance.h"
#include "net/session/Net.h"
#include "platform/kernel/RecursiveMutex.h"
#include "platform/text/Utf8.h"
#include "platform/window/Window.h"
#include "render/device/l3dInit.h"
#include "script/ScriptManager.h"
#include "sound/se/LSeManager.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

constexpr const char* kInitTag = "System::init";
constexpr uint32_t kRepeatWindow = 20;
constexpr uint32_t kQuickWindow = 10;

void ioError(const char* tag) {
  ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] ファイル操作でエラーが発生しました。", tag);
}

std::string nativePath(const std::u16string& path) {
  // The expansion reads the application's sub-directory, which the file lock guards.
  platform::RecursiveMutexHold hold(ombFileLock());
  std::u16string native(ombPathToNative(nullptr, 0, path.c_str()), u'\0');
  ombPathToNative(native.data(), static_cast<uint32_t>(native.size() + 1), path.c_str());
  return platform::utf16ToUtf8(native);
}

}  // namespace

// The sound-effect manager behind the renderer's interface.
class System::SeManager : public L3DSeManagerLink {
 public:
  ~SeManager() override {
    if (owner != nullptr && owner->seManager_ == this) owner->seManager_ = nullptr;
  }
  bool HasActiveVoice() const override { return manager->_GetActiveVoices() != nullptr; }
  void StopFirstActiveVoice() override { manager->_StopVoice(manager->_GetActiveVoices()); }

  System* owner = nullptr;
  std::unique_ptr<LSeManager> manager;
};

System::System(int32_t pack) : pack_(pack), device_(this, this) {}

std::u16string System::parameterFilePath() { return ombMswAppDataFileName(u"prm"); }

void System::init(Config* config) {
  config_ = config;
  scripts_ = std::make_unique<ScriptManager>();
  netHost_ = std::make_unique<ConfigNetHost>(*config);
  if (Net* net = netSetup(*netHost_)) session_ = std::make_unique<NetEngineSession>(net);
  const bool networked = session_->active();

  OMB_MSW_WINDOW_DESC description;
  description.flags = OMB_MSW_WINDOW_KEY_HOOK;
  description.icon = 107;
  description.title = config->title;
  description.width = config->display.width;
  description.height = config->display.height;
  description.fullScreen = config->display.mode != CONFIG_MODE_WINDOW;
  if (!createMainWindow(description)) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] メインウインドウが作成できませんでした。", kInitTag);
  }
  void* handle = window_->window->handle();
  ombMswSetOwnerWindow(handle);
  // The session's waits keep the window answering.
  netHost_->setWindowPump([this] {
    if (window_ == nullptr) return true;
    ombMswWindowUpdate(window_);
    return !window_->quitRequested;
  });

  uint32_t adapter = config->display.adapter;
  translateAdapter(adapter);
  uint32_t bits = 0, width = 0, height = 0;
  switch (config->display.mode) {
    case CONFIG_MODE_FULL32:
    case CONFIG_MODE_FULL16:
      bits = config->display.mode == CONFIG_MODE_FULL32 ? 32 : 16;
      width = uint32_t(config->display.width);
      height = uint32_t(config->display.height);
      break;
    case CONFIG_MODE_WINDOW:
      break;
    default:
      ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] 内部エラー(MSW->QZ 3D変換 1)", kInitTag);
  }
  uint32_t options = L3DDEV_CREATE_MIPMAP;
  if (config->display.mode == CONFIG_MODE_WINDOW) options |= L3DDEV_CREATE_WINDOW;
  if (config->display.flags & CONFIG_DISPLAY_COMPRESS) options |= L3DDEV_CREATE_COMPRESS;
  if ((config->display.flags & CONFIG_DISPLAY_NO_FLIP) || networked) options |= L3DDEV_CREATE_IMMEDIATE;
  device_.Create(adapter, handle, bits, width, height, uint32_t(config->display.multisample),
                 options);
  sound_.Create(handle);
  for (float& volume : volumes_) volume = 1.0f;
  resetRenderer();

  input_ = std::make_unique<InputManager>();
  input_->init(config->input, handle, networked ? InputSession::Network : InputSession::None,
               scripts_.get());
  for (uint32_t slot = 0; slot < SYSTEM_PLAYERS; ++slot) {
    InputSource source;
    bool has = false;
    if (networked) {
      if (slot == 0) {
        input_->getControllerSource(0, localInput_);
        session_->setLocalInput(&localInput_);
      }
      has = session_->playerInput(slot, source);
    } else {
      has = input_->getControllerSource(slot, source);
    }
    if (has && !trackers_[slot].create(source, kRepeatWindow, kQuickWindow)) {
      ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] 内部エラー(can't create input engine)", kInitTag);
    }
  }
  bgm_ = std::make_unique<BgmPlayer>(this);
  loadParameters();
  flags_ |= SYSTEM_FLAG_INITIALISED;
}

void System::translateAdapter(uint32_t& adapter) const {
  d3d9::IDirect3D9* d3d = l3dGetDirect3D();
  d3d9::D3DADAPTER_IDENTIFIER9 wanted{};
  bool found = false;
  if (d3d != nullptr && d3d->GetAdapterIdentifier(adapter, 0, &wanted) >= 0) {
    // The 3D library lists only usable adapters, so the ordinal becomes the place among the
    // entries of the same device identifier.
    uint32_t same = 0;
    for (uint32_t ordinal = 0; ordinal < adapter; ++ordinal) {
      d3d9::D3DADAPTER_IDENTIFIER9 other{};
      if (d3d->GetAdapterIdentifier(ordinal, 0, &other) >= 0 &&
          std::memcmp(&other.DeviceIdentifier, &wanted.DeviceIdentifier,
                      sizeof wanted.DeviceIdentifier) == 0) {
        ++same;
      }
    }
    const L3D_ADAPTER_LIST& list = l3dGetAdapterList();
    for (uint32_t i = 0; i < list.count; ++i) {
      if (std::memcmp(&list.adapters.Get()[i].identifier.DeviceIdentifier,
                      &wanted.DeviceIdentifier, sizeof wanted.DeviceIdentifier) != 0) {
        continue;
      }
      if (same == 0) {
        adapter = i;
        found = true;
        break;
      }
      --same;
    }
  }
  if (!found) ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] 内部エラー(MSW->QZ 3D変換 0)", kInitTag);
}

void System::resetRenderer() {
  if (bgm_) bgm_->stop();
  renderer_.reset();
  renderer_ = std::make_unique<L3DRenderer>(this);
  dbtl::DFile file;
  lfmOpenPackData(pack_, file, "sys/renderer.csa");
  renderer_->Create(dbtl::rcptr<L3DDevice>::Borrow(&device_),
                    sound_.IsCreated() ? dbtl::rcptr<dbtl::DsndManager>::Borrow(&sound_)
                                       : dbtl::rcptr<dbtl::DsndManager>(),
                    file);
  if (seManager_ != nullptr) {
    LSeManager& se = *seManager_->manager;
    se.ReserveTypeSettings();
    for (uint32_t type = 0; type < BgmSystem::kVolumeCount; ++type) {
      se.configureTypeSetting(type, volumes_[type]);
    }
  }
  file.Close();
}

dbtl::rcptr<L3DSeManagerLink> System::CreateSeManager(const dbtl::rcptr<dbtl::DsndManager>& sound,
                                                      float velocityFactor) {
  dbtl::rcptr<SeManager> link;
  link.Create(1);
  link->owner = this;
  link->manager = std::make_unique<LSeManager>(sound, velocityFactor);
  seManager_ = link.Get();
  return dbtl::rcptr<L3DSeManagerLink>(link);
}

dbtl::rcptr<L3DEffectManagerLink> System::CreateEffectManager(
    const dbtl::rcptr<L3DRenderer>& renderer) {
  dbtl::rcptr<L3DEffectManager> manager;
  manager.Create(1);
  manager->Create(renderer.Get());
  if (seManager_ != nullptr) manager->SetSeManager(seManager_->manager.get());
  return dbtl::rcptr<L3DEffectManagerLink>(manager);
}

L3DEffectManager* System::effectManager() const {
  if (renderer_ == nullptr) return nullptr;
  return dynamic_cast<L3DEffectManager*>(renderer_->GetEffectManager().Get());
}

dbtl::rcptr<L3DObjectInstance> System::CreateObjectInstance(L3DRenderer& renderer,
                                                            const dbtl::rcptr<L3DObjectData>& data,
                                                            const L3DTextureResolver& resolver) {
  // The managers of the renderer that asks, which need not be the one the System holds now
  // (a renderer being replaced still releases and may build its own).
  L3DModelServices services;
  services.renderer = &renderer;
  if (auto* se = dynamic_cast<SeManager*>(renderer.GetSeManager().Get())) {
    services.seManager = se->manager.get();
  }
  services.effects = dynamic_cast<L3DEffectManager*>(renderer.GetEffectManager().Get());
  services.random = &renderer.GetRandom();
  services.names = &renderer.GetNnidTable();
  services.pack = pack_;
  auto instance = l3dNewObject<L3DObjectInstance>();
  instance->Create(services, data, resolver);
  return instance;
}

void System::ReleaseInstance(L3DObjectInstance* instance) { l3dReleaseObjectInstance(instance); }

void System::GetClientSize(d3d9::HWND window, uint32_t& width, uint32_t& height) const {
  if (window_ == nullptr || window_->window == nullptr || window != window_->window->handle()) {
    return;
  }
  const platform::window::WindowState state = window_->window->state();
  const platform::window::Rect border =
      platform::window::backend().adjustRect({0, 0, 0, 0}, state.fullScreen);
  const int32_t w = state.frame.width() - border.width();
  const int32_t h = state.frame.height() - border.height();
  width = w > 0 ? uint32_t(w) : 0;
  height = h > 0 ? uint32_t(h) : 0;
}

void System::runEngines() {
  while (next_ != nullptr) {
    current_ = std::exchange(next_, nullptr);
    current_->run();
    delete std::exchange(current_, nullptr);
    resetRenderer();
  }
}

void System::setSession(std::unique_ptr<EngineSession> session) {
  session_ = session ? std::move(session) : std::make_unique<NoSession>();
}

LSeManager* System::seManager() const {
  return seManager_ != nullptr ? seManager_->manager.get() : nullptr;
}

void System::queueEngine(Engine* engine) {
  if (next_ != engine) delete next_;
  next_ = engine;
}

void System::updateFrame() {
  ombMswWindowUpdate(window_);
  if (input_) input_->update();
  const bool close = std::exchange(window_->closeRequested, false);
  if ((close && !session_->active()) || window_->quitRequested) flags_ |= SYSTEM_FLAG_QUIT;
}

void System::signalNetReady() { session_->setReady(); }

void System::resizeIntegerParameters(uint32_t n) {
  if (n > parameters_.integers.size()) parameters_.integers.resize(n, 0);
}

void System::resizeStringParameters(uint32_t n) {
  if (n > parameters_.strings.size()) parameters_.strings.resize(n);
}

bool System::createMainWindow(const OMB_MSW_WINDOW_DESC& description) {
  destroyMainWindow();
  window_ = ombMswWindowCreate(&description);
  return window_ != nullptr;
}

void System::destroyMainWindow() {
  ombMswWindowDestroy(std::exchange(window_, nullptr));
}

void System::loadParameters() {
  const std::u16string path = parameterFilePath();
  if (ombFileIsExist(0, path.c_str()) != 1) {
    ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] parameter file \"%ls\" isn't exist", kInitTag,
                 path.c_str());
    return;
  }
  ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] load paramete file \"%ls\"", kInitTag,
               path.c_str());
  File file;
  file.create(path.c_str(), 0, 0);
  const uint32_t size = file.getSize();
  std::vector<uint8_t> bytes(size);
  if (size != 0) file.read(bytes.data(), size);
  file.close();
  Parsed<SystemParameters> parsed = parseSystemParameters(bytes);
  if (!parsed) {
    ioError(systemParameterReadTag(parsed.error().code));
    return;
  }
  const SystemParameters& loaded = parsed.value();
  resizeIntegerParameters(uint32_t(loaded.integers.size()));
  std::copy(loaded.integers.begin(), loaded.integers.end(), parameters_.integers.begin());
  resizeStringParameters(uint32_t(loaded.strings.size()));
  std::copy(loaded.strings.begin(), loaded.strings.end(), parameters_.strings.begin());
}

void System::writeParameters(const std::u16string& path) {
  const std::u16string temporaryPath = path + u".tmp";
  const std::string temporary = nativePath(temporaryPath);
  {
    File file;
    file.create(temporaryPath.c_str(), OMB_FILE_MODE_WRITE_ALT, OMB_FILE_OPEN_CREATE);
    if (!file.isOpen()) return;
    file.writeU32(uint32_t(parameters_.integers.size()));
    for (int32_t value : parameters_.integers) file.writeI32(value);
    file.writeU32(uint32_t(parameters_.strings.size()));
    for (const std::u16string& text : parameters_.strings) {
      const size_t end = text.find(u'\0');
      const uint32_t units = uint32_t(end == std::u16string::npos ? text.size() : end);
      file.writeU32(units);
      file.writeString(text.c_str(), units);
    }
    file.close();
  }
  // Only a temporary file of the whole size replaces the previous file.
  struct stat info {};
  const size_t expected = writeSystemParameters(parameters_).size();
  if (::stat(temporary.c_str(), &info) != 0 || size_t(info.st_size) != expected) {
    std::remove(temporary.c_str());
    ioError("File::writeString");
    return;
  }
  if (std::rename(temporary.c_str(), nativePath(path).c_str()) != 0) {
    std::remove(temporary.c_str());
    ioError("File::close");
  }
}

void System::saveParameters() {
  if ((flags_ & SYSTEM_FLAG_INITIALISED) == 0) return;
  const std::u16string path = parameterFilePath();
  try {
    ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] save parameter file", "System::~System");
    writeParameters(path);
  } catch (const LExceptGame&) {
    // Logged and queued where it was raised; the previous file stays, and no temporary one.
    std::remove(nativePath(path + u".tmp").c_str());
  }
}

System::~System() {
  delete std::exchange(next_, nullptr);
  delete std::exchange(current_, nullptr);
  parameters_ = {};
  bgm_.reset();
  ombMswSetOwnerWindow(nullptr);
  for (ButtonStateHolder& tracker : trackers_) tracker.release();
  input_.reset();
  renderer_.reset();
  sound_.Release();
  device_.Release();
  if (netHost_) netHost_->setWindowPump(nullptr);
  destroyMainWindow();
  try {
    // The shutdown delivers what is unsent; a failure there was logged and told to the lounge.
    session_->release();
  } catch (const LExceptGame&) {
  }
  session_ = std::make_unique<NoSession>();
  netHost_.reset();
  scripts_.reset();
  flags_ = 0;
}

#include "host/engine/Engine.h"

#include "foundation/dbtl/DCp932Text.h"
#include "foundation/dbtl/DFile.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lfm/lfmPack.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombTimer.h"
#include "host/binary/BinManager.h"
#include "host/config/Config.h"
#include "host/engine/EnginePostEffect.h"
#include "host/engine/EngineSession.h"
#include "host/system/System.h"
#include "model/effect/L3DEffectManager.h"
#include "platform/kernel/FloatControl.h"
#include "render/sprite2/sprite2.h"
#include "script/ScriptContext.h"
#include "script/ScriptManager.h"
#include "sound/se/LSeManager.h"

#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>

namespace {

constexpr uint32_t kFramesPerSecond = 60;
constexpr uint64_t kWaitMarginMilliseconds = 6;
// A screenshot's name holds at most 127 characters and its narrow form 128 bytes.
constexpr size_t kScreenshotNameUnits = 127;
constexpr size_t kScreenshotNameBytes = 128;

uint64_t marginTicks() {
  uint64_t frequency = ombTimerGetFrequency64();
  if (frequency == 0) frequency = 1000;
  return frequency * kWaitMarginMilliseconds / 1000;
}

// "%ls%u" without the C library's wide formatting: the prefix, the decimal number, ".bmp".
std::u16string screenshotName(const std::u16string& prefix, uint32_t number) {
  std::u16string name = prefix;
  for (char c : std::to_string(number)) name.push_back(char16_t(c));
  name += u".bmp";
  if (name.size() > kScreenshotNameUnits) name.resize(kScreenshotNameUnits);
  return name;
}

uint32_t timeSeed() { return uint32_t(std::time(nullptr)); }

EngineSeedSource g_seedSource = &timeSeed;

}  // namespace

void engineSetSeedSource(EngineSeedSource source) {
  g_seedSource = source != nullptr ? source : &timeSeed;
}

EngineScriptKeys::EngineScriptKeys(HSQUIRRELVM vm)
    : x(ScriptObject::newString(u"x", vm)),
      y(ScriptObject::newString(u"y", vm)),
      z(ScriptObject::newString(u"z", vm)),
      width(ScriptObject::newString(u"width", vm)),
      height(ScriptObject::newString(u"height", vm)),
      flag(ScriptObject::newString(u"flag", vm)),
      speed(ScriptObject::newString(u"speed", vm)),
      colorRed(ScriptObject::newString(u"colorRed", vm)),
      red(ScriptObject::newString(u"red", vm)),
      colorGreen(ScriptObject::newString(u"colorGreen", vm)),
      green(ScriptObject::newString(u"green", vm)),
      colorBlue(ScriptObject::newString(u"colorBlue", vm)),
      blue(ScriptObject::newString(u"blue", vm)),
      alpha(ScriptObject::newString(u"alpha", vm)),
      base(ScriptObject::newString(u"base", vm)),
      level(ScriptObject::newString(u"level", vm)),
      show(ScriptObject::newString(u"show", vm)) {}

Engine::Engine() {
  ombFrameControllerInit(&frames_, kFramesPerSecond);
  defaultRandom_ = ombRandomCreate(0);
}

Engine::~Engine() {
  releaseSubresources();
  keys_.reset();
  scripts_.reset();
  std::free(std::exchange(random_, nullptr));
  system_ = nullptr;
  screenshotPrefix_.clear();
  std::free(std::exchange(defaultRandom_, nullptr));
}

void Engine::setup(System* system) {
  system_ = system;
  quit_ = false;
  screenshotPrefix_.clear();
  screenshotInterval_ = 0;
  screenshotCountdown_ = 0;
  scripts_ = std::make_unique<ScriptManager>();
  keys_ = std::make_unique<EngineScriptKeys>(scripts_->vm.vm);
  taskEnable_ = true;
  frameFlags_ = 0;
}

EngineSession& Engine::session() const {
  static NoSession none;
  return system_ != nullptr ? system_->session() : none;
}

void Engine::setupResources() {
  EngineSession& net = session();
  if (net.active()) net.start();
  reset_ = true;
  seedRandom(net.active() ? net.seed() : g_seedSource());
  setupSubresources();
}

void Engine::seedRandom(uint32_t seed) {
  std::free(std::exchange(random_, nullptr));
  seed_ = seed;
  random_ = ombRandomCreate(seed);
}

void Engine::setupSubresources() {
  if (sprites_ == nullptr && system_ != nullptr) {
    sprite2::DeviceSetConfig config{&system_->device(), 0, 0, 1};
    if (const Config* c = system_->config()) {
      config.screenWidth = uint32_t(c->display.width);
      config.screenHeight = uint32_t(c->display.height);
      config.resourceScale = uint32_t(c->resourceScale);
    }
    sprite2CreateDeviceSet(&spriteOps_, config);
    sprites_ = ombSpriteCreateDeviceSet(&spriteOps_);
    if (sprites_ == nullptr) {
      sprite2DestroyDeviceSet(&spriteOps_);
      ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] スプライトエンジンの作成に失敗しました",
                   "Engine::setupSubresources");
    }
  }
  if (!postEffect_ && system_ != nullptr) {
    postEffect_ = std::make_unique<PostEffect>();
    if (!postEffect_->init(enginePostEffectConfig(*system_))) postEffect_.reset();
  }
  createBinaryList();
}

void Engine::createBinaryList() {
  if (!binaries_) binaries_ = std::make_unique<BinManager>();
}

void Engine::releaseSubresources() {
  if (binaries_) {
    binaries_->destroy();
    binaries_.reset();
  }
  if (sprites_ != nullptr) {
    ombSpriteDestroyDeviceSet(std::exchange(sprites_, nullptr));
    sprite2DestroyDeviceSet(&spriteOps_);
  }
  postEffect_.reset();
}

void Engine::setFrameWaitMargin() { waitMargin_ = marginTicks(); }

void Engine::setScreenshots(const std::u16string& prefix, uint32_t interval) {
  screenshotPrefix_ = prefix;
  screenshotInterval_ = interval;
  screenshotCountdown_ = 0;
}

void Engine::update() {
  if (sprites_ != nullptr) ombSpriteUpdate(sprites_);
}

void Engine::drawScene() {}

void Engine::drawOverlay() {
  if (sprites_ != nullptr) ombSpriteDraw(sprites_);
}

bool Engine::stateHash(uint64_t*) const { return false; }

Engine* Engine::fromVm(HSQUIRRELVM vm) {
  ScriptContext* context = scriptGetContext(vm);
  return context != nullptr ? static_cast<Engine*>(context->engine) : nullptr;
}

void Engine::drawFrame() {
  L3DDevice& device = system_->device();
  device.Reset(device.IsWindowed());
  d3d9::IDirect3DDevice9* d3d = device.GetDevice();
  // A released device cannot be drawn on; the presentation below resets it.
  if (d3d == nullptr) return;
  device.ResetViewport();
  if (postEffect_) {
    // The post effect clears the depth itself and, while effects are registered, sends the 3D
    // pass into its scene target; apply leaves the back buffer as the target for the 2D pass.
    d3d->BeginScene();
    postEffect_->begin();
    drawScene();
    postEffect_->apply();
  } else {
    d3d->Clear(0, nullptr, d3d9::D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    d3d->BeginScene();
    drawScene();
  }
  drawOverlay();
  d3d->EndScene();
}

void Engine::writeScreenshot(uint32_t number) {
  const std::u16string name = screenshotName(screenshotPrefix_, number);
  std::string narrow = dbtl::DCp932FromUtf16(name);
  if (narrow.size() > kScreenshotNameBytes - 1) narrow.resize(kScreenshotNameBytes - 1);
  dbtl::DFile file;
  lfmOpenFile(narrow.c_str(), file, dbtl::DFILE_CREATE | dbtl::DFILE_NEW);
  const bool written = file.IsOpen() && system_->device().CaptureBackBuffer(file);
  file.Close();
  if (!written) {
    ombLogPrintf(OMB_LOG_ERROR,
                 u"Error: [%s] レンダリング結果をファイルに保存できませんでした(%ls)",
                 "Engine::run", name.c_str());
  }
}

void Engine::runFrame(FrameDraw draw) {
  platform::applyGameFloatControl();
  system_->updateFrame();
  if (system_->quitRequested()) lerrThrow();

  frameFlags_ = 0;
  update();
  L3DEffectManager* effects = system_->effectManager();
  if (taskEnable_) {
    if (LSeManager* se = system_->seManager()) se->Update();
    if (effects != nullptr) effects->Task();
  }
  if (effects != nullptr) frameFlags_ |= effects->GetFrameFlags() & 1u;
  if (postEffect_) postEffect_->update();
  if (draw == FrameDraw::Draw) drawFrame();
}

void Engine::run() {
  setupResources();
  if (L3DRenderer* renderer = system_->renderer()) renderer->StopAll();
  reset_ = true;
  bool firstFrame = true;
  bool skip = false;
  bool anyFrame = false;
  uint32_t screenshot = 0;
  EngineSession& net = session();
  L3DDevice& device = system_->device();

  while (!quit_) {
    const bool drawn = reset_ || !skip || !screenshotPrefix_.empty();
    runFrame(drawn ? FrameDraw::Draw : FrameDraw::Skip);

    if (!screenshotPrefix_.empty()) {
      if (screenshotCountdown_ != screenshotInterval_) {
        ++screenshotCountdown_;
      } else {
        writeScreenshot(screenshot++);
        screenshotCountdown_ = 0;
      }
    }

    if (net.active()) {
      if (reset_) {
        net.waitFrame();
        skip = false;
        reset_ = false;
        ombFrameControllerReset(&frames_);
      } else {
        ombFrameControllerUpdate(&frames_);
        skip = net.waitFrame();
      }
      if (drawn && !device.Present()) device.Reset(device.IsWindowed());
    } else if ((device.GetFlags() & L3DDEV_FLAG_VSYNC_ACTIVE) != 0) {
      if (drawn) {
        if (!reset_) {
          // The presentation waits for the blank itself: sleep only until shortly before the
          // frame is due, so that the wait ends on the blank and not after it.
          const uint64_t interval = frames_.interval >> 16;
          const uint64_t elapsed = ombTimerGetCount64() - frames_.lastDraw;
          const uint64_t left = elapsed < interval ? interval - elapsed : 0;
          if (left > waitMargin_) ombTimerSleep64(int64_t(left - waitMargin_));
        }
        if (device.Present()) {
          if (reset_) {
            skip = false;
            reset_ = false;
            setFrameWaitMargin();
            ombFrameControllerReset(&frames_);
          } else {
            skip = ombFrameControllerUpdate(&frames_);
          }
        } else {
          device.ResetCurrentMode();
          reset_ = true;
        }
      } else if (!reset_) {
        skip = ombFrameControllerUpdate(&frames_);
      }
    } else {
      if (reset_) {
        skip = false;
        reset_ = false;
        device.WaitVBlank();
        ombFrameControllerReset(&frames_);
      } else {
        skip = ombFrameControllerUpdate(&frames_);
        ombFrameControllerWait(&frames_);
      }
      if (drawn && !device.Present()) {
        device.Reset(device.IsWindowed());
        reset_ = true;
      }
    }

    anyFrame = true;
    if (firstFrame) {
      firstFrame = false;
      net.setReady();
      reset_ = true;
    }
  }
  engineFinishSession(net, anyFrame);
}

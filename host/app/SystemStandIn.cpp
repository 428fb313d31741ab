#include "host/app/SystemStandIn.h"

#include "foundation/omb/ombLog.h"
#include "host/config/Config.h"
#include "platform/kernel/Clock.h"

namespace {

constexpr uint32_t kFrameMilliseconds = 16;

}  // namespace

SystemStandIn::~SystemStandIn() { ombMswWindowDestroy(window_); }

void SystemStandIn::init(const Config& config) {
  OMB_MSW_WINDOW_DESC description;
  description.flags = OMB_MSW_WINDOW_KEY_HOOK;
  description.icon = 107;
  description.title = config.title;
  description.width = config.display.width;
  description.height = config.display.height;
  description.fullScreen = config.display.mode != CONFIG_MODE_WINDOW;
  window_ = ombMswWindowCreate(&description);
  if (!window_) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] ウインドウの作成に失敗しました。", "System::init");
    return;
  }
  ombLogPrintf(OMB_LOG_MESSAGE,
               u"Message: [%s] the System object is not built yet: the start-up ends after the "
               u"configuration, with the main window open until it is closed",
               "appInit");
}

void SystemStandIn::run() {
  if (!window_) return;
  for (;;) {
    ombMswWindowUpdate(window_);
    if (window_->closeRequested || window_->quitRequested) break;
    platform::sleepMilliseconds(kFrameMilliseconds);
  }
}

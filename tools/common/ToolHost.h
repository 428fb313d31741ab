#pragma once

// Shared by the tools and benchmarks that run engines outside the game's own start-up: the
// framework's modules brought up in the game's order (core, error hook, float control, image,
// window layer, video, input, timer, sprite) and the game's packs, without what only the game
// does (its system resources and base script, sockets, process priority, debug log route).

#include "foundation/lfm/lfmPack.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombMsw.h"
#include "foundation/omb/ombTimer.h"
#include "host/app/AppMain.h"
#include "host/app/VUdEviruv.h"
#include "host/settings/ombInput.h"
#include "host/settings/ombVideo.h"
#include "host/window/ombMswWindow.h"
#include "image/omb/ombImage.h"
#include "platform/kernel/FloatControl.h"
#include "render/device/l3dInit.h"
#include "render/sprite/ombSprite.h"
#include "render/sprite2/sprite2.h"

#include <cstdint>

namespace tools {

// Brings the modules up, runs `beforePacks` (a log output, the archives to read: the window
// layer routes the log to its own output, so a log output is set after it), registers the one
// unnamed pack read through the registered archives as the game reads them, and brings up the
// device and sprite layers. Returns the pack's number.
template <class BeforePacks>
int32_t toolHostInit(BeforePacks&& beforePacks) {
  ombCoreInit();
  ombLogSetErrorHook(appErrorHook);
  platform::applyGameFloatControl();
  ombImageInit();
  ombMswInit();
  ombMswWindowInit();
  ombVideoInit();
  ombInputInit();
  ombTimerInit();
  ombSpriteInit();
  beforePacks();
  lfmTerm();
  const int32_t pack = lfmRegistPack("");
  dbtl::rcptr<VUdEviruv> archives;
  archives.Create(1);
  lfmRegistOverride(dbtl::rcptr<LFmOverride>(archives));
  l3dInit(ombVideoGetDirect3D());
  sprite2Init();
  return pack;
}

// The shut-down after a run, in the order the game's own ends.
inline void toolHostTerm() {
  sprite2Term();
  lfmTerm();
  l3dTerm();
  appTermModules();
}

}  // namespace tools

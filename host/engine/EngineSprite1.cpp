#include "host/engine/EngineSprite1.h"

#include "host/config/Config.h"
#include "host/system/System.h"
#include "model/load/Da3dObject.h"
#include "model/object/L3DModelServices.h"

namespace {

dbtl::rcptr<L3DTexture> loadImageTexture(void* context, const char16_t* directory,
                                         const char16_t* name) {
  auto* system = static_cast<System*>(context);
  L3DModelServices services;
  services.renderer = system->renderer();
  services.pack = system->GetPack();
  return da3dLoadTextureInDir(services, directory, name, 0);
}

}  // namespace

sprite1::SystemConfig engineSprite1Config(System& system) {
  sprite1::SystemConfig config;
  config.renderer = system.renderer();
  if (const Config* c = system.config()) {
    config.screenWidth = uint32_t(c->display.width);
    config.screenHeight = uint32_t(c->display.height);
    config.resourceScale = uint32_t(c->resourceScale);
  }
  config.loadTexture = &loadImageTexture;
  config.loaderContext = &system;
  return config;
}

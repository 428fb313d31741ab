#pragma once

#include "foundation/dbtl/rcptr.h"
#include "foundation/lerr/lerrText.h"
#include "model/effect/L3DEffectData.h"
#include "model/effect/L3DEffectProp.h"
#include "model/effect/L3DEffectTypes.h"
#include "render/device/L3DTexture.h"
#include "render/device/l3dPack.h"
#include "testsupport/EffectFileBuilder.h"
#include "testsupport/LerrCapture.h"
#include "testsupport/MemoryPack.h"

#include <cstdint>
#include <string>
#include <vector>

// Stands in for the renderer's texture loading: records each request and hands out a texture
// whose Direct3D handle is a distinct made-up address (cleared again before the textures go,
// so nothing releases it). Declare it before the tables that hold its textures.
class FakeTextures {
 public:
  struct Request {
    int32_t pack;
    std::string name;
    uint8_t option;
  };

  ~FakeTextures() {
    for (auto& t : made) t->texture = nullptr;
  }

  L3DEffectTextureLoader Loader() {
    return [this](int32_t pack, const char* name, uint8_t option) {
      requests.push_back({pack, name, option});
      dbtl::rcptr<L3DTexture> texture;
      texture.Create(1);
      texture->texture = reinterpret_cast<d3d9::IDirect3DTexture9*>(0x1000 + 0x10 * made.size());
      made.push_back(texture);
      return texture;
    };
  }

  std::vector<Request> requests;
  std::vector<dbtl::rcptr<L3DTexture>> made;
};

// The definition and data files of one test, served from memory as the registered pack.
struct EffectPack {
  PackScope pack;
  void Add(const std::string& name, const std::vector<uint8_t>& plain) {
    pack.Add(name, Scrambled(plain));
  }
};

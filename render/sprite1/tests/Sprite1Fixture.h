#pragma once

// A windowed device on the software rasteriser, a renderer whose "nolight_b0" entry is the
// real fixture shader (tests/shaders/nolight_b0.vsh, assembled at build time) and a sprite
// layer 1 system over them. File images come from textures the test paints and names.

#include "foundation/omb/ombCore.h"
#include "render/sprite1/sprite1.h"
#include "render/tests/RendererFixture.h"
#include "testsupport/FileBytes.h"
#include "testsupport/LogCapture.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

// The renderer's archive with the tagged stand-ins of RendererFixture.h, except "nolight_b0".
inline std::vector<uint8_t> Sprite1ShaderArchive() {
  const std::vector<uint8_t> nolight =
      readFileBytes(std::string(SPRITE1_SHADER_DIR) + "/nolight_b0.bin");
  EXPECT_FALSE(nolight.empty()) << SPRITE1_SHADER_DIR;
  DmfBuilder dmf;
  for (uint32_t kind = 0; kind < L3D_SHADER_KINDS; ++kind) {
    for (uint32_t bones = 0; bones <= L3D_SHADER_MAX_BONES; ++bones) {
      const std::string name = std::string(kKindNames[kind]) + "_b" + std::to_string(bones);
      const std::vector<uint8_t> bytes = name == "nolight_b0"
                                             ? Scrambled(nolight)
                                             : TaggedShader(0xFFFE0101u, kind * 5 + bones);
      dmf.Add(name, std::string(bytes.begin(), bytes.end()));
    }
  }
  const std::vector<uint8_t> pixel = TaggedShader(0xFFFF0101u, kPixelShaderId);
  dmf.Add("map3_psh", std::string(pixel.begin(), pixel.end()));
  return dmf.Bytes();
}

class Sprite1Test : public RendererTest {
 protected:
  static constexpr uint32_t kWidth = 96;
  static constexpr uint32_t kHeight = 64;

  void SetUp() override {
    Init(Profile("default"));
    SetClientSize(kWidth, kHeight);
    m_device = std::make_unique<L3DDevice>(this, this);
    m_device->Create(0, &m_window, 0, kWidth, kHeight, 0, L3DDEV_CREATE_WINDOW);
    Make(Sprite1ShaderArchive());
    sprite1::SystemConfig config;
    config.renderer = m_renderer.get();
    config.screenWidth = kWidth;
    config.screenHeight = kHeight;
    config.resourceScale = m_resourceScale;
    config.loadTexture = &LoadTexture;
    config.loaderContext = this;
    sprite1::systemCreate(&system, config);
  }

  void TearDown() override {
    sprite1::systemDestroy(&system);
    m_named.clear();
    RendererTest::TearDown();
  }

  // A texture the loader hands out for "dir/name" (16 x 16 unless said otherwise): opaque
  // red and white checks of 4 pixels on the left half, translucent blue on the right.
  L3DTexture* Paint(const std::string& key, uint32_t width = 16, uint32_t height = 16) {
    dbtl::rcptr<L3DTexture> t = m_device->CreateTexture(("/t/" + key).c_str(), width, height);
    int32_t pitch = 0;
    auto* bits = static_cast<uint8_t*>(t->Lock(0, 0, width, height, pitch));
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < width; ++x) {
        const bool odd = ((x / 4) + (y / 4)) % 2 != 0;
        uint8_t r = 255, g = odd ? 0 : 255, b = odd ? 0 : 255, a = 255;
        if (x >= width / 2) r = 0, g = odd ? 0 : 64, b = 255, a = odd ? 0 : 128;
        const uint8_t bgra[4] = {b, g, r, a};
        const uint8_t rgba[4] = {r, g, b, a};
        std::memcpy(bits + y * pitch + x * 4, t->kind == 0 ? rgba : bgra, 4);
      }
    }
    t->texture->UnlockRect(0);
    m_named[key] = t;
    return t.Get();
  }

  static dbtl::rcptr<L3DTexture> LoadTexture(void* context, const char16_t* directory,
                                             const char16_t* name) {
    auto* self = static_cast<Sprite1Test*>(context);
    const std::string key = platform::utf16ToUtf8(directory) + "/" + platform::utf16ToUtf8(name);
    auto found = self->m_named.find(key);
    return found != self->m_named.end() ? found->second : dbtl::rcptr<L3DTexture>();
  }

  // The draw calls the stand-in received since the last call, as their vertex counts.
  std::vector<int> Draws() {
    std::vector<int> counts;
    for (const std::string& line : D3d().callLog().lines()) {
      const std::string prefix = "DrawIndexedPrimitiveUP(";
      if (line.rfind(prefix, 0) != 0) continue;
      // type, minimum index, vertex count, ...
      size_t at = prefix.size();
      at = line.find(',', at) + 1;
      at = line.find(',', at) + 1;
      counts.push_back(std::stoi(line.substr(at)));
    }
    D3d().callLog().clear();
    return counts;
  }

  // The framework core comes up before the capture replaces the log output.
  struct CoreUp {
    CoreUp() { ombCoreInit(); }
  } m_core;
  LogCapture m_log;
  uint32_t m_resourceScale = 1;
  std::map<std::string, dbtl::rcptr<L3DTexture>> m_named;
  sprite1::System system;
};

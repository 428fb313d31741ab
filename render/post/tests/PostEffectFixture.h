#pragma once

// A windowed 64 x 48 device on the software rasteriser with the fixture post-effect shaders
// (tests/shaders, assembled at build time) in the registered pack under "sys/posteffect/", and
// a post effect made over it. Noise textures are the ones the test paints and names; the test
// scene is a few filled rectangles drawn in the 3D pass.

#include "render/post/PostEffect.h"
#include "render/post/PostEffectWater.h"
#include "render/tests/RendererFixture.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/FileBytes.h"
#include "testsupport/GoldenPicture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

class PostEffectTest : public RendererTest {
 protected:
  static constexpr uint32_t kWidth = 64;
  static constexpr uint32_t kHeight = 48;

  // Every assembled fixture shader, by the pack name the post effect asks for.
  void AddShaders() {
    namespace fs = std::filesystem;
    for (const char* kind : {"vsh", "psh"}) {
      const fs::path dir = fs::path(POST_SHADER_DIR) / kind;
      ASSERT_TRUE(fs::is_directory(dir)) << dir;
      for (const auto& file : fs::directory_iterator(dir)) {
        const std::string name = file.path().stem().string() + "." + kind;
        m_pack.Add("sys/posteffect/" + name, readFileBytes(file.path().string()));
      }
    }
  }

  enum class WithRenderer { kNo, kYes };

  void OpenWith(const d3d9::SystemProfile& profile, uint32_t multisample = 0,
                WithRenderer renderer = WithRenderer::kYes) {
    Init(profile);
    SetClientSize(kWidth, kHeight);
    m_device = std::make_unique<L3DDevice>(this, this);
    m_device->Create(0, &m_window, 0, kWidth, kHeight, multisample, L3DDEV_CREATE_WINDOW);
    AddShaders();
    if (renderer == WithRenderer::kYes) Make();
  }

  PostEffectConfig Config() {
    PostEffectConfig config;
    config.device = m_device.get();
    config.renderer = m_renderer.get();
    config.width = kWidth;
    config.height = kHeight;
    config.loadTexture = &LoadNoise;
    config.loadWaterModel = &LoadWater;
    config.context = this;
    config.pack = m_pack.Number();
    return config;
  }

  // The default device and an initialised post effect.
  void SetUp() override {
    OpenWith(Profile("default"));
    ASSERT_TRUE(m_effect.init(Config()));
  }

  void TearDown() override {
    m_effect.release();
    m_noise.clear();
    RendererTest::TearDown();
  }

  static dbtl::rcptr<L3DTexture> LoadNoise(void* context, const char16_t* directory,
                                           const char16_t* name) {
    auto* self = static_cast<PostEffectTest*>(context);
    self->m_noiseRequests.push_back(std::u16string(directory) + name);
    auto it = self->m_noise.find(name);
    return it != self->m_noise.end() ? it->second : dbtl::rcptr<L3DTexture>();
  }

  static bool LoadWater(void* context, const char16_t*, const char16_t* name,
                        PostEffectWaterModel& model) {
    auto* self = static_cast<PostEffectTest*>(context);
    auto it = self->m_models.find(name);
    if (it == self->m_models.end()) return false;
    model = it->second;
    return true;
  }

  // A noise texture of hashed texels under `name`: red and green vary, blue and alpha full.
  L3DTexture* PaintNoise(const std::u16string& name, uint32_t width = 16, uint32_t height = 16,
                         uint32_t seed = 1) {
    std::string key(name.begin(), name.end());
    dbtl::rcptr<L3DTexture> t = m_device->CreateTexture(("/noise/" + key).c_str(), width, height);
    int32_t pitch = 0;
    auto* bits = static_cast<uint8_t*>(t->Lock(0, 0, width, height, pitch));
    uint32_t h = seed * 2654435761u;
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < width; ++x) {
        h = h * 1664525u + 1013904223u;
        uint8_t* p = bits + y * pitch + x * 4;
        p[0] = uint8_t(h >> 8);   // blue
        p[1] = uint8_t(h >> 16);  // green
        p[2] = uint8_t(h >> 24);  // red
        p[3] = 255;
      }
    }
    t->texture->UnlockRect(0);
    m_noise[name] = t;
    return t.Get();
  }

  // The 3D pass of the test scene: a dark blue ground, a white square, red and green bars and
  // a half-transparent yellow square (its alpha marks it for the alpha glow).
  void DrawScene() {
    auto fill = [this](int32_t l, int32_t t, int32_t r, int32_t b, uint32_t colour) {
      const d3d9::RECT rect{l, t, r, b};
      D3d().Clear(1, &rect, d3d9::D3DCLEAR_TARGET, colour, 1.0f, 0);
    };
    D3d().Clear(0, nullptr, d3d9::D3DCLEAR_TARGET, 0x00202860u, 1.0f, 0);
    fill(8, 8, 24, 24, 0x00FFFFFFu);
    fill(32, 4, 36, 44, 0x00E02020u);
    fill(40, 20, 60, 26, 0x0020C040u);
    fill(44, 32, 56, 44, 0x80F0E040u);
  }

  // One drawn frame as the engine loop draws it: begin, the 3D pass, apply.
  void Frame() {
    D3d().BeginScene();
    m_effect.begin();
    DrawScene();
    m_effect.apply();
    D3d().EndScene();
  }


  // A pixel of the back buffer as 0xRRGGBB, read from its screenshot (a bottom-up BMP).
  uint32_t Pixel(uint32_t x, uint32_t y) {
    const std::vector<uint8_t> bmp = CaptureBackBuffer();
    if (bmp.size() < 54) return 0xDEADBEEFu;
    auto u32 = [&](size_t at) {
      return uint32_t(bmp[at]) | uint32_t(bmp[at + 1]) << 8 | uint32_t(bmp[at + 2]) << 16 |
             uint32_t(bmp[at + 3]) << 24;
    };
    const uint32_t offset = u32(10);
    const uint32_t width = u32(18);
    const uint32_t height = u32(22);
    const uint32_t bytes = (bmp[28] | bmp[29] << 8) / 8;
    const uint32_t stride = (width * bytes + 3) & ~3u;
    const size_t at = offset + size_t(height - 1 - y) * stride + x * bytes;
    if (at + 3 > bmp.size()) return 0xDEADBEEFu;
    return uint32_t(bmp[at]) | uint32_t(bmp[at + 1]) << 8 | uint32_t(bmp[at + 2]) << 16;
  }

  d3d9::IDirect3DSurface9* BackBuffer() {
    d3d9::IDirect3DSurface9* back = nullptr;
    D3d().GetBackBuffer(0, 0, d3d9::D3DBACKBUFFER_TYPE_MONO, &back);
    back->Release();  // the device keeps its own reference
    return back;
  }

  // A texel of a render-target texture as 0xRRGGBB, copied out through a readable surface.
  uint32_t TexturePixel(const dbtl::rcptr<L3DTexture>& texture, uint32_t x, uint32_t y) {
    d3d9::IDirect3DSurface9* level = nullptr;
    texture->texture->GetSurfaceLevel(0, &level);
    d3d9::D3DSURFACE_DESC desc{};
    level->GetDesc(&desc);
    d3d9::IDirect3DSurface9* copy = nullptr;
    D3d().CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                      d3d9::D3DPOOL_SYSTEMMEM, &copy, nullptr);
    uint32_t value = 0xDEADBEEFu;
    d3d9::D3DLOCKED_RECT locked{};
    if (copy != nullptr && D3d().GetRenderTargetData(level, copy) == d3d9::D3D_OK &&
        copy->LockRect(&locked, nullptr, d3d9::D3DLOCK_READONLY) == d3d9::D3D_OK) {
      value = *reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) +
                                                 y * locked.Pitch + x * 4) &
              0xFFFFFFu;
      copy->UnlockRect();
    }
    if (copy != nullptr) copy->Release();
    level->Release();
    return value;
  }

  // The frame must match golden/<name>.bmp byte for byte; RENDER_WRITE_GOLDEN=1 writes it
  // anew (on purpose only).
  void ExpectGolden(const std::string& name) {
    const std::string path = std::string(TEST_SOURCE_DIR) + "/post/tests/golden/" + name + ".bmp";
    expectGoldenPicture(CaptureBackBuffer(), path, "RENDER_WRITE_GOLDEN");
  }

  PostEffect m_effect;
  std::map<std::u16string, dbtl::rcptr<L3DTexture>> m_noise;
  std::vector<std::u16string> m_noiseRequests;
  std::map<std::u16string, PostEffectWaterModel> m_models;
};

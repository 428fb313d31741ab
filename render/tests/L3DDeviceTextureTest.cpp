#include "image/DImage.h"
#include "platform/d3d9/D3d9States.h"
#include "render/device/L3DDevice.h"
#include "testsupport/render/DeviceFixture.h"

#include <cstring>

using namespace d3d9;

namespace {

// The device of the running test, for reading render targets.
IDirect3DDevice9* gDevice = nullptr;

// Texel (x, y) of a level as its 32-bit word (the formats of these tests are 32-bit). Render
// targets cannot be locked; they are read through a copy in system memory, as a screenshot is.
uint32_t Texel(IDirect3DTexture9* texture, uint32_t level, uint32_t x, uint32_t y) {
  IDirect3DSurface9* surface = nullptr;
  IDirect3DSurface9* copy = nullptr;
  if (FAILED(texture->GetSurfaceLevel(level, &surface))) {
    ADD_FAILURE() << "no level " << level;
    return 0;
  }
  IDirect3DSurface9* readable = surface;
  if (texture->pool() == D3DPOOL_DEFAULT) {
    D3DSURFACE_DESC desc{};
    surface->GetDesc(&desc);
    IDirect3DDevice9* device = gDevice;
    EXPECT_EQ(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                  D3DPOOL_SYSTEMMEM, &copy, nullptr),
              D3D_OK);
    EXPECT_EQ(device->GetRenderTargetData(surface, copy), D3D_OK);
    readable = copy;
  }
  D3DLOCKED_RECT locked{};
  uint32_t value = 0;
  if (SUCCEEDED(readable->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
    std::memcpy(&value, static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
    readable->UnlockRect();
  } else {
    ADD_FAILURE() << "level " << level << " cannot be read";
  }
  safeRelease(copy);
  surface->Release();
  return value;
}

void AddTextureFormat(AdapterProfile& a, D3DFORMAT format) {
  a.formats.push_back({format, D3DRTYPE_TEXTURE, 0});
}

}  // namespace

TEST_F(DeviceTest, SizeRulesFollowTheAdapter) {
  struct Case {
    const char* profile;
    DWORD maxWidth;
    DWORD maxHeight;
    uint32_t width, height, expectedWidth, expectedHeight;
  };
  const Case cases[] = {
      {"default", 4096, 4096, 100, 20, 100, 20},
      {"pow2", 4096, 4096, 100, 20, 128, 32},
      {"pow2", 4096, 4096, 0, 1, 1, 1},
      {"pow2square", 4096, 4096, 100, 20, 128, 128},
      {"pow2", 64, 4096, 100, 20, 64, 32},
      // Square after the clamp as well: the smaller side wins.
      {"pow2square", 4096, 64, 100, 20, 64, 64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.profile) + " " + std::to_string(c.maxWidth) + "x" +
                 std::to_string(c.maxHeight));
    L3DDevice& device = Open(Profile(c.profile, [&](SystemProfile& p) {
                               p.adapters[0].caps.MaxTextureWidth = std::max<DWORD>(c.maxWidth, 1024);
                             }),
                             L3DDEV_CREATE_WINDOW);
    // The adapter list needs 1024 texels; the device's own copy of the caps is narrowed here.
    const_cast<D3DCAPS9&>(device.GetCaps()).MaxTextureWidth = c.maxWidth;
    const_cast<D3DCAPS9&>(device.GetCaps()).MaxTextureHeight = c.maxHeight;
    uint32_t w = 0, h = 0;
    device._AdjustTextureSize(c.width, c.height, w, h);
    EXPECT_EQ(w, c.expectedWidth);
    EXPECT_EQ(h, c.expectedHeight);
    Close();
  }
}

TEST_F(DeviceTest, TextureFormatsFollowTheColourDepth) {
  struct Case {
    const char* profile;
    bool withR8G8B8;
    D3DFORMAT color, alpha;
    uint32_t colorKind, alphaKind;
  };
  const Case cases[] = {
      {"desktop16", false, D3DFMT_R5G6B5, D3DFMT_A4R4G4B4, 6, 5},
      {"default", false, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, 2, 2},
      {"default", true, D3DFMT_R8G8B8, D3DFMT_A8R8G8B8, 3, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.profile) + (c.withR8G8B8 ? " R8G8B8" : ""));
    L3DDevice& device = Open(Profile(c.profile, [&](SystemProfile& p) {
                               if (c.withR8G8B8) AddTextureFormat(p.adapters[0], D3DFMT_R8G8B8);
                             }),
                             L3DDEV_CREATE_WINDOW);
    EXPECT_EQ(device.GetColorTextureFormat(), c.color);
    EXPECT_EQ(device.GetColorTextureKind(), c.colorKind);
    EXPECT_EQ(device.GetAlphaTextureFormat(), c.alpha);
    EXPECT_EQ(device.GetAlphaTextureKind(), c.alphaKind);
    Close();
  }
}

TEST_F(DeviceTest, MissingTextureFormatsAreFatal) {
  EXPECT_EQ(Fatal([this] {
              Open(Profile("default", [](SystemProfile& p) {
                     std::erase_if(p.adapters[0].formats, [](const FormatSupport& s) {
                       return s.type == D3DRTYPE_TEXTURE && s.format != D3DFMT_R5G6B5;
                     });
                   }),
                   L3DDEV_CREATE_WINDOW);
            }),
            "[L3DDevice::_CreateTexture] アルファテクスチャフォーマットが見つかりません");
}

TEST_F(DeviceTest, TheRegistryFindsNamesWithoutRegardToCase) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  dbtl::rcptr<L3DTexture> stone = device.CreateTexture("tex/Stone", 8, 8);
  dbtl::rcptr<L3DTexture> target = device.CreateTextureBack(16, 16);
  EXPECT_EQ(device.FindTexture("TEX/stone"), stone);
  EXPECT_EQ(stone.UseCount(), 1);
  EXPECT_FALSE(device.FindTexture(""));
  EXPECT_FALSE(device.FindTexture(nullptr));
  EXPECT_FALSE(device.FindTexture("tex/Stone2"));
  EXPECT_EQ(Fatal([&] { device.CreateTexture("TEX/STONE", 4, 4); }),
            "[L3DDevice::_CreateTexture] テクスチャ\"TEX/STONE\"はすでに存在しています。");
  // The last handle takes the name out of the registry.
  stone.Reset();
  EXPECT_FALSE(device.FindTexture("tex/Stone"));
  EXPECT_TRUE(device.CreateTexture("tex/Stone", 8, 8));
}

TEST_F(DeviceTest, MipLevelsOnlyWithTheMipmapFlag) {
  struct Case {
    uint32_t options;
    uint32_t levels;
  };
  for (const Case& c : {Case{L3DDEV_CREATE_WINDOW, 1},
                        Case{L3DDEV_CREATE_WINDOW | L3DDEV_CREATE_MIPMAP, 7}}) {
    L3DDevice& device = Open(Profile("default"), c.options);
    dbtl::rcptr<L3DTexture> texture = device._CreateTexture("a", 64, 32, false, true);
    EXPECT_EQ(texture->levels, c.levels);
    EXPECT_EQ(texture->texture->GetLevelCount(), c.levels);
    EXPECT_EQ(texture->type, L3DTEX_TYPE_MANAGED);
    texture.Reset();
    Close();
  }
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  EXPECT_EQ(Fatal([&] { device._CreateTexture("empty", 0, 5, true, true); }),
            "[L3DDevice::CreateTexture] テクスチャが作成できません。(0x5)(alpha: true)(mip: false)(pri: 0)");
}

TEST_F(DeviceTest, ImagesFillLevelZeroAndTheMipChain) {
  // A row padding that code ignoring the pitch would trip over.
  L3DDevice& device = Open(Profile("default,pad=12"), L3DDEV_CREATE_WINDOW | L3DDEV_CREATE_MIPMAP);
  dbtl::DImage image;
  ASSERT_TRUE(image.CreateDefaultPitch(4, 4, 1));  // R, G, B bytes
  for (uint32_t y = 0; y < 4; ++y) {
    for (uint32_t x = 0; x < 4; ++x) {
      uint8_t* p = image.GetPixelAddress(x, y);
      p[0] = x < 2 ? 0xFF : 0x00;
      p[1] = y < 2 ? 0x80 : 0x00;
      p[2] = 0x10;
    }
  }
  dbtl::rcptr<L3DTexture> texture = device._CreateTextureFromImage("quad", image, false, true);
  ASSERT_EQ(texture->levels, 3u);
  EXPECT_EQ(Texel(texture->texture, 0, 0, 0) & 0xFFFFFF, 0xFF8010u);
  EXPECT_EQ(Texel(texture->texture, 0, 3, 3) & 0xFFFFFF, 0x000010u);
  EXPECT_EQ(Texel(texture->texture, 1, 0, 0) & 0xFFFFFF, 0xFF8010u);
  EXPECT_EQ(Texel(texture->texture, 1, 1, 0) & 0xFFFFFF, 0x008010u);
  EXPECT_EQ(Texel(texture->texture, 1, 0, 1) & 0xFFFFFF, 0xFF0010u);
}

TEST_F(DeviceTest, ImagesAreResampledToTheAdjustedSize) {
  L3DDevice& device = Open(Profile("pow2"), L3DDEV_CREATE_WINDOW);
  dbtl::DImage image;
  ASSERT_TRUE(image.CreateDefaultPitch(3, 3, 1));
  for (uint32_t y = 0; y < 3; ++y) {
    for (uint32_t x = 0; x < 3; ++x) std::memcpy(image.GetPixelAddress(x, y), "\x20\x40\x60", 3);
  }
  dbtl::rcptr<L3DTexture> texture = device._CreateTextureFromImage("odd", image, true, false);
  EXPECT_EQ(texture->width, 4u);
  EXPECT_EQ(texture->height, 4u);
  EXPECT_TRUE(texture->alpha);
  EXPECT_EQ(Texel(texture->texture, 0, 3, 3) & 0xFFFFFF, 0x204060u);
}

TEST_F(DeviceTest, RenderTargetTexturesAreUnnamedBoundedAndFilled) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  const_cast<D3DCAPS9&>(device.GetCaps()).MaxTextureWidth = 256;
  EXPECT_FALSE(device.CreateTextureBack(300, 16));
  EXPECT_EQ(device._CreateTexture("wide", 300, 16, false, false)->width, 256u);

  gDevice = device.GetDevice();
  dbtl::rcptr<L3DTexture> target = device.CreateTextureBack(64, 32);
  ASSERT_TRUE(target);
  EXPECT_EQ(target->type, L3DTEX_TYPE_RENDER);
  EXPECT_TRUE(target->contentsLost);
  EXPECT_STREQ(target->name, "");
  target->FillColor(0xFF336699);
  EXPECT_FALSE(target->contentsLost);
  EXPECT_EQ(Texel(target->texture, 0, 63, 31), 0xFF336699u);

  // The copy takes the current viewport, clamped to the texture.
  D3d().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
  target->FillColor(0);
  device.SetViewport(32, 500);
  target->CopyBackBuffer();
  EXPECT_EQ(Texel(target->texture, 0, 31, 31) & 0xFFFFFF, 0x102030u);
  EXPECT_EQ(Texel(target->texture, 0, 32, 0), 0u);

  dbtl::rcptr<L3DTexture> managed = device.CreateTexture("plain", 8, 8);
  EXPECT_EQ(Fatal([&] { managed->CopyBackBuffer(); }),
            "[L3DTexture::CopyBackBuffer] バックバッファテクスチャではありません");
  EXPECT_EQ(Fatal([&] { managed->FillColor(0); }),
            "[L3DTexture::FillColor] バックバッファテクスチャではありません");
  int32_t pitch = 0;
  EXPECT_EQ(Fatal([&] { target->Lock(0, 0, 1, 1, pitch); }),
            "[L3DTexture::Lock] テクスチャをロックできません");
}

TEST_F(DeviceTest, LockWritesIntoASingleLevelTexture) {
  L3DDevice& device = Open(Profile("default,pad=8"), L3DDEV_CREATE_WINDOW | L3DDEV_CREATE_MIPMAP);
  dbtl::rcptr<L3DTexture> texture = device.CreateTexture("sprite", 8, 8);
  int32_t pitch = 0;
  auto* bits = static_cast<uint8_t*>(texture->Lock(2, 3, 4, 2, pitch));
  const uint32_t red = 0xFFFF0000;
  std::memcpy(bits + pitch + 4, &red, 4);  // (3, 4) of the texture
  texture->texture->UnlockRect(0);
  EXPECT_EQ(Texel(texture->texture, 0, 3, 4), red);

  dbtl::rcptr<L3DTexture> mipped = device._CreateTexture("mipped", 8, 8, true, true);
  EXPECT_EQ(Fatal([&] { mipped->Lock(0, 0, 1, 1, pitch); }),
            "[L3DTexture::Lock] テクスチャをロックできません");
}

TEST_F(DeviceTest, ResetRemakesRenderTargetsEmptyAndKeepsManagedTextures) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  gDevice = device.GetDevice();
  dbtl::rcptr<L3DTexture> target = device.CreateTextureBack(32, 32);
  dbtl::rcptr<L3DTexture> managed = device.CreateTexture("kept", 8, 8);
  target->FillColor(0xFFFFFFFF);
  IDirect3DTexture9* managedBefore = managed->texture;
  ASSERT_TRUE(device.SetRenderTarget(true, target));
  D3d().simulateLoss(1);
  EXPECT_FALSE(device.Reset(true));
  EXPECT_TRUE(device.IsLost());
  ASSERT_TRUE(device.Reset(true));
  EXPECT_EQ(target->width, 32u);
  ASSERT_NE(target->texture, nullptr);
  EXPECT_TRUE(target->contentsLost);
  EXPECT_EQ(Texel(target->texture, 0, 0, 0), 0u);
  EXPECT_EQ(managed->texture, managedBefore);
  EXPECT_EQ(device.GetRenderTarget(), D3d().currentRenderTarget());
  EXPECT_EQ(device.GetRenderTargetWidth(), 320u);

  // Handles that outlive the device destroy their records without it.
  device.Release();
  EXPECT_EQ(target->texture, nullptr);
  EXPECT_EQ(target->owner, nullptr);
  target.Reset();
  managed.Reset();
}

TEST_F(DeviceTest, WithoutRenderTargetTexturesNoneAreMade) {
  L3DDevice& device = Open(Profile("default", [](SystemProfile& p) {
                             for (FormatSupport& s : p.adapters[0].formats) {
                               if (s.type == D3DRTYPE_TEXTURE) s.usages &= ~D3DUSAGE_RENDERTARGET;
                             }
                           }),
                           L3DDEV_CREATE_WINDOW);
  EXPECT_EQ(device.GetRenderTextureFormat(), D3DFMT_UNKNOWN);
  EXPECT_NE(m_capture.Log().find("\tRender texture format: unknown\r\n"), std::string::npos);
  EXPECT_FALSE(device.CreateTextureBack(64, 64));
}

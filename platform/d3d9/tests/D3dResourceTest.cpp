#include "platform/d3d9/tests/D3dTestDevice.h"

#include <gtest/gtest.h>

#include <cstring>

namespace d3d9 {
namespace {

using testing::makeDevice;
using testing::Ref;

TEST(D3dTexture, FullChainRoundTripsThroughPaddedPitch) {
  auto t = makeDevice("default,pad=12");
  IDirect3DTexture9* raw = nullptr;
  ASSERT_EQ(t.device->CreateTexture(64, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &raw,
                                    nullptr), D3D_OK);
  Ref<IDirect3DTexture9> tex(raw);
  ASSERT_EQ(tex->GetLevelCount(), 7u);
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(tex->GetLevelDesc(6, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 1u);
  EXPECT_EQ(tex->GetLevelDesc(7, &desc), D3DERR_INVALIDCALL);

  // Two levels locked at once, written row by row through the pitch the lock gave.
  D3DLOCKED_RECT l0{}, l1{};
  ASSERT_EQ(tex->LockRect(0, &l0, nullptr, 0), D3D_OK);
  ASSERT_EQ(tex->LockRect(1, &l1, nullptr, 0), D3D_OK);
  EXPECT_EQ(l0.Pitch, 64 * 4 + 12);
  EXPECT_EQ(tex->LockRect(0, &l0, nullptr, 0), D3DERR_INVALIDCALL);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const uint32_t v = 0xFF000000u | uint32_t(y) << 8 | uint32_t(x);
      std::memcpy(static_cast<uint8_t*>(l0.pBits) + y * l0.Pitch + x * 4, &v, 4);
    }
  }
  ASSERT_EQ(tex->UnlockRect(1), D3D_OK);
  ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
  EXPECT_EQ(tex->UnlockRect(0), D3DERR_INVALIDCALL);

  // A sub-rectangle lock points at its first pixel.
  const RECT r{5, 7, 9, 10};
  ASSERT_EQ(tex->LockRect(0, &l0, &r, D3DLOCK_READONLY), D3D_OK);
  uint32_t first = 0;
  std::memcpy(&first, l0.pBits, 4);
  EXPECT_EQ(first, 0xFF000705u);
  uint32_t below = 0;
  std::memcpy(&below, static_cast<uint8_t*>(l0.pBits) + 2 * l0.Pitch + 3 * 4, 4);
  EXPECT_EQ(below, 0xFF000908u);
  tex->UnlockRect(0);
  const TexelLevel& texels = tex->texels(0);
  EXPECT_EQ(texels.texels[63 * texels.pitch + 62], 0xFF003F3Eu);
}

TEST(D3dTexture, LevelSurfacesShareTheTexturesCount) {
  auto t = makeDevice("default");
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(t.device->CreateTexture(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &tex,
                                    nullptr), D3D_OK);
  IDirect3DSurface9* level = nullptr;
  ASSERT_EQ(tex->GetSurfaceLevel(0, &level), D3D_OK);
  EXPECT_EQ(tex->Release(), 1u);  // the level surface keeps the texture
  EXPECT_EQ(level->Release(), 0u);
}

TEST(D3dTexture, DxtLevelsKeepTheirBlocks) {
  auto t = makeDevice("default");
  IDirect3DTexture9* raw = nullptr;
  ASSERT_EQ(t.device->CreateTexture(8, 8, 2, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &raw, nullptr),
            D3D_OK);
  Ref<IDirect3DTexture9> tex(raw);
  D3DLOCKED_RECT l{};
  ASSERT_EQ(tex->LockRect(0, &l, nullptr, 0), D3D_OK);
  EXPECT_EQ(l.Pitch, 16);  // two 8-byte blocks per block row
  // Block (1,1): colour 0 pure red, colour 1 pure blue, every pixel index 1 (blue) but the
  // first, which takes index 0.
  uint8_t block[8] = {0x00, 0xF8, 0x1F, 0x00, 0x54, 0x55, 0x55, 0x55};
  std::memcpy(static_cast<uint8_t*>(l.pBits) + l.Pitch + 8, block, 8);
  tex->UnlockRect(0);
  ASSERT_EQ(tex->LockRect(0, &l, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(std::memcmp(static_cast<uint8_t*>(l.pBits) + l.Pitch + 8, block, 8), 0);
  tex->UnlockRect(0);
  const TexelLevel& texels = tex->texels(0);
  EXPECT_EQ(texels.texels[4 * 8 + 4], 0xFFFF0000u);
  EXPECT_EQ(texels.texels[4 * 8 + 5], 0xFF0000FFu);
  EXPECT_EQ(texels.texels[7 * 8 + 7], 0xFF0000FFu);
  const RECT unaligned{1, 0, 4, 4};
  EXPECT_EQ(tex->LockRect(0, &l, &unaligned, 0), D3DERR_INVALIDCALL);
}

struct CreateCase {
  const char* spec;
  UINT width, height, levels;
  DWORD usage;
  D3DFORMAT format;
  D3DPOOL pool;
  HRESULT expected;
};

TEST(D3dTexture, CreationFollowsTheAdapter) {
  const CreateCase cases[] = {
      {"default", 100, 20, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3D_OK},
      {"pow2", 100, 20, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
      {"pow2", 128, 32, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3D_OK},
      {"pow2square", 128, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
      {"pow2square", 128, 128, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3D_OK},
      {"default", 4097, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
      {"default", 16, 16, 6, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
      {"default", 6, 8, 1, 0, D3DFMT_DXT3, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
      {"nodxt", 8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
      {"default", 8, 8, 1, 0, D3DFMT_R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
      {"default", 8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
       D3DERR_INVALIDCALL},
      {"default", 8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3D_OK},
      {"default", 8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R5G6B5, D3DPOOL_DEFAULT,
       D3DERR_INVALIDCALL},
      {"default", 0, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.spec) + " " + std::to_string(c.width) + "x" +
                 std::to_string(c.height));
    auto t = makeDevice(c.spec);
    IDirect3DTexture9* tex = nullptr;
    EXPECT_EQ(t.device->CreateTexture(c.width, c.height, c.levels, c.usage, c.format, c.pool,
                                      &tex, nullptr), c.expected);
    EXPECT_EQ(tex != nullptr, c.expected == D3D_OK);
    if (tex) tex->Release();
  }
}

TEST(D3dTexture, RenderTargetTexturesCannotBeLocked) {
  auto t = makeDevice("default");
  IDirect3DTexture9* raw = nullptr;
  ASSERT_EQ(t.device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                    D3DPOOL_DEFAULT, &raw, nullptr), D3D_OK);
  Ref<IDirect3DTexture9> tex(raw);
  D3DLOCKED_RECT l{};
  EXPECT_EQ(tex->LockRect(0, &l, nullptr, 0), D3DERR_INVALIDCALL);
}

TEST(D3dBuffers, LocksStayInsideTheBuffer) {
  auto t = makeDevice("default");
  IDirect3DVertexBuffer9* vbRaw = nullptr;
  ASSERT_EQ(t.device->CreateVertexBuffer(112, D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING,
                                         0x815E, D3DPOOL_MANAGED, &vbRaw, nullptr), D3D_OK);
  Ref<IDirect3DVertexBuffer9> vb(vbRaw);
  D3DVERTEXBUFFER_DESC desc{};
  vb->GetDesc(&desc);
  EXPECT_EQ(desc.Size, 112u);
  EXPECT_EQ(desc.FVF, 0x815Eu);
  EXPECT_TRUE(desc.Usage & D3DUSAGE_SOFTWAREPROCESSING);
  void* p = nullptr;
  EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
  std::memset(p, 0xAB, 112);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  EXPECT_EQ(vb->Lock(100, 12, &p, 0), D3D_OK);
  vb->Unlock();
  EXPECT_EQ(vb->Lock(100, 13, &p, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Lock(112, 0, &p, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->bytes()[111], 0xAB);

  IDirect3DIndexBuffer9* ib = nullptr;
  EXPECT_EQ(t.device->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ib, nullptr),
            D3DERR_INVALIDCALL);
  ASSERT_EQ(t.device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr),
            D3D_OK);
  ib->Release();
}

TEST(D3dShaders, TokenStreamsAreCheckedAgainstTheCaps) {
  auto soft = makeDevice("ps11");
  auto hard = makeDevice("ps11", 64, 64, D3DCREATE_HARDWARE_VERTEXPROCESSING);
  // A comment whose payload holds the end token must not end the stream early.
  const DWORD vs20[] = {D3DVS_VERSION(2, 0), 0x0002FFFE, 0x0000FFFF, 0x12345678, 0x0000FFFF};
  const DWORD ps20[] = {D3DPS_VERSION(2, 0), 0x0000FFFF};
  const DWORD ps11[] = {D3DPS_VERSION(1, 1), 0x0000FFFF};
  const DWORD wrongKind[] = {D3DPS_VERSION(1, 1), 0x0000FFFF};
  IDirect3DVertexShader9* vs = nullptr;
  ASSERT_EQ(soft.device->CreateVertexShader(vs20, &vs), D3D_OK);
  EXPECT_EQ(vs->tokens().size(), 5u);
  vs->Release();
  EXPECT_EQ(hard.device->CreateVertexShader(vs20, &vs), D3DERR_INVALIDCALL);
  EXPECT_EQ(soft.device->CreateVertexShader(wrongKind, &vs), D3DERR_INVALIDCALL);
  IDirect3DPixelShader9* ps = nullptr;
  EXPECT_EQ(soft.device->CreatePixelShader(ps20, &ps), D3DERR_INVALIDCALL);
  ASSERT_EQ(soft.device->CreatePixelShader(ps11, &ps), D3D_OK);
  ps->Release();
  EXPECT_EQ(soft.device->CreatePixelShader(nullptr, &ps), D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace d3d9

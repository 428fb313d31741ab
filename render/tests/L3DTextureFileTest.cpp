#include "render/device/L3DTextureFile.h"

#include "foundation/lerr/lerrText.h"
#include "render/device/L3DDevice.h"
#include "render/device/l3dPack.h"
#include "testsupport/DmfBuilder.h"
#include "testsupport/MemoryPack.h"
#include "testsupport/image/DimgLoadTestSupport.h"
#include "testsupport/render/DeviceFixture.h"

#include <cstring>
#include <optional>

using namespace d3d9;

namespace {

using Bytes = std::vector<uint8_t>;

// An 8-bit RGBA or RGB PNG of one colour.
Bytes Png(uint32_t width, uint32_t height, std::initializer_list<uint8_t> pixel) {
  filetest::PngPicture picture;
  picture.width = width;
  picture.height = height;
  picture.colour = pixel.size() == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
  for (uint32_t i = 0; i < width * height; ++i) {
    picture.rows.insert(picture.rows.end(), pixel.begin(), pixel.end());
  }
  return filetest::WritePng(picture);
}

Bytes Pattern(size_t n, uint8_t seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(seed + i * 7);
  return b;
}

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

// A "dgt" container; an entry left empty (nullopt) is not stored.
Bytes Dgt(std::optional<std::string> spec, std::optional<Bytes> compress, std::optional<Bytes> raw) {
  DmfBuilder dmf;
  if (spec) dmf.Add("spec", *spec);
  if (compress) dmf.Add("compress", Str(*compress));
  if (raw) dmf.Add("raw", Str(*raw));
  return dmf.Bytes();
}

std::string Spec(const char* tag, uint32_t edge) {
  std::string s(tag, 4);
  for (int i = 0; i < 4; ++i) s += char(edge >> (8 * i));
  return s;
}

// Level bytes of a texture, rows of blocks (or of pixels) without the pitch's padding.
Bytes LevelBytes(IDirect3DTexture9* texture, uint32_t level, size_t rowBytes, uint32_t rows) {
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  Bytes out;
  for (uint32_t r = 0; r < rows && locked.pBits; ++r) {
    const auto* row = static_cast<const uint8_t*>(locked.pBits) + size_t(r) * locked.Pitch;
    out.insert(out.end(), row, row + rowBytes);
  }
  texture->UnlockRect(level);
  return out;
}

uint32_t Texel(IDirect3DTexture9* texture, uint32_t x, uint32_t y) {
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  uint32_t v = 0;
  if (locked.pBits) std::memcpy(&v, static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
  texture->UnlockRect(0);
  return v;
}

class TextureFileTest : public DeviceTest {
 protected:
  L3DDevice& OpenWith(const char* profile, uint32_t options = 0) {
    return Open(Profile(profile), L3DDEV_CREATE_WINDOW | L3DDEV_CREATE_COMPRESS | options);
  }
  dbtl::rcptr<L3DTexture> Load(const char* path, bool mip = false) {
    return m_device->CreateTexturePack(path, m_pack.Number(), path, mip);
  }
  PackScope m_pack;
};

}  // namespace

TEST_F(TextureFileTest, ATextureFileWinsOverAnImageOfTheSameName) {
  L3DDevice& device = OpenWith("default");
  ASSERT_TRUE(device.GetFlags() & L3DDEV_FLAG_COMPRESS);
  m_pack.Add("tex/wall.png", Png(8, 8, {1, 2, 3}));
  m_pack.Add("tex/wall.dgt", Dgt(Spec("DTCC", 8), Pattern(32, 1), std::nullopt));
  dbtl::rcptr<L3DTexture> texture = Load("tex/wall");
  EXPECT_EQ(texture->type, L3DTEX_TYPE_COMPRESSED);
  EXPECT_EQ(texture->texture->format(), D3DFMT_DXT1);
  EXPECT_EQ(texture->kind, 1u);
  EXPECT_FALSE(texture->alpha);
  EXPECT_EQ(device.FindTexture("TEX/WALL"), texture);
}

TEST_F(TextureFileTest, CompressedLevelsAreReadInOrderWhateverThePitch) {
  struct Case {
    const char* tag;
    uint32_t edge;
    bool mip;
    uint32_t options;
    uint32_t levels;
  };
  const Case cases[] = {
      {"DTCC", 8, true, L3DDEV_CREATE_MIPMAP, 2}, {"DTCA", 8, true, L3DDEV_CREATE_MIPMAP, 2},
      {"DTCA", 4, true, L3DDEV_CREATE_MIPMAP, 1}, {"DTCC", 16, true, 0, 1},
      {"DTCA", 16, false, L3DDEV_CREATE_MIPMAP, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tag) + " " + std::to_string(c.edge) + " mip " + std::to_string(c.mip) +
                 " options " + std::to_string(c.options));
    OpenWith("default,pad=12", c.options);
    const bool alpha = c.tag[3] == 'A';
    const uint32_t block = alpha ? 16 : 8;
    Bytes stored;
    for (uint32_t e = c.edge; e >= 4; e /= 2) {
      const Bytes level = Pattern(size_t(e / 4) * (e / 4) * block, uint8_t(e));
      stored.insert(stored.end(), level.begin(), level.end());
    }
    m_pack.Add("tex/t.dgt", Dgt(Spec(c.tag, c.edge), stored, std::nullopt));
    dbtl::rcptr<L3DTexture> texture = Load("tex/t", c.mip);
    EXPECT_EQ(texture->levels, c.levels);
    EXPECT_EQ(texture->alpha, alpha);
    EXPECT_EQ(texture->kind, alpha ? 0u : 1u);
    EXPECT_EQ(texture->texture->format(), alpha ? D3DFMT_DXT3 : D3DFMT_DXT1);
    size_t offset = 0;
    uint32_t e = c.edge;
    for (uint32_t level = 0; level < c.levels; ++level, e /= 2) {
      const size_t rowBytes = size_t(e / 4) * block;
      EXPECT_EQ(LevelBytes(texture->texture, level, rowBytes, e / 4),
                Bytes(stored.begin() + offset, stored.begin() + offset + rowBytes * (e / 4)))
          << "level " << level;
      offset += rowBytes * (e / 4);
    }
    texture.Reset();
    Close();
  }
}

TEST_F(TextureFileTest, WithoutDxtTheRawImageIsReadWithItsAlphaTurnedBack) {
  L3DDevice& device = OpenWith("nodxt");
  ASSERT_FALSE(device.GetFlags() & L3DDEV_FLAG_COMPRESS);
  // The PNG reader hands alpha over inverted and the device turns it back: the texture gets
  // the stored bytes. The edge length of "spec" does not count on this road.
  m_pack.Add("tex/glass.dgt", Dgt(Spec("DTCA", 64), std::nullopt, Png(4, 2, {0x10, 0x20, 0x30, 0x30})));
  dbtl::rcptr<L3DTexture> texture = Load("tex/glass");
  EXPECT_EQ(texture->type, L3DTEX_TYPE_MANAGED);
  EXPECT_TRUE(texture->alpha);
  EXPECT_EQ(texture->width, 4u);
  EXPECT_EQ(texture->texture->format(), D3DFMT_A8R8G8B8);
  EXPECT_EQ(Texel(texture->texture, 3, 1), 0x30102030u);
}

TEST(L3DTextureFile, InvertAlphaFollowsTheKind) {
  struct Case {
    uint32_t kind;
    Bytes before, after;
  };
  const Case cases[] = {
      {0, {1, 2, 3, 0x00}, {1, 2, 3, 0xFF}},
      {2, {1, 2, 3, 0x40}, {1, 2, 3, 0xBF}},
      {4, {0x34, 0x92}, {0x34, 0x12}},
      {5, {0x34, 0x32}, {0x34, 0xC2}},
      {6, {0x34, 0x92}, {0x34, 0x92}},
      {1, {1, 2, 3}, {1, 2, 3}},
  };
  for (const Case& c : cases) {
    dbtl::DImage image;
    ASSERT_TRUE(image.CreateDefaultPitch(1, 2, c.kind));
    for (uint32_t y = 0; y < 2; ++y) std::memcpy(image.GetPixelAddress(0, y), c.before.data(), c.before.size());
    l3dInvertAlpha(image);
    for (uint32_t y = 0; y < 2; ++y) {
      EXPECT_EQ(Bytes(image.GetPixelAddress(0, y), image.GetPixelAddress(0, y) + c.after.size()), c.after)
          << "kind " << c.kind << " row " << y;
    }
  }
}

TEST_F(TextureFileTest, AnEdgeTheAdapterCannotTakeIsFatalOnlyForDxt) {
  {
    OpenWith("pow2");
    m_pack.Add("tex/odd.dgt", Dgt(Spec("DTCC", 200), Pattern(200 * 200 / 2, 0), Png(200, 200, {9, 8, 7})));
    EXPECT_EQ(Fatal([this] { Load("tex/odd"); }),
              "[L3DDevice::CreateTextureDXTn] テクスチャファイル\"tex/odd.dgt | compress\"を読み込めませんでした。");
    Close();
  }
  Open(Profile("pow2", [](SystemProfile& p) {
         std::erase_if(p.adapters[0].formats, [](const FormatSupport& s) {
           return s.format == D3DFMT_DXT1 || s.format == D3DFMT_DXT3;
         });
       }),
       L3DDEV_CREATE_WINDOW | L3DDEV_CREATE_COMPRESS);
  dbtl::rcptr<L3DTexture> texture = Load("tex/odd");
  EXPECT_EQ(texture->width, 256u);
  EXPECT_EQ(texture->height, 256u);
  EXPECT_EQ(Texel(texture->texture, 255, 255) & 0xFFFFFF, 0x090807u);
}

TEST_F(TextureFileTest, ImagesGetTheirAlphaFromACompanionOfTheSameSize) {
  OpenWith("nodxt");
  m_pack.Add("tex/solid.png", Png(4, 4, {0x11, 0x22, 0x33}));
  dbtl::rcptr<L3DTexture> solid = Load("tex/solid");
  EXPECT_FALSE(solid->alpha);
  EXPECT_EQ(Texel(solid->texture, 2, 2), 0xFF112233u);

  m_pack.Add("tex/leaf.jpg", Png(4, 4, {0x11, 0x22, 0x33}));  // found by name, read by content
  m_pack.Add("tex/leaf_a.bmp", Png(4, 4, {0x00, 0x80, 0x00}));
  dbtl::rcptr<L3DTexture> leaf = Load("tex/leaf");
  EXPECT_TRUE(leaf->alpha);
  EXPECT_EQ(Texel(leaf->texture, 1, 3), 0x80112233u);

  m_pack.Add("tex/twig.png", Png(4, 4, {1, 1, 1}));
  m_pack.Add("tex/twig_a.png", Png(4, 2, {1, 1, 1}));
  const std::string message = Fatal([this] { Load("tex/twig"); });
  EXPECT_NE(message.find("[l3dLoadTextureImage] カラー画像とアルファ画像のサイズが違う("), std::string::npos)
      << message;
  EXPECT_NE(message.find("tex/twig)"), std::string::npos) << message;
}

TEST_F(TextureFileTest, BrokenTextureFilesAreFatal) {
  struct Case {
    const char* what;
    const char* profile;
    Bytes file;
    const char* message;
  };
  const Case cases[] = {
      {"no spec", "default", Dgt(std::nullopt, Pattern(32, 0), std::nullopt),
       "[l3dGetTextureData] テクスチャファイル\"tex/bad.dgt\"の形式が異常。"},
      {"unknown tag", "default", Dgt(Spec("DTCX", 8), Pattern(32, 0), std::nullopt),
       "[l3dGetTextureData] テクスチャファイル\"tex/bad.dgt\"の形式が異常。"},
      {"short spec", "default", Dgt(std::string("DTCC\x08", 5), Pattern(32, 0), std::nullopt),
       "ファイル \"tex/bad.dgt\" を読み込めませんでした。"},
      {"no compressed entry", "default", Dgt(Spec("DTCC", 8), std::nullopt, Png(8, 8, {1, 2, 3})),
       "[l3dGetTextureData] テクスチャファイル\"tex/bad.dgt\"の形式が異常。"},
      {"short levels", "default", Dgt(Spec("DTCC", 8), Pattern(31, 0), std::nullopt),
       "ファイル \"tex/bad.dgt | compress\" を読み込めませんでした。"},
      {"no raw entry", "nodxt", Dgt(Spec("DTCC", 8), Pattern(32, 0), std::nullopt),
       "[l3dGetTextureData] テクスチャファイル\"tex/bad.dgt\"の形式が異常。"},
      {"raw is no image", "nodxt", Dgt(Spec("DTCC", 8), std::nullopt, Pattern(40, 3)),
       "[L3DDevice::CreateTexturePack] テクスチャファイル\"tex/bad.dgt\"の形式が異常。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OpenWith(c.profile);
    m_pack.Add("tex/bad.dgt", c.file);
    const std::string message = Fatal([this] { Load("tex/bad"); });
    EXPECT_EQ(message, c.message);
    EXPECT_FALSE(m_device->FindTexture("tex/bad"));
    Close();
  }
}

TEST_F(TextureFileTest, NamesAreTakenOnceAndDxtNeedsTheDevice) {
  L3DDevice& device = OpenWith("nodxt");
  m_pack.Add("tex/a.png", Png(2, 2, {1, 2, 3}));
  dbtl::rcptr<L3DTexture> kept = Load("tex/a");
  EXPECT_EQ(Fatal([this] { Load("tex/a"); }),
            "[L3DDevice::CreateTexturePack] テクスチャ\"tex/a\"はすでに存在しています。");
  dbtl::DFile file;
  EXPECT_EQ(Fatal([&] { device.CreateTextureDXTn("tex/b", file, 8, false, false); }),
            "[L3DDevice::CreateTextureDXTn] このパソコンは圧縮テクスチャに対応していません。");
}

// The parsers behind l3dGetTextureData and CreateTextureDXTn, without a device: the tag and
// edge of "spec", and the tight levels of "compress" from the largest down.
TEST(L3DTextureFile, SpecAndLevelsParseFromBytes) {
  const std::string opaque("DTCC\x10\0\0\0", 8);
  const std::string alpha("DTCA\x08\0\0\0", 8);
  const auto spec = [](const std::string& s) {
    return l3dParseTextureSpec({reinterpret_cast<const uint8_t*>(s.data()), s.size()}, "t.dgt");
  };
  ASSERT_TRUE(spec(opaque).ok());
  EXPECT_EQ(spec(opaque).value().edge, 16u);
  EXPECT_FALSE(spec(opaque).value().alpha);
  EXPECT_TRUE(spec(alpha).value().alpha);
  EXPECT_EQ(spec(opaque.substr(0, 7)).error().text,
            lerrText(u"ファイル \"t.dgt\" を読み込めませんでした。"));
  EXPECT_EQ(spec("DTCX" + opaque.substr(4)).error().text,
            lerrText(u"[l3dGetTextureData] テクスチャファイル\"t.dgt\"の形式が異常。"));

  // 16 x 16 DXT1 with three levels: 128, 32 and 8 bytes.
  std::vector<uint8_t> data(168);
  const auto levels = l3dParseDxtLevels(data, 16, false, 3, "t.dgt");
  ASSERT_TRUE(levels.ok());
  ASSERT_EQ(levels.value().size(), 3u);
  EXPECT_EQ(levels.value()[1].data(), data.data() + 128);
  EXPECT_EQ(levels.value()[2].size(), 8u);
  const auto shortLevels = l3dParseDxtLevels({data.data(), 167}, 16, false, 3, "t.dgt");
  ASSERT_FALSE(shortLevels.ok());
  EXPECT_EQ(shortLevels.error().offset, 160u);  // where the last level should begin
  // DXT3 takes 16 bytes a block: the first level alone needs 256.
  EXPECT_FALSE(l3dParseDxtLevels(data, 16, true, 2, "t.dgt").ok());
}

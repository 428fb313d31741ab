#include "model/effect/L3DEffectProp.h"

#include "foundation/lerr/lerrParsed.h"
#include "model/effect/tests/EffectTestSupport.h"

#include <gtest/gtest.h>

namespace {

using effectfile::Prop;

TEST(L3DEffectProp, LoadsTexturesImagesAndModelsFromThePack) {
  LerrCapture capture;
  lerrSetThreshold(3);
  EffectPack files;
  Prop p;
  p.textures = {0, 7};
  effectfile::Image image;
  image.texture = 1;
  image.uv[0] = 0.25f;
  image.uv[3] = 0.75f;
  image.pivot[0] = 0.125f;
  image.pivot[1] = 1.0f;
  image.color[3] = 0.5f;
  image.blend = 11;
  p.images = {effectfile::Image{}, image};
  effectfile::Model model;
  model.vertices.resize(3);
  model.vertices[2].position[1] = 2.5f;
  model.vertices[2].color[0] = 0.25f;
  model.vertices[2].s = 1.0f;
  // Stored indices are u32 and kept as their low 16 bits.
  model.indices = {0x10000, 1, 0x20002};
  p.models = {model};
  files.Add("fx/def.dat", effectfile::write(p));

  FakeTextures textures;
  L3DEffectProp prop;
  l3dLoadEffectProp(prop, files.pack.Number(), "fx/def", textures.Loader());

  ASSERT_EQ(textures.requests.size(), 2u);
  EXPECT_EQ(textures.requests[0].name, "fx/def0");
  EXPECT_EQ(textures.requests[1].name, "fx/def1");
  EXPECT_EQ(textures.requests[1].option, 7);
  EXPECT_EQ(textures.requests[1].pack, files.pack.Number());
  ASSERT_EQ(prop.textureCount, 2u);
  for (uint32_t t = 0; t < 2; ++t) {
    for (uint32_t b = 0; b < L3D_EFFECT_BLEND_COUNT; ++b) {
      EXPECT_EQ(prop.textures[t].keys[b].blend, b);
      EXPECT_EQ(prop.textures[t].keys[b].texture, textures.made[t]->texture);
    }
  }

  ASSERT_EQ(prop.imageCount, 2u);
  const L3D_EFFECT_IMAGE& i = prop.images[1];
  EXPECT_EQ(i.texture, 1u);
  EXPECT_EQ(i.u0, 0.25f);
  EXPECT_EQ(i.v1, 0.75f);
  EXPECT_EQ(i.cx, 0.125f);
  EXPECT_EQ(i.cy, 1.0f);
  EXPECT_EQ(i.color[3], 0.5f);
  EXPECT_EQ(&prop.BatchKey(i), &prop.textures[1].keys[11]);

  ASSERT_EQ(prop.modelCount, 1u);
  const L3D_EFFECT_MODEL& m = prop.models[0];
  ASSERT_EQ(m.vertexCount, 3u);
  EXPECT_EQ(m.vertices[2].y, 2.5f);
  EXPECT_EQ(m.vertices[2].color[0], 0.25f);
  EXPECT_EQ(m.vertices[2].s, 1.0f);
  ASSERT_EQ(m.indexCount, 3u);
  EXPECT_EQ(m.indices[0], 0);
  EXPECT_EQ(m.indices[1], 1);
  EXPECT_EQ(m.indices[2], 2);
  EXPECT_NE(capture.Log().find("[L3DEffectManager::_LoadProp] load define prop \""),
            std::string::npos);
}

TEST(L3DEffectProp, EmptyTablesLoad) {
  L3DEffectProp prop;
  const std::vector<uint8_t> bytes = effectfile::write(Prop{});
  lerrFatalIfFailed(l3dParseEffectProp(prop, bytes.data(), bytes.size(), "def", 0, "def", {}));
  EXPECT_EQ(prop.textureCount + prop.imageCount + prop.modelCount, 0u);
  EXPECT_FALSE(prop.textures);
}

TEST(L3DEffectProp, MissingFileIsLoggedAndLeavesEmptyTables) {
  LerrCapture capture;
  lerrSetThreshold(3);
  EffectPack files;
  FakeTextures textures;
  L3DEffectProp prop;
  prop.imageCount = 5;  // a table from before is dropped
  l3dLoadEffectProp(prop, files.pack.Number(), "fx/none", textures.Loader());
  EXPECT_EQ(prop.imageCount, 0u);
  EXPECT_TRUE(textures.requests.empty());
  const std::string full = l3dEffectPackFileName(files.pack.Number(), "fx/none");
  EXPECT_NE(capture.Log().find("[L3DEffectManager::_LoadProp] \"" + full + "\" isn't exist."),
            std::string::npos)
      << capture.Log();
  EXPECT_TRUE(capture.Boxes().empty());
}

struct PropFailure {
  const char* what;
  std::vector<uint8_t> bytes;
  std::u16string message;
};

std::vector<uint8_t> withImage(effectfile::Image image) {
  Prop p;
  p.textures = {0};
  p.images = {image};
  return effectfile::write(p);
}

TEST(L3DEffectProp, BrokenDefinitionsAreFatal) {
  const std::u16string shortRead = u"ファイル \"def\" を読み込めませんでした。";
  Prop badMagic;
  badMagic.magic = 0x54444645;
  Prop badVersion;
  badVersion.version = 1;
  Prop manyTextures;
  manyTextures.textures = {0, 0};
  std::vector<uint8_t> textureCountTooBig = effectfile::write(manyTextures);
  textureCountTooBig[8] = 200;
  effectfile::Image noTexture;
  noTexture.texture = 1;
  effectfile::Image noBlend;
  noBlend.blend = 12;
  Prop badIndex;
  badIndex.models.resize(1);
  badIndex.models[0].vertices.resize(2);
  badIndex.models[0].indices = {0, 1, 2};
  Prop manyVertices;
  manyVertices.models.resize(1);
  manyVertices.models[0].vertices.resize(1);
  std::vector<uint8_t> vertexCountTooBig = effectfile::write(manyVertices);
  vertexCountTooBig[20] = 0xFF;  // vertex count 0x...FF: 255 vertices of 36 bytes are not there
  std::vector<uint8_t> cut = effectfile::write(Prop{});
  cut.pop_back();

  const std::vector<PropFailure> cases = {
      {"magic", effectfile::write(badMagic),
       u"[L3DEffectManager::SetProp] システム定義ファイル \"def\" のヘッダが異常"},
      {"version", effectfile::write(badVersion),
       u"[L3DEffectManager::SetProp] システム定義ファイル \"def\" のバージョンが異常"},
      {"texture count past the end", textureCountTooBig, shortRead},
      {"vertex count past the end", vertexCountTooBig, shortRead},
      {"cut in the model count", cut, shortRead},
      {"image of a missing texture", withImage(noTexture),
       u"[L3DEffectManager::SetProp] システム定義ファイル \"def\" の1個目のイメージが異常"
       u"(テクスチャ1/1、ブレンド0)"},
      {"image of blend mode 12", withImage(noBlend),
       u"[L3DEffectManager::SetProp] システム定義ファイル \"def\" の1個目のイメージが異常"
       u"(テクスチャ0/1、ブレンド12)"},
      {"index past the vertices", effectfile::write(badIndex),
       u"[L3DEffectManager::SetProp] システム定義ファイル \"def\" のモデル0の頂点番号が異常(2/2)"},
  };
  for (const PropFailure& c : cases) {
    LerrCapture capture;
    L3DEffectProp prop;
    EXPECT_EQ(capture.FatalText([&] {
      lerrFatalIfFailed(
          l3dParseEffectProp(prop, c.bytes.data(), c.bytes.size(), "def", 0, "def", {}));
    }),
              c.message)
        << c.what;
  }
}

}  // namespace

#include "model/effect/L3DEffectProp.h"

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/Dpath.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrParsed.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/lfm/lfmPack.h"
#include "model/file/L3DModelReader.h"
#include "render/L3DRenderer.h"

#include <vector>

namespace {

constexpr uint64_t kImageBytes = sizeof(L3D_EFFECT_IMAGE);
constexpr uint64_t kVertexBytes = sizeof(L3D_EFFECT_MODELVERTEX);
constexpr uint64_t kMinModelBytes = 8;  // vertex count and index count

[[noreturn]] void failName(const L3DModelReader& r, const char16_t* format, const char* fullName) {
  r.Fail(lerrFormat(lerrText(format).c_str(), fullName));
}

void loadTextures(L3DEffectProp& prop, L3DModelReader& r, int32_t pack, const char* name,
                  const L3DEffectTextureLoader& textures) {
  prop.textureCount = r.Count(1);
  prop.textures.Create(prop.textureCount);
  for (uint32_t i = 0; i < prop.textureCount; ++i) {
    const uint8_t option = r.U8();
    const std::string textureName = std::string(name) + std::to_string(static_cast<int>(i));
    L3D_EFFECT_TEXTURE& row = prop.textures[i];
    if (textures) row.texture = textures(pack, textureName.c_str(), option);
    for (uint32_t b = 0; b < L3D_EFFECT_BLEND_COUNT; ++b) {
      row.keys[b].blend = b;
      row.keys[b].texture = row.texture ? row.texture->texture : nullptr;
    }
  }
}

// An image's texture and blend mode pick its batch key; both must name one that exists.
void loadImages(L3DEffectProp& prop, L3DModelReader& r, const char* fullName) {
  prop.imageCount = r.Count(kImageBytes);
  prop.images.Create(prop.imageCount);
  for (uint32_t i = 0; i < prop.imageCount; ++i) {
    L3D_EFFECT_IMAGE& image = prop.images[i];
    r.Block(&image, sizeof image);
    if (image.texture >= prop.textureCount || image.blend >= L3D_EFFECT_BLEND_COUNT) {
      r.Fail(lerrFormat(lerrText(u"[L3DEffectManager::SetProp] システム定義ファイル \"%s\" の"
                                 u"%u個目のイメージが異常(テクスチャ%u/%u、ブレンド%u)")
                            .c_str(),
                        fullName, i + 1, image.texture, prop.textureCount, image.blend));
    }
  }
}

// Indices are stored as u32 and kept as their low 16 bits; what is kept must name a vertex.
void loadModel(L3D_EFFECT_MODEL& model, L3DModelReader& r, const char* fullName, uint32_t m) {
  model.vertexCount = r.Count(kVertexBytes);
  model.vertices.Create(model.vertexCount);
  if (model.vertexCount != 0) {
    r.Block(model.vertices.Get(), model.vertexCount * kVertexBytes);
  }
  model.indexCount = r.Count(4);
  model.indices.Create(model.indexCount);
  for (uint32_t k = 0; k < model.indexCount; ++k) {
    const uint16_t index = static_cast<uint16_t>(r.U32());
    if (index >= model.vertexCount) {
      r.Fail(lerrFormat(lerrText(u"[L3DEffectManager::SetProp] システム定義ファイル \"%s\" の"
                                 u"モデル%uの頂点番号が異常(%u/%u)")
                            .c_str(),
                        fullName, m, static_cast<uint32_t>(index), model.vertexCount));
    }
    model.indices[k] = index;
  }
}

}  // namespace

std::string l3dEffectFileName(const char* name) {
  char out[L3D_EFFECT_NAME_SIZE];
  dbtl::DpathMake(out, nullptr, name, "dat");
  return out;
}

std::string l3dEffectPackFileName(int32_t pack, const char* name) {
  char out[L3D_EFFECT_NAME_SIZE];
  return lfmGetPackFileName(pack, out, name);
}

L3DEffectTextureLoader l3dEffectRendererTextures(L3DRenderer& renderer) {
  return [&renderer](int32_t pack, const char* name, uint8_t option) {
    dbtl::rcptr<L3DTexture> texture;
    renderer.LoadTexture(texture, pack, name, option != 0);
    return texture;
  };
}

Parsed<> l3dParseEffectProp(L3DEffectProp& prop, const uint8_t* bytes, size_t size,
                            const char* fullName, int32_t pack, const char* name,
                            const L3DEffectTextureLoader& textures) {
  prop = L3DEffectProp{};
  return parseCatching<std::monostate>([&] {
    L3DModelReader r(bytes, size, fullName);
    if (r.U32() != L3D_EFFECT_PROP_MAGIC) {
      failName(r, u"[L3DEffectManager::SetProp] システム定義ファイル \"%s\" のヘッダが異常",
               fullName);
    }
    if (r.U32() != 0) {
      failName(r, u"[L3DEffectManager::SetProp] システム定義ファイル \"%s\" のバージョンが異常",
               fullName);
    }
    loadTextures(prop, r, pack, name, textures);
    loadImages(prop, r, fullName);
    const uint32_t modelCount = r.Count(kMinModelBytes);
    prop.models.Create(modelCount);
    prop.modelCount = modelCount;
    for (uint32_t m = 0; m < modelCount; ++m) loadModel(prop.models[m], r, fullName, m);
  });
}

void l3dLoadEffectProp(L3DEffectProp& prop, int32_t pack, const char* name,
                       const L3DEffectTextureLoader& textures) {
  prop = L3DEffectProp{};
  const std::string fileName = l3dEffectFileName(name);
  const std::string fullName = l3dEffectPackFileName(pack, name);
  lerrLog(3, "[L3DEffectManager::_LoadProp] load define prop \"%s\"", fullName.c_str());
  if (!lfmIsPackDataExist(pack, fileName.c_str())) {
    lerrLog(3, "[L3DEffectManager::_LoadProp] \"%s\" isn't exist.", fullName.c_str());
    return;
  }
  dbtl::DFile file;
  lfmOpenPackData(pack, file, fileName.c_str());
  const std::vector<uint8_t> bytes = l3dReadDescrambledRest(file);
  file.Close();
  lerrFatalIfFailed(
      l3dParseEffectProp(prop, bytes.data(), bytes.size(), fullName.c_str(), pack, name, textures));
}

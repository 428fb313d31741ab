#include "render/L3DRenderer.h"

#include "foundation/dbtl/DMFile.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "render/device/L3DDevice.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <utility>

namespace {

struct KindInfo {
  const char* name;
  uint32_t baseConstants;  // registers before the bone palette
  const char* pixelShader;  // entry name, or empty
};

// Indexed by L3DShaderKind.
constexpr KindInfo kKinds[L3D_SHADER_KINDS] = {
    {"normal", 8, ""},      {"highlight", 9, ""},    {"furlight", 9, ""},
    {"texlight", 7, ""},    {"texhighlight", 8, ""}, {"texfurlight", 8, ""},
    {"edge", 7, ""},        {"line", 5, ""},         {"linecolor", 6, ""},
    {"nolight", 5, ""},     {"map3", 8, "map3_psh"},
};

// Every palette entry is a 4x3 matrix.
constexpr uint32_t kConstantsPerBone = 3;
constexpr uint32_t kFrameRate = 60;
constexpr uint32_t kInitialSeed = 4357;

}  // namespace

L3DRenderer::L3DRenderer(L3DRendererLinks* links) : m_links(links) { m_random.Seed(kInitialSeed); }

L3DRenderer::~L3DRenderer() { Release(); }

void L3DRenderer::Create(const dbtl::rcptr<L3DDevice>& device,
                         const dbtl::rcptr<dbtl::DsndManager>& sound, dbtl::DFile& shaderFile) {
  m_device = device;
  m_frameRate = kFrameRate;
  m_sound = sound;
  m_random.Seed(uint32_t(std::time(nullptr)));
  m_identity.SetIdentity();
  fog.enabled = 0;
  m_defaultOption.kind = L3D_SHADER_NORMAL;
  m_defaultOption.blendMode = 0;
  m_defaultOption.edgeWidth = 0.0f;
  m_defaultOption.addressMode = 0;
  m_alphaUsed = 0;
  _LoadShaders(shaderFile);
  m_systemNnid = LResManager::AddNnid(m_names, "system");
  if (m_links != nullptr) {
    if (m_sound) m_seManager = m_links->CreateSeManager(m_sound, float(m_frameRate));
    m_effects = m_links->CreateEffectManager(dbtl::rcptr<L3DRenderer>::Borrow(this));
  }
}

void L3DRenderer::_LoadShaders(dbtl::DFile& shaderFile) {
  dbtl::DMFile container;
  if (!container.Open(shaderFile)) {
    lerrFatal("%s", lerrText(u"[L3DRenderer::Create] レンダリングシェーダファイルが開けない").c_str());
  }
  for (uint32_t kind = 0; kind < L3D_SHADER_KINDS; ++kind) {
    m_baseConstants[kind] = kKinds[kind].baseConstants;
    m_boneConstants[kind] = kConstantsPerBone;
    for (uint32_t bones = 0; bones <= L3D_SHADER_MAX_BONES; ++bones) {
      char entryName[64];
      std::snprintf(entryName, sizeof entryName, "%s_b%d", kKinds[kind].name, int(bones));
      dbtl::DFile entry;
      if (!container.OpenEntry(entryName, entry)) {
        // The kind, not the entry, is named: the message tells which family is incomplete.
        lerrFatal(lerrText(u"[L3DRenderer::Create] レンダリングシェーダファイル\"%s\"が開けない").c_str(),
                  kKinds[kind].name);
      }
      m_vshaders[kind * 5 + bones] = m_device->CreateVShader(entry);
    }
  }
  for (uint32_t kind = 0; kind < L3D_SHADER_KINDS; ++kind) {
    const char* name = kKinds[kind].pixelShader;
    if (name[0] == '\0') continue;
    dbtl::DFile entry;
    if (!container.OpenEntry(name, entry)) {
      lerrFatal(lerrText(u"[L3DRenderer::Create] ピクセルシェーダファイル\"%s\"が開けない").c_str(), name);
    }
    m_pshaders[kind] = m_device->CreatePShader(entry);
  }
}

void L3DRenderer::Release() {
  // The instances go first: releasing one stops its effects and detaches its voices through
  // the managers it was built with, which must still be alive then.
  L3DRendererLinks* links = m_links;
  m_instances.ReleaseAll([links](L3DObjectInstance* instance) {
    if (links != nullptr) links->ReleaseInstance(instance);
  });
  m_effects.Reset();
  m_seManager.Reset();
  keyScratch.Release();
  m_names.Clear();
  m_systemNnid = nullptr;
  m_zsd.Release();
  m_alphaChunks.clear();
  m_alphaUsed = 0;
  m_meshes.Release();
  m_posed.Release();
  m_poses.Release();
  m_palette.Release();
  m_paletteCount = 0;
  for (uint32_t kind = 0; kind < L3D_SHADER_KINDS; ++kind) {
    for (uint32_t bones = 0; bones <= L3D_SHADER_MAX_BONES; ++bones) {
      m_vshaders[kind * 5 + bones].Reset();
    }
    m_pshaders[kind].Reset();
  }
  m_sound.Reset();
  m_device.Reset();
}

dbtl::rcptr<L3DObjectInstance>& L3DRenderer::CreateObjectInstance(
    dbtl::rcptr<L3DObjectInstance>& out, const dbtl::rcptr<L3DObjectData>& data,
    const L3DTextureResolver& resolver) {
  constexpr const char* kTag = "[L3DRenderer::CreateObjectInstance]";
  if (m_links == nullptr) lerrFatal("%s this renderer has no object-instance factory", kTag);
  // An instance is built by walking its object data: without any there is nothing to walk.
  if (!data) lerrFatal("%s no object data", kTag);
  dbtl::rcptr<L3DObjectInstance> made = m_links->CreateObjectInstance(*this, data, resolver);
  if (!made) lerrFatal("%s the factory made no instance", kTag);
  // An unlisted instance would survive the renderer's release with a dangling renderer.
  if (!m_instances.Contains(made.Get())) {
    lerrFatal("%s the factory's instance is not in the renderer's list", kTag);
  }
  out = std::move(made);
  return out;
}

void L3DRenderer::StopAll() {
  if (m_seManager) {
    while (m_seManager->HasActiveVoice()) m_seManager->StopFirstActiveVoice();
  }
  if (m_effects) {
    while (m_effects->HasPlayingRoot()) m_effects->FreeFirstPlayingRoot();
  }
}

void L3DRenderer::LoadTexture(dbtl::rcptr<L3DTexture>& out, int32_t pack, const char* path,
                              bool mip) {
  // The pack number is formatted unsigned, as the registry has always keyed it.
  const std::string key = std::to_string(uint32_t(pack)) + "/" + path;
  out = m_device->FindTexture(key.c_str());
  if (!out) out = m_device->CreateTexturePack(key.c_str(), pack, path, mip);
}

#pragma once

#include "foundation/dbtl/DFile.h"
#include "foundation/lfm/lfmPack.h"
#include "render/L3DRenderer.h"
#include "render/device/l3dPack.h"
#include "testsupport/DmfBuilder.h"
#include "testsupport/MemoryPack.h"
#include "testsupport/render/DeviceFixture.h"

#include <cstdio>
#include <set>
#include <string>

// The shader archive of a test: every vertex shader entry of every kind and "map3_psh", each a
// minimal shader whose comment token carries its number (kind x 5 + bones for the vertex
// shaders, 1000 for the pixel shader), so a test can tell which entry reached which slot.
inline const char* const kKindNames[L3D_SHADER_KINDS] = {
    "normal", "highlight", "furlight", "texlight",  "texhighlight", "texfurlight",
    "edge",   "line",      "linecolor", "nolight",  "map3"};

constexpr uint32_t kPixelShaderId = 1000;

inline std::vector<uint8_t> TaggedShader(uint32_t version, uint32_t id) {
  return Scrambled(TokenBytes({version, 0x0001FFFEu, id, 0x0000FFFFu}));
}

// The id a tagged shader carries.
inline uint32_t ShaderId(const std::vector<d3d9::DWORD>& tokens) {
  return tokens.size() > 2 ? tokens[2] : ~0u;
}

// Entry names in `omit` are left out; `rename` replaces an entry's stored name.
inline std::vector<uint8_t> ShaderArchive(const std::set<std::string>& omit = {},
                                          const std::string& from = {},
                                          const std::string& to = {}) {
  DmfBuilder dmf;
  auto add = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
    if (omit.count(name)) return;
    dmf.Add(name == from ? to : name, std::string(bytes.begin(), bytes.end()));
  };
  for (uint32_t kind = 0; kind < L3D_SHADER_KINDS; ++kind) {
    for (uint32_t bones = 0; bones <= L3D_SHADER_MAX_BONES; ++bones) {
      add(std::string(kKindNames[kind]) + "_b" + std::to_string(bones),
          TaggedShader(0xFFFE0101u, kind * 5 + bones));
    }
  }
  add("map3_psh", TaggedShader(0xFFFF0101u, kPixelShaderId));
  return dmf.Bytes();
}

// A device on a profile, the archive as "sys/renderer.csa" in the registered pack, and a
// renderer made from it as the host makes one.
class RendererTest : public DeviceTest {
 protected:
  void OpenDevice(const d3d9::SystemProfile& profile) { Open(profile, L3DDEV_CREATE_WINDOW); }

  L3DRenderer& Make(const std::vector<uint8_t>& archive = ShaderArchive(),
                    L3DRendererLinks* links = nullptr,
                    const dbtl::rcptr<dbtl::DsndManager>& sound = {}) {
    m_pack.Add("sys/renderer.csa", archive);
    dbtl::DFile file;
    lfmOpenPackData(m_pack.Number(), file, "sys/renderer.csa");
    m_renderer = std::make_unique<L3DRenderer>(links);
    m_renderer->Create(dbtl::rcptr<L3DDevice>::Borrow(m_device.get()), sound, file);
    return *m_renderer;
  }

  void TearDown() override {
    m_renderer.reset();
    DeviceTest::TearDown();
  }

  PackScope m_pack;
  std::unique_ptr<L3DRenderer> m_renderer;
};

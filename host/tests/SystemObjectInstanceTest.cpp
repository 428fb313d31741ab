// The System as the renderer's object-instance factory: instances of models loaded by name from
// a pack, built over the managers of the renderer that asks, listed while they live and
// released with the renderer.

#include "foundation/dbtl/DFile.h"
#include "foundation/lfm/lfmPack.h"
#include "foundation/omb/ombCore.h"
#include "foundation/startup/Dmath.h"
#include "host/system/System.h"
#include "model/effect/L3DEffectManager.h"
#include "model/load/Da3dObject.h"
#include "model/object/L3DObjectInstance.h"
#include "render/L3DRenderer.h"
#include "testsupport/FileBytes.h"
#include "testsupport/ModelSample.h"
#include "testsupport/render/DeviceFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// One part "body" with one bone, one material drawing with the texture "skin", one triangle.
std::vector<uint8_t> heroModel() {
  modelfile::Model m;
  m.parts = {modelfile::trianglePart("body", {modelfile::bone("hip")}, "skin")};
  return modelfile::scrambled(modelfile::write(m));
}

// A texture resolver that notes the names it is asked for and finds nothing.
std::vector<std::string> g_resolved;
void recordResolve(dbtl::rcptr<L3DTexture>& out, L3DObjectInstance*, const char* name, uint32_t) {
  g_resolved.push_back(name);
  out.Reset();
}

class SystemObjectInstance : public DeviceTest {
 protected:
  void SetUp() override {
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    ombCoreInit();
    const std::vector<uint8_t> shaders = readFileBytes(TEST_GAMES_DIR "/renderer.csa");
    ASSERT_FALSE(shaders.empty()) << "the fixture games' shader archive is not built";
    m_pack.Add("sys/renderer.csa", shaders);
    m_pack.Add("chr/hero.dgo", heroModel());
    Open(Profile("default"), L3DDEV_CREATE_WINDOW);
    m_system = std::make_unique<System>(m_pack.Number());
    m_renderer = std::make_unique<L3DRenderer>(m_system.get());
    dbtl::DFile file;
    lfmOpenPackData(m_pack.Number(), file, "sys/renderer.csa");
    m_renderer->Create(dbtl::rcptr<L3DDevice>::Borrow(m_device.get()), {}, file);
    g_resolved.clear();
  }
  void TearDown() override {
    m_renderer.reset();
    m_system.reset();
    DeviceTest::TearDown();
  }

  // The object data of "chr/<name>.dgo", loaded by name as the engines' loaders do.
  dbtl::rcptr<L3DObjectData> Load(const char16_t* name) {
    L3DModelServices services;
    services.renderer = m_renderer.get();
    services.pack = m_pack.Number();
    return da3dLoadObjectData(services, u"chr", name);
  }

  L3DTextureResolver Resolver() {
    return {0, &recordResolve, LResManager::AddNnid(m_renderer->GetNnidTable(), "chr/")};
  }

  PackScope m_pack;
  std::unique_ptr<System> m_system;
  std::unique_ptr<L3DRenderer> m_renderer;
};

TEST_F(SystemObjectInstance, BuildsAListedInstanceOverTheRenderersManagers) {
  const dbtl::rcptr<L3DObjectData> data = Load(u"hero");
  const L3DTextureResolver resolver = Resolver();
  dbtl::rcptr<L3DObjectInstance> instance;
  m_renderer->CreateObjectInstance(instance, data, resolver);
  ASSERT_TRUE(instance);
  EXPECT_TRUE(m_renderer->IsObjectInstanceListed(instance.Get()));
  EXPECT_EQ(instance->data.Get(), data.Get());
  EXPECT_EQ(instance->resolver.nnid, resolver.nnid);
  EXPECT_EQ(instance->parts.GetCount(), 1u);
  EXPECT_EQ(g_resolved, std::vector<std::string>{"skin"});
  const L3DModelServices& s = instance->services;
  EXPECT_EQ(s.renderer, m_renderer.get());
  EXPECT_EQ(s.effects, dynamic_cast<L3DEffectManager*>(m_renderer->GetEffectManager().Get()));
  EXPECT_NE(s.effects, nullptr);
  EXPECT_EQ(s.seManager, nullptr);  // this renderer has no sound
  EXPECT_EQ(s.random, &m_renderer->GetRandom());
  EXPECT_EQ(s.names, &m_renderer->GetNnidTable());
  EXPECT_EQ(s.pack, m_pack.Number());

  // Releasing the instance takes it out of the list; the object data stays with its loader.
  instance->Release();
  EXPECT_EQ(m_renderer->GetObjectInstanceCount(), 0u);
  EXPECT_FALSE(instance->data);
  EXPECT_EQ(data.UseCount(), 1);
}

TEST_F(SystemObjectInstance, TheRenderersReleaseReleasesLiveInstancesBeforeItsManagers) {
  const dbtl::rcptr<L3DObjectData> data = Load(u"hero");
  dbtl::rcptr<L3DObjectInstance> a, b;
  m_renderer->CreateObjectInstance(a, data, Resolver());
  m_renderer->CreateObjectInstance(b, data, a->resolver);
  EXPECT_EQ(m_renderer->GetObjectInstanceCount(), 2u);
  // Each instance stops its effects through the effect manager as it goes, so that manager must
  // still be alive (the sanitizer configuration sees a freed one).
  m_renderer->Release();
  EXPECT_EQ(m_renderer->GetObjectInstanceCount(), 0u);
  for (const auto* instance : {a.Get(), b.Get()}) {
    EXPECT_FALSE(instance->data);
    EXPECT_EQ(instance->parts.GetCount(), 0u);
    EXPECT_EQ(instance->services.renderer, nullptr);
  }
  EXPECT_EQ(data.UseCount(), 1);
}

TEST_F(SystemObjectInstance, RefusesEmptyDataAndMissingModels) {
  dbtl::rcptr<L3DObjectInstance> instance;
  EXPECT_EQ(Fatal([&] { m_renderer->CreateObjectInstance(instance, {}, Resolver()); }),
            "[L3DRenderer::CreateObjectInstance] no object data");
  EXPECT_EQ(Fatal([&] { Load(u"nobody"); }),
            "Error: [da3dLoadObjectData]  Object Data \"chr/nobody.dgo\" isn't exist.");
  EXPECT_FALSE(instance);
  EXPECT_EQ(m_renderer->GetObjectInstanceCount(), 0u);
}

}  // namespace

#include "render/L3DRenderer.h"
#include "render/tests/FakeObjectInstance.h"
#include "render/tests/RendererFixture.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_events;

class FakeSeManager : public L3DSeManagerLink {
 public:
  ~FakeSeManager() override { g_events.push_back("sound effects released"); }
  bool HasActiveVoice() const override { return voices > 0; }
  void StopFirstActiveVoice() override {
    --voices;
    g_events.push_back("voice stopped");
  }
  int voices = 0;
};

class FakeEffects : public L3DEffectManagerLink {
 public:
  ~FakeEffects() override { g_events.push_back("effects released"); }
  bool HasPlayingRoot() const override { return roots > 0; }
  void FreeFirstPlayingRoot() override {
    --roots;
    g_events.push_back("root freed");
  }
  int roots = 0;
  L3DRenderer* renderer = nullptr;
};

// Links that make fakes with a few voices and roots playing, and note the velocity factor.
// Their instance factory notes what it was given and answers as `factory` says.
struct Links : L3DRendererLinks {
  enum class Factory { Listed, Unlisted, Nothing };
  float velocityFactor = -1.0f;
  FakeEffects* effects = nullptr;
  Factory factory = Factory::Listed;
  L3DRenderer* givenRenderer = nullptr;
  const L3DObjectData* givenData = nullptr;
  const L3DTextureResolver* givenResolver = nullptr;

  dbtl::rcptr<L3DSeManagerLink> CreateSeManager(const dbtl::rcptr<dbtl::DsndManager>&,
                                                float factor) override {
    velocityFactor = factor;
    dbtl::rcptr<FakeSeManager> se;
    se.Create(1);
    se->voices = 3;
    return dbtl::rcptr<L3DSeManagerLink>(se);
  }
  dbtl::rcptr<L3DEffectManagerLink> CreateEffectManager(
      const dbtl::rcptr<L3DRenderer>& renderer) override {
    dbtl::rcptr<FakeEffects> fx;
    fx.Create(1);
    fx->roots = 2;
    fx->renderer = renderer.Get();
    effects = fx.Get();
    // The renderer's handle holds no reference: the renderer is not kept alive by it.
    EXPECT_EQ(renderer.UseCount(), 0);
    return dbtl::rcptr<L3DEffectManagerLink>(fx);
  }
  dbtl::rcptr<L3DObjectInstance> CreateObjectInstance(
      L3DRenderer& renderer, const dbtl::rcptr<L3DObjectData>& data,
      const L3DTextureResolver& resolver) override {
    givenRenderer = &renderer;
    givenData = data.Get();
    givenResolver = &resolver;
    dbtl::rcptr<L3DObjectInstance> made;
    if (factory == Factory::Nothing) return made;
    made.Create(1);
    made->renderer = &renderer;
    made->name = "made";
    if (factory == Factory::Listed) renderer._AddObjectInstance(made.Get());
    return made;
  }
  void ReleaseInstance(L3DObjectInstance* instance) override {
    g_events.push_back("instance " + instance->name + " released");
    instance->renderer->_RemoveObjectInstance(instance);
  }
};

// A sound manager handle that holds no reference; the renderer only passes it on.
dbtl::rcptr<dbtl::DsndManager> SoundHandle() {
  static int placeholder;
  return dbtl::rcptr<dbtl::DsndManager>::Borrow(reinterpret_cast<dbtl::DsndManager*>(&placeholder));
}

// Object data and a resolver the renderer only hands on; nothing reads them.
dbtl::rcptr<L3DObjectData> DataHandle() {
  static int placeholder;
  return dbtl::rcptr<L3DObjectData>::Borrow(reinterpret_cast<L3DObjectData*>(&placeholder));
}
const L3DTextureResolver& Resolver() {
  static int placeholder;
  return *reinterpret_cast<const L3DTextureResolver*>(&placeholder);
}

}  // namespace

TEST_F(RendererTest, StopAllSilencesEveryVoiceThenFreesEveryEffect) {
  for (bool withSound : {true, false}) {
    SCOPED_TRACE(withSound ? "with a sound manager" : "without a sound manager");
    OpenDevice(Profile("default"));
    Links links;
    L3DRenderer& renderer = Make(ShaderArchive(), &links,
                                 withSound ? SoundHandle() : dbtl::rcptr<dbtl::DsndManager>());
    EXPECT_EQ(bool(renderer.GetSeManager()), withSound);
    EXPECT_EQ(links.velocityFactor, withSound ? 60.0f : -1.0f);
    ASSERT_NE(links.effects, nullptr);
    EXPECT_EQ(links.effects->renderer, &renderer);

    g_events.clear();
    renderer.StopAll();
    std::vector<std::string> expected;
    if (withSound) expected.assign(3, "voice stopped");
    expected.insert(expected.end(), 2, "root freed");
    EXPECT_EQ(g_events, expected);
    m_renderer.reset();
    Close();
  }
}

TEST_F(RendererTest, ReleaseReleasesEveryInstanceThenDropsTheManagersAndForgetsNames) {
  OpenDevice(Profile("default"));
  Links links;
  L3DRenderer& renderer = Make(ShaderArchive(), &links, SoundHandle());
  LResManager::AddNnid(renderer.GetNnidTable(), "hero");
  L3DObjectInstance hero{1, nullptr, &renderer, "hero"};
  L3DObjectInstance sword{2, nullptr, &renderer, "sword"};
  renderer._AddObjectInstance(&hero);
  renderer._AddObjectInstance(&sword);
  const float centre[3] = {0.0f, 0.0f, 1.0f};
  renderer.RegistZsd(centre, 0, nullptr, nullptr, nullptr, 0, nullptr, nullptr, 0);

  g_events.clear();
  renderer.Release();
  // Instances first, while the managers they stop their effects and voices with still live.
  EXPECT_EQ(g_events, (std::vector<std::string>{"instance hero released",
                                                "instance sword released", "effects released",
                                                "sound effects released"}));
  EXPECT_EQ(renderer.GetNnidTable().GetCount(), 0u);
  EXPECT_EQ(LResManager::_FindNnid("hero", renderer.GetNnidTable()), nullptr);
  EXPECT_EQ(renderer.GetZsd().GetGroupCount(), 0u);
  EXPECT_FALSE(renderer.GetVShader(L3D_SHADER_NORMAL, 0));
  EXPECT_FALSE(renderer.GetPShader(L3D_SHADER_MAP3));
  EXPECT_FALSE(renderer.GetDevice());
  // Releasing again, as the destructor does, finds nothing left to release.
  g_events.clear();
  m_renderer.reset();
  EXPECT_TRUE(g_events.empty());
}

TEST_F(RendererTest, CreateObjectInstanceHandsTheFactoryItsArgumentsAndKeepsTheListedInstance) {
  OpenDevice(Profile("default"));
  Links links;
  L3DRenderer& renderer = Make(ShaderArchive(), &links);
  dbtl::rcptr<L3DObjectInstance> instance;
  dbtl::rcptr<L3DObjectInstance>& result =
      renderer.CreateObjectInstance(instance, DataHandle(), Resolver());
  EXPECT_EQ(&result, &instance);
  ASSERT_TRUE(instance);
  EXPECT_EQ(instance->name, "made");
  EXPECT_EQ(links.givenRenderer, &renderer);
  EXPECT_EQ(links.givenData, DataHandle().Get());
  EXPECT_EQ(links.givenResolver, &Resolver());
  EXPECT_TRUE(renderer.IsObjectInstanceListed(instance.Get()));
  EXPECT_EQ(renderer.GetObjectInstanceCount(), 1u);

  // The renderer's release hands the instance to the links, which unlist it; the caller's
  // handle still owns it.
  g_events.clear();
  renderer.Release();
  EXPECT_EQ(g_events, (std::vector<std::string>{"instance made released", "effects released"}));
  EXPECT_EQ(renderer.GetObjectInstanceCount(), 0u);
  EXPECT_EQ(instance.UseCount(), 1);
}

TEST_F(RendererTest, CreateObjectInstanceRefusesWhatCannotMakeAListedInstance) {
  struct Case {
    const char* name;
    bool withLinks;
    Links::Factory factory;
    bool withData;
    const char* message;
  } cases[] = {
      {"no links", false, Links::Factory::Listed, true,
       "[L3DRenderer::CreateObjectInstance] this renderer has no object-instance factory"},
      {"empty data", true, Links::Factory::Listed, false,
       "[L3DRenderer::CreateObjectInstance] no object data"},
      {"factory makes nothing", true, Links::Factory::Nothing, true,
       "[L3DRenderer::CreateObjectInstance] the factory made no instance"},
      {"factory leaves it unlisted", true, Links::Factory::Unlisted, true,
       "[L3DRenderer::CreateObjectInstance] the factory's instance is not in the renderer's "
       "list"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OpenDevice(Profile("default"));
    Links links;
    links.factory = c.factory;
    L3DRenderer& renderer = Make(ShaderArchive(), c.withLinks ? &links : nullptr);
    dbtl::rcptr<L3DObjectInstance> instance;
    EXPECT_EQ(Fatal([&] {
                renderer.CreateObjectInstance(
                    instance, c.withData ? DataHandle() : dbtl::rcptr<L3DObjectData>(), Resolver());
              }),
              c.message);
    EXPECT_FALSE(instance);
    EXPECT_EQ(renderer.GetObjectInstanceCount(), 0u);
    // Only the data check comes before the factory.
    EXPECT_EQ(links.givenRenderer != nullptr, c.withLinks && c.withData);
    m_renderer.reset();
    Close();
  }
}

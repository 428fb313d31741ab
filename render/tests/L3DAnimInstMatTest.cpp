// Materials: the option a mesh takes from a list by its part and material names, and the
// textures resolved for it.

#include "render/tests/DrawFixture.h"

#include <map>
#include <string>
#include <utility>

namespace {

// Records every resolve and answers a texture for the names it knows.
class Textures : public L3DMaterialTextures {
 public:
  explicit Textures(bool canResolve = true) : m_can(canResolve) {}
  bool CanResolve() override { return m_can; }
  dbtl::rcptr<L3DTexture> Resolve(const char* name, bool mip) override {
    calls.emplace_back(name, mip);
    dbtl::rcptr<L3DTexture> t;
    t.Create(1);
    names[t.Get()] = name;
    return t;
  }
  std::string NameOf(const dbtl::rcptr<L3DTexture>& t) {
    return t ? names[t.Get()] : std::string("<none>");
  }

  std::vector<std::pair<std::string, bool>> calls;
  std::map<const L3DTexture*, std::string> names;

 private:
  bool m_can;
};

L3DPoolRef Ref(const std::string& pool, const char* text) {
  const size_t at = pool.find(text);
  return {pool.data() + at, uint32_t(std::strlen(text))};
}

// The names live in one block without terminators, as in a loaded model.
const std::string kPool = "bodyBODY\"arm\"skinhiglowspecfur";

template <class T>
dbtl::rcptr<T> Option(uint32_t kind, const char* part, const char* material) {
  dbtl::rcptr<T> o = NewOption<T>(kind);
  if (part != nullptr) o->partName = Ref(kPool, part);
  if (material != nullptr) o->materialName = Ref(kPool, material);
  return o;
}

TEST(L3DAnimInstMatTest, FirstMatchingOptionWithoutRegardToCase) {
  dbtl::DList<L3D_RENDERER_SHADEROPT> list;
  auto other = Option<L3D_RENDERER_SHADEROPT_NORMAL>(0, "skin", nullptr);
  auto body = Option<L3D_RENDERER_SHADEROPT_NORMAL>(0, "BODY", "skin");
  auto quoted = Option<L3D_RENDERER_SHADEROPT_NORMAL>(0, "\"arm\"", nullptr);
  auto any = Option<L3D_RENDERER_SHADEROPT_NORMAL>(0, nullptr, nullptr);
  list.PushBack(other);
  list.PushBack(body);
  list.PushBack(quoted);
  list.PushBack(any);
  struct Case {
    const char* part;
    const char* material;
    L3D_RENDERER_SHADEROPT* expected;
  };
  const Case cases[] = {
      {"body", "skin", body.Get()},   // case of ASCII letters ignored
      {"Body", "SKIN", body.Get()},
      {"body", "hair", any.Get()},    // second selector mismatch skips the option
      {"arm", "x", quoted.Get()},     // the selector is unquoted before the comparison
      {"leg", "", any.Get()},         // empty selectors match everything
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.part) + "/" + c.material);
    Textures textures;
    L3D_ANIMINST_MAT material;
    ASSERT_TRUE(L3D_ANIMINST_MAT::Create(material, list, textures, "main.dgt", c.part, c.material));
    EXPECT_EQ(material.option.Get(), c.expected);
  }
  // A list whose first option has empty selectors always gives that option.
  dbtl::DList<L3D_RENDERER_SHADEROPT> front;
  front.PushBack(any);
  front.PushBack(body);
  Textures textures;
  L3D_ANIMINST_MAT material;
  ASSERT_TRUE(L3D_ANIMINST_MAT::Create(material, front, textures, "", "body", "skin"));
  EXPECT_EQ(material.option.Get(), any.Get());
}

TEST(L3DAnimInstMatTest, NoMatchLeavesTheMaterialUnchanged) {
  dbtl::DList<L3D_RENDERER_SHADEROPT> list;
  list.PushBack(Option<L3D_RENDERER_SHADEROPT_NORMAL>(0, "skin", nullptr));
  Textures textures;
  L3D_ANIMINST_MAT material;
  auto previous = NewOption<L3D_RENDERER_SHADEROPT_NORMAL>(0);
  material.option = previous;
  EXPECT_FALSE(L3D_ANIMINST_MAT::Create(material, list, textures, "main.dgt", "body", "x"));
  EXPECT_EQ(material.option.Get(), previous.Get());
  EXPECT_TRUE(textures.calls.empty());
}

// The main texture with mip levels, the option's texture names without, by kind.
TEST(L3DAnimInstMatTest, TexturesByKind) {
  auto hi = Option<L3D_RENDERER_SHADEROPT_HIGHLIGHT>(1, nullptr, nullptr);
  hi->texture = Ref(kPool, "hi");
  auto fur = Option<L3D_RENDERER_SHADEROPT_FURLIGHT>(2, nullptr, nullptr);
  fur->texture = Ref(kPool, "fur");
  auto tex = Option<L3D_RENDERER_SHADEROPT_TEXLIGHT>(3, nullptr, nullptr);
  tex->texture = Ref(kPool, "glow");
  auto texhi = Option<L3D_RENDERER_SHADEROPT_TEXHIGHLIGHT>(4, nullptr, nullptr);
  texhi->texture = Ref(kPool, "glow");
  texhi->texture2 = Ref(kPool, "spec");
  auto texfur = Option<L3D_RENDERER_SHADEROPT_TEXFURLIGHT>(5, nullptr, nullptr);
  texfur->texture = Ref(kPool, "glow");
  texfur->texture2 = Ref(kPool, "fur");
  auto map3 = Option<L3D_RENDERER_SHADEROPT_MAP3>(10, nullptr, nullptr);
  map3->texture = Ref(kPool, "spec");
  map3->texture2 = Ref(kPool, "glow");
  struct Case {
    dbtl::rcptr<L3D_RENDERER_SHADEROPT> option;
    const char* second;
    const char* third;
  };
  const Case cases[] = {
      {Option<L3D_RENDERER_SHADEROPT_NORMAL>(0, nullptr, nullptr), "<none>", "<none>"},
      {hi, "hi", "<none>"},
      {fur, "fur", "<none>"},
      {tex, "glow", "<none>"},
      {texhi, "glow", "spec"},
      {texfur, "glow", "fur"},
      {map3, "spec", "glow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option->kind);
    dbtl::DList<L3D_RENDERER_SHADEROPT> list;
    list.PushBack(c.option);
    Textures textures;
    L3D_ANIMINST_MAT material;
    ASSERT_TRUE(L3D_ANIMINST_MAT::Create(material, list, textures, "main.dgt", "p", "m"));
    EXPECT_EQ(textures.NameOf(material.texture), "main.dgt");
    EXPECT_EQ(textures.NameOf(material.texture2), c.second);
    EXPECT_EQ(textures.NameOf(material.texture3), c.third);
    ASSERT_FALSE(textures.calls.empty());
    EXPECT_EQ(textures.calls[0], (std::pair<std::string, bool>("main.dgt", true)));
    for (size_t i = 1; i < textures.calls.size(); ++i) EXPECT_FALSE(textures.calls[i].second);
  }
}

TEST(L3DAnimInstMatTest, WithoutAResolverNoTextures) {
  dbtl::DList<L3D_RENDERER_SHADEROPT> list;
  auto hi = Option<L3D_RENDERER_SHADEROPT_HIGHLIGHT>(1, nullptr, nullptr);
  hi->texture = Ref(kPool, "hi");
  list.PushBack(hi);
  Textures textures(false);
  L3D_ANIMINST_MAT material;
  ASSERT_TRUE(L3D_ANIMINST_MAT::Create(material, list, textures, "main.dgt", "p", "m"));
  EXPECT_EQ(material.option.Get(), hi.Get());
  EXPECT_FALSE(material.texture);
  EXPECT_FALSE(material.texture2);
  EXPECT_TRUE(textures.calls.empty());
}

TEST(L3DAnimInstMatTest, UnknownKindIsFatal) {
  LerrCapture capture;
  for (uint32_t kind : {6u, 11u}) {
    dbtl::DList<L3D_RENDERER_SHADEROPT> list;
    list.PushBack(Option<L3D_RENDERER_SHADEROPT_NORMAL>(kind, nullptr, nullptr));
    Textures textures;
    L3D_ANIMINST_MAT material;
    EXPECT_EQ(platform::utf16ToUtf8(capture.FatalText([&] {
                L3D_ANIMINST_MAT::Create(material, list, textures, "", "p", "m");
              })),
              "[L3D_ANIMINST_MAT::Create] 認識できないシェーダタイプ(" + std::to_string(kind) + ")");
  }
}

// The default material shares the renderer's option: no reference, no textures.
TEST_F(RendererTest, DefaultMaterialSharesTheRenderersOption) {
  OpenDevice(Profile("default"));
  L3DRenderer& renderer = Make();
  L3D_ANIMINST_MAT material;
  material.texture2.Create(1);
  L3D_ANIMINST_MAT::CreateDefault(material, renderer);
  EXPECT_EQ(material.option.Get(), &renderer.GetDefaultOption());
  EXPECT_EQ(material.option->kind, uint32_t(L3D_SHADER_NORMAL));
  EXPECT_EQ(material.option->edgeWidth, 0.0f);
  EXPECT_FALSE(material.texture2);
  material.option.Reset();  // dropping the handle leaves the renderer's option alone
  EXPECT_EQ(renderer.GetDefaultOption().kind, uint32_t(L3D_SHADER_NORMAL));
}

}  // namespace

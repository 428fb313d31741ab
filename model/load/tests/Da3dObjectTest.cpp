#include "model/load/Da3dObject.h"

#include "model/object/tests/ObjectTestSupport.h"
#include "render/LResManager.h"
#include "testsupport/MemoryPack.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using objtest::key;
using objtest::motion;

namespace {

class RecordingTextures : public L3DTextureLoader {
 public:
  dbtl::rcptr<L3DTexture> Load(int32_t, const char* name, uint32_t option) override {
    loads.push_back(std::string(name) + "," + std::to_string(option));
    return {};
  }
  std::vector<std::string> loads;
};

// The body model whose material draws with the texture named texture, with "normal".
std::vector<uint8_t> modelFile(const std::string& texture) {
  modelfile::Model m = objtest::bodyModel();
  m.parts[0].materials[0].texture = texture;
  m.anims = {objtest::anim("normal", 10, 0, {motion(1, 0, {key(0), key(10, 1.0f)}), motion(1, 1), motion(1, 2)})};
  return modelfile::scrambled(modelfile::write(m));
}

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    system.names = &names;
    system.textures = &textures;
    system.effects = &effects;
    system.pack = pack.Number();
  }

  PackScope pack;
  L3DNnidTable names;
  RecordingTextures textures;
  RecordingEffects effects;
  L3DModelServices system;
};

TEST_F(LoaderTest, ModelsOfOneDirectoryShareTheirNameAndEffectData) {
  pack.Add("chr/a.dgo", modelFile("skin"));
  pack.Add("chr/b.dgo", modelFile("skin"));
  pack.Add("chr/skin.png", {});
  pack.Add("chr/skin.dgt", {});
  Da3dObject a, b;
  a.load(system, u"chr/a", {});
  b.load(system, u"chr/b", {});
  EXPECT_EQ(names.GetCount(), 1u);
  EXPECT_EQ(effects.loads, std::vector<std::string>{"chr/|chr/effdata"});
  EXPECT_EQ(a.instance->resolver.nnid, b.instance->resolver.nnid);
  // Both resolve their texture in the directory, "dgt" before "png".
  EXPECT_EQ(textures.loads, (std::vector<std::string>{"chr/skin.dgt,1", "chr/skin.dgt,1"}));
}

TEST_F(LoaderTest, ATextureNameThatExistsIsTakenAsItIs) {
  pack.Add("chr/a.dgo", modelFile("skin.png"));
  pack.Add("chr/skin.png", {});
  pack.Add("chr/skin.png.dgt", {});
  Da3dObject a;
  a.load(system, u"chr/a", {});
  EXPECT_EQ(textures.loads, std::vector<std::string>{"chr/skin.png,1"});
}

TEST_F(LoaderTest, AMissingTextureIsLoggedAndLoadingGoesOn) {
  LerrCapture capture;
  lerrSetThreshold(0);
  pack.Add("chr/a.dgo", modelFile("gone"));
  Da3dObject a;
  a.load(system, u"chr/a", {});
  EXPECT_TRUE(a.instance);
  EXPECT_TRUE(textures.loads.empty());
  EXPECT_NE(capture.Log().find("(chr/gone)"), std::string::npos);
}

TEST_F(LoaderTest, CloneSharesDataWithItsOwnInstance) {
  pack.Add("chr/a.dgo", modelFile(""));
  Da3dObject a, b;
  a.load(system, u"chr/a", {});
  b.cloneWithNormalAnim(a);
  EXPECT_EQ(a.data.Get(), b.data.Get());
  EXPECT_NE(a.instance.Get(), b.instance.Get());
  EXPECT_EQ(b.instance->resolver.nnid, a.instance->resolver.nnid);
  b.reset();
  a.instance->ForwardAnimFrame();
  EXPECT_TRUE(a.data);
}

TEST_F(LoaderTest, NormalAnimationStartsWithTheLoad) {
  pack.Add("chr/a.dgo", modelFile(""));
  Da3dObject a;
  a.loadWithNormalAnim(system, u"chr", u"a");
  EXPECT_EQ(a.instance->anims.size(), 1u);
  EXPECT_NE(objtest::part(*a.instance).root.motion, nullptr);
}

TEST_F(LoaderTest, MissingFilesAndOverlongNamesStop) {
  LerrCapture capture;
  Da3dObject a;
  EXPECT_EQ(capture.FatalText([&] { a.load(system, u"chr/none", {}); }),
            u"Error: [Da3dObject::load]  Object Data \"chr/none.dgo\" isn't exist.");
  const std::u16string longName(130, u'x');
  // The cut name would name another file: it is refused before any look-up.
  pack.Add("chr/" + std::string(119, 'x') + ".dgo", modelFile(""));
  const std::u16string text = capture.FatalText([&] { a.load(system, (u"chr/" + longName).c_str(), {}); });
  EXPECT_NE(text.find(u"is longer than"), std::u16string::npos);
  EXPECT_FALSE(a.instance);
}

TEST(Da3dAnimName, ReservedNameIsRejectedWithoutCase) {
  EXPECT_FALSE(da3dIsUsableAnimName("__qzor_for_edit_view_anim__"));
  EXPECT_FALSE(da3dIsUsableAnimName("__QZOR_FOR_EDIT_VIEW_ANIM__"));
  EXPECT_TRUE(da3dIsUsableAnimName("normal"));
  EXPECT_TRUE(da3dIsUsableAnimName("__QZOR_FOR_EDIT_VIEW_ANIM_"));
}

}  // namespace

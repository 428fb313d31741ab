// The natives on a script machine over the recording device: tables in and out, the sprite
// table's key order, degrees, transforms, texts, and handles of destroyed objects.

// The script tests' fixture archive is not used here.
#define TEST_SCRIPTS_ARCHIVE ""
#include "render/sprite2/Sprite2Natives.h"

#include "render/sprite/tests/FakeSpriteDevice.h"
#include "testsupport/script/ScriptTestSupport.h"

#include <string>
#include <vector>

namespace {

using scripttest::ScriptTest;

OmbSpriteDeviceSet* theSet = nullptr;

OmbSpriteDeviceSet* resolveSet(HSQUIRRELVM) {
  return theSet;
}

class Sprite2NativesTest : public ScriptTest {
 protected:
  Sprite2NativesTest() {
    theSet = ombSpriteCreateDeviceSet(&ops);
    registerSprite2Api(manager.rootTable, &resolveSet);
    run("r <- spriteRendererCreate(0, 0, 2);"
        "img <- spriteImageLoad(\"pic/a.png\");"
        "rc <- spriteRectCreate(r, img, {width = 20, height = 10, originX = 5});");
  }
  ~Sprite2NativesTest() override {
    ombSpriteDestroyDeviceSet(theSet);
    theSet = nullptr;
  }
  OmbSprite* sprite(const std::string& expression) {
    return static_cast<OmbSprite*>(
        scriptHandles().find(eval(expression).toInteger(), kSpriteHandle));
  }

  spritetest::FakeDevice device;
  OmbSpriteDeviceOps ops = device.ops();
};

TEST_F(Sprite2NativesTest, ASpriteWithoutATableIsAShownRootWithoutARect) {
  run("s <- spriteCreate(r, null);");
  OmbSprite* s = sprite("s");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->parent, nullptr);
  EXPECT_EQ(s->rect, nullptr);
  EXPECT_EQ(s->level, 0u);
  EXPECT_TRUE(eval("spriteIsShow(s)").toInteger() != 0 || eval("spriteIsShow(s)").getType() == OT_BOOL);
  EXPECT_EQ(eval("spriteGetRect(s)").toInteger(), 0);
  EXPECT_TRUE(errors().empty());
}

TEST_F(Sprite2NativesTest, TableKeysApplyInOrderAndLaterKeysWin) {
  run("b <- spriteCreate(r, {rect = rc, level = 1, posX = 3.0, posY = 4, scaleX = 2.0,"
      " blend = 2, colorRed = 0.5, alpha = 0.25, reverseX = true, rotationZ = 90});"
      "s <- spriteCreate(r, {base = b, posX = 7, show = 1});");
  OmbSprite* s = sprite("s");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->posX, 7.0f);
  EXPECT_EQ(s->posY, 4.0f);
  EXPECT_EQ(s->scaleX, 2.0f);
  EXPECT_EQ(s->level, 1u);
  EXPECT_EQ(s->blend, 2);
  EXPECT_EQ(s->color[0], 0.5f);
  EXPECT_EQ(s->color[3], 0.25f);
  EXPECT_NE(s->flags & OMB_SPRITE_REVERSE_X, 0u);
  EXPECT_EQ(eval("spriteGetRect(s) == rc").getType(), OT_BOOL);
  EXPECT_EQ(eval("spriteGetRect(s)").toInteger(), eval("rc").toInteger());
  EXPECT_NEAR(eval("spriteGetRotationZ(s)").toFloat(), 90.0f, 1e-4f);
  // "show" given as the integer 1 is not a bool: hidden.
  EXPECT_EQ(s->flags & OMB_SPRITE_SHOW, 0u);
  EXPECT_TRUE(errors().empty());
}

TEST_F(Sprite2NativesTest, PropertiesReadBackAsStored) {
  run("s <- spriteCreate(r, null);"
      "spriteSetRotationZ(s, 0.0005); spriteSetRotationX(s, 45);"
      "spriteSetColor(s, 0.25, 0.5, 0.75); spriteSetAlpha(s, 0.125);"
      "spriteSetPos(s, 1.5, 2.5); spriteSetAlphatest(s, 3, 0.5); spriteSetLevel(s, 9);");
  EXPECT_EQ(eval("spriteGetRotationZ(s)").toFloat(), 0.0f);
  EXPECT_NEAR(eval("spriteGetRotationX(s)").toFloat(), 45.0f, 1e-4f);
  EXPECT_EQ(eval("spriteGetColor(s).len()").toInteger(), 3);
  EXPECT_EQ(eval("spriteGetColor(s).blue").toFloat(), 0.75f);
  EXPECT_EQ(eval("spriteGetAlpha(s)").toFloat(), 0.125f);
  EXPECT_EQ(eval("spriteGetPos(s).y").toFloat(), 2.5f);
  EXPECT_EQ(eval("spriteGetAlphatest(s)").toInteger(), 3);
  EXPECT_EQ(eval("spriteGetAlphatestThreshold(s)").toFloat(), 0.5f);
  EXPECT_EQ(eval("spriteGetLevel(s)").toInteger(), 0);  // 9 is beyond the two levels
  EXPECT_EQ(eval("spriteImageGetSize(img).width").toInteger(), 256);
}

TEST_F(Sprite2NativesTest, TransformsUseTheScriptsRowLayout) {
  run("s <- spriteCreate(r, null);"
      "spriteSetTransform(s, [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12]);");
  OmbSprite* s = sprite("s");
  EXPECT_EQ(s->transform.m[0][0], 1.0f);
  EXPECT_EQ(s->transform.m[1][0], 2.0f);
  EXPECT_EQ(s->transform.m[3][0], 4.0f);
  EXPECT_EQ(s->transform.m[0][1], 5.0f);
  EXPECT_EQ(s->transform.m[3][2], 12.0f);
  EXPECT_EQ(eval("spriteGetTransform(s)[7]").toFloat(), 8.0f);
  run("spriteSetTransform(s, null);");
  EXPECT_EQ(eval("spriteGetTransform(s)").getType(), OT_NULL);
}

TEST_F(Sprite2NativesTest, TextsRunOutAndANullFormatOnlyCancels) {
  run("ti <- spriteImageCreateText(128, 32);"
      "tr <- spriteRectCreate(r, ti, null);"
      "f <- spriteRectTextFormatCreate(r, {fontSize = 16, speed = 3});"
      "spriteRectDrawText(tr, f, \"ab\");");
  EXPECT_EQ(eval("spriteRendererIsAllTextExists(r)").getType(), OT_BOOL);
  run("spriteRectDrawText(tr, null, \"zz\");");
  EXPECT_FALSE(eval("spriteRectIsTextExist(tr)").toInteger());
  run("spriteRectDrawText(tr, f, \"ab\");");
  std::vector<bool> pending;
  for (int i = 0; i < 3; ++i) {
    ombSpriteUpdate(theSet);
    pending.push_back(eval("spriteRendererIsAllTextExists(r) ? 1 : 0").toInteger() != 0);
  }
  EXPECT_EQ(pending, (std::vector<bool>{true, true, false}));
  EXPECT_EQ(eval("spriteRectGetDrawedTextSize(tr).width").toInteger(), 20);
  EXPECT_TRUE(errors().empty());
}

TEST_F(Sprite2NativesTest, HandlesOfDestroyedObjectsAreScriptErrors) {
  run("s <- spriteCreate(r, {rect = rc});"
      "c <- spriteCreate(r, {parentSprite = s});"
      "spriteRelease(c);");  // the parent still holds the child
  const int32_t child = eval("c").toInteger();
  EXPECT_NE(scriptHandles().find(child, kSpriteHandle), nullptr);
  run("spriteRendererDestroy(r);"
      "r2 <- spriteRendererCreate(0, 0, 1);"
      "s2 <- spriteCreate(r2, null);");
  struct Case {
    std::string call;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"spriteRelease(s)", "invalid sprite handle("},
      {"spriteGetPosX(c)", "invalid sprite handle("},
      {"spriteRectRelease(rc)", "invalid sprite rect handle("},
      {"spriteCreate(r, null)", "invalid sprite renderer handle("},
      {"spriteSetRect(s2, img)", "invalid sprite rect handle("},
      {"spriteGetPosX(12345)", "invalid sprite handle(12345)"},
  };
  for (const Case& c : cases) {
    clearLog();
    run(c.call + ";");
    ASSERT_EQ(errors().size(), 1u) << c.call;
    EXPECT_NE(errors()[0].find(c.error), std::string::npos) << c.call << ": " << errors()[0];
  }
  // The image outlived its rect through the script's reference; releasing it destroys it,
  // and a second release is refused, not a double free.
  clearLog();
  run("spriteImageRelease(img);");
  EXPECT_TRUE(errors().empty());
  EXPECT_EQ(device.liveSurfaces, 0);
  run("spriteImageRelease(img);");
  EXPECT_EQ(errors().size(), 1u);
}

TEST_F(Sprite2NativesTest, FailedCreationsAreReportedWithTheNativesTag) {
  clearLog();
  run("spriteImageLoad(\"missing.png\");");
  ASSERT_EQ(errors().size(), 1u);
  // Resolved against the script's directory; this machine's thread has none, so the program's.
  const std::string expected =
      "Error: [`anonymous-namespace'::spriteImageLoad] スプライトイメージの読み込みに失敗しました(";
  EXPECT_EQ(errors()[0].substr(0, expected.size()), expected);
  EXPECT_EQ(errors()[0].substr(errors()[0].size() - 13), "/missing.png)");
  clearLog();
  device.failFonts = true;
  run("spriteRectTextFormatCreate(r, {fontSize = 9});");
  EXPECT_EQ(errors(), std::vector<std::string>{
                          "Error: [`anonymous-namespace'::spriteRectTextFormatCreate] "
                          "テキスト書式の作成に失敗しました"});
}

}  // namespace

// The natives on a script machine over a real system: rect creation from tables, the
// setters and getters with their dirty flags, degrees, sizes, and handles of destroyed
// objects refused with the script error.

#include "render/sprite1/Sprite1Natives.h"

#include "render/sprite1/tests/Sprite1Fixture.h"
#include "script/ScriptManager.h"
#include "script/ScriptStackTop.h"
#include "script/ScriptThread.h"
#include "testsupport/Text.h"

#include <memory>

namespace {

using namespace sprite1;
using testsupport::u16;
using testsupport::u8;

class Sprite1NativesTest : public Sprite1Test {
 protected:
  void SetUp() override {
    Sprite1Test::SetUp();
    thread = std::make_unique<ScriptThread>(&manager, manager.newTable(nullptr));
    registerSprite1Api(manager.rootTable);
    Paint("n/pic.png");
    MakeObjects();
  }

  // Fresh objects under the script's global names.
  void MakeObjects() {
    image = imageLoad(u"n", &system, u"pic.png");
    renderer = rendererCreate(&system, kWidth, kHeight, 4);
    font = fontHandleCreate(&system, 16);
    text = imageCreateDynamic(&system, 64, 32);
    Global(u"img", sprite1ImageHandle(image));
    Global(u"r", sprite1RendererHandle(renderer));
    Global(u"font", sprite1FontHandle(font));
    Global(u"textImage", sprite1ImageHandle(text));
    run("base <- spriteCreateRect(r, img, {level = 2, mapX = 1, mapY = 2, mapWidth = 8,"
        " mapHeight = 4, pivotX = 3, pivotY = 4, drawX = 5, drawY = 6, drawWidth = 20,"
        " drawHeight = 10, drawRotation = 90, blend = 1});"
        "rc <- spriteCreateRect(r, img, {});");
    EXPECT_TRUE(Errors().empty());
  }

  void TearDown() override {
    thread.reset();
    Sprite1Test::TearDown();
  }

  void Global(const char16_t* name, int32_t value) { manager.rootTable.setIntegerSlot(name, value); }

  ScriptObject run(const std::string& source) {
    HSQUIRRELVM vm = thread->vm.vm;
    const std::u16string code = u16(source);
    ScriptObject closure;
    {
      ScriptStackTop top(vm);
      if (SQ_FAILED(sq_compilebuffer(vm, code.c_str(), static_cast<SQInteger>(code.size()),
                                     u"snippet", SQTrue))) {
        ADD_FAILURE() << "does not compile: " << source;
        return ScriptObject();
      }
      closure = ScriptObject::fromStack(vm, -1);
    }
    return thread->vm.prepareCall(closure).run();
  }
  int32_t Int(const std::string& expression) { return run("return " + expression + ";").toInteger(); }

  Rect* RectOf(const std::string& expression) {
    return static_cast<Rect*>(scriptHandles().find(Int(expression), kSprite1RectHandle));
  }

  static std::vector<std::string> Errors() {
    std::vector<std::string> texts;
    for (const LogCapture::Message& m : LogCapture::messages()) {
      if (m.level == OMB_LOG_ERROR) texts.push_back(u8(m.text));
    }
    LogCapture::messages().clear();
    return texts;
  }

  ScriptManager manager;
  std::unique_ptr<ScriptThread> thread;
  Image* image = nullptr;
  Renderer* renderer = nullptr;
  Font* font = nullptr;
  Image* text = nullptr;
};

TEST_F(Sprite1NativesTest, RectTablesTakeBaseGroupsThenSingleKeys) {
  struct Row {
    const char* table;
    int32_t level, map[4], pivot[2], draw[4];
    float degrees;
    int32_t blend;
  };
  const Row rows[] = {
      {"{}", 0, {0, 0, 16, 16}, {0, 0}, {0, 0, 16, 16}, 0.0f, 0},
      {"null", 0, {0, 0, 16, 16}, {0, 0}, {0, 0, 16, 16}, 0.0f, 0},
      {"{base = base}", 2, {1, 2, 8, 4}, {3, 4}, {5, 6, 20, 10}, 90.0f, 1},
      {"{base = base, drawWidth = 7}", 2, {1, 2, 8, 4}, {3, 4}, {5, 6, 7, 10}, 90.0f, 1},
      {"{mapWidth = 32}", 0, {0, 0, 32, 16}, {0, 0}, {0, 0, 32, 16}, 0.0f, 0},
      {"{baseMap = base}", 0, {1, 2, 8, 4}, {0, 0}, {0, 0, 8, 4}, 0.0f, 0},
      {"{baseDraw = base, level = 3, drawY = null}", 3, {0, 0, 16, 16}, {0, 0}, {5, 6, 20, 10},
       90.0f, 0},
      {"{baseLevel = base, basePivot = base, baseBlend = base, pivotX = 9}", 2, {0, 0, 16, 16},
       {9, 4}, {0, 0, 16, 16}, 0.0f, 1},
      {"{level = -5}", 0, {0, 0, 16, 16}, {0, 0}, {0, 0, 16, 16}, 0.0f, 0},
      {"{level = 99}", 3, {0, 0, 16, 16}, {0, 0}, {0, 0, 16, 16}, 0.0f, 0},
      {"{drawX = 2.9, drawHeight = 3, drawRotation = -45, blend = 7}", 0, {0, 0, 16, 16}, {0, 0},
       {2, 0, 16, 3}, -45.0f, 7},
  };
  for (const Row& row : rows) {
    run(std::string("made <- spriteCreateRect(r, img, ") + row.table + ");");
    Rect* rect = RectOf("made");
    ASSERT_NE(rect, nullptr) << row.table;
    EXPECT_EQ(rect->level, row.level) << row.table;
    EXPECT_EQ((std::vector<int32_t>{rect->mapX, rect->mapY, rect->mapWidth, rect->mapHeight}),
              (std::vector<int32_t>(row.map, row.map + 4)))
        << row.table;
    EXPECT_EQ(rect->pivotX, row.pivot[0]) << row.table;
    EXPECT_EQ(rect->pivotY, row.pivot[1]) << row.table;
    EXPECT_EQ((std::vector<int32_t>{rect->drawX, rect->drawY, rect->drawWidth, rect->drawHeight}),
              (std::vector<int32_t>(row.draw, row.draw + 4)))
        << row.table;
    EXPECT_NEAR(rect->rotation, row.degrees * 0.017453292f, 1e-6f) << row.table;
    EXPECT_EQ(rect->blend, row.blend) << row.table;
    EXPECT_EQ(rect->flags, SPRITE1_RECT_ENABLE | SPRITE1_RECT_DIRTY_DRAW | SPRITE1_RECT_DIRTY_MAP);
    EXPECT_EQ(rect->vertices[0].colour, 0xFFFFFFFFu);
    EXPECT_TRUE(Errors().empty()) << row.table;
  }
}

TEST_F(Sprite1NativesTest, SettersStoreTheirValuesAndMarkWhatTheyChange) {
  constexpr uint32_t kDraw = SPRITE1_RECT_DIRTY_DRAW;
  constexpr uint32_t kMap = SPRITE1_RECT_DIRTY_MAP;
  struct Row {
    const char* call;
    const char* read;
    int32_t value;
    uint32_t dirty;
  };
  const Row rows[] = {
      {"spriteSetRectLevel(rc, -5)", "spriteGetRectLevel(rc)", 0, 0},
      {"spriteSetRectLevel(rc, 3)", "spriteGetRectLevel(rc)", 3, 0},
      {"spriteSetRectLevel(rc, 4)", "spriteGetRectLevel(rc)", 3, 0},
      {"spriteSetRectPivotX(rc, 7)", "spriteGetRectPivotX(rc)", 7, kDraw},
      {"spriteSetRectPivotY(rc, -7)", "spriteGetRectPivotY(rc)", -7, kDraw},
      {"spriteSetRectPivotPos(rc, 1, 2)", "spriteGetRectPivotPos(rc).y", 2, kDraw},
      {"spriteSetRectDrawX(rc, 11)", "spriteGetRectDrawX(rc)", 11, kDraw},
      {"spriteSetRectDrawY(rc, 12)", "spriteGetRectDrawY(rc)", 12, kDraw},
      {"spriteSetRectDrawPos(rc, 3, 4)", "spriteGetRectDrawPos(rc).x", 3, kDraw},
      {"spriteSetRectDrawWidth(rc, -13)", "spriteGetRectDrawWidth(rc)", -13, kDraw},
      {"spriteSetRectDrawHeight(rc, 14)", "spriteGetRectDrawHeight(rc)", 14, kDraw},
      {"spriteSetRectDrawSize(rc, 5, 6)", "spriteGetRectDrawSize(rc).height", 6, kDraw},
      {"spriteSetRectDrawPosSize(rc, 1, 2, 3, 4)", "spriteGetRectDrawPosSize(rc).width", 3, kDraw},
      {"spriteSetRectDrawReverseX(rc, true)", "0", 0, kDraw},
      {"spriteSetRectDrawReverseY(rc, false)", "0", 0, kDraw},
      {"spriteSetRectMapX(rc, 21)", "spriteGetRectMapX(rc)", 21, kMap},
      {"spriteSetRectMapY(rc, 22)", "spriteGetRectMapY(rc)", 22, kMap},
      {"spriteSetRectMapPos(rc, 7, 8)", "spriteGetRectMapPos(rc).y", 8, kMap},
      {"spriteSetRectMapWidth(rc, 23)", "spriteGetRectMapWidth(rc)", 23, kMap},
      {"spriteSetRectMapHeight(rc, 24)", "spriteGetRectMapHeight(rc)", 24, kMap},
      {"spriteSetRectMapSize(rc, 9, 10)", "spriteGetRectMapSize(rc).width", 9, kMap},
      {"spriteSetRectMapPosSize(rc, 1, 2, 3, 4)", "spriteGetRectMapPosSize(rc).height", 4, kMap},
      {"spriteSetRectMapReverseX(rc, true)", "0", 0, kMap},
      {"spriteSetRectMapReverseY(rc, true)", "0", 0, kMap},
      {"spriteSetRectBlend(rc, 3)", "spriteGetRectBlend(rc)", 3, 0},
  };
  Rect* rect = RectOf("rc");
  for (const Row& row : rows) {
    drawAll(&system);
    ASSERT_EQ(rect->flags & (kDraw | kMap), 0u);
    run(std::string(row.call) + ";");
    EXPECT_EQ(Int(row.read), row.value) << row.call;
    EXPECT_EQ(rect->flags & (kDraw | kMap), row.dirty) << row.call;
  }
  EXPECT_EQ(rect->flags & (SPRITE1_RECT_DRAW_REVERSE_X | SPRITE1_RECT_DRAW_REVERSE_Y |
                           SPRITE1_RECT_MAP_REVERSE_X | SPRITE1_RECT_MAP_REVERSE_Y),
            SPRITE1_RECT_DRAW_REVERSE_X | SPRITE1_RECT_MAP_REVERSE_X | SPRITE1_RECT_MAP_REVERSE_Y);
  run("spriteSetRectEnable(rc, false);");
  EXPECT_EQ(rect->flags & SPRITE1_RECT_ENABLE, 0u);
  run("spriteSetRectColor(rc, 1.0, 0, 0.5); spriteSetRectAlpha(rc, 2);");
  EXPECT_EQ(rect->vertices[3].colour, 0xFFFF0080u);
  EXPECT_TRUE(Errors().empty());
}

TEST_F(Sprite1NativesTest, RotationsAreDegreesForScripts) {
  run("spriteSetRectDrawRotation(rc, 90);");
  EXPECT_NEAR(RectOf("rc")->rotation, 1.5707963f, 1e-6f);
  EXPECT_NEAR(run("return spriteGetRectDrawRotation(rc);").toFloat(), 90.0f, 1e-4f);
  EXPECT_NEAR(run("return spriteGetRectDrawRotation(base);").toFloat(), 90.0f, 1e-4f);
}

TEST_F(Sprite1NativesTest, SizesOfImagesRenderersAndTexts) {
  EXPECT_EQ(Int("spriteGetImageSize(img).width"), 16);
  EXPECT_EQ(Int("spriteGetRendererSize(r).height"), static_cast<int32_t>(kHeight));
  const int32_t line = font->context->lineHeight;
  EXPECT_EQ(Int("spriteDrawImageText(textImage, font, \"\").width"), 0);
  EXPECT_EQ(Int("spriteDrawImageText(textImage, font, \"\").height"), line);
  EXPECT_EQ(Int("spriteDrawImageText(textImage, font, \"確A\\nA\").width"), 24);
  EXPECT_EQ(Int("spriteDrawImageText(textImage, font, \"確A\\nA\").height"), 2 * line);
  EXPECT_TRUE(Errors().empty());
}

TEST_F(Sprite1NativesTest, HandlesOfDestroyedObjectsAreRefused) {
  struct Row {
    const char* what;
    const char* script;
    const char* error;
  };
  const Row rows[] = {
      {"a destroyed rect", "spriteDestroyRect(rc); spriteGetRectLevel(rc);",
       "invalid sprite1 rect handle("},
      {"a rect destroyed twice", "spriteDestroyRect(rc); spriteDestroyRect(rc);",
       "invalid sprite1 rect handle("},
      {"a rect of a destroyed renderer", "spriteDestroyRenderer(r); spriteSetRectDrawX(base, 1);",
       "invalid sprite1 rect handle("},
      {"a destroyed renderer", "spriteDestroyRenderer(r); spriteGetRendererSize(r);",
       "invalid sprite1 renderer handle("},
      {"a destroyed image", "spriteDestroyImage(img); spriteCreateRect(r, img, {});",
       "invalid sprite1 image handle("},
      {"a destroyed font", "spriteDestroyFont(font); spriteDrawImageText(textImage, font, \"A\");",
       "invalid sprite1 font handle("},
      {"a rect for an image", "spriteGetImageSize(rc);", "invalid sprite1 image handle("},
      {"a made-up number", "spriteGetRectBlend(12345);", "invalid sprite1 rect handle(12345)"},
      {"a destroyed base rect", "spriteDestroyRect(base); spriteCreateRect(r, img, {base = base});",
       "invalid sprite1 rect handle("},
      {"a base that is no rect", "spriteCreateRect(r, img, {baseMap = \"x\"});",
       "invalid sprite1 rect handle("},
  };
  for (const Row& row : rows) {
    MakeObjects();
    run(row.script);
    const std::vector<std::string> errors = Errors();
    ASSERT_EQ(errors.size(), 1u) << row.what;
    EXPECT_NE(errors[0].find(row.error), std::string::npos) << row.what << ": " << errors[0];
    EXPECT_EQ(errors[0].rfind("[] Script Error: ", 0), 0u) << errors[0];
  }
}

TEST_F(Sprite1NativesTest, DestroyingTheSystemRetiresEveryHandle) {
  const int32_t handles[] = {Int("img"), Int("r"), Int("font"), Int("rc"), Int("base")};
  const ScriptHandleKind* kinds[] = {&kSprite1ImageHandle, &kSprite1RendererHandle,
                                     &kSprite1FontHandle, &kSprite1RectHandle,
                                     &kSprite1RectHandle};
  systemDestroy(&system);
  for (size_t i = 0; i < std::size(handles); ++i) {
    EXPECT_EQ(scriptHandles().find(handles[i], *kinds[i]), nullptr) << i;
  }
}

}  // namespace

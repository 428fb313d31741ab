// A sprite scene (the nine blend codes, an alpha test, clamped colours, rotation, point
// sampling and a text) drawn by the software rasteriser must match the reviewed picture in
// golden/scene.bmp, built once through the framework functions and once by a script through
// the natives. SPRITE2_WRITE_GOLDEN=1 writes the picture anew (on purpose only).

#include "render/sprite2/tests/Sprite2Fixture.h"

// The script tests' fixture archive is not used here.
#define TEST_SCRIPTS_ARCHIVE ""
#include "testsupport/script/ScriptTestSupport.h"

#include "testsupport/DMemorySource.h"
#include "testsupport/GoldenPicture.h"
#include "render/sprite2/Sprite2Natives.h"

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

using namespace d3d9;

const std::string kGolden = std::string(TEST_SOURCE_DIR) + "/sprite2/tests/golden/scene.bmp";

OmbSpriteDeviceSet* theSet = nullptr;
OmbSpriteDeviceSet* resolveSet(HSQUIRRELVM) {
  return theSet;
}

class Sprite2GoldenTest : public Sprite2Test {
 protected:
  void SetUp() override {
    Sprite2Test::SetUp();
    theSet = set;
    // A 16 x 16 picture under a name the image load finds in the device's registry: opaque
    // red and white checks on the left, translucent blue and clear texels on the right.
    checker = m_device->CreateTexture("/golden/checker", 16, 16);
    int32_t pitch = 0;
    uint8_t* bits = static_cast<uint8_t*>(checker->Lock(0, 0, 16, 16, pitch));
    for (uint32_t y = 0; y < 16; ++y) {
      for (uint32_t x = 0; x < 16; ++x) {
        const bool odd = ((x / 4) + (y / 4)) % 2 != 0;
        uint8_t r = 255, g = odd ? 0 : 255, b = odd ? 0 : 255, a = 255;
        if (x >= 8) {
          r = 0;
          g = odd ? 0 : 64;
          b = 255;
          a = odd ? 0 : 128;
        }
        const uint8_t px[4] = {b, g, r, a};  // kind 2: B, G, R, A
        const uint8_t rgba[4] = {r, g, b, a};
        std::memcpy(bits + y * pitch + x * 4, checker->kind == 0 ? rgba : px, 4);
      }
    }
    checker->texture->UnlockRect(0);
  }
  void TearDown() override {
    checker.Reset();
    theSet = nullptr;
    Sprite2Test::TearDown();
  }

  // One frame: the grey background, the update and the sprites; the back buffer as a BMP.
  std::vector<uint8_t> frame() {
    D3d().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF406080u, 1.0f, 0);
    ombSpriteUpdate(set);
    D3d().BeginScene();
    ombSpriteDraw(set);
    D3d().EndScene();
    return CaptureBackBuffer();
  }

  void compareWithGolden(const std::vector<uint8_t>& picture) {
    expectGoldenPicture(picture, kGolden, "SPRITE2_WRITE_GOLDEN");
  }

  dbtl::rcptr<L3DTexture> checker;
};

// The scene as a script writes it; the framework version below builds the same.
constexpr char kSceneScript[] = R"(
r <- spriteRendererCreate(0, 0, 2);
img <- spriteImageLoad("/golden/checker");
rc <- spriteRectCreate(r, img, null);
local x = 2;
for (local blend = 1; blend <= 9; blend += 1) {
  spriteCreate(r, {rect = rc, posX = x, posY = 2, blend = blend, colorRed = 1.5, colorBlue = -1.0,
                   alpha = 0.75});
  x += 10;
}
spriteCreate(r, {rect = rc, posX = 2, posY = 22, blend = 2, alphatest = 2,
                 alphatestThreshold = 0.6, scaleX = 2.0, scaleY = 2.0});
spriteCreate(r, {rect = rc, posX = 60, posY = 30, blend = 2, rotationZ = 30, scaling = 1});
ti <- spriteImageCreateText(48, 20);
tr <- spriteRectCreate(r, ti, null);
f <- spriteRectTextFormatCreate(r, {fontSize = 16, colorGreen = 0.5});
spriteRectDrawText(tr, f, "確A");
spriteCreate(r, {rect = tr, posX = 40, posY = 44, blend = 2, level = 1});
)";

void buildScene(OmbSpriteDeviceSet* set) {
  OmbSpriteRenderer* r = ombSpriteCreateRenderer(set, 0, 0, 2);
  OmbSpriteImage* img = ombSpriteLoadImage(u"/golden/checker", set);
  OmbSpriteRect* rc = ombSpriteCreateRect(img, r, 0, 0, 16, 16, 0, 0);
  float x = 2.0f;
  for (int32_t blend = 1; blend <= 9; ++blend) {
    OmbSprite* s = ombSpriteCreate(r);
    ombSpriteSetRect(s, rc);
    s->posX = x;
    s->posY = 2.0f;
    s->blend = blend;
    s->color[0] = 1.5f;
    s->color[2] = -1.0f;
    s->color[3] = 0.75f;
    x += 10.0f;
  }
  OmbSprite* tested = ombSpriteCreate(r);
  ombSpriteSetRect(tested, rc);
  tested->posX = 2.0f;
  tested->posY = 22.0f;
  tested->blend = 2;
  tested->alphaTest = 2;
  tested->threshold = 0.6f;
  tested->scaleX = tested->scaleY = 2.0f;
  OmbSprite* turned = ombSpriteCreate(r);
  ombSpriteSetRect(turned, rc);
  turned->posX = 60.0f;
  turned->posY = 30.0f;
  turned->blend = 2;
  turned->scaling = 1;
  ombSpriteSetRotationZ(turned, 30.0f * 0.017453292f);
  OmbSpriteImage* ti = ombSpriteCreateTextImage(48, 20, set);
  OmbSpriteRect* tr = ombSpriteCreateRect(ti, r, 0, 0, 48, 20, 0, 0);
  OmbSpriteTextFormatParams p{};
  p.fontSize = 16;
  p.gamma = 1.5f;
  p.red = 1.0f;
  p.green = 0.5f;
  p.blue = 1.0f;
  ombSpriteDrawText(tr, ombSpriteCreateTextFormat(r, p), u"確A");
  OmbSprite* text = ombSpriteCreate(r);
  ombSpriteSetRect(text, tr);
  ombSpriteSetLevel(text, 1);
  text->posX = 40.0f;
  text->posY = 44.0f;
  text->blend = 2;
}

TEST_F(Sprite2GoldenTest, TheFrameworkSceneMatchesTheGoldenPicture) {
  buildScene(set);
  compareWithGolden(frame());
}

TEST_F(Sprite2GoldenTest, TheScriptSceneRendersTheSameFrame) {
  scripttest::CoreUp core;
  LogCapture log;
  ScriptManager manager;
  ScriptThread thread(&manager, manager.newTable(nullptr));
  registerSprite2Api(manager.rootTable, &resolveSet);
  const std::u16string text = scripttest::u16(kSceneScript);
  HSQUIRRELVM vm = thread.vm.vm;
  ScriptObject closure;
  {
    ScriptStackTop top(vm);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(vm, text.c_str(), static_cast<SQInteger>(text.size()),
                                              u"scene", SQTrue)));
    closure = ScriptObject::fromStack(vm, -1);
  }
  thread.vm.prepareCall(closure).run();
  for (const auto& m : LogCapture::messages()) {
    EXPECT_NE(m.level, OMB_LOG_ERROR) << scripttest::u8(m.text);
  }
  compareWithGolden(frame());
}

}  // namespace

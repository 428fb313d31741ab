// A frame of sprite layer 1 (file and dynamic images, the four blend kinds, colour and alpha,
// rotation, mirroring, a text, and a second renderer of half the screen's logical size) drawn
// through the "nolight_b0" fixture shader by the software rasteriser must match the reviewed
// picture golden/frame.bmp byte for byte. SPRITE1_WRITE_GOLDEN=1 writes the picture anew (on
// purpose only); it is pinned to Debian's FreeType and IPA Gothic.

#include "render/sprite1/tests/Sprite1Fixture.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/GoldenPicture.h"

#include <cstdlib>

namespace {

using namespace sprite1;
using namespace d3d9;

const std::string kGolden = std::string(TEST_SOURCE_DIR) + "/sprite1/tests/golden/frame.bmp";

class Sprite1GoldenTest : public Sprite1Test {
 protected:
  std::vector<uint8_t> Frame() {
    D3d().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF406080u, 1.0f, 0);
    D3d().BeginScene();
    drawAll(&system);
    D3d().EndScene();
    return CaptureBackBuffer();
  }

  static Rect* Place(Renderer* r, Image* image, int32_t level, int32_t x, int32_t y, int32_t w,
                     int32_t h, int32_t blend) {
    Rect* rect = rectCreate(r, image);
    rectSetLevel(rect, level);
    rect->drawX = x, rect->drawY = y, rect->drawWidth = w, rect->drawHeight = h;
    rect->mapWidth = image->width, rect->mapHeight = image->height;
    rect->blend = blend;
    return rect;
  }
};

TEST_F(Sprite1GoldenTest, TheFrameMatchesTheGoldenPicture) {
  Paint("g/checker.png");
  Image* checker = imageLoad(u"g", &system, u"checker.png");
  Image* doomed = imageLoad(u"g", &system, u"checker.png");
  Renderer* screen = rendererCreate(&system, kWidth, kHeight, 3);

  Place(screen, checker, 0, 2, 2, 16, 16, 0);
  Place(screen, checker, 1, 20, 2, 24, 24, 1);
  Rect* tinted = Place(screen, checker, 0, 48, 2, 16, 16, 2);
  rectSetColor(tinted, 1.0f, 0.5f, 0.25f);
  rectSetAlpha(tinted, 0.75f);
  Rect* turned = Place(screen, checker, 2, 30, 44, 16, 16, 0);
  turned->pivotX = turned->pivotY = 8;
  turned->rotation = 30.0f * 0.017453292f;
  Rect* mirrored = Place(screen, doomed, 1, 70, 2, 16, 24, 3);
  mirrored->flags |= SPRITE1_RECT_DRAW_REVERSE_X | SPRITE1_RECT_MAP_REVERSE_Y;
  mirrored->mapX = 4, mirrored->mapWidth = 8;
  imageDestroy(doomed);  // the rect still shows the texture

  Font* font = fontHandleCreate(&system, 12);
  Image* text = imageCreateDynamic(&system, 64, 32);
  const auto [w, h] = imageDrawText(text, font, u"確A\nAB");
  Rect* label = Place(screen, text, 2, 50, 30, w, h, 0);
  label->mapWidth = w, label->mapHeight = h;
  rectSetColor(label, 1.0f, 1.0f, 0.5f);

  // Half the screen's size: everything it draws is doubled.
  Renderer* half = rendererCreate(&system, kWidth / 2, kHeight / 2, 1);
  Place(half, checker, 0, 0, 20, 8, 8, 0);

  const std::vector<uint8_t> picture = Frame();
  expectGoldenPicture(picture, kGolden, "SPRITE1_WRITE_GOLDEN");
}

}  // namespace

// Decals and shadows drawn into pixels: the valley (a whole fixture field game) run for 125
// frames, when its map script's first stamp of the decal "mark" (an orange texture; the handle's
// alpha factor 0.75, the stamp's own 0.5) has faded in, a shadow of the same handle added on its own ground, and one frame drawn
// from straight above through the device's software rasteriser.

#include "engines/vell/Decal.h"
#include "engines/vell/Map.h"
#include "engines/vell/Shadow.h"
#include "engines/vell/tests/FieldDeviceFixture.h"

#include <cstdlib>

namespace {

struct Rgb {
  int r, g, b;
};

// A pixel of a captured BMP (bottom-up rows of 24 or 32 bits).
Rgb pixelAt(const std::vector<uint8_t>& bmp, int x, int y) {
  auto u32 = [&](size_t at) {
    return uint32_t(bmp[at]) | uint32_t(bmp[at + 1]) << 8 | uint32_t(bmp[at + 2]) << 16 |
           uint32_t(bmp[at + 3]) << 24;
  };
  const uint32_t offset = u32(10);
  const int32_t width = int32_t(u32(18));
  const int32_t height = int32_t(u32(22));
  const uint32_t bytes = (bmp[28] | bmp[29] << 8) / 8;
  const uint32_t stride = (uint32_t(width) * bytes + 3) & ~3u;
  const int32_t row = height > 0 ? height - 1 - y : y;
  const size_t at = offset + size_t(row) * stride + size_t(x) * bytes;
  return {bmp[at + 2], bmp[at + 1], bmp[at]};
}

class DrawnDecalTest : public fieldtest::FieldDeviceTest {
 protected:
  void SetUp() override {
    bringUpValley();
  }

  // The pixel where a point of the meadow's floor is drawn.
  Rgb floorPixel(const std::vector<uint8_t>& bmp, float x, float z) {
    const LVec3 s = engine->camera()->camera.calcScreenPos(LVec3{x, 0.0f, z});
    const int px = int((s.x + 1.0f) * 0.5f * kWidth);
    const int py = int((1.0f - s.y) * 0.5f * kHeight);
    EXPECT_TRUE(px >= 0 && px < kWidth && py >= 0 && py < kHeight) << x << " " << z;
    return pixelAt(bmp, px, py);
  }
};

TEST_F(DrawnDecalTest, AStampAndAShadowBlendTheirTextureOverTheFloor) {
  start(u"valley");
  // The map script stamps "mark" at (9, 0, 6) in frame 90 with a fade-in of 10 frames.
  for (int frame = 0; frame < 125; ++frame) engine->runFrame(Engine::FrameDraw::Skip);
  vell::Map& map = *engine->map();
  ASSERT_EQ(map.decals.count(), 1u);
  const int32_t id = engine->rootBase()->getShare().getIntegerSlot(u"decal");
  const auto* handle =
      static_cast<const vell::DecalHandle*>(scriptHandles().find(id, vell::kDecalHandleKind));
  ASSERT_NE(handle, nullptr);

  // A 2 x 2 shadow standing on the floor at (16, 0, 6).
  vell::Shadow shadow;
  engine->shadows().set(shadow, handle, {2.0f, 1.0f, 2.0f}, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f);
  shadow.caster.position = vec3ToFixed(16.0f, 0.0f, 6.0f);
  const std::optional<vell::GroundHit> ground = map.findGround(shadow.caster.position);
  ASSERT_TRUE(ground.has_value());
  shadow.caster.ground = ground->triangle;
  shadow.caster.groundHeight = ground->height;

  // Straight down on the whole meadow; without tasks the camera script keeps to this view.
  engine->setTaskEnable(false);
  vell::Camera& camera = engine->camera()->camera;
  camera.setOrthographic(24.0f, 4.0f / 3.0f, 1.0f, 100.0f);
  camera.setView({12.0f, 50.0f, 12.0f}, {12.0f, 0.0f, 12.0f}, {0.0f, 0.0f, 1.0f});
  engine->runFrame(Engine::FrameDraw::Draw);
  const std::vector<uint8_t> bmp = capture();
  ASSERT_GT(bmp.size(), 54u);

  const Rgb floor = floorPixel(bmp, 12.0f, 18.0f);
  // The texture's orange over the floor: the stamp at its own alpha 0.5, the shadow at the
  // handle's 0.75.
  const Rgb mark{0xF0, 0x80, 0x20};
  auto over = [&](float a) {
    return Rgb{int(mark.r * a + floor.r * (1.0f - a)), int(mark.g * a + floor.g * (1.0f - a)),
               int(mark.b * a + floor.b * (1.0f - a))};
  };
  for (const auto& [x, z, a, what] :
       {std::tuple{9.0f, 6.0f, 0.5f, "stamp"}, {16.0f, 6.0f, 0.75f, "shadow"}}) {
    const Rgb p = floorPixel(bmp, x, z);
    const Rgb blend = over(a);
    EXPECT_NEAR(p.r, blend.r, 3) << what;
    EXPECT_NEAR(p.g, blend.g, 3) << what;
    EXPECT_NEAR(p.b, blend.b, 3) << what;
  }
  EXPECT_GT(std::abs(over(0.5f).r - floor.r), 20) << "the floor is too close to the mark to tell";
  // Beyond the boxes (the stamp's is 2 x 2 turned by 30 degrees) the floor shows unchanged.
  for (const auto& [x, z] : {std::pair{9.0f, 9.0f}, {5.5f, 6.0f}, {16.0f, 8.5f}, {13.0f, 6.0f}}) {
    const Rgb p = floorPixel(bmp, x, z);
    EXPECT_EQ(p.r, floor.r) << x << " " << z;
    EXPECT_EQ(p.g, floor.g) << x << " " << z;
    EXPECT_EQ(p.b, floor.b) << x << " " << z;
  }
  EXPECT_TRUE(errors().empty()) << errors().front();
  engine->shadows().clear(shadow);
}

}  // namespace

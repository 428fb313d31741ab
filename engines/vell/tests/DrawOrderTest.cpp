// The order of the field engine's draw steps on the valley (a map, a platform carrying a
// collision map at the front of the object list, other objects, decals): the collision-map
// objects before the map's decals, the other objects after them, then bullets, effects, water
// and the depth-sorted list; in map mode two passes with their own cameras and Z-sort bits.

#include "engines/vell/tests/FieldDeviceFixture.h"

#include <utility>
#include <vector>

namespace {

using Step = vell::Engine::DrawStep;

class DrawOrderTest : public fieldtest::FieldDeviceTest {
 protected:
  void SetUp() override {
    bringUpValley();
    start(u"valley");
    for (int frame = 0; frame < 5; ++frame) engine->runFrame(Engine::FrameDraw::Skip);
    engine->setDrawWatcher([this](Step step) { steps.emplace_back(step, engine->drawFlags()); });
  }

  // The steps of one drawScene with these Z-sort bits in the frame's flags.
  std::vector<std::pair<Step, uint32_t>> drawWith(uint32_t flags) {
    steps.clear();
    engine->addFrameFlags(flags);
    engine->drawScene();
    return steps;
  }

  std::vector<std::pair<Step, uint32_t>> steps;
};

TEST_F(DrawOrderTest, NormalCameraDrawsCollisionMapObjectsThenDecalsThenTheRest) {
  // The platform loads a collision map: it leads the object list.
  ASSERT_NE(engine->objects(), nullptr);
  const std::vector<std::pair<Step, uint32_t>> expected = {
      {Step::View, 8},         {Step::Background, 8}, {Step::Map, 8},
      {Step::FirstObjects, 8}, {Step::Decals, 8},     {Step::RestObjects, 8},
      {Step::Bullets, 8},      {Step::Effects, 8},    {Step::Water, 8},
      {Step::SortedList, 8}};
  EXPECT_EQ(drawWith(8), expected);
}

TEST_F(DrawOrderTest, MapModeDrawsTheMapPassThenTheNormalPassWithTheirOwnSortBits) {
  engine->camera()->camera.mapMode = true;
  // Bits 0 (effects), 1 (map) and 3 (bullets): the map camera's pass sees only the map's bit,
  // the normal camera's pass all but it.
  const std::vector<std::pair<Step, uint32_t>> expected = {
      {Step::MapView, 2},     {Step::Background, 2},  {Step::Map, 2},
      {Step::FirstObjects, 2}, {Step::Decals, 2},     {Step::Water, 2},
      {Step::SortedList, 2},  {Step::View, 9},        {Step::RestObjects, 9},
      {Step::Bullets, 9},     {Step::Effects, 9},     {Step::SortedList, 9}};
  EXPECT_EQ(drawWith(1 | 2 | 8), expected);
}

TEST_F(DrawOrderTest, MapModeWithoutTheMapBitDrawsTheMapPassUnsorted) {
  engine->camera()->camera.mapMode = true;
  const std::vector<std::pair<Step, uint32_t>> drawn = drawWith(4);
  ASSERT_EQ(drawn.size(), 12u);
  EXPECT_EQ(drawn[3], std::make_pair(Step::FirstObjects, 0u));
  EXPECT_EQ(drawn[8], std::make_pair(Step::RestObjects, 4u));
}

}  // namespace

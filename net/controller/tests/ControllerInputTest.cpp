#include "net/controller/ControllerInput.h"

#include "host/input/ButtonStateHolder.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

// A source of 20 buttons whose values a test sets frame by frame; button 1 asks for the quick
// press as its third event.
struct FakeSource {
  std::array<float, 20> values{};

  InputSource source() {
    InputSource s;
    s.context = this;
    s.count = [](void*) -> uint32_t { return 20; };
    s.flag = [](void*, uint32_t index) -> int32_t { return index == 1 ? 1 : 0; };
    s.value = [](void* c, uint32_t index) { return static_cast<FakeSource*>(c)->values[index]; };
    return s;
  }
};

std::vector<int> set(const uint8_t* flags) {
  std::vector<int> on;
  for (int i = 0; i < 16; ++i) {
    if (flags[i]) on.push_back(i);
  }
  return on;
}

TEST(ControllerInput, TakesTheTrackersBitsAndTheThirdEventEachButtonAsksFor) {
  FakeSource pad;
  ButtonStateHolder holder;
  ASSERT_TRUE(holder.create(pad.source(), 20, 10));
  ControllerInput controller(Controller::kRecordFlagsAnalog, &holder);
  EXPECT_EQ(controller.getType(), Controller::kTypeInput);

  struct Frame {
    float b0, b1, b17;
    std::vector<int> pressed, held, third;
  };
  // Button 0 takes a repeated press (its first press counts as one), button 1 a quick full
  // press; button 17 lies past the 16 places and must change nothing.
  const Frame frames[] = {
      {0.6f, 0.6f, 1.0f, {0, 1}, {0, 1}, {0}},
      {1.0f, 1.0f, 1.0f, {}, {0, 1}, {1}},
      {0.0f, 1.0f, 0.0f, {}, {1}, {}},
  };
  for (const Frame& f : frames) {
    pad.values[0] = f.b0;
    pad.values[1] = f.b1;
    pad.values[17] = f.b17;
    controller.refresh();
    EXPECT_EQ(set(controller.pressed()), f.pressed);
    EXPECT_EQ(set(controller.held()), f.held);
    EXPECT_EQ(set(controller.third()), f.third);
    EXPECT_EQ(controller.analog()[0], f.b0);
    EXPECT_EQ(controller.analog()[1], f.b1);
  }
  EXPECT_EQ(controller.recordLog()->count(), 3u);
}

TEST(ControllerInput, AnEmptySlotGivesNoInputAndStillRecords) {
  ButtonStateHolder empty;
  ControllerInput controller(Controller::kRecordFlags, &empty);
  controller.refresh();
  controller.refresh();
  EXPECT_EQ(controller.packBits(), 0u);
  EXPECT_EQ(controller.recordLog()->entry(0).repeat, 1u);
}

}  // namespace

// Button-state trackers over a source whose values a test sets frame by frame.

#include "host/input/ombButtonState.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Values {
  float value = 0.0f;
  int polls = 0;
};

InputSource sourceOf(Values& v) {
  InputSource s;
  s.context = &v;
  s.poll = [](void* c) { ++static_cast<Values*>(c)->polls; };
  s.count = [](void*) { return 1u; };
  s.flag = [](void*, uint32_t) { return 0; };
  s.value = [](void* c, uint32_t) { return static_cast<Values*>(c)->value; };
  return s;
}

// The status after each value, one frame each.
std::vector<uint32_t> run(const std::vector<float>& values, uint32_t repeat = 20,
                          uint32_t quick = 10) {
  Values v;
  OMB_BUTTON_STATE* tracker = ombButtonStateCreate(sourceOf(v), repeat, quick);
  std::vector<uint32_t> out;
  for (float value : values) {
    v.value = value;
    ombButtonStateUpdate(tracker);
    out.push_back(tracker->status[0]);
  }
  EXPECT_EQ(v.polls, int(values.size()));
  ombButtonStateDestroy(tracker);
  return out;
}

TEST(ButtonState, HysteresisBetweenPressAndRelease) {
  // 0.45 neither presses nor releases; a release needs a value below 0.4.
  EXPECT_EQ(run({0.45f, 0.5f, 0.45f, 0.4f, 0.39f, 0.45f}, 0, 0),
            (std::vector<uint32_t>{0, 5, 4, 4, 2, 0}));
}

TEST(ButtonState, RepeatWindowCountsFramesSinceThePreviousPress) {
  struct Case {
    int gap;  // frames from the first press to the second
    bool repeat;
  } cases[] = {{21, true}, {22, false}, {2, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gap);
    // Long after creation, so the first press is no repeat.
    std::vector<float> values(30, 0.0f);
    values.push_back(1.0f);
    for (int i = 1; i < c.gap; ++i) values.push_back(0.0f);
    values.push_back(1.0f);
    const std::vector<uint32_t> status = run(values, 20, 0);
    EXPECT_EQ(status[30], OMB_BUTTON_PRESSED | OMB_BUTTON_HELD);
    EXPECT_EQ((status.back() & OMB_BUTTON_REPEAT) != 0, c.repeat);
    EXPECT_NE(status.back() & OMB_BUTTON_PRESSED, 0u);
  }
  // A press within the first frames after creation already counts as a repeat.
  EXPECT_EQ(run({0.0f, 1.0f}, 20, 0)[1], OMB_BUTTON_PRESSED | OMB_BUTTON_HELD | OMB_BUTTON_REPEAT);
}

TEST(ButtonState, QuickBitMarksAFastFullPressOncePerPress) {
  std::vector<float> rest(40, 0.0f);
  auto with = [&](std::vector<float> tail) {
    std::vector<float> values = rest;
    values.insert(values.end(), tail.begin(), tail.end());
    std::vector<uint32_t> status = run(values);
    return std::vector<uint32_t>(status.begin() + 40, status.end());
  };
  // From 0 to 1 in one frame: pressed, held and quick together.
  EXPECT_EQ(with({1.0f})[0], OMB_BUTTON_PRESSED | OMB_BUTTON_HELD | OMB_BUTTON_QUICK);
  // Held at full: the quick bit is not set again until the value falls below 0.01.
  EXPECT_EQ(with({1.0f, 1.0f, 0.5f, 1.0f})[3] & OMB_BUTTON_QUICK, 0u);
  // A slow rise: 10 frames in between is too slow, 9 is quick enough.
  std::vector<float> slow(10, 0.5f);
  slow.push_back(1.0f);
  EXPECT_EQ(with(slow).back() & OMB_BUTTON_QUICK, 0u);
  slow.erase(slow.begin());
  EXPECT_NE(with(slow).back() & OMB_BUTTON_QUICK, 0u);
}

}  // namespace

// The handle table: live, stale, foreign and made-up handles, and the native parameter types
// that check them before a native runs.

#include "script/ScriptHandle.h"

#include "testsupport/script/ScriptTestSupport.h"

#include <string>
#include <vector>

namespace {

using scripttest::ScriptTest;

constexpr ScriptHandleKind kBoxKind{u"box"};
constexpr ScriptHandleKind kCrateKind{u"crate"};

struct Box {
  int32_t n;
};

TEST(ScriptHandleTableTest, LiveHandlesFindTheirObjectOnlyUnderTheirKind) {
  ScriptHandleTable table;
  Box a{1};
  Box b{2};
  const int32_t ha = table.add(kBoxKind, &a);
  const int32_t hb = table.add(kCrateKind, &b);
  EXPECT_GT(ha, 0);
  EXPECT_GT(hb, 0);
  EXPECT_NE(ha, hb);
  EXPECT_EQ(table.find(ha, kBoxKind), &a);
  EXPECT_EQ(table.find(hb, kCrateKind), &b);
  EXPECT_EQ(table.find(ha, kCrateKind), nullptr);
  EXPECT_EQ(table.find(hb, kBoxKind), nullptr);
  EXPECT_EQ(table.liveCount(), 2u);
}

TEST(ScriptHandleTableTest, ARetiredHandleStaysStaleWhenItsSlotIsReused) {
  ScriptHandleTable table;
  Box a{1};
  Box b{2};
  const int32_t first = table.add(kBoxKind, &a);
  table.remove(first);
  table.remove(first);  // a second retirement changes nothing
  EXPECT_EQ(table.liveCount(), 0u);
  EXPECT_EQ(table.find(first, kBoxKind), nullptr);
  const int32_t second = table.add(kBoxKind, &b);
  EXPECT_NE(second, first);
  EXPECT_EQ(table.find(first, kBoxKind), nullptr);
  EXPECT_EQ(table.find(second, kBoxKind), &b);
}

TEST(ScriptHandleTableTest, MadeUpNumbersFindNothing) {
  ScriptHandleTable table;
  Box a{1};
  const int32_t live = table.add(kBoxKind, &a);
  const int32_t otherGeneration = live + (1 << ScriptHandleTable::kIndexBits);
  for (int32_t handle : {0, -1, -live, live + 1, otherGeneration, 0x7fffffff,
                         static_cast<int32_t>(0x80000000u)}) {
    EXPECT_EQ(table.find(handle, kBoxKind), nullptr) << handle;
  }
}

TEST(ScriptHandleTableTest, SlotsRunOutWithAnErrorInsteadOfWrapping) {
  LogCapture capture;
  ScriptHandleTable table;
  Box a{1};
  int32_t last = 0;
  for (uint32_t i = 0; i < ScriptHandleTable::kMaxSlots; ++i) {
    last = table.add(kBoxKind, &a);
  }
  EXPECT_NE(last, 0);
  EXPECT_EQ(table.add(kBoxKind, &a), 0);
  ASSERT_EQ(LogCapture::messages().size(), 1u);
  EXPECT_EQ(scripttest::u8(LogCapture::messages()[0].text),
            "[] Script Error: too many script handles");
}

int32_t calls = 0;

int32_t boxValue(ScriptHandleArg<Box, kBoxKind> box) {
  ++calls;
  return box->n;
}

int32_t boxOrNull(ScriptHandleOrNull<Box, kBoxKind> box) {
  ++calls;
  return box ? box->n : -1;
}

class ScriptHandleNativeTest : public ScriptTest {
 protected:
  ScriptHandleNativeTest() {
    calls = 0;
    manager.rootTable.registerFunction(u"boxValue", &boxValue)
        .registerFunction(u"boxOrNull", &boxOrNull);
  }
  ~ScriptHandleNativeTest() override {
    for (int32_t h : made) {
      scriptHandles().remove(h);
    }
  }
  int32_t make(const ScriptHandleKind& kind, Box* box) {
    made.push_back(scriptHandles().add(kind, box));
    return made.back();
  }
  std::vector<int32_t> made;
};

TEST_F(ScriptHandleNativeTest, EveryBadHandleIsOneErrorAndTheNativeIsNotCalled) {
  Box live{7};
  Box gone{8};
  const int32_t liveHandle = make(kBoxKind, &live);
  const int32_t staleHandle = make(kBoxKind, &gone);
  scriptHandles().remove(staleHandle);
  const int32_t crateHandle = make(kCrateKind, &live);

  EXPECT_EQ(eval("boxValue(" + std::to_string(liveHandle) + ")").toInteger(), 7);
  EXPECT_EQ(calls, 1);

  struct Case {
    std::string argument;
    std::string error;
  };
  const std::vector<Case> cases = {
      {std::to_string(staleHandle),
       "[] Script Error: invalid box handle(" + std::to_string(staleHandle) + ")"},
      {std::to_string(crateHandle),
       "[] Script Error: invalid box handle(" + std::to_string(crateHandle) + ")"},
      {"123456789", "[] Script Error: invalid box handle(123456789)"},
      {"0", "[] Script Error: invalid box handle(0)"},
      {"null", "[] Script Error: invalid box handle(0)"},
      {"\"text\"", "[] Script Error: get integer from stack(2)"},
  };
  for (const Case& c : cases) {
    clearLog();
    EXPECT_EQ(eval("boxValue(" + c.argument + ")").getType(), OT_NULL) << c.argument;
    EXPECT_EQ(errors(), std::vector<std::string>{c.error}) << c.argument;
  }
  EXPECT_EQ(calls, 1);
}

TEST_F(ScriptHandleNativeTest, AnOptionalHandleTakesNullAndZeroAsNone) {
  Box live{7};
  const int32_t liveHandle = make(kBoxKind, &live);
  EXPECT_EQ(eval("boxOrNull(null)").toInteger(), -1);
  EXPECT_EQ(eval("boxOrNull(0)").toInteger(), -1);
  EXPECT_EQ(eval("boxOrNull(" + std::to_string(liveHandle) + ")").toInteger(), 7);
  EXPECT_TRUE(errors().empty());
  scriptHandles().remove(liveHandle);
  EXPECT_EQ(eval("boxOrNull(" + std::to_string(liveHandle) + ")").getType(), OT_NULL);
  EXPECT_EQ(errors().size(), 1u);
  EXPECT_EQ(calls, 3);
}

}  // namespace

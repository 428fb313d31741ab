#include "platform/window/MessageScript.h"

#include <gtest/gtest.h>

namespace pw = platform::window;

namespace {

TEST(MessageScript, ReadsEveryActionInTimeOrder) {
  std::string error;
  const auto entries = pw::parseMessageScript(
      "30 close; 0 activate 1\n10 syscommand move;10 syscommand 0xF000;"
      "20 power querysuspend; 20 power 9; 25 cursor -4 7; 26 copydata 1095582532 hello;"
      "40 quit\r\n50 fail; 5 lbuttonup; 6 cancelmode; 7 paint",
      error);
  // 0xF000 is not a decimal number: the whole script is refused.
  EXPECT_TRUE(entries.empty());
  EXPECT_NE(error.find("syscommand 0xF000"), std::string::npos) << error;

  error.clear();
  const auto good = pw::parseMessageScript(
      "30 close; 0 activate 1\n10 syscommand move;10 syscommand 61440;"
      "20 power querysuspend; 20 power 9; 25 cursor -4 7; 26 copydata 1095582532 hello;"
      "40 quit\r\n50 fail; 5 lbuttonup; 6 cancelmode; 7 paint; ;",
      error);
  ASSERT_TRUE(error.empty()) << error;
  ASSERT_EQ(good.size(), 13u);
  using A = pw::ScriptEntry::Action;
  using K = pw::MessageKind;
  struct Expected {
    uint32_t at;
    A action;
    K kind;
    uint32_t param;
  };
  const Expected expected[] = {
      {0, A::Post, K::ActivateApp, 1},          {5, A::Post, K::LButtonUp, 0},
      {6, A::Post, K::CancelMode, 0},           {7, A::Post, K::Paint, 0},
      {10, A::Post, K::SysCommand, pw::kScMove}, {10, A::Post, K::SysCommand, pw::kScSize},
      {20, A::Post, K::PowerBroadcast, 0},      {20, A::Post, K::PowerBroadcast, 9},
      {25, A::Cursor, K::Paint, 0},             {26, A::Post, K::CopyData, 0},
      {30, A::Post, K::Close, 0},               {40, A::Quit, K::Paint, 0},
      {50, A::Fail, K::Paint, 0},
  };
  for (size_t i = 0; i < good.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(good[i].at, expected[i].at);
    EXPECT_EQ(good[i].action, expected[i].action);
    if (good[i].action == A::Post) {
      EXPECT_EQ(good[i].message.kind, expected[i].kind);
      EXPECT_EQ(good[i].message.param, expected[i].param);
    }
  }
  EXPECT_EQ(good[8].cursor.x, -4);
  EXPECT_EQ(good[8].cursor.y, 7);
  EXPECT_EQ(good[9].message.dataId, 1095582532u);
  EXPECT_EQ(std::string(good[9].message.data.begin(), good[9].message.data.end()), "hello");
}

TEST(MessageScript, RefusesEntriesItDoesNotUnderstand) {
  for (const char* text : {"close", "-1 close", "10 shout", "10 activate 2", "10 close now",
                           "10 power sleep", "10 cursor 1", "4294967296 close",
                           "10 copydata -1 x"}) {
    std::string error;
    EXPECT_TRUE(pw::parseMessageScript(text, error).empty()) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

}  // namespace

#include "foundation/omb/ombLog.h"

#include "foundation/omb/ombCore.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Message = LogCapture::Message;

TEST(ombLog, MessagesReachTheOutputWithTheirLevelAndTheHookAfterEach) {
  LogCapture capture;
  ombLogPrintf(OMB_LOG_WARNING, u"Warning: [%s] %ls %d", "tag", u"値", 7);
  ombLogPuts(OMB_LOG_ERROR, u"Error: fixed");
  ombLogPrintf(OMB_LOG_DEBUG, u"Debug: [%s] ", "x");
  const std::vector<Message> expected = {
      {OMB_LOG_WARNING, u"Warning: [tag] 値 7"},
      {OMB_LOG_ERROR, u"Error: fixed"},
      {OMB_LOG_DEBUG, u"Debug: [x] "},
  };
  EXPECT_EQ(LogCapture::messages(), expected);
  EXPECT_EQ(LogCapture::hookLevels(), (std::vector<int32_t>{1, 0, 4}));
}

// 1024 units arrive whole; one more and the message arrives empty, at its level, and the hook
// still runs.
TEST(ombLog, AMessageOverTheLimitArrivesEmpty) {
  LogCapture capture;
  const std::u16string fits(OMB_LOG_MAX_TEXT, u'x');
  const std::u16string over(OMB_LOG_MAX_TEXT + 1, u'x');
  ombLogPrintf(OMB_LOG_MESSAGE, u"%ls", fits.c_str());
  ombLogPrintf(OMB_LOG_INFORMATION, u"%ls", over.c_str());
  // Two bytes per unit in the narrow buffer: the limit counts units, not bytes.
  const std::u16string japanese(OMB_LOG_MAX_TEXT, u'表');
  ombLogPrintf(OMB_LOG_MESSAGE, u"%ls", japanese.c_str());
  ASSERT_EQ(LogCapture::messages().size(), 3u);
  EXPECT_EQ(LogCapture::messages()[0], (Message{OMB_LOG_MESSAGE, fits}));
  EXPECT_EQ(LogCapture::messages()[1], (Message{OMB_LOG_INFORMATION, u""}));
  EXPECT_EQ(LogCapture::messages()[2], (Message{OMB_LOG_MESSAGE, japanese}));
  EXPECT_EQ(LogCapture::hookLevels(), (std::vector<int32_t>{2, 3, 2}));
}

TEST(ombLog, CheckAllocReportsOutOfMemoryAtLevelZero) {
  LogCapture capture;
  int value = 0;
  EXPECT_EQ(ombCheckAlloc(&value), &value);
  EXPECT_TRUE(LogCapture::messages().empty());
  EXPECT_EQ(ombCheckAlloc(static_cast<void*>(nullptr)), nullptr);
  EXPECT_EQ(LogCapture::messages(),
            (std::vector<Message>{{OMB_LOG_ERROR, u"Error: Out of memory."}}));
  EXPECT_EQ(LogCapture::hookLevels(), (std::vector<int32_t>{0}));
}

// The output runs under the recursive log lock, so it may log again.
TEST(ombLog, OutputMayLogAgain) {
  static std::vector<std::u16string> seen;
  seen.clear();
  ombLogSetErrorHook([](int32_t) {});
  ombLogSetOutput([](int32_t level, const char16_t* text) {
    seen.emplace_back(text);
    if (level == OMB_LOG_WARNING) {
      ombLogPrintf(OMB_LOG_DEBUG, u"Debug: [%s] nested", "out");
    }
  });
  ombLogPuts(OMB_LOG_WARNING, u"Warning: outer");
  ombLogSetOutput(nullptr);
  ombLogSetErrorHook(nullptr);
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"Warning: outer", u"Debug: [out] nested"}));
}

TEST(ombLog, NullRestoresTheDefaultOutput) {
  {
    LogCapture capture;
  }
  testing::internal::CaptureStderr();
  ombLogPrintf(OMB_LOG_INFORMATION, u"Information: [%s] 日本語", "appInit");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Information: [appInit] 日本語\n");
}

TEST(ombLogDeathTest, DefaultHookEndsTheProcessOnLevelZeroWithUtf8OnStandardError) {
  EXPECT_EXIT(
      {
        ombLogPrintf(OMB_LOG_WARNING, u"Warning: [%s] continues", "w");
        ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] メモリ", "fatal");
        std::_Exit(5);
      },
      testing::ExitedWithCode(1), "Warning: \\[w\\] continues\nError: \\[fatal\\] メモリ\n");
}

// Exit-time functions run on the default hook's exit: the core's shut-down is one of them.
TEST(ombLogDeathTest, DefaultHookRunsExitTimeFunctions) {
  EXPECT_EXIT(
      {
        std::atexit([] { std::fputs("exit-time function ran\n", stderr); });
        ombLogPuts(OMB_LOG_ERROR, u"Error: stop");
      },
      testing::ExitedWithCode(1), "Error: stop\nexit-time function ran");
}

TEST(ombCore, SecondInitDoesNothing) {
  ombCoreInit();
  LogCapture capture;  // installed after the first init
  ombCoreInit();       // must not reset the output to the default
  ombLogPuts(OMB_LOG_MESSAGE, u"Message: still captured");
  EXPECT_EQ(LogCapture::messages().size(), 1u);
}

}  // namespace

#include "platform/ui/MessageService.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

TEST(MessageService, AnswersWithTheDefaultButton) {
  struct Case {
    unsigned type;
    int answer;
  };
  const Case cases[] = {
      {kMessageBoxOk | kMessageBoxIconWarning, kAnswerOk},
      {kMessageBoxOkCancel | kMessageBoxDefaultButton2, kAnswerCancel},
      {kMessageBoxYesNo | kMessageBoxIconQuestion, kAnswerYes},
      {kMessageBoxYesNo | kMessageBoxDefaultButton2, kAnswerNo},
      {kMessageBoxYesNoCancel | kMessageBoxDefaultButton3, kAnswerCancel},
      {kMessageBoxAbortRetryIgnore | kMessageBoxDefaultButton2, kAnswerRetry},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(showMessageBox(u"text", u"caption", c.type), c.answer) << std::hex << c.type;
  }
}

TEST(MessageService, RecordsEveryBoxAndWritesOneLineOfUtf8) {
  MessageBoxCapture capture;
  testing::internal::CaptureStderr();
  showMessageBox(u"一行目\r\n二行目", u"Warning: ", kMessageBoxOk);
  showMessageBoxCp932("\x95\x5C\x80", "Code:QZ", kMessageBoxIconWarning);
  const std::string err = testing::internal::GetCapturedStderr();

  EXPECT_EQ(err,
            "[message box] Warning: : 一行目\\n二行目\n"
            "[message box] Code:QZ: 表\xEF\xBF\xBD\n");
  const auto records = capture.records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].caption, u"Warning: ");
  EXPECT_EQ(records[0].text, u"一行目\r\n二行目");
  EXPECT_EQ(records[0].answer, kAnswerOk);
  EXPECT_EQ(records[1].caption, u"Code:QZ");
  EXPECT_EQ(records[1].text, u"表\uFFFD");
  EXPECT_EQ(records[1].type, unsigned{kMessageBoxIconWarning});
}

TEST(MessageService, CaptureSeesOnlyBoxesShownWhileItLives) {
  showMessageBox(u"before", u"c", kMessageBoxOk);
  std::vector<MessageBoxRecord> inner;
  {
    MessageBoxCapture outer;
    {
      MessageBoxCapture nested;
      showMessageBox(u"both", u"c", kMessageBoxOk);
      inner = nested.records();
    }
    showMessageBox(u"outer only", u"c", kMessageBoxOk);
    const auto records = outer.records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].text, u"outer only");
  }
  ASSERT_EQ(inner.size(), 1u);
  EXPECT_EQ(inner[0].text, u"both");
}

}  // namespace

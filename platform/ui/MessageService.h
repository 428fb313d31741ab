#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Message boxes, headless: a box is recorded, written as one line to standard error and answered
// at once with its default button; nothing ever waits for a person.

// Button sets, icons and default-button choices, with Windows' values.
enum MessageBoxType : unsigned {
  kMessageBoxOk = 0x0,
  kMessageBoxOkCancel = 0x1,
  kMessageBoxAbortRetryIgnore = 0x2,
  kMessageBoxYesNoCancel = 0x3,
  kMessageBoxYesNo = 0x4,
  kMessageBoxRetryCancel = 0x5,
  kMessageBoxIconError = 0x10,
  kMessageBoxIconQuestion = 0x20,
  kMessageBoxIconWarning = 0x30,
  kMessageBoxIconInformation = 0x40,
  kMessageBoxDefaultButton2 = 0x100,
  kMessageBoxDefaultButton3 = 0x200,
};

// The button a box was answered with.
enum MessageBoxAnswer : int {
  kAnswerOk = 1,
  kAnswerCancel = 2,
  kAnswerAbort = 3,
  kAnswerRetry = 4,
  kAnswerIgnore = 5,
  kAnswerYes = 6,
  kAnswerNo = 7,
};

struct MessageBoxRecord {
  std::u16string caption;
  std::u16string text;
  unsigned type;
  int answer;
};

// Shows a box and returns the answer (the default button).
int showMessageBox(std::u16string_view text, std::u16string_view caption, unsigned type);

// The same for 8-bit texts in code page 932; a byte that is not part of a character is shown as
// U+FFFD.
int showMessageBoxCp932(std::string_view text, std::string_view caption, unsigned type);

// Collects every box shown by any thread while it lives (several captures may be alive at once;
// each sees every box).
class MessageBoxCapture {
 public:
  MessageBoxCapture();
  ~MessageBoxCapture();
  MessageBoxCapture(const MessageBoxCapture&) = delete;
  MessageBoxCapture& operator=(const MessageBoxCapture&) = delete;

  std::vector<MessageBoxRecord> records() const;

 private:
  friend int showMessageBox(std::u16string_view, std::u16string_view, unsigned);
  std::vector<MessageBoxRecord> records_;
};

}  // namespace platform

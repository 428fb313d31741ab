#include "platform/ui/MessageService.h"

#include "platform/text/Cp932.h"
#include "platform/text/Utf8.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace platform {

namespace {

std::mutex& serviceMutex() {
  static std::mutex mutex;
  return mutex;
}

std::vector<MessageBoxCapture*>& captures() {
  static std::vector<MessageBoxCapture*> list;
  return list;
}

int defaultAnswer(unsigned type) {
  static constexpr int kButtons[][3] = {
      {kAnswerOk, kAnswerOk, kAnswerOk},
      {kAnswerOk, kAnswerCancel, kAnswerCancel},
      {kAnswerAbort, kAnswerRetry, kAnswerIgnore},
      {kAnswerYes, kAnswerNo, kAnswerCancel},
      {kAnswerYes, kAnswerNo, kAnswerNo},
      {kAnswerRetry, kAnswerCancel, kAnswerCancel},
  };
  const unsigned set = type & 0xF;
  const unsigned button = (type >> 8) & 0xF;
  if (set >= std::size(kButtons) || button > 2) {
    return kAnswerOk;
  }
  return kButtons[set][button];
}

// Line breaks inside the text are written as the two characters "\n" so that one box is one line.
std::string oneLine(std::u16string_view text) {
  std::string line = utf16ToUtf8(text);
  std::string out;
  out.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\r' || line[i] == '\n') {
      if (line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n') {
        ++i;
      }
      out += "\\n";
    } else {
      out += line[i];
    }
  }
  return out;
}

std::u16string decodeLossy(std::string_view bytes) {
  std::u16string text;
  while (!bytes.empty()) {
    char16_t unit = 0xFFFD;
    const std::size_t taken = cp932DecodeChar(bytes, unit);
    text.push_back(taken == 0 ? char16_t{0xFFFD} : unit);
    bytes.remove_prefix(taken == 0 ? 1 : taken);
  }
  return text;
}

}  // namespace

int showMessageBox(std::u16string_view text, std::u16string_view caption, unsigned type) {
  const int answer = defaultAnswer(type);
  const std::string line = "[message box] " + oneLine(caption) + ": " + oneLine(text) + "\n";
  std::lock_guard<std::mutex> hold(serviceMutex());
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  for (MessageBoxCapture* capture : captures()) {
    capture->records_.push_back({std::u16string(caption), std::u16string(text), type, answer});
  }
  return answer;
}

int showMessageBoxCp932(std::string_view text, std::string_view caption, unsigned type) {
  return showMessageBox(decodeLossy(text), decodeLossy(caption), type);
}

MessageBoxCapture::MessageBoxCapture() {
  std::lock_guard<std::mutex> hold(serviceMutex());
  captures().push_back(this);
}

MessageBoxCapture::~MessageBoxCapture() {
  std::lock_guard<std::mutex> hold(serviceMutex());
  auto& list = captures();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

std::vector<MessageBoxRecord> MessageBoxCapture::records() const {
  std::lock_guard<std::mutex> hold(serviceMutex());
  return records_;
}

}  // namespace platform

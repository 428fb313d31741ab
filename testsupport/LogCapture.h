#pragma once

#include "foundation/omb/ombLog.h"

#include <ostream>
#include <string>
#include <vector>

// Replaces the framework's log output and error hook while it lives: every message is recorded
// with its level, and the hook returns (so level-0 reports do not end the test process).
class LogCapture {
 public:
  struct Message {
    int32_t level;
    std::u16string text;
    bool operator==(const Message&) const = default;
  };

  LogCapture() {
    messages().clear();
    hookLevels().clear();
    ombLogSetOutput(&output);
    ombLogSetErrorHook(&hook);
  }
  ~LogCapture() {
    ombLogSetOutput(nullptr);
    ombLogSetErrorHook(nullptr);
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  static std::vector<Message>& messages() {
    static std::vector<Message> list;
    return list;
  }
  static std::vector<int32_t>& hookLevels() {
    static std::vector<int32_t> list;
    return list;
  }

 private:
  static void output(int32_t level, const char16_t* text) { messages().push_back({level, text}); }
  static void hook(int32_t level) { hookLevels().push_back(level); }
};

inline void PrintTo(const LogCapture::Message& m, std::ostream* os) {
  *os << "{" << m.level << ", " << m.text.size() << " units}";
}

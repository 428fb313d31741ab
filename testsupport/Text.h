#pragma once

#include "platform/text/Utf8.h"

#include <string>

namespace testsupport {

// UTF-8 test literals to and from the framework's UTF-16 strings.
inline std::u16string u16(const std::string& text) {
  return platform::utf8ToUtf16(text);
}

inline std::string u8(const std::u16string& text) {
  return platform::utf16ToUtf8(text);
}

}  // namespace testsupport

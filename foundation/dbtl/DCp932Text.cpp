#include "foundation/dbtl/DCp932Text.h"

#include "platform/text/Cp932.h"
#include "platform/text/Utf8.h"

namespace dbtl {

std::string DCp932FromUtf16(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (const char16_t unit : text) {
    char code[2];
    const std::size_t length = platform::cp932EncodeChar(unit, code);
    if (length == 0) {
      bytes.push_back('?');
    } else {
      bytes.append(code, length);
    }
  }
  return bytes;
}

std::string DCp932FromUtf8(std::string_view text) {
  return DCp932FromUtf16(platform::utf8ToUtf16(text));
}

}  // namespace dbtl

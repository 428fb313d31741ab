#include "platform/text/Cp932.h"

#include "platform/text/Cp932Tables.h"

#include <algorithm>

namespace platform {

std::size_t cp932DecodeChar(std::string_view bytes, char16_t& unit) {
  if (bytes.empty()) {
    return 0;
  }
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const int li = cp932::leadIndex(lead);
  if (li < 0) {
    const char16_t single = cp932::kSingleByte[lead];
    if (single == cp932::kInvalid) {
      return 0;
    }
    unit = single;
    return 1;
  }
  if (bytes.size() < 2) {
    return 0;
  }
  const int ti = cp932::trailIndex(static_cast<unsigned char>(bytes[1]));
  if (ti < 0) {
    return 0;
  }
  const char16_t pair =
      cp932::kDoubleByte[static_cast<std::size_t>(li) * cp932::kTrailCount + static_cast<std::size_t>(ti)];
  if (pair == cp932::kInvalid) {
    return 0;
  }
  unit = pair;
  return 2;
}

std::size_t cp932EncodeChar(char16_t unit, char out[2]) {
  const cp932::EncodePair* end = cp932::kEncode + cp932::kEncodeCount;
  const cp932::EncodePair* found = std::lower_bound(
      cp932::kEncode, end, unit,
      [](const cp932::EncodePair& pair, char16_t u) { return pair.unit < u; });
  if (found == end || found->unit != unit) {
    return 0;
  }
  if (found->code < 0x100) {
    out[0] = static_cast<char>(found->code);
    return 1;
  }
  out[0] = static_cast<char>(found->code >> 8);
  out[1] = static_cast<char>(found->code & 0xFF);
  return 2;
}

std::optional<std::u16string> cp932ToUtf16(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  while (!bytes.empty()) {
    char16_t unit;
    const std::size_t taken = cp932DecodeChar(bytes, unit);
    if (taken == 0) {
      return std::nullopt;
    }
    text.push_back(unit);
    bytes.remove_prefix(taken);
  }
  return text;
}

std::optional<std::string> utf16ToCp932(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (const char16_t unit : text) {
    char code[2];
    const std::size_t length = cp932EncodeChar(unit, code);
    if (length == 0) {
      return std::nullopt;
    }
    bytes.append(code, length);
  }
  return bytes;
}

}  // namespace platform

#include "platform/text/Utf8.h"

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char32_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}

bool isLowSurrogate(char32_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

void appendUnit(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

}  // namespace

std::size_t encodeUtf8(char32_t cp, char out[4]) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

std::string utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (isHighSurrogate(cp) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (isHighSurrogate(cp) || isLowSurrogate(cp)) {
      cp = kReplacement;
    }
    char bytes[4];
    out.append(bytes, encodeUtf8(cp, bytes));
  }
  return out;
}

std::u16string utf8ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (b < 0x80) {
      length = 1;
      cp = b;
    } else if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
      cp = b & 0x1F;
      minimum = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      cp = b & 0x0F;
      minimum = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      cp = b & 0x07;
      minimum = 0x10000;
    }
    bool ok = length != 0 && i + length <= bytes.size();
    for (std::size_t k = 1; ok && k < length; ++k) {
      const auto c = static_cast<unsigned char>(bytes[i + k]);
      ok = (c & 0xC0) == 0x80;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (ok && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) {
      ok = false;
    }
    if (!ok) {
      out.push_back(static_cast<char16_t>(kReplacement));
      ++i;
      continue;
    }
    appendUnit(out, cp);
    i += length;
  }
  return out;
}

}  // namespace platform

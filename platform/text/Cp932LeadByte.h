#pragma once

namespace platform {

// True when the byte starts a double-byte character of code page 932 (Shift-JIS with the
// Windows extensions). The byte after it is a trail byte, which can be 0x5C (a backslash), so text
// walks must step over both bytes together and never take a trail byte for a separator.
constexpr bool cp932IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace platform

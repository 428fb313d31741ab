#pragma once

#include "platform/text/Cp932LeadByte.h"

#include <cstddef>

namespace dbtl {

// Bytes taken by the character at text: 0 at the terminator, 2 for a code page 932 lead byte
// and its trail byte, 1 otherwise. A lead byte right before the terminator stands alone, so a
// walk never steps over the end of a text that was cut in the middle of a character.
//
// Every text walk of the base library goes through this, so that a trail byte that equals '\\'
// (0x5C), '/', '.' or an ASCII letter is never taken for one of them.
inline size_t DstrCharLength(const char* text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead == 0) return 0;
  if (platform::cp932IsLeadByte(lead) && text[1] != '\0') return 2;
  return 1;
}

}  // namespace dbtl

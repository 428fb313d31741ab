#include "foundation/dbtl/lfmNextChar.h"

#include "platform/text/Cp932LeadByte.h"

unsigned int lfmNextChar(const char** cursor) {
  const auto* p = reinterpret_cast<const unsigned char*>(*cursor);
  const unsigned int first = p[0];
  if (first == 0 || first == '\r' || first == '\n') return 0;
  if (platform::cp932IsLeadByte(static_cast<unsigned char>(first))) {
    if (p[1] == 0) return 0;
    *cursor += 2;
    return first << 8 | p[1];
  }
  *cursor += 1;
  return first;
}

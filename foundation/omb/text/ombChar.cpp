#include "foundation/omb/text/ombChar.h"

bool ombCharIsDigit(char16_t u) {
  return (u >= u'0' && u <= u'9') || (u >= 0xFF10 && u <= 0xFF19);
}

bool ombCharIsBlank(char16_t u) {
  return u == 0x0009 || u == 0x0020 || u == 0x3000;
}

bool ombCharIsInvisible(char16_t u) {
  return u <= 0x0008 || u == 0x000B || u == 0x000C || (u >= 0x000E && u <= 0x001F) ||
         (u >= 0x007F && u <= 0x00A0) || u == 0x00AD || (u >= 0x2000 && u <= 0x200F) ||
         u == 0x2011 || (u >= 0x2028 && u <= 0x202F) || (u >= 0x205F && u <= 0x206F);
}

char16_t ombCharToLower(char16_t u) {
  if ((u >= u'A' && u <= u'Z') || (u >= 0xFF21 && u <= 0xFF3A)) {
    return static_cast<char16_t>(u + 32);
  }
  return u;
}

bool ombPathIsSeparator(char16_t u) {
  return u == u'\\' || u == u'/';
}

#pragma once

#include <cstdint>

namespace dinput {

// The name a player sees for a keyboard key code (the scan-code numbering of the keyboard
// state: 0x01 Esc, 0x1E A, 0xC8 the up arrow, ...), as a DirectInput keyboard reports it for its
// objects; null for a code the keyboard has no key for.
const char16_t* keyName(uint32_t code);

}  // namespace dinput

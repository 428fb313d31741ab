#pragma once

#include "script/ScriptHandle.h"
#include "script/ScriptObject.h"

// Scripts hold loaded binaries as handles of this kind.
inline constexpr ScriptHandleKind kBinaryHandle{u"binary"};

// Registers binaryLoad, binaryDestroy, binaryReadU8, binaryReadI32, binaryWriteU8 and
// binaryWriteI32, in this order. The natives work on the binary list of the calling script's
// engine; a handle of any other list (an earlier engine's, a destroyed binary's, a made-up
// number) is the invalid-handle script error.
void registerBinaryApi(const ScriptObject& table);

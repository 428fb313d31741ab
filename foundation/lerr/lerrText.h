#pragma once

#include "foundation/dbtl/DCp932Text.h"

#include <string>
#include <string_view>

// The code page 932 bytes of a fixed message text written in the source as UTF-16. The game
// library's messages are 8-bit code page 932 formats; a Japanese text typed into a narrow
// literal would reach the log and the message boxes as the UTF-8 bytes of the source file.
//
//   lerrFatal(lerrText(u"[lfmRegistPack] パックファイル\"%s\"が異常です").c_str(), path);
inline std::string lerrText(std::u16string_view text) { return dbtl::DCp932FromUtf16(text); }

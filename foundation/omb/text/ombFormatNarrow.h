#pragma once

#include <cstdarg>
#include <cstddef>

// The framework's printf engine over code page 932 bytes, with the narrow rules of Windows'
// C library: "%s" and "%hs" take 8-bit code page 932 text, "%ls", "%ws" and "%S" UTF-16
// text; "%c" a byte, "%lc" and "%C" a UTF-16 unit; "l" is 32 bits (Windows' long) and
// "ll", "I64" and "L" 64 bits, "I", "z", "t" and "j" pointer-sized; flags "-+ #0", width and
// precision (also "*"); d i u o x X c s p e E f F g G a A and "%%". "%p" prints 16 upper-case hex
// digits. "%n" is refused (copied as text), like any unknown conversion.
//
// Writes at most size - 1 bytes and a terminator (size > 0): a longer result is cut. Returns false
// when an argument cannot be written in code page 932 (a UTF-16 unit without a code); the output
// is then unusable.
bool ombFormatNarrow(char* out, std::size_t size, const char* format, va_list args);

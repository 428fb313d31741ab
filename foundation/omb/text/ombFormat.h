#pragma once

#include <cstdarg>
#include <cstdint>

// Formatted printing of framework strings. The UTF-16 format is converted to code page 932,
// formatted with the narrow rules of ombFormatNarrow ("%s" 8-bit code page 932 text, "%ls" UTF-16,
// "%I64d" 64-bit, "l" 32-bit) and converted back. A result that does not fit in capacity - 1 units,
// or that cannot be converted, leaves the destination empty: text is never cut.

// The two shared byte buffers (converted format, narrow result) and their lock; the core sets
// them up and frees them. They grow and never shrink, so formatting allocates nothing once they
// have grown.
void ombStrInit();
void ombStrUninit();

void ombStrPrintf(char16_t* destination, uint32_t capacity, const char16_t* format, ...);
void ombStrVPrintf(char16_t* destination, uint32_t capacity, const char16_t* format, va_list args);

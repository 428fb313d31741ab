#pragma once

#include <cstdint>

// Zero-terminated UTF-16 framework strings. Capacities count units including the terminator.

// Copies at most capacity - 1 units and terminates; capacity 0 writes nothing.
void ombStrCopy(const char16_t* source, char16_t* destination, uint32_t capacity);
// Appends within the capacity; nothing happens when the destination already fills it.
void ombStrCat(uint32_t capacity, char16_t* destination, const char16_t* source);
// A heap copy (free it with free()); exhaustion is the level-0 "Error: Out of memory.".
char16_t* ombStrDup(const char16_t* source);
uint32_t ombStrLength(const char16_t* text);

bool ombStrIsEqual(const char16_t* a, const char16_t* b);
// Equality over at most `count` units with A-Z and the full-width letters folded; a count of
// 0xFFFFFFFF compares whole strings.
bool ombStrIsEqualNoCase(const char16_t* a, const char16_t* b, uint32_t count);
// Folds the upper-case letters in place.
void ombStrToLower(char16_t* text);

// The first / last backslash or "/", or null.
const char16_t* ombPathFindSeparator(const char16_t* text);
const char16_t* ombPathFindLastSeparator(const char16_t* text);
// The first "://", or null.
const char16_t* ombUrlFindScheme(const char16_t* text);

#pragma once

// The game's persistent parameters and their file: big-endian counts and 32-bit integers, then
// strings as a unit count and big-endian UTF-16 units without a terminator.

#include "foundation/bytes/Parsed.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct SystemParameters {
  std::vector<int32_t> integers;
  std::vector<std::u16string> strings;  // each up to its first NUL unit
};

// Which read failed (ParseError::code), so the boundary names the file operation.
enum SystemParameterRead : int { kReadCount = 1, kReadInteger = 2, kReadString = 3 };

// Every count and length is checked against the bytes that are left before it sizes anything;
// bytes after the last string are ignored, as the reader never looks at them.
Parsed<SystemParameters> parseSystemParameters(std::span<const uint8_t> bytes);
// The operation a failed read reports: "File::readU32", "File::readI32", "File::readString".
const char* systemParameterReadTag(int code);
std::vector<uint8_t> writeSystemParameters(const SystemParameters& parameters);

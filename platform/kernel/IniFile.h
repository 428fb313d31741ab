#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Settings files with the private-profile semantics the runtime expects:
// - lines "[section]" open a section, lines "key=value" hold a value; lines before the first
//   section, lines without "=" and lines beginning with ";" are kept but never match;
// - section and key names compare without regard to ASCII case, around trimmed blanks;
// - a value is read with its surrounding blanks trimmed and one pair of matching surrounding
//   quotes (" or ') removed; the first matching section and the first matching key win;
// - the file is UTF-8 (a leading byte-order mark is kept); untouched lines keep their bytes,
//   line ends included, so rewriting never damages text that is not valid UTF-8.
class IniFile {
 public:
  // Never fails: any bytes are lines.
  static IniFile parse(std::string_view bytes);

  // The raw value of the key, or nothing when the section or the key is missing.
  std::optional<std::u16string> find(std::u16string_view section, std::u16string_view key) const;
  // Replaces the first matching key's line, or adds "key=value" after the section's last key
  // line, or adds the section with the key at the end of the file.
  void set(std::u16string_view section, std::u16string_view key, std::u16string_view value);

  std::string bytes() const;

 private:
  struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n", "\r" or empty for a last line without one
  };
  // Line indices of the first section with the name: its header and one past its last line.
  struct Range {
    std::size_t header;
    std::size_t end;
  };
  std::optional<Range> findSection(std::u16string_view section) const;
  std::optional<std::size_t> findKey(const Range& range, std::u16string_view key) const;
  void insertLine(std::size_t at, std::string text);

  bool byteOrderMark_ = false;
  std::string newLine_ = "\r\n";  // the file's first line end, for the lines it gains
  std::vector<Line> lines_;
};

// The private-profile calls over a file named by its native path (UTF-8 bytes). One lock
// serialises them within the process, so concurrent writers never lose each other's keys.

// Copies the value (or, when the file, section or key is missing, the default with its trailing
// blanks removed; null counts as empty) into the destination, cut to capacity - 1 units and
// terminated; returns the units copied. A capacity of 0 copies nothing and returns 0.
uint32_t getPrivateProfileString(std::u16string_view section, std::u16string_view key,
                                 const char16_t* defaultValue, char16_t* destination,
                                 uint32_t capacity, const std::string& path);

// The value's leading decimal digits (after an optional sign) as an integer, wrapping modulo
// 2^32 like the 32-bit original; a value without digits gives 0; a missing file, section or key
// gives the default.
int32_t getPrivateProfileInt(std::u16string_view section, std::u16string_view key,
                             int32_t defaultValue, const std::string& path);

// Sets the key, creating the file and the section when missing. The file is replaced through a
// temporary file in its folder and a rename, so a failure never leaves a damaged file. False
// when the file cannot be read or written.
bool writePrivateProfileString(std::u16string_view section, std::u16string_view key,
                               std::u16string_view value, const std::string& path);

}  // namespace platform

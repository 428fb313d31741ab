#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

// A sound-effect group file ("prp"): one line of defaults opened by "@prop", one line per sound
// opened by "@se" and its number, each followed by key=value pairs on the same line. The sound-
// effect manager reads the file whole and takes its sounds from here; what it does with the
// values is its own business.

// Flag words of "flags".
inline constexpr uint32_t kSeFlag3d = 1;     // "3d"
inline constexpr uint32_t kSeFlagVoice = 2;  // "voice"
inline constexpr uint32_t kSeFlagSlave = 4;  // "slave"
inline constexpr uint32_t kSeFlagStop = 8;   // "stop"

struct SeGroupSettings {
  int32_t count = 1;  // voices per sound
  uint32_t flags = 0;
  int32_t priority = -1;
  friend bool operator==(const SeGroupSettings&, const SeGroupSettings&) = default;
};

struct SeGroupSound {
  std::string name;  // file name without extension, relative to the group; "" when none given
  SeGroupSettings settings;
};

class SeGroupFile {
 public:
  // The file's bytes; the text ends at their end or at the first NUL byte.
  static SeGroupFile parse(std::span<const uint8_t> bytes);

  // One more than the highest number of every blank-separated word of the file that begins with
  // "@se" (in any case), wherever it stands; 0 when there is none.
  uint32_t soundCount() const { return m_soundCount; }
  // The "@prop" settings, every "@prop" of the file applied in order.
  const SeGroupSettings& defaults() const { return m_defaults; }
  // Sound n: the defaults overridden by the first line whose first word is "@se" followed by n
  // in decimal (no leading zeros). A sound without such a line has the defaults and no name.
  // Each call scans the text from its start.
  SeGroupSound sound(uint32_t n) const;
  // Every sound that has a section line, with its number, in ascending order of number: the
  // same result as sound(n) for each of them, in one pass over the text. A file may claim up
  // to 2^31 sounds with a single word, so a reader allocates per section, not per number.
  std::vector<std::pair<uint32_t, SeGroupSound>> sectionSounds() const;

 private:
  std::string m_text;  // NUL-terminated, as the scanners need
  uint32_t m_soundCount = 0;
  SeGroupSettings m_defaults;
};

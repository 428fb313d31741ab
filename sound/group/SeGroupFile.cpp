#include "sound/group/SeGroupFile.h"

#include "foundation/dbtl/Dstr.h"
#include "foundation/text/l3dText.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kWordBytes = 1024;
constexpr uint32_t kNameBytes = 264;  // 263 characters and the terminator

bool equalNoCase(const char* a, const char* b) { return dbtl::DstrCompareNoCase(a, b) == 0; }

// atoi as the C library reads it (leading white space, an optional sign, decimal digits up to
// the first other character, no digits giving 0), saturating instead of overflowing.
int32_t readInt(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > int64_t(INT_MAX) + 1) value = int64_t(INT_MAX) + 1;
  }
  if (negative) return static_cast<int32_t>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int32_t>(value);
}

uint32_t readFlags(const char* value) {
  uint32_t flags = 0;
  char word[kWordBytes];
  const char* cursor = value;
  for (;;) {
    l3dTextReadWord(cursor, word, sizeof word);
    if (word[0] == '\0') break;
    if (equalNoCase(word, "3d")) flags |= kSeFlag3d;
    else if (equalNoCase(word, "voice")) flags |= kSeFlagVoice;
    else if (equalNoCase(word, "slave")) flags |= kSeFlagSlave;
    else if (equalNoCase(word, "stop")) flags |= kSeFlagStop;
  }
  // Voice management and following a source only mean something for positional voices.
  if ((flags & kSeFlag3d) == 0) flags &= ~(kSeFlagVoice | kSeFlagSlave);
  return flags;
}

// Reads the pairs of the rest of the line into settings (and, when name is given, the key
// "name"); the cursor ends at the line's end.
void readPairs(const char*& cursor, SeGroupSettings& settings, std::string* name) {
  std::vector<char> key(kL3dTextPairBytes);
  std::vector<char> value(kL3dTextPairBytes);
  bool end = false;
  while (!end) {
    l3dTextReadKeyValue(end, key.data(), value.data(), cursor);
    l3dTextReadToken(value.data(), kL3dTextPairBytes, value.data());
    if (equalNoCase(key.data(), "count")) {
      const int32_t count = readInt(value.data());
      if (count >= 0) settings.count = count;
    } else if (equalNoCase(key.data(), "flags")) {
      settings.flags = readFlags(value.data());
    } else if (equalNoCase(key.data(), "priority")) {
      settings.priority = readInt(value.data());
    } else if (name != nullptr && equalNoCase(key.data(), "name")) {
      char cut[kNameBytes];
      dbtl::DstrCopyN(cut, value.data(), sizeof cut);
      *name = cut;
    }
  }
}

bool hasSectionPrefix(const char* word) { return dbtl::DstrCompareNoCaseN(word, "@se", 3) == 0; }

// The number of a word that sound(n) would match for some n: "@se" in any case and n in
// decimal as "%u" prints it (no sign, no leading zero, within 32 bits).
bool sectionNumber(const char* word, uint32_t& n) {
  if (!hasSectionPrefix(word)) return false;
  const char* digits = word + 3;
  if (*digits == '\0' || (digits[0] == '0' && digits[1] != '\0')) return false;
  uint64_t value = 0;
  for (const char* d = digits; *d != '\0'; ++d) {
    if (*d < '0' || *d > '9') return false;
    value = value * 10 + static_cast<uint64_t>(*d - '0');
    if (value > UINT32_MAX) return false;
  }
  n = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

SeGroupFile SeGroupFile::parse(std::span<const uint8_t> bytes) {
  SeGroupFile file;
  file.m_text.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  file.m_text.resize(std::strlen(file.m_text.c_str()));  // a NUL byte ends the text early

  char word[kWordBytes];
  const char* cursor = file.m_text.c_str();
  while (*cursor != '\0') {
    if (*cursor == '\r' || *cursor == '\n') {
      ++cursor;
      continue;
    }
    l3dTextReadWord(cursor, word, sizeof word);
    if (hasSectionPrefix(word)) {
      const int32_t n = readInt(word + 3);
      if (n >= 0 && file.m_soundCount < static_cast<uint32_t>(n) + 1) {
        file.m_soundCount = static_cast<uint32_t>(n) + 1;
      }
    } else if (equalNoCase(word, "@prop")) {
      readPairs(cursor, file.m_defaults, nullptr);
    }
  }
  return file;
}

SeGroupSound SeGroupFile::sound(uint32_t n) const {
  SeGroupSound sound;
  sound.settings = m_defaults;
  char section[16];
  std::snprintf(section, sizeof section, "@se%u", n);

  char word[kWordBytes];
  const char* cursor = m_text.c_str();
  while (*cursor != '\0') {
    while (*cursor == '\r' || *cursor == '\n') ++cursor;
    l3dTextReadWord(cursor, word, sizeof word);
    if (equalNoCase(word, section)) {
      readPairs(cursor, sound.settings, &sound.name);
      break;
    }
    l3dTextSkipLine(cursor);
  }
  return sound;
}

std::vector<std::pair<uint32_t, SeGroupSound>> SeGroupFile::sectionSounds() const {
  std::vector<std::pair<uint32_t, SeGroupSound>> sounds;
  char word[kWordBytes];
  const char* cursor = m_text.c_str();
  while (*cursor != '\0') {
    while (*cursor == '\r' || *cursor == '\n') ++cursor;
    l3dTextReadWord(cursor, word, sizeof word);
    uint32_t n = 0;
    if (sectionNumber(word, n)) {
      SeGroupSound sound;
      sound.settings = m_defaults;
      readPairs(cursor, sound.settings, &sound.name);
      sounds.emplace_back(n, std::move(sound));
    }
    l3dTextSkipLine(cursor);
  }
  // The first line of a number counts, as for sound(n).
  std::stable_sort(sounds.begin(), sounds.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  sounds.erase(std::unique(sounds.begin(), sounds.end(),
                           [](const auto& a, const auto& b) { return a.first == b.first; }),
               sounds.end());
  return sounds;
}

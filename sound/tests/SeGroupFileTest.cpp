#include "sound/group/SeGroupFile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

SeGroupFile Parse(const std::string& text) {
  return SeGroupFile::parse(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

TEST(SeGroupFileRead, ExampleFile) {
  const SeGroupFile file = Parse(
      "@prop count=1 priority=0\r\n"
      "@se0 name=jump\r\n"
      "@se1 name=hit count=4 flags=3d\r\n");
  ASSERT_EQ(file.soundCount(), 2u);
  EXPECT_EQ(file.defaults(), (SeGroupSettings{1, 0, 0}));
  const SeGroupSound jump = file.sound(0);
  EXPECT_EQ(jump.name, "jump");
  EXPECT_EQ(jump.settings, (SeGroupSettings{1, 0, 0}));
  const SeGroupSound hit = file.sound(1);
  EXPECT_EQ(hit.name, "hit");
  EXPECT_EQ(hit.settings, (SeGroupSettings{4, kSeFlag3d, 0}));
}

TEST(SeGroupFileRead, SoundsWithoutSectionKeepTheDefaults) {
  const SeGroupFile file = Parse("@se3 name=last count=2\n@PROP count=5 priority=7\n");
  ASSERT_EQ(file.soundCount(), 4u);
  for (uint32_t n = 0; n < 3; ++n) {
    const SeGroupSound sound = file.sound(n);
    EXPECT_EQ(sound.name, "");
    EXPECT_EQ(sound.settings, (SeGroupSettings{5, 0, 7}));  // "@prop" after the sounds counts
  }
  EXPECT_EQ(file.sound(3).settings, (SeGroupSettings{2, 0, 7}));
}

TEST(SeGroupFileRead, EverySeWordCountsButOnlyLineStartsAreSections) {
  const SeGroupFile file = Parse("text @se7 here\n  @SE1 NAME=up\n@se01 name=zero-one\n@se-4\n");
  EXPECT_EQ(file.soundCount(), 8u);
  EXPECT_EQ(file.sound(1).name, "up");  // upper case section word and key
  EXPECT_EQ(file.sound(7).name, "");    // "@se7" was not the first word of its line
  EXPECT_EQ(Parse("@se99999999999999 x\n").soundCount(), 2147483648u);  // no overflow
  EXPECT_EQ(Parse("no sounds\n").soundCount(), 0u);
}

// The one-pass reader of the sections must agree with sound(n) on every number that has a
// section, and list no other: lead zeros, signs, numbers past 32 bits and words that do not
// open their line are no sections; the first line of a number wins.
TEST(SeGroupFileRead, SectionSoundsAgreeWithSoundByNumber) {
  const SeGroupFile file = Parse(
      "@prop count=3\n"
      "@se2 name=two flags=3d\n"
      "text @se5 name=not-a-section\n"
      "@SE0 name=zero\r\n"
      "@se01 name=lead-zero\n"
      "@se+1 name=sign\n"
      "@se2 name=second-two\n"
      "@se4294967296 name=too-big\n"
      "@se4294967295 name=last count=1\n"
      "@se7x name=suffix\n");
  const auto sounds = file.sectionSounds();
  std::vector<uint32_t> numbers;
  for (const auto& [n, sound] : sounds) {
    numbers.push_back(n);
    const SeGroupSound single = file.sound(n);
    EXPECT_EQ(sound.name, single.name) << n;
    EXPECT_EQ(sound.settings, single.settings) << n;
  }
  EXPECT_EQ(numbers, (std::vector<uint32_t>{0, 2, 4294967295u}));
  EXPECT_EQ(sounds[1].second.name, "two");
  EXPECT_EQ(Parse("@se2147483647\n").sectionSounds().size(), 1u);
}

struct ValueCase {
  const char* label;
  std::string pairs;  // the pairs of "@se0"
  SeGroupSettings settings;
  std::string name;
};

TEST(SeGroupFileRead, ValueTable) {
  const SeGroupSettings defaults{3, kSeFlag3d | kSeFlagStop, 5};
  const ValueCase cases[] = {
      {"voice alone is dropped", "flags=voice", {3, 0, 5}, ""},
      {"quoted 3d and stop", "flags=\"3d stop\"", {3, 9, 5}, ""},
      {"every word", "flags=\"3D Voice SLAVE stop other\"", {3, 15, 5}, ""},
      {"slave without 3d dropped, stop kept", "flags=\"slave stop\"", {3, 8, 5}, ""},
      {"second flags replaces", "flags=3d flags=stop", {3, 8, 5}, ""},
      {"empty flags clears", "flags=", {3, 0, 5}, ""},
      {"negative count ignored", "count=-2", {3, 9, 5}, ""},
      {"empty count is 0", "count=", {0, 9, 5}, ""},
      {"count as atoi", "count=12abc", {12, 9, 5}, ""},
      {"priority", "priority=-30", {3, 9, -30}, ""},
      {"quoted name with blank", "name=\"big bang\"", defaults, "big bang"},
      {"escaped blank", "name=big\\ bang", defaults, "big bang"},
      {"full-width space ends a name", "name=a\x81\x40" "b", defaults, "a"},
      {"quoted full-width space", "name=\"a\x81\x40" "b\"", defaults, "a\x81\x40" "b"},
      {"key without value skipped", "loud name=x", defaults, "x"},
      {"name cut to 263", "name=" + std::string(300, 'n'), defaults, std::string(263, 'n')},
  };
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(c.label);
    const SeGroupFile file = Parse("@prop count=3 flags=\"3d stop\" priority=5\n@se0 " + c.pairs);
    const SeGroupSound sound = file.sound(0);
    EXPECT_EQ(sound.settings, c.settings);
    EXPECT_EQ(sound.name, c.name);
  }
}

TEST(SeGroupFileRead, DefaultsOfAFileWithoutProp) {
  const SeGroupFile file = Parse("@se0 name=a\n");
  EXPECT_EQ(file.defaults(), (SeGroupSettings{1, 0, -1}));
}

TEST(SeGroupFileRead, ANulByteEndsTheText) {
  const std::string text = std::string("@se0 name=a\n", 12) + std::string(1, '\0') + "@se5\n";
  EXPECT_EQ(Parse(text).soundCount(), 1u);
}

}  // namespace

#include "engines/vell/MapData.h"

#include "foundation/bytes/ByteWriter.h"
#include "foundation/lerr/lerrText.h"
#include "tools/mapwrite/MapWriter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using vell::MapFileData;
using vell::parseMapData;

std::string ioError(const char* tag) {
  return "Error: [" + std::string(tag) + "] " + lerrText(u"ファイル操作でエラーが発生しました。");
}
const std::string kTooLong =
    "Error: [File::readString2] " + lerrText(u"文字列が長すぎます。");

MapFileData sample() {
  return mapwrite::mapFromDescription(R"(
mesh oct 7
space quad 10
event 7 2 door north
event 8 3
group Hall 6 1 0
group ＡＢｃ 0
grid 0 0 4 4 0 1 group 0 5
room 0 0 4 4 0 2 group 1 9
ceiling 0 0 4 4 2
)");
}

TEST(MapData, WriterAndParserRoundTrip) {
  const MapFileData in = sample();
  const Parsed<MapFileData> out = parseMapData(mapwrite::writeMapData(in));
  ASSERT_TRUE(out.ok()) << out.error().text;
  const MapFileData& m = out.value();
  EXPECT_EQ(m.meshKind, 1u);
  EXPECT_EQ(m.meshDepth, 7u);
  ASSERT_EQ(m.events.size(), 2u);
  EXPECT_EQ(m.events[0].no, 7);
  EXPECT_EQ(m.events[0].type, 2);
  EXPECT_EQ(m.events[0].options, (std::vector<std::u16string>{u"door", u"north"}));
  // An event without options keeps an empty list.
  EXPECT_TRUE(m.events[1].options.empty());
  ASSERT_EQ(m.groups.size(), 2u);
  // Names are lower-cased, full-width capitals included.
  EXPECT_EQ(m.groups[0].name, u"hall");
  EXPECT_EQ(m.groups[1].name, u"ａｂｃ");
  EXPECT_EQ(m.groups[0].flags, 6u);
  EXPECT_EQ(m.groups[0].events, (std::vector<uint32_t>{1, 0}));
  ASSERT_EQ(m.sets[0].size(), 2u);
  ASSERT_EQ(m.sets[1].size(), 8u);
  ASSERT_EQ(m.sets[2].size(), 2u);
  for (int s = 0; s < 3; ++s) {
    for (std::size_t i = 0; i < m.sets[s].size(); ++i) {
      const vell::MapFileTriangle& a = in.sets[s][i];
      const vell::MapFileTriangle& b = m.sets[s][i];
      for (int v = 0; v < 3; ++v) {
        EXPECT_TRUE(a.p[v].x == b.p[v].x && a.p[v].y == b.p[v].y && a.p[v].z == b.p[v].z);
        EXPECT_EQ(a.link[v], b.link[v]);
        EXPECT_EQ(a.corner[v], b.corner[v]);
      }
      EXPECT_EQ(a.slope, b.slope);
      EXPECT_EQ(a.groupNumber, b.groupNumber);
      EXPECT_EQ(a.groupIndex, b.groupIndex);
    }
  }
  // The two floor triangles share their diagonal; floors are flat, walls upright.
  EXPECT_EQ(m.sets[0][0].link[0], 1);
  EXPECT_EQ(m.sets[0][0].slope, 0);
  EXPECT_EQ(m.sets[1][0].slope, 1608);  // pi/2 * 1024
  EXPECT_EQ(m.boundsMax.x, 4 * 1024);
  EXPECT_EQ(m.boundsMax.y, 2 * 1024);
}

TEST(MapData, EmptyMapParses) {
  const Parsed<MapFileData> out = parseMapData(mapwrite::writeMapData(MapFileData{}));
  ASSERT_TRUE(out.ok()) << out.error().text;
  EXPECT_TRUE(out.value().sets[0].empty() && out.value().events.empty());
}

// Edits a good file into a bad one.
struct BadCase {
  const char* name;
  void (*edit)(MapFileData&, std::vector<uint8_t>&);
  std::string text;
};

std::vector<uint8_t> rewrite(const MapFileData& m) { return mapwrite::writeMapData(m); }

TEST(MapData, BrokenFilesGiveTheirMessages) {
  const std::string index = "Error: [vell::Map::loadData] Index error: ";
  const BadCase cases[] = {
      {"magic", [](MapFileData&, std::vector<uint8_t>& b) { b[0] = 'X'; },
       "Error: [vell::Map::loadData] Header error"},
      {"version 1", [](MapFileData&, std::vector<uint8_t>& b) { storeU32be(&b[4], 1); },
       "Error: [vell::Map::loadData] Version error"},
      {"ends in the header", [](MapFileData&, std::vector<uint8_t>& b) { b.resize(10); },
       ioError("File::readU32")},
      // The second event's number: 28 bytes of header and counts, 38 of the first event.
      {"ends in an event number", [](MapFileData&, std::vector<uint8_t>& b) { b.resize(68); },
       ioError("File::readI32")},
      {"ends in the bounds",
       [](MapFileData&, std::vector<uint8_t>& b) { b.resize(b.size() - 2); },
       ioError("File::readFix")},
      // One event with an option of 20 units, whose units begin at 44.
      {"ends in an option's units",
       [](MapFileData& m, std::vector<uint8_t>& b) {
         m.events = {vell::MapEvent{0, 1, 2, {std::u16string(20, u'o')}}};
         m.groups.clear();
         b = rewrite(m);
         b.resize(50);
       },
       ioError("File::readString2")},
      {"event count past the end",
       [](MapFileData&, std::vector<uint8_t>& b) { storeU32be(&b[24], 0x10000000); },
       ioError("File::readU32")},
      {"group name of 33 units",
       [](MapFileData& m, std::vector<uint8_t>& b) {
         m.groups[0].name = std::u16string(33, u'a');
         b = rewrite(m);
       },
       kTooLong},
      {"option of 1024 units",
       [](MapFileData& m, std::vector<uint8_t>& b) {
         m.events[0].options[0] = std::u16string(1024, u'x');
         b = rewrite(m);
       },
       kTooLong},
      {"group event index",
       [](MapFileData& m, std::vector<uint8_t>& b) {
         m.groups[0].events[0] = 2;
         b = rewrite(m);
       },
       index + "group event 2 (count 2)"},
      {"link past the set",
       [](MapFileData& m, std::vector<uint8_t>& b) {
         m.sets[1][3].link[1] = 8;
         b = rewrite(m);
       },
       index + "wall link 8 (count 8)"},
      {"negative link other than -1",
       [](MapFileData& m, std::vector<uint8_t>& b) {
         m.sets[0][0].link[0] = -2;
         b = rewrite(m);
       },
       index + "land link 4294967294 (count 2)"},
      {"corner entry",
       [](MapFileData& m, std::vector<uint8_t>& b) {
         m.sets[2][1].corner[0] = {5};
         b = rewrite(m);
       },
       index + "ceiling corner 5 (count 2)"},
      {"corner list of 13",
       [](MapFileData& m, std::vector<uint8_t>& b) {
         m.sets[1][0].corner[2].assign(13, 1);
         b = rewrite(m);
       },
       index + "wall corner list length 13 (count 12)"},
      {"group index",
       [](MapFileData& m, std::vector<uint8_t>& b) {
         m.sets[0][1].groupIndex = 2;
         b = rewrite(m);
       },
       index + "land group 2 (count 2)"},
  };
  for (const BadCase& c : cases) {
    MapFileData m = sample();
    std::vector<uint8_t> bytes = rewrite(m);
    c.edit(m, bytes);
    const Parsed<MapFileData> out = parseMapData(bytes);
    ASSERT_FALSE(out.ok()) << c.name;
    EXPECT_EQ(out.error().text, c.text) << c.name;
    EXPECT_LE(out.error().offset, bytes.size()) << c.name;
  }
}

TEST(MapData, LongestStringsAndGrouplessIndexZeroLoad) {
  MapFileData m = sample();
  m.groups[0].name = std::u16string(32, u'B');
  m.events[0].options[0] = std::u16string(1023, u'x');
  Parsed<MapFileData> out = parseMapData(mapwrite::writeMapData(m));
  ASSERT_TRUE(out.ok()) << out.error().text;
  EXPECT_EQ(out.value().groups[0].name, std::u16string(32, u'b'));
  EXPECT_EQ(out.value().events[0].options[0].size(), 1023u);
  // Without groups, a stored group index of 0 means no group; 1 is an error.
  m.groups.clear();
  for (auto& s : m.sets)
    for (auto& t : s) t.groupIndex = 0;
  EXPECT_TRUE(parseMapData(mapwrite::writeMapData(m)).ok());
  m.sets[2][0].groupIndex = 1;
  EXPECT_FALSE(parseMapData(mapwrite::writeMapData(m)).ok());
}

TEST(MapDescription, RejectsWhatItCannotRead) {
  const char* cases[] = {"tri floor 0 0 0 1 0 0 0 0 1", "grid 0 0 1 1 0", "room a 0 1 1 0 1",
                         "warp 1 2 3"};
  for (const char* text : cases) {
    EXPECT_THROW(mapwrite::mapFromDescription(text), std::runtime_error) << text;
  }
}

}  // namespace

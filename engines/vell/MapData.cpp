#include "engines/vell/MapData.h"

#include "foundation/bytes/ByteReader.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"

namespace vell {

namespace {

constexpr uint32_t kMaxCorners = 12;
// The smallest records, for checking a count against the bytes left before allocating.
constexpr uint32_t kMinEventBytes = 12;
constexpr uint32_t kMinGroupBytes = 12;
constexpr uint32_t kMinTriangleBytes = 9 * 4 + 4 + 3 * 4 + 3 * 4 + 2 * 4;
const char* const kSetNames[3] = {"land", "wall", "ceiling"};

char16_t lowerCase(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xFF21 && c <= 0xFF3A)) {
    return static_cast<char16_t>(c + 0x20);
  }
  return c;
}

class MapReader {
 public:
  explicit MapReader(std::span<const uint8_t> bytes) : r_(bytes) {}

  uint32_t u32(const char* tag = "File::readU32") {
    const std::size_t at = r_.offset();
    const uint32_t v = r_.u32be();
    if (r_.failed()) ioError(tag, at);
    return v;
  }
  int32_t i32(const char* tag) { return static_cast<int32_t>(u32(tag)); }
  FixedVec3 fixPoint() {
    const int32_t x = i32("File::readFix");
    const int32_t y = i32("File::readFix");
    const int32_t z = i32("File::readFix");
    return {x, y, z};
  }
  std::u16string string(uint32_t capacity) {
    const uint32_t count = u32();
    if (count >= capacity) {
      throwParse(lerrFormat(lerrText(u"Error: [%s] 文字列が長すぎます。").c_str(),
                            "File::readString2"),
                 r_.offset() - 4);
    }
    std::u16string out(count, u'\0');
    const std::size_t at = r_.offset();
    for (uint32_t i = 0; i < count; ++i) {
      out[i] = static_cast<char16_t>(r_.u16be());
    }
    if (r_.failed()) ioError("File::readString2", at);
    return out;
  }
  // A count of records of at least `recordBytes` each that must fit in what is left.
  uint32_t count(uint32_t recordBytes) {
    const std::size_t at = r_.offset();
    const uint32_t n = u32();
    if (!r_.fits(n, recordBytes)) ioError("File::readU32", at);
    return n;
  }
  std::size_t offset() const { return r_.offset(); }

  [[noreturn]] void fail(const std::string& text, std::size_t at) { throwParse(text, at); }

 private:
  [[noreturn]] void ioError(const char* tag, std::size_t at) {
    ParseError error(lerrFormat(lerrText(u"Error: [%s] ファイル操作でエラーが発生しました。").c_str(), tag),
                     at);
    error.truncated = true;
    throw error;
  }

  ByteReader r_;
};

[[noreturn]] void indexError(MapReader& in, std::size_t at, const char* what, uint32_t value,
                             uint32_t limit) {
  in.fail(lerrFormat("Error: [vell::Map::loadData] Index error: %s %u (count %u)", what, value,
                     limit),
          at);
}

MapFileTriangle readTriangle(MapReader& in, uint32_t setCount, uint32_t groupCount,
                             const char* setName) {
  MapFileTriangle t;
  for (FixedVec3& p : t.p) p = in.fixPoint();
  t.slope = in.i32("File::readFix");
  for (int32_t& link : t.link) {
    const std::size_t at = in.offset();
    link = static_cast<int32_t>(in.u32());
    if (link != kNoLink && (link < 0 || static_cast<uint32_t>(link) >= setCount)) {
      indexError(in, at, lerrFormat("%s link", setName).c_str(), static_cast<uint32_t>(link),
                 setCount);
    }
  }
  for (std::vector<uint32_t>& corner : t.corner) {
    const std::size_t at = in.offset();
    const uint32_t n = in.count(4);
    if (n > kMaxCorners) {
      indexError(in, at, lerrFormat("%s corner list length", setName).c_str(), n, kMaxCorners);
    }
    corner.resize(n);
    for (uint32_t& entry : corner) {
      const std::size_t entryAt = in.offset();
      entry = in.u32();
      if (entry >= setCount) {
        indexError(in, entryAt, lerrFormat("%s corner", setName).c_str(), entry, setCount);
      }
    }
  }
  t.groupNumber = in.u32();
  const std::size_t at = in.offset();
  t.groupIndex = in.u32();
  // A file without groups that stores index 0 means "no group".
  if (t.groupIndex >= groupCount && !(groupCount == 0 && t.groupIndex == 0)) {
    indexError(in, at, lerrFormat("%s group", setName).c_str(), t.groupIndex, groupCount);
  }
  return t;
}

MapFileData read(MapReader& in) {
  MapFileData map;
  const std::size_t headerAt = in.offset();
  if (in.u32() != kMapMagic) {
    in.fail("Error: [vell::Map::loadData] Header error", headerAt);
  }
  if (in.u32() != kMapVersion) {
    in.fail("Error: [vell::Map::loadData] Version error", headerAt + 4);
  }
  map.meshKind = in.u32();
  map.meshDepth = in.u32();
  map.spaceKind = in.u32();
  map.spaceDepth = in.u32();

  map.events.resize(in.count(kMinEventBytes));
  for (MapEvent& event : map.events) {
    event.no = in.i32("File::readI32");
    event.type = in.i32("File::readI32");
    event.options.resize(in.count(4));
    for (std::u16string& option : event.options) {
      option = in.string(kOptionCapacity);
    }
  }

  const uint32_t eventCount = static_cast<uint32_t>(map.events.size());
  map.groups.resize(in.count(kMinGroupBytes));
  for (MapFileGroup& group : map.groups) {
    group.name = in.string(kGroupNameCapacity);
    for (char16_t& c : group.name) c = lowerCase(c);
    group.flags = in.u32();
    group.events.resize(in.count(4));
    for (uint32_t& index : group.events) {
      const std::size_t at = in.offset();
      index = in.u32();
      if (index >= eventCount) indexError(in, at, "group event", index, eventCount);
    }
  }

  const uint32_t groupCount = static_cast<uint32_t>(map.groups.size());
  for (int set = 0; set < 3; ++set) {
    const uint32_t n = in.count(kMinTriangleBytes);
    map.sets[set].reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
      map.sets[set].push_back(readTriangle(in, n, groupCount, kSetNames[set]));
    }
  }
  map.boundsMin = in.fixPoint();
  map.boundsMax = in.fixPoint();
  return map;
}

}  // namespace

Parsed<MapFileData> parseMapData(std::span<const uint8_t> bytes) {
  return parseCatching<MapFileData>([&] {
    MapReader in(bytes);
    return read(in);
  });
}

}  // namespace vell

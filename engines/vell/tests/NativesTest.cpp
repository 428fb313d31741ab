#include "engines/vell/Engine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RelativePath, SkipsWholeCommonDirectoriesOnly) {
  const struct {
    const char16_t* from;
    const char16_t* to;
    const char16_t* path;
  } cases[] = {
      {u"field/obj/box/", u"field/", u"../../"},
      {u"field/", u"field/map/a/", u"map/a/"},
      {u"field/sys/", u"field/sys/", u""},
      // "map" and "mapx" share three letters but not the directory.
      {u"field/map/", u"field/mapx/", u"../mapx/"},
      {u"", u"field/sys/", u"field/sys/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(vell::relativePath(c.from, c.to), c.path)
        << std::string(c.from, c.from + std::char_traits<char16_t>::length(c.from));
  }
}

TEST(RelativePath, StaysWithin127Units) {
  std::u16string deep;
  for (int i = 0; i < 60; ++i) deep += u"d/";
  const std::u16string target = u"field/" + std::u16string(200, u'x');
  const std::u16string path = vell::relativePath(deep, target);
  EXPECT_EQ(path.size(), 127u);
  // Parent steps are added while fewer than 125 units are written (42 of them, 126 units),
  // then the target fills the last unit.
  std::u16string steps;
  for (int i = 0; i < 42; ++i) steps += u"../";
  EXPECT_EQ(path, steps + u"f");
}

}  // namespace

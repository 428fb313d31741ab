#include "host/config/ConfigCommandLine.h"

#include <gtest/gtest.h>

namespace {

struct Case {
  const char16_t* line;
  LaunchMode mode;
  uint64_t in;
  uint64_t out;
  bool stale;
};

TEST(ConfigCommandLine, LastSwitchWinsAndTakesThePipes) {
  const Case cases[] = {
      {u"/g/game", LaunchMode::Normal, 0, 0, false},
      {u"/g/game --adjuster", LaunchMode::Adjuster, 0, 0, false},
      {u"/g/game --adjuster 5", LaunchMode::Adjuster, 5, 0, false},
      {u"/g/game --lounge 100 200 --adjuster", LaunchMode::Adjuster, 100, 200, false},
      {u"/g/game --lounge 100 200 --netconfig", LaunchMode::NetConfig, 100, 200, true},
      {u"/g/game --adjuster 0x10 010 --adjusterconfig", LaunchMode::AdjusterConfig, 16, 8, true},
      {u"/g/game --lounge 0 0 --netconfig", LaunchMode::NetConfig, 0, 0, false},
      {u"/g/game --lounge x y", LaunchMode::Lounge, 0, 0, false},
      {u"/g/game --lounge 3 4 --lounge", LaunchMode::Lounge, 3, 4, false},
      // A switch with an "= value" part is the switch; other tokens and case variants are not.
      {u"/g/game --adjusterconfig=1 --Lounge", LaunchMode::AdjusterConfig, 0, 0, false},
      {u"\"/g/a b/game\" \"--netconfig\"", LaunchMode::NetConfig, 0, 0, false},
  };
  for (const Case& c : cases) {
    const LaunchChoice choice = configParseCommandLine(c.line);
    SCOPED_TRACE(std::u16string(c.line).size());
    EXPECT_EQ(choice.mode, c.mode);
    EXPECT_EQ(choice.loungeInput, c.in);
    EXPECT_EQ(choice.loungeOutput, c.out);
    EXPECT_EQ(choice.stalePipes(), c.stale);
  }
}

}  // namespace

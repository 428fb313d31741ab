#include "foundation/dbtl/DApplication.h"
#include "foundation/startup/WinMain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> RoundTrip(const std::vector<std::string>& argv) {
  std::vector<const char*> pointers{"program"};
  for (const std::string& a : argv) pointers.push_back(a.c_str());
  const std::string line = startupCommandLine(static_cast<int>(pointers.size()), pointers.data());
  dbtl::DApplication application;
  application._ParseCommandLine(line.c_str());
  std::vector<std::string> out;
  dbtl::DList<char>& list = application.GetArguments();
  for (auto it = list.Begin(); it != list.End(); it = dbtl::DListBase::Next(it)) {
    out.emplace_back(dbtl::DList<char>::Get(it).Get());
  }
  return out;
}

// Whatever the program was given, the application object's argument list holds the same
// arguments in code page 932.
TEST(StartupCommandLineTest, ArgumentsSurviveTheCommandLine) {
  struct Case {
    const char* what;
    std::vector<std::string> argv;
    std::vector<std::string> arguments;
  };
  const Case cases[] = {
      {"none", {}, {}},
      {"plain words", {"--lounge", "12", "34"}, {"--lounge", "12", "34"}},
      {"blanks", {"two words", "tab\there", " edge "}, {"two words", "tab\there", " edge "}},
      {"quotes", {"a\"b", "\"", "\"\"", "\"lead", "trail\"", "\"both\" sides"},
       {"a\"b", "\"", "\"\"", "\"lead", "trail\"", "\"both\" sides"}},
      {"quote before a blank", {"\" x", "x \"", "\"\" \"\""}, {"\" x", "x \"", "\"\" \"\""}},
      {"empty arguments are left out", {"", "a", ""}, {"a"}},
      {"UTF-8 becomes code page 932", {"日本 語", "表"}, {"\x93\xFA\x96\x7B \x8C\xEA", "\x95\x5C"}},
      {"no code page 932 character", {"\xF0\x9F\x98\x80x"}, {"??x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(RoundTrip(c.argv), c.arguments);
  }
}

}  // namespace

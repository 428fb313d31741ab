#include "foundation/dbtl/DApplication.h"

#include "platform/app/Com.h"
#include "platform/app/StepFailure.h"
#include "platform/app/WindowClass.h"
#include "platform/kernel/ExecutablePath.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using dbtl::DApplication;

std::vector<std::string> Arguments(DApplication& application) {
  std::vector<std::string> out;
  dbtl::DList<char>& list = application.GetArguments();
  for (auto it = list.Begin(); it != list.End(); it = dbtl::DListBase::Next(it)) {
    out.emplace_back(dbtl::DList<char>::Get(it).Get());
  }
  return out;
}

// Sets GAME_APP_FAIL for one scope.
class FailSteps {
 public:
  explicit FailSteps(const char* steps) { ::setenv(platform::kAppFailVariable, steps, 1); }
  ~FailSteps() { ::unsetenv(platform::kAppFailVariable); }
  FailSteps(const FailSteps&) = delete;
  FailSteps& operator=(const FailSteps&) = delete;
};

TEST(DApplicationTest, CommandLinesSplitIntoArguments) {
  struct Case {
    const char* what;
    const char* text;
    std::vector<std::string> arguments;
  };
  const Case cases[] = {
      {"empty", "", {}},
      {"blanks only", " \t  ", {}},
      {"quoted middle word", "one \"two words\" three", {"one", "two words", "three"}},
      {"tabs and runs of blanks", "\ta\tb   c  ", {"a", "b", "c"}},
      {"doubled quote outside a section", "ab\"\"cd", {"ab\"cd"}},
      {"doubled quote inside a section", "\"in\"\"side\" x", {"in\"side", "x"}},
      {"section never closed", "a \"open end\tkept", {"a", "open end\tkept"}},
      {"lone quote at the end", "a \"", {"a", ""}},
      {"section inside a word", "pre\"mid dle\"post", {"premid dlepost"}},
      {"doubled quotes only", "\"\"", {"\""}},
      {"trail byte equal to a blank", "x\x81\x20y z", {"x\x81\x20y", "z"}},
      {"trail byte equal to a quote", "\x81\"a b", {"\x81\"a", "b"}},
      {"two-byte characters in a section", "\"\x82\xA0 \x95\x5C\"", {"\x82\xA0 \x95\x5C"}},
      {"lead byte at the very end", "ab\x81", {"ab\x81"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DApplication application;
    EXPECT_EQ(application._ParseCommandLine(c.text), c.arguments.size());
    EXPECT_EQ(Arguments(application), c.arguments);
  }
  DApplication application;
  EXPECT_EQ(application._ParseCommandLine(nullptr), 0u);
}

TEST(DApplicationTest, InitRecordsTheProcessAndItsRegistrations) {
  const int comBefore = platform::comInitCount();
  {
    DApplication application;
    ASSERT_TRUE(application.Init(platform::processInstance(), platform::kShowNormal, "-x \"a b\""));
    EXPECT_EQ(application.GetInstance(), platform::processInstance());
    EXPECT_EQ(application.GetShowCommand(), platform::kShowNormal);
    EXPECT_EQ(Arguments(application), (std::vector<std::string>{"-x", "a b"}));

    const std::string exe = platform::executablePath();
    const std::string directory = exe.substr(0, exe.rfind('/') + 1);
    EXPECT_EQ(application.GetModuleDirectory(), directory);
    EXPECT_STREQ(application.GetFileName(), "foundation_tests");
    EXPECT_STREQ(application.GetCompany(), "Selvarine");
    EXPECT_GE(application.GetWheelMessage(), 0xC000u);
    EXPECT_EQ(platform::comInitCount(), comBefore + 1);

    const auto basic = platform::findWindowClass(DApplication::kBasicClassName);
    ASSERT_TRUE(basic.has_value());
    EXPECT_EQ(basic->style, platform::kClassStyleHRedraw | platform::kClassStyleVRedraw);
    EXPECT_EQ(basic->cursor, platform::kCursorArrow);
    EXPECT_EQ(basic->icon, platform::kIconApplication);
    EXPECT_EQ(basic->background, platform::kColorWindow + 1);
    const auto splitter = platform::findWindowClass(DApplication::kSplitterClassName);
    ASSERT_TRUE(splitter.has_value());
    EXPECT_EQ(splitter->cursor, 0u);
    EXPECT_EQ(splitter->background, 0u);
    EXPECT_EQ(splitter->procedure(nullptr, 0x10, 0, 0), 0);

    // A second object in the same process finds both classes registered and still succeeds.
    DApplication second;
    ASSERT_TRUE(second.Init(platform::processInstance(), platform::kShowNormal, nullptr));
    EXPECT_EQ(second.GetWheelMessage(), application.GetWheelMessage());
    EXPECT_FALSE(second._RegisterBasicClass(DApplication::kBasicClassName));
    EXPECT_TRUE(Arguments(second).empty());
  }
  EXPECT_EQ(platform::comInitCount(), comBefore);
}

// A class that cannot be registered ends Init at once: the steps after it do not run.
TEST(DApplicationTest, FailedClassRegistrationStopsInit) {
  for (const char* failing : {"class:Welm Basic Window Class", "class:WELM SPLITTER WINDOW CLASS"}) {
    SCOPED_TRACE(failing);
    FailSteps fail(failing);
    const int comBefore = platform::comInitCount();
    DApplication application;
    EXPECT_FALSE(application.Init(platform::processInstance(), platform::kShowNormal, "arg"));
    EXPECT_EQ(application.GetWheelMessage(), 0u);
    EXPECT_EQ(platform::comInitCount(), comBefore);
  }
}

// Init does not depend on COM, and an object whose COM start failed does not undo another's.
TEST(DApplicationTest, FailedComStartIsNotUndone) {
  DApplication first;
  ASSERT_TRUE(first.Init(platform::processInstance(), platform::kShowNormal, nullptr));
  const int count = platform::comInitCount();
  {
    FailSteps fail("com");
    DApplication second;
    EXPECT_TRUE(second.Init(platform::processInstance(), platform::kShowNormal, nullptr));
    EXPECT_EQ(platform::comInitCount(), count);
  }
  EXPECT_EQ(platform::comInitCount(), count);
}

TEST(DApplicationTest, PublishedObjectIsWithdrawnWhenDestroyed) {
  EXPECT_EQ(DApplication::GetPublished(), nullptr);
  {
    DApplication application;
    DApplication::_Publish(&application);
    EXPECT_EQ(DApplication::GetPublished(), &application);
    { DApplication other; }  // another object's end does not withdraw the published one
    EXPECT_EQ(DApplication::GetPublished(), &application);
  }
  EXPECT_EQ(DApplication::GetPublished(), nullptr);
}

}  // namespace

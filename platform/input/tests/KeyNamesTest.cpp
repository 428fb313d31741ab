// Key names of the keyboard's scan codes.

#include "platform/input/KeyNames.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(KeyNames, CodesGiveTheNamesAPlayerSees) {
  struct Case {
    uint32_t code;
    const char16_t* name;  // null: no key
  };
  const Case cases[] = {
      {0x01, u"Esc"},       {0x0B, u"0"},          {0x1C, u"Enter"},       {0x1E, u"A"},
      {0x2C, u"Z"},         {0x2D, u"X"},          {0x39, u"Space"},       {0x3B, u"F1"},
      {0x45, u"Num Lock"},  {0x58, u"F12"},        {0x9C, u"Num Enter"},   {0x9D, u"Right Ctrl"},
      {0xC5, u"Pause"},     {0xC8, u"Up"},         {0xCB, u"Left"},        {0xCD, u"Right"},
      {0xD0, u"Down"},      {0xD3, u"Delete"},     {0xDD, u"Application"},
      // Codes without a key, and numbers beyond the 256-byte keyboard state.
      {0x00, nullptr},      {0x54, nullptr},       {0xFF, nullptr},        {0x100, nullptr},
      {0xFFFFFFFFu, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const char16_t* name = dinput::keyName(c.code);
    if (c.name == nullptr) {
      EXPECT_EQ(name, nullptr);
    } else {
      ASSERT_NE(name, nullptr);
      EXPECT_EQ(std::u16string(name), c.name);
    }
  }
}

TEST(KeyNames, NoTwoKeysShareAName) {
  // Two keys with one name could not be told apart on the settings page.
  std::set<std::u16string> seen;
  for (uint32_t code = 0; code < 256; ++code) {
    if (const char16_t* name = dinput::keyName(code)) {
      EXPECT_TRUE(seen.insert(name).second) << "code " << code;
    }
  }
  EXPECT_GT(seen.size(), 100u);
}

}  // namespace

#include "platform/text/Cp932LeadByte.h"

#include <gtest/gtest.h>

namespace {

struct LeadCase {
  unsigned char byte;
  bool lead;
};

TEST(Cp932LeadByte, RangesOfWindowsCodePage) {
  const LeadCase cases[] = {
      {0x00, false}, {0x5C, false}, {0x7F, false}, {0x80, false}, {0x81, true},
      {0x95, true},  {0x9F, true},  {0xA0, false}, {0xB1, false}, {0xDF, false},
      {0xE0, true},  {0xFC, true},  {0xFD, false}, {0xFF, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::cp932IsLeadByte(c.byte), c.lead) << std::hex << int(c.byte);
  }
}

}  // namespace

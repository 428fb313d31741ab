#include "platform/net/HostLookup.h"
#include "platform/net/Socket.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

TEST(NetHostLookup, NumericAddresses) {
  const struct {
    const char* text;
    std::optional<uint32_t> hostOrder;
  } cases[] = {
      {"127.0.0.1", 0x7F000001u},  {"127.1", 0x7F000001u},     {"0x7f.0.0.2", 0x7F000002u},
      {"255.255.255.255", 0xFFFFFFFFu}, {"localhost", std::nullopt}, {"1.2.3.4.5", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto parsed = platform::net::parseIpv4(c.text);
    ASSERT_EQ(parsed.has_value(), c.hostOrder.has_value());
    if (parsed) {
      EXPECT_EQ(platform::net::netToHost32(*parsed), *c.hostOrder);
      EXPECT_EQ(platform::net::parseIpv4(platform::net::formatIpv4(*parsed).c_str()), parsed);
    }
  }
}

TEST(NetHostLookup, LocalhostAndNumericNamesResolve) {
  const auto local = platform::net::lookupHostIpv4("localhost");
  ASSERT_TRUE(local);
  EXPECT_EQ(platform::net::netToHost32(*local) >> 24, 127u);
  EXPECT_EQ(platform::net::lookupHostIpv4("127.0.0.3"), platform::net::parseIpv4("127.0.0.3"));
}

}  // namespace

#include "net/session/NetSetup.h"

#include "net/session/tests/SessionTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(NetSetupTest, NoLoungeLinkGivesNoSession) {
  MemoryHost host(false);
  EXPECT_EQ(netSetup(host), nullptr);
  EXPECT_TRUE(host.statuses().empty());
}

// Descriptions that are incomplete or malformed give no session and no status.
struct DescriptionCase {
  const char* name;
  std::function<void(MemoryHost&)> write;
};

class NetSetupDescriptionTest : public ::testing::TestWithParam<DescriptionCase> {};

TEST_P(NetSetupDescriptionTest, GivesNoSessionWithoutAMessage) {
  MemoryHost host;
  GetParam().write(host);
  EXPECT_EQ(netSetup(host), nullptr);
  EXPECT_TRUE(host.statuses().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NetSetupDescriptionTest,
    ::testing::Values(
        DescriptionCase{"NothingYet", [](MemoryHost&) {}},
        DescriptionCase{"OnePlayer",
                        [](MemoryHost& h) {
                          h.push(0, {0, 0xFFFFFFFFu, 0xFFFFFFFFu});
                          h.push(1, {1});
                          h.push(playerRecord(1, "a"));
                          h.push(5, {0});
                        }},
        DescriptionCase{"WrongFirstKind", [](MemoryHost& h) { h.push(1, {2}); }},
        DescriptionCase{"PlayerRecordMissing",
                        [](MemoryHost& h) {
                          h.push(0, {0, 0xFFFFFFFFu, 0xFFFFFFFFu});
                          h.push(1, {2});
                          h.push(playerRecord(1, "a"));
                        }},
        DescriptionCase{"ClientCountDiffers",
                        [](MemoryHost& h) {
                          describeMatch(h, 3);
                          h.push(5, {1});
                          h.push(6, {1, 0, 0xFFFFFFFFu});
                        }},
        DescriptionCase{"RoleKindUnknown",
                        [](MemoryHost& h) {
                          describeMatch(h, 2);
                          h.push(9);
                        }},
        DescriptionCase{"ClientRecordMissing",
                        [](MemoryHost& h) {
                          describeMatch(h, 3);
                          h.push(5, {2});
                          h.push(6, {1, 0, 0xFFFFFFFFu});
                        }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NetSetupTest, MoreThanFourPlayersFailsWithStatus6) {
  MemoryHost host;
  host.push(0, {0, 0xFFFFFFFFu, 0xFFFFFFFFu});
  host.push(1, {5});
  for (uint32_t p = 0; p < 5; ++p) host.push(playerRecord(p, "x"));
  EXPECT_THROW(netSetup(host), LExceptGame);
  EXPECT_EQ(host.statuses(), std::vector<uint32_t>{NET_STATUS_FAILED});
}

TEST(NetSetupTest, HostThatCannotListenReportsStatus7Then6) {
  ombSocketInit();
  const auto blocker = platform::net::socketOpen(platform::net::SocketKind::Datagram);
  ASSERT_TRUE(platform::net::socketBindAny(blocker, 0));
  MemoryHost host;
  host.options.hostPort = platform::net::socketLocalPort(blocker);
  describeHost(host, 2);
  EXPECT_THROW(netSetup(host), LExceptGame);
  platform::net::socketClose(blocker);
  EXPECT_EQ(host.statuses(), (std::vector<uint32_t>{NET_STATUS_NO_PEER, NET_STATUS_FAILED}));
}

struct NameCase {
  const char* name;
  std::string utf8;
  std::u16string expected;
};

class NetPlayerNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NetPlayerNameTest, DecodesIntoAtMost16Units) {
  NetPlayerInfo player;
  netReadPlayerRecord(playerRecord(42, GetParam().utf8), &player);
  EXPECT_EQ(player.id, 42u);
  EXPECT_EQ(std::u16string(player.name), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NetPlayerNameTest,
    ::testing::Values(NameCase{"Ascii", "Alice", u"Alice"},
                      NameCase{"TwentyLetters", "ABCDEFGHIJKLMNOPQRST", u"ABCDEFGHIJKLMNOP"},
                      NameCase{"Japanese", "\xE3\x81\x82\xE3\x81\x84", u"あい"},
                      NameCase{"FourByteSequence", "a\xF0\x9F\x98\x80" "b", u"a?b"},
                      // A name that fills the whole record has no terminator of its own.
                      NameCase{"FillsTheRecord", std::string(260, 'z'), std::u16string(16, u'z')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NetSessionTest, DefaultsOfTheInterface) {
  Net plain;
  InputSource source;
  EXPECT_EQ(plain.getPlayerIndex(), -1);
  EXPECT_EQ(plain.getPlayerInfo(0), nullptr);
  EXPECT_FALSE(plain.isReady());
  EXPECT_FALSE(plain.getPlayerInput(0, &source));
}

TEST(NetSessionTest, BitsSourceReadsTheCurrentWord) {
  uint32_t bits = 0x8005;
  const InputSource source = netBitsInputSource(&bits);
  EXPECT_EQ(source.count(source.context), 16u);
  EXPECT_EQ(source.value(source.context, 0), 1.0f);
  EXPECT_EQ(source.value(source.context, 1), 0.0f);
  EXPECT_EQ(source.value(source.context, 15), 1.0f);
  bits = 0;
  EXPECT_EQ(source.value(source.context, 0), 0.0f);
  EXPECT_EQ(netSampleInput(&source), 0u);
  bits = 0x12;
  EXPECT_EQ(netSampleInput(&source), 0x12u);
}

TEST(NetSessionTest, ErrorTexts) {
  EXPECT_EQ(std::u16string(netErrorText(5)), u"ネットワークが切断されました");
  EXPECT_EQ(std::u16string(netErrorText(0)), u"");
  EXPECT_EQ(std::u16string(netErrorText(42)), u"エラーが発生しました");
}

}  // namespace

// Host, clients and spectators as separate net-harness processes over a fake lounge.

#include "net/session/tests/FakeLounge.h"
#include "net/session/tests/SessionTestSupport.h"
#include "net/session/tests/UdpImpairmentProxy.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

NetLoungeRecord record(uint32_t kind, std::initializer_list<uint32_t> words = {}) {
  NetLoungeRecord r;
  r.kind = kind;
  uint32_t i = 0;
  for (uint32_t word : words) r.w[i++] = word;
  return r;
}

std::vector<NetLoungeRecord> match(uint32_t count) {
  std::vector<NetLoungeRecord> records{record(0, {0, 0xFFFFFFFFu, 0xFFFFFFFFu}), record(1, {count})};
  for (uint32_t p = 0; p < count; ++p) records.push_back(playerRecord(100 + p, "P" + std::to_string(p)));
  return records;
}

std::vector<NetLoungeRecord> hostOf(uint32_t count) {
  auto records = match(count);
  records.push_back(record(5, {count - 1}));
  for (uint32_t k = 0; k + 1 < count; ++k) records.push_back(record(6, {1000 + k, 0, 0xFFFFFFFFu}));
  return records;
}

std::vector<NetLoungeRecord> clientOf(uint32_t count, uint32_t index) {
  auto records = match(count);
  records.push_back(record(7, {1000 + index - 1, 100 + index, kLoopback, 0xFFFFFFFFu}));
  return records;
}

std::vector<NetLoungeRecord> spectatorOf(uint32_t count, uint32_t token, uint32_t id) {
  auto records = match(count);
  records.push_back(record(8, {token, id, kLoopback, 0xFFFFFFFFu}));
  return records;
}

std::vector<std::string> args(uint16_t port, std::vector<std::string> more = {}) {
  std::vector<std::string> all{"--port", std::to_string(port), "--echoes", "30"};
  all.insert(all.end(), more.begin(), more.end());
  return all;
}

constexpr uint32_t kExit = 30000;

class NetHarnessTest : public ::testing::Test {
 protected:
  void SetUp() override { port_ = freeUdpPort(); }
  uint16_t port_ = 0;
};

// The seed and hash lines of a run, which must agree between every side of a match.
std::vector<std::string> rounds(LoungeChild& child) {
  auto seeds = child.lines("round ");
  return seeds;
}

TEST_F(NetHarnessTest, TwoRoundsGiveTheSameSeedsAndHashesEverywhere) {
  const std::vector<std::string> shortRounds{"--rounds", "2", "--frames", "20"};
  auto hostRecords = hostOf(3);
  hostRecords.push_back(record(11, {5000, 900, 0, 0xFFFFFFFFu}));
  LoungeChild host(hostRecords, args(port_, shortRounds));
  LoungeChild client1(clientOf(3, 1), args(port_, shortRounds));
  LoungeChild client2(clientOf(3, 2), args(port_, shortRounds));
  LoungeChild spectator(spectatorOf(3, 5000, 900), args(port_, shortRounds));

  ASSERT_EQ(host.wait(kExit), 0) << host.output();
  ASSERT_EQ(client1.wait(kExit), 0) << client1.output();
  ASSERT_EQ(client2.wait(kExit), 0) << client2.output();
  ASSERT_EQ(spectator.wait(kExit), 0) << spectator.output();
  const auto expected = rounds(host);
  ASSERT_EQ(expected.size(), 4u) << host.output();
  EXPECT_EQ(rounds(client1), expected);
  EXPECT_EQ(rounds(client2), expected);
  EXPECT_EQ(rounds(spectator), expected);
  EXPECT_EQ(host.statuses(), (std::vector<uint32_t>{0, 3, 3, 4, 5}));
  EXPECT_EQ(client1.statuses(), (std::vector<uint32_t>{1, 2, 3, 3, 4, 5}));
  EXPECT_EQ(spectator.statuses(), (std::vector<uint32_t>{1, 2, 3, 4, 5}));
}

TEST_F(NetHarnessTest, LateSpectatorReplaysTheWholeMatch) {
  // The spectator comes after the first round, with three rounds left to join in.
  const std::vector<std::string> shortRounds{"--rounds", "4", "--frames", "30"};
  LoungeChild host(hostOf(2), args(port_, shortRounds));
  LoungeChild client(clientOf(2, 1), args(port_, shortRounds));
  ASSERT_TRUE(host.awaitOutput("round 0 hash", kExit)) << host.output();
  host.send(11, {6000, 901, 0, 0xFFFFFFFFu});
  LoungeChild spectator(spectatorOf(2, 6000, 901), args(port_, shortRounds));
  ASSERT_EQ(host.wait(kExit), 0) << host.output();
  ASSERT_EQ(client.wait(kExit), 0);
  ASSERT_EQ(spectator.wait(kExit), 0) << spectator.output();
  EXPECT_EQ(rounds(spectator), rounds(host));
  EXPECT_EQ(spectator.lines("match hash"), host.lines("match hash"));
}

TEST_F(NetHarnessTest, MatchThroughALossyReorderingNetworkStaysInStep) {
  UdpImpairmentProxy::Impairment bad;
  bad.loss = 0.2;
  bad.duplicate = 0.05;
  bad.reorder = 0.2;
  bad.delayMs = 5;
  bad.jitterMs = 40;
  UdpImpairmentProxy proxy(port_, bad, bad, 1234);
  const std::vector<std::string> shortRounds{"--rounds", "2", "--frames", "30"};
  auto hostRecords = hostOf(2);
  hostRecords.push_back(record(11, {5000, 900, 0, 0xFFFFFFFFu}));
  LoungeChild host(hostRecords, args(port_, shortRounds));
  LoungeChild client(clientOf(2, 1), args(proxy.port(), shortRounds));
  LoungeChild spectator(spectatorOf(2, 5000, 900), args(proxy.port(), shortRounds));
  ASSERT_EQ(host.wait(60000), 0) << host.output();
  ASSERT_EQ(client.wait(kExit), 0) << client.output();
  ASSERT_EQ(spectator.wait(kExit), 0) << spectator.output();
  EXPECT_EQ(rounds(client), rounds(host));
  EXPECT_EQ(rounds(spectator), rounds(host));
  EXPECT_GT(proxy.dropped(), 0u);
}

TEST_F(NetHarnessTest, KilledClientEndsTheHostAndADeadHostEndsItsSpectator) {
  const std::vector<std::string> longRounds{"--rounds", "100", "--frames", "600", "--timeout-polls", "240"};
  auto hostRecords = hostOf(2);
  hostRecords.push_back(record(11, {5000, 900, 0, 0xFFFFFFFFu}));
  LoungeChild host(hostRecords, args(port_, longRounds));
  LoungeChild client(clientOf(2, 1), args(port_, longRounds));
  ASSERT_TRUE(host.awaitStatus(NET_STATUS_RUNNING, kExit));
  ASSERT_TRUE(client.awaitStatus(NET_STATUS_RUNNING, kExit));
  client.kill(SIGKILL);
  const auto killed = std::chrono::steady_clock::now();
  EXPECT_EQ(host.wait(8000), 3) << host.output();
  EXPECT_LT(std::chrono::steady_clock::now() - killed, std::chrono::seconds(8));
  EXPECT_EQ(host.statuses().back(), NET_STATUS_FAILED);
}

TEST_F(NetHarnessTest, SpectatorFailsWhenTheHostDies) {
  const std::vector<std::string> longRounds{"--rounds", "100", "--frames", "60", "--timeout-polls", "240"};
  auto hostRecords = hostOf(2);
  hostRecords.push_back(record(11, {5000, 900, 0, 0xFFFFFFFFu}));
  LoungeChild host(hostRecords, args(port_, longRounds));
  LoungeChild client(clientOf(2, 1), args(port_, longRounds));
  LoungeChild spectator(spectatorOf(2, 5000, 900), args(port_, longRounds));
  ASSERT_TRUE(spectator.awaitOutput("round 0 seed", kExit)) << spectator.output();
  host.kill(SIGKILL);
  EXPECT_EQ(spectator.wait(8000), 3) << spectator.output();
  EXPECT_EQ(spectator.statuses().back(), NET_STATUS_FAILED);
  EXPECT_EQ(client.wait(8000), 3);
}

struct StallCase {
  const char* name;
  uint32_t stallMs;
  bool recovers;
};

class NetStallTest : public NetHarnessTest, public ::testing::WithParamInterface<StallCase> {};

// The connection time-out is shortened to 120 polls (one second) so that the stalls stay short:
// a stall well below it is survived, one well above it ends the match.
TEST_P(NetStallTest, StoppedClient) {
  const StallCase& c = GetParam();
  const std::vector<std::string> shortRounds{"--rounds", "2", "--frames", "90", "--timeout-polls", "120"};
  LoungeChild host(hostOf(2), args(port_, shortRounds));
  LoungeChild client(clientOf(2, 1), args(port_, shortRounds));
  ASSERT_TRUE(client.awaitOutput("round 0 seed", kExit)) << client.output();
  client.kill(SIGSTOP);
  platform::sleepMilliseconds(c.stallMs);
  client.kill(SIGCONT);
  if (c.recovers) {
    ASSERT_EQ(host.wait(kExit), 0) << host.output();
    ASSERT_EQ(client.wait(kExit), 0) << client.output();
    EXPECT_EQ(rounds(client), rounds(host));
  } else {
    EXPECT_EQ(host.wait(kExit), 3);
    EXPECT_EQ(client.wait(kExit), 3);
    EXPECT_EQ(host.statuses().back(), NET_STATUS_FAILED);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, NetStallTest,
                         ::testing::Values(StallCase{"Short", 300, true},
                                           StallCase{"Long", 2500, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetHarnessTest, StrangerDatagramsDoNotDisturbTheMatch) {
  const std::vector<std::string> shortRounds{"--rounds", "2", "--frames", "60"};
  LoungeChild host(hostOf(2), args(port_, shortRounds));
  LoungeChild client(clientOf(2, 1), args(port_, shortRounds));
  ASSERT_TRUE(client.awaitStatus(NET_STATUS_RUNNING, kExit));
  std::vector<uint16_t> targets{port_};
  for (uint16_t port : client.udpPorts()) targets.push_back(port);
  ASSERT_GE(targets.size(), 2u);

  const auto stranger = platform::net::socketOpen(platform::net::SocketKind::Datagram);
  platform::net::socketBindAny(stranger, 0);
  std::mt19937 random(99);
  auto sendAll = [&](const std::vector<uint8_t>& bytes) {
    for (uint16_t port : targets) {
      platform::net::socketSendTo(stranger, bytes.data(), bytes.size(),
                                  {platform::net::hostToNet32(kLoopback), platform::net::hostToNet16(port)});
    }
  };
  for (int i = 0; i < 30; ++i) sendAll(std::vector<uint8_t>(10, 0));  // hellos
  sendAll({});
  sendAll({1});
  sendAll(std::vector<uint8_t>(3000, 0x5A));
  for (int i = 0; i < 50; ++i) {
    std::vector<uint8_t> noise(random() % 64);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
    sendAll(noise);
  }
  ASSERT_EQ(host.wait(kExit), 0) << host.output();
  ASSERT_EQ(client.wait(kExit), 0) << client.output();
  platform::net::socketClose(stranger);
  EXPECT_EQ(rounds(client), rounds(host));
}

}  // namespace

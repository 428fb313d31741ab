#include "net/session/tests/SessionTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <memory>
#include <thread>

namespace {

class NetMatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ombSocketInit();
    port_ = freeUdpPort();
  }
  std::unique_ptr<MemoryHost> side() {
    auto host = std::make_unique<MemoryHost>();
    host->options.hostPort = port_;
    return host;
  }
  uint16_t port_ = 0;
};

bool contains(const std::vector<uint32_t>& statuses, uint32_t kind) {
  return std::find(statuses.begin(), statuses.end(), kind) != statuses.end();
}

TEST_F(NetMatchTest, HostClientsAndSpectatorPlayTheSameFrames) {
  constexpr uint32_t kPlayers = 3;
  auto host = side();
  describeHost(*host, kPlayers);
  host->push(11, {5000, 900, 0, 0xFFFFFFFFu});  // the spectator is announced before it comes
  std::vector<std::unique_ptr<MemoryHost>> clients;
  for (uint32_t i = 1; i < kPlayers; ++i) {
    clients.push_back(side());
    describeClient(*clients.back(), kPlayers, i);
  }
  auto spectator = side();
  describeSpectator(*spectator, kPlayers, 5000, 900);

  auto hostSide = std::async(std::launch::async, [&] { return playSide(*host, 2, 20); });
  std::vector<std::future<SideResult>> clientSides;
  for (auto& client : clients) {
    clientSides.push_back(std::async(std::launch::async, [&] { return playSide(*client, 2, 20); }));
  }
  auto spectatorSide = std::async(std::launch::async, [&] { return playSide(*spectator, 2, 20); });

  const SideResult hostResult = hostSide.get();
  ASSERT_TRUE(hostResult.session) << ::testing::PrintToString(host->statuses());
  ASSERT_FALSE(hostResult.ended);
  ASSERT_EQ(hostResult.hashes.size(), 2u);
  EXPECT_EQ(hostResult.index, 0);
  for (size_t i = 0; i < clientSides.size(); ++i) {
    const SideResult client = clientSides[i].get();
    ASSERT_FALSE(client.ended) << "client " << i << ::testing::PrintToString(clients[i]->statuses());
    EXPECT_EQ(client.index, static_cast<int32_t>(i + 1));
    EXPECT_EQ(client.seeds, hostResult.seeds);
    EXPECT_EQ(client.hashes, hostResult.hashes);
  }
  const SideResult watcher = spectatorSide.get();
  ASSERT_FALSE(watcher.ended) << ::testing::PrintToString(spectator->statuses());
  EXPECT_EQ(watcher.index, -2);
  EXPECT_EQ(watcher.seeds, hostResult.seeds);
  EXPECT_EQ(watcher.hashes, hostResult.hashes);
  // The rounds are shorter than the spectator's buffer: it waited for the end of the stream.
  const auto shown = spectator->dialog_.shown();
  EXPECT_NE(std::find(shown.begin(), shown.end(), NET_DIALOG_BUFFERING), shown.end());
  EXPECT_FALSE(spectator->dialog_.isOpen());

  // The frames carried every player's scripted buttons, not only zeros.
  EXPECT_NE(hostResult.hashes[0], hostResult.hashes[1]);

  EXPECT_EQ(host->statuses(), (std::vector<uint32_t>{0, 3, 3, 4, 5}));
  EXPECT_EQ(clients[0]->statuses(), (std::vector<uint32_t>{1, 2, 3, 3, 4, 5}));
  EXPECT_EQ(spectator->statuses(), (std::vector<uint32_t>{1, 2, 3, 4, 5}));
}

struct MismatchCase {
  const char* name;
  int32_t clientGameId;
  uint32_t clientVersion;
  uint32_t status;
};

class NetMismatchTest : public NetMatchTest,
                        public ::testing::WithParamInterface<MismatchCase> {};

TEST_P(NetMismatchTest, ReportsTheStatusOnBothSides) {
  const MismatchCase& c = GetParam();
  auto host = side();
  describeHost(*host, 2);
  auto client = side();
  client->gameId = c.clientGameId;
  client->gameVersion = c.clientVersion;
  describeClient(*client, 2, 1);
  auto hostSide = std::async(std::launch::async, [&] { return playSide(*host, 1, 5); });
  const SideResult clientResult = playSide(*client, 1, 5);
  const SideResult hostResult = hostSide.get();
  EXPECT_TRUE(clientResult.ended);
  EXPECT_TRUE(hostResult.ended);
  EXPECT_TRUE(contains(client->statuses(), c.status));
  EXPECT_TRUE(contains(host->statuses(), c.status));
  EXPECT_EQ(host->statuses().back(), NET_STATUS_FAILED);
}

INSTANTIATE_TEST_SUITE_P(Cases, NetMismatchTest,
                         ::testing::Values(MismatchCase{"OtherGame", 8, 1, NET_STATUS_OTHER_GAME},
                                           MismatchCase{"OtherVersion", 7, 2,
                                                        NET_STATUS_OTHER_VERSION}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetMatchTest, ClientWithAnotherPlayersIdIsRefused) {
  // The join token of client 1 with the id of nobody: the host closes the connection and the
  // client never gets its accept.
  auto host = side();
  describeHost(*host, 2);
  auto client = side();
  describeMatch(*client, 2);
  client->push(7, {1000, 555, kLoopback, 0xFFFFFFFFu});
  client->options.timeoutPolls = 10;
  auto hostSide = std::async(std::launch::async, [&] { return playSide(*host, 1, 5); });
  const SideResult clientResult = playSide(*client, 1, 5);
  EXPECT_TRUE(clientResult.ended);
  EXPECT_EQ(client->statuses().back(), NET_STATUS_FAILED);
  host->push(10);
  EXPECT_TRUE(hostSide.get().ended);
  EXPECT_TRUE(contains(host->statuses(), NET_STATUS_FAILED));
}

TEST_F(NetMatchTest, LoungeCancelDuringPlayEndsBothGames) {
  auto host = side();
  describeHost(*host, 2);
  auto client = side();
  describeClient(*client, 2, 1);
  auto hostSide = std::async(std::launch::async, [&] { return playSide(*host, 50, 60); });
  auto clientSide = std::async(std::launch::async, [&] { return playSide(*client, 50, 60); });
  // Once the worker runs the user cancels the host.
  for (int i = 0; i < 1000 && !contains(host->statuses(), NET_STATUS_RUNNING); ++i) {
    platform::sleepMilliseconds(10);
  }
  host->push(10);
  const SideResult hostResult = hostSide.get();
  EXPECT_TRUE(hostResult.ended);
  EXPECT_EQ(host->statuses().back(), NET_STATUS_FAILED);
  const SideResult clientResult = clientSide.get();
  EXPECT_TRUE(clientResult.ended);
}

TEST_F(NetMatchTest, SeventeenthSpectatorIsRefusedAfterItsHandShake) {
  auto host = side();
  describeHost(*host, 2);
  constexpr uint32_t kSpectators = 17;
  for (uint32_t s = 0; s < kSpectators; ++s) host->push(11, {7000 + s, 800 + s, 0, 0xFFFFFFFFu});
  auto client = side();
  describeClient(*client, 2, 1);
  std::vector<std::unique_ptr<MemoryHost>> spectators;
  for (uint32_t s = 0; s < kSpectators; ++s) {
    spectators.push_back(side());
    describeSpectator(*spectators.back(), 2, 7000 + s, 800 + s);
  }
  auto hostSide = std::async(std::launch::async, [&] { return playSide(*host, 2, 60); });
  auto clientSide = std::async(std::launch::async, [&] { return playSide(*client, 2, 60); });
  std::vector<std::future<SideResult>> watchers;
  for (auto& spectator : spectators) {
    watchers.push_back(std::async(std::launch::async, [&] { return playSide(*spectator, 2, 60); }));
  }
  const SideResult hostResult = hostSide.get();
  ASSERT_FALSE(hostResult.ended);
  uint32_t watched = 0;
  uint32_t refused = 0;
  for (size_t s = 0; s < watchers.size(); ++s) {
    const SideResult result = watchers[s].get();
    if (result.ended) {
      EXPECT_EQ(spectators[s]->statuses().back(), NET_STATUS_FAILED);
      ++refused;
    } else {
      ++watched;
      EXPECT_EQ(result.hashes, hostResult.hashes);
    }
  }
  EXPECT_EQ(watched, 16u);
  EXPECT_EQ(refused, 1u);
  clientSide.get();
}

}  // namespace

// The runtime's network session end to end: a host and a client process of the engines fixture
// game, started by a lounge made of pipe pairs, play one match on 127.0.0.1. The start script's
// network scenario folds the seeded generator and every player's buttons of 60 frames into one
// value per side, saved in the parameter file at exit.

#include "host/system/SystemParameters.h"
#include "host/tests/GameFolder.h"
#include "net/session/NetTypes.h"
#include "platform/kernel/Pipe.h"
#include "platform/net/Socket.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

using hosttest::GameFolder;
using hosttest::GameRun;
using hosttest::readFile;

namespace {

namespace fs = std::filesystem;

constexpr int32_t kNetMatch = 12;
constexpr uint32_t kLoopback = 0x7F000001u;
constexpr uint32_t kNone = 0xFFFFFFFFu;

NetLoungeRecord record(uint32_t kind, std::initializer_list<uint32_t> words = {}) {
  NetLoungeRecord r;
  r.kind = kind;
  uint32_t i = 0;
  for (uint32_t word : words) r.w[i++] = word;
  return r;
}

// Two players, no NAT path; the names sit after the id and three reserved words.
std::vector<NetLoungeRecord> match() {
  std::vector<NetLoungeRecord> records{record(0, {0, kNone, kNone}), record(1, {2})};
  for (uint32_t p = 0; p < 2; ++p) {
    NetLoungeRecord player = record(2, {100 + p});
    const std::string name = "P" + std::to_string(p);
    std::memcpy(reinterpret_cast<uint8_t*>(player.w) + 16, name.data(), name.size());
    records.push_back(player);
  }
  return records;
}

std::vector<NetLoungeRecord> hostDescription() {
  auto records = match();
  records.push_back(record(5, {1}));
  records.push_back(record(6, {1000, 0, kNone}));
  return records;
}

std::vector<NetLoungeRecord> clientDescription() {
  auto records = match();
  records.push_back(record(7, {1000, 101, kLoopback, kNone}));
  return records;
}

// The lounge's side of one game process: the description written into the game's input pipe
// before it starts, and the status records it writes back.
class LoungeLink {
 public:
  explicit LoungeLink(const std::vector<NetLoungeRecord>& description) {
    int in[2];
    int out[2];
    EXPECT_EQ(::pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
    for (const NetLoungeRecord& r : description) {
      EXPECT_TRUE(platform::pipeWriteWhole(uint64_t(in[1]), &r, sizeof r));
    }
    gameIn_ = in[0];
    toGame_ = in[1];
    gameOut_ = out[1];
    fromGame_ = out[0];
    // Only the game's two ends are inherited.
    ::fcntl(gameIn_, F_SETFD, 0);
    ::fcntl(gameOut_, F_SETFD, 0);
  }
  ~LoungeLink() {
    closeGameEnds();
    for (int fd : {toGame_, fromGame_}) ::close(fd);
  }
  LoungeLink(const LoungeLink&) = delete;
  LoungeLink& operator=(const LoungeLink&) = delete;

  std::vector<std::string> arguments() const {
    return {"--lounge", std::to_string(gameIn_), std::to_string(gameOut_)};
  }
  // After the game started: the parent keeps only its own ends.
  void closeGameEnds() {
    for (int* fd : {&gameIn_, &gameOut_}) {
      if (*fd >= 0) ::close(std::exchange(*fd, -1));
    }
  }
  std::vector<uint32_t> statuses() {
    NetLoungeRecord r;
    while (platform::pipeReadWhole(uint64_t(fromGame_), &r, sizeof r) == platform::PipeRead::Whole) {
      statuses_.push_back(r.kind);
    }
    return statuses_;
  }

 private:
  int gameIn_ = -1, gameOut_ = -1, toGame_ = -1, fromGame_ = -1;
  std::vector<uint32_t> statuses_;
};

uint16_t freeUdpPort() {
  namespace net = platform::net;
  const net::SocketHandle socket = net::socketOpen(net::SocketKind::Datagram);
  net::socketBindAny(socket, 0);
  const uint16_t port = net::socketLocalPort(socket);
  net::socketClose(socket);
  return port;
}

fs::path prm(const GameFolder& folder) { return folder.appData("fixture") / "game.prm"; }

void writeScenario(const GameFolder& folder, int32_t frames) {
  fs::create_directories(prm(folder).parent_path());
  const std::vector<uint8_t> bytes = writeSystemParameters({{kNetMatch, frames}, {}});
  std::ofstream(prm(folder), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<int32_t> savedIntegers(const GameFolder& folder) {
  const std::string text = readFile(prm(folder));
  Parsed<SystemParameters> parsed =
      parseSystemParameters(std::vector<uint8_t>(text.begin(), text.end()));
  EXPECT_TRUE(parsed) << "the parameter file does not parse";
  return parsed ? parsed.value().integers : std::vector<int32_t>{};
}

// One side: its folder, lounge link and process.
struct Side {
  GameFolder folder{"engines"};
  LoungeLink lounge;
  pid_t pid = -1;

  Side(const std::vector<NetLoungeRecord>& description, int32_t frames) : lounge(description) {
    writeScenario(folder, frames);
  }
  void start(uint16_t port, const std::string& keys) {
    // The close request of frame 2 is ignored while a session runs.
    pid = folder.start(lounge.arguments(),
                       {"GAME_WINDOW_SCRIPT=0 activate 1; 2 close", "GAME_INPUT_SCRIPT=" + keys,
                        "GAME_NET_PORT=" + std::to_string(port), "GAME_NET_BIND=127.0.0.1",
                        "GAME_NET_ECHOES=10"});
    lounge.closeGameEnds();
  }
};

TEST(NetSessionRun, HostAndClientPlayTheSameFrames) {
  const uint16_t port = freeUdpPort();
  Side host(hostDescription(), 60);
  Side client(clientDescription(), 60);
  // Each side holds its own keys for a while: both must see both.
  host.start(port, "5 key 44 1; 40 key 44 0; 60 key 200 1");
  client.start(port, "10 key 45 1; 30 key 45 0; 50 key 208 1");

  const GameRun hostRun = host.folder.wait(host.pid);
  const GameRun clientRun = client.folder.wait(client.pid);
  ASSERT_EQ(hostRun.exitCode, 0) << hostRun.errors << host.folder.log();
  ASSERT_EQ(clientRun.exitCode, 0) << clientRun.errors << client.folder.log();

  const std::vector<int32_t> h = savedIntegers(host.folder);
  const std::vector<int32_t> c = savedIntegers(client.folder);
  ASSERT_EQ(h.size(), 6u);
  ASSERT_EQ(c.size(), 6u);
  // The frame count stays; a session, two players, the host's index 0 and the client's 1.
  EXPECT_EQ((std::vector<int32_t>{h[1], h[2], h[3]}), (std::vector<int32_t>{60, 2, 0}));
  EXPECT_EQ((std::vector<int32_t>{c[1], c[2], c[3]}), (std::vector<int32_t>{60, 2, 1}));
  // The same seed and the same inputs frame by frame, and some buttons were really held.
  EXPECT_EQ(h[4], c[4]);
  EXPECT_EQ(h[5], c[5]);
  EXPECT_GT(h[5], 0);

  EXPECT_EQ(host.lounge.statuses(),
            (std::vector<uint32_t>{NET_STATUS_LISTENING, NET_STATUS_JOINED, NET_STATUS_JOINED,
                                   NET_STATUS_RUNNING, NET_STATUS_CLOSING}));
  EXPECT_EQ(client.lounge.statuses(),
            (std::vector<uint32_t>{NET_STATUS_CONNECTING, NET_STATUS_CONNECTED, NET_STATUS_JOINED,
                                   NET_STATUS_JOINED, NET_STATUS_RUNNING, NET_STATUS_CLOSING}));
}

TEST(NetSessionRun, TheHostEndsWhenTheClientIsGone) {
  const uint16_t port = freeUdpPort();
  Side host(hostDescription(), 1000000);
  Side client(clientDescription(), 1000000);
  host.start(port, "");
  client.start(port, "");
  ASSERT_TRUE(hosttest::eventually([&] {
    for (uint32_t s : host.lounge.statuses()) {
      if (s == NET_STATUS_RUNNING) return true;
    }
    return false;
  }));
  ::kill(client.pid, SIGKILL);
  client.folder.wait(client.pid);

  // The session's time-out ends the game: the lounge hears of the failure, nothing hangs.
  const auto killed = std::chrono::steady_clock::now();
  const GameRun hostRun = host.folder.wait(host.pid);
  EXPECT_LT(std::chrono::steady_clock::now() - killed, std::chrono::seconds(8));
  EXPECT_EQ(hostRun.exitCode, 1) << hostRun.errors;
  // The failure is the last word: the shutdown after it reports no closing match.
  const std::vector<uint32_t> statuses = host.lounge.statuses();
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.back(), NET_STATUS_FAILED);
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), NET_STATUS_RUNNING), statuses.end());
}

TEST(NetSessionRun, ABrokenLoungePipeEndsTheStartUp) {
  // Pipe numbers that are not open descriptors in the game: reading the description fails.
  GameFolder folder("engines");
  writeScenario(folder, 60);
  const GameRun run = folder.run({"--lounge", "97", "98"}, {"GAME_WINDOW_SCRIPT=0 activate 1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(hosttest::contains(folder.log(), "Error: [Config::readLoungeData]")) << folder.log();
  // No engine ran, so the scenario never wrote its results.
  EXPECT_EQ(savedIntegers(folder), (std::vector<int32_t>{kNetMatch, 60}));
}

}  // namespace

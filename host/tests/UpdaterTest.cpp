// The update check against HTTP servers on the loopback address, started by the test.

#include "host/updater/Updater.h"

#include "foundation/omb/ombLog.h"
#include "net/omb/ombSocket.h"
#include "platform/dialog/DialogDriver.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/IniFile.h"
#include "testsupport/LogCapture.h"
#include "testsupport/XdgHome.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Time that passes only by sleeping: each sleep advances it by the amount asked (and really
// waits a millisecond, so that the peer thread gets to run).
class SteppedClock final : public platform::Clock {
 public:
  uint64_t counterFrequency() override { return 1000; }
  uint64_t counter() override { return now_; }
  uint32_t milliseconds() override { return static_cast<uint32_t>(now_); }
  void sleep(uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    now_ += ms;
  }

 private:
  std::atomic<uint64_t> now_{0xFFFFF000u};  // close to the 32-bit wrap
};

// Answers each connection with `reply` (none: holds it open without a word) and keeps the
// requests it read.
class HttpServer {
 public:
  explicit HttpServer(std::string reply, bool answer = true)
      : reply_(std::move(reply)), answer_(answer) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    EXPECT_EQ(::listen(listener_, 4), 0);
    socklen_t size = sizeof a;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~HttpServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }
  int32_t port() const { return port_; }
  std::vector<std::string> requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  void serve() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const int c = ::accept(listener_, nullptr, nullptr);
      if (c < 0) continue;
      std::string request;
      char buffer[512];
      while (request.find("\n\n") == std::string::npos && !stop_) {
        pollfd q{c, POLLIN, 0};
        if (::poll(&q, 1, 20) <= 0) continue;
        const ssize_t n = ::recv(c, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
      }
      if (answer_) {
        ::send(c, reply_.data(), reply_.size(), MSG_NOSIGNAL);
      } else {
        while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      ::close(c);
    }
  }

  std::string reply_;
  bool answer_;
  int listener_ = -1;
  int32_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

class UpdaterTest : public testing::Test {
 protected:
  UpdaterTest() {
    ombSocketInit();
    platform::setClock(&clock);
    dlg::setBackend(&driver);
  }
  ~UpdaterTest() override {
    dlg::setBackend(nullptr);
    platform::setClock(nullptr);
  }

  bool check(int32_t port, const std::u16string& path = u"game") {
    UpdaterRecord record;
    const bool goOn = Updater::run(record, u"127.0.0.1", port, path, 258, u"Simple");
    record.release();
    return goOn;
  }
  std::vector<std::u16string> logged() const {
    std::vector<std::u16string> texts;
    for (const auto& m : LogCapture::messages()) texts.push_back(m.text);
    return texts;
  }

  XdgHome home;
  LogCapture log;
  SteppedClock clock;
  dlg::DialogDriver driver{{}};
};

TEST_F(UpdaterTest, LatestVersionSendsTheRequestLinesAsTheyAre) {
  HttpServer server("HTTP/1.0 404 Not Found\r\n\r\n");
  EXPECT_TRUE(check(server.port()));
  ASSERT_EQ(server.requests().size(), 1u);
  // LF alone ends each line.
  EXPECT_EQ(server.requests()[0], "GET /game/ver258.txt HTTP/1.0\nHost: 127.0.0.1\n\n");
  EXPECT_EQ(logged(), (std::vector<std::u16string>{
                          u"Message: [Updater::run] connected",
                          u"Message: [Updater::run] this game is latest version"}));
}

TEST_F(UpdaterTest, CrLfAndLfRepliesGiveTheSameLines) {
  for (const char* reply : {"HTTP/1.0 500 Server Error\r\n\r\n", "HTTP/1.0 500 Server Error\n\n"}) {
    LogCapture::messages().clear();
    HttpServer server(reply);
    EXPECT_TRUE(check(server.port()));
    EXPECT_EQ(logged().back(),
              u"Message: [Updater::run] unknown return code: [HTTP/1.0 500 Server Error]");
  }
}

TEST_F(UpdaterTest, NewerVersionShowsTheNoticeAndTheLinkEndsTheStartUp) {
  HttpServer server("HTTP/1.0 200 OK\r\n\r\n1\r\n");
  EXPECT_TRUE(check(server.port())) << "the notice confirmed with OK lets the start-up go on";
  EXPECT_EQ(logged()[1], u"Message: [Updater::run] newer version is here!");

  auto followed = dlg::DialogDriver::fromText("dump\nclick Quorvaneのホームページを開く\n", nullptr);
  dlg::setBackend(&*followed);
  EXPECT_FALSE(check(server.port()));
  const std::vector<std::string>& out = followed->output();
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out[0], "window \"Simple\"");
  EXPECT_EQ(out.back(), "open https://www.quorvane.example/");
}

TEST_F(UpdaterTest, NoticeThatCannotBeMadeCountsAsDismissed) {
  HttpServer server("HTTP/1.0 200 OK\r\n\r\n");
  auto refusing = dlg::DialogDriver::fromText("refuse Simple\n", nullptr);
  dlg::setBackend(&*refusing);
  EXPECT_TRUE(check(server.port()));
}

TEST_F(UpdaterTest, MovedPermanentlyIsFollowedToAnotherPort) {
  HttpServer target("HTTP/1.0 404 Not Found\n\n");
  HttpServer moved("HTTP/1.0 301 Moved Permanently\r\nServer: x\r\nlocation: http://127.0.0.1:" +
                   std::to_string(target.port()) + "/new/ver.txt\r\n\r\n");
  EXPECT_TRUE(check(moved.port()));
  ASSERT_EQ(target.requests().size(), 1u);
  EXPECT_EQ(target.requests()[0], "GET /new/ver.txt HTTP/1.0\nHost: 127.0.0.1\n\n");
  EXPECT_EQ(logged().back(), u"Message: [Updater::run] this game is latest version");
}

TEST_F(UpdaterTest, LocationWithoutASchemeIsRefused) {
  HttpServer moved("HTTP/1.0 301 Moved\r\nLocation: /elsewhere\r\n\r\n");
  EXPECT_TRUE(check(moved.port()));
  EXPECT_EQ(logged().back(), u"Message: [Updater::run] illigal format[Location: /elsewhere]");
}

TEST_F(UpdaterTest, ASilentServerIsLeftAfterFiveSeconds) {
  HttpServer server("", false);
  const uint32_t start = clock.milliseconds();
  EXPECT_TRUE(check(server.port()));
  const uint32_t spent = clock.milliseconds() - start;
  EXPECT_GE(spent, 5000u);
  EXPECT_LT(spent, 5100u);
  EXPECT_EQ(logged().back(), u"Message: [Updater::run] connected");
}

TEST_F(UpdaterTest, AnUnreachableProxyFallsBackToTheServer) {
  HttpServer server("HTTP/1.0 404 Not Found\r\n\r\n");
  // A port nothing listens on: bind one and close it again.
  HttpServer* none = new HttpServer("");
  const int32_t closed = none->port();
  delete none;
  const std::string proxy = "127.0.0.1:" + std::to_string(closed);
  platform::writePrivateProfileString(
      u"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
      u"ProxyServer", std::u16string(proxy.begin(), proxy.end()), updaterSettingsStorePath());
  EXPECT_TRUE(check(server.port()));
  const std::vector<std::u16string> texts = logged();
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[0].rfind(u"Message: [Updater::run] using proxy[127.0.0.1:", 0), 0u);
  EXPECT_EQ(texts[1], u"Message: [Updater::run] can't connect, try to connect directly");
  EXPECT_EQ(texts.back(), u"Message: [Updater::run] this game is latest version");
}

}  // namespace

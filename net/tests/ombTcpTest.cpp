#include "net/omb/ombTcp.h"

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombResult.h"
#include "net/omb/ombSocket.h"
#include "net/omb/ombSocketResolver.h"
#include "net/tests/LookupGate.h"
#include "platform/net/Socket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

// A listening TCP socket on 127.0.0.1 with a port the system chose.
class TcpListener {
 public:
  TcpListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd_, 4);
  }
  ~TcpListener() { ::close(fd_); }
  uint16_t port() const { return platform::net::socketLocalPort(fd_); }
  // The accepted connection's first bytes.
  std::string receive(std::size_t n) {
    const int peer = ::accept(fd_, nullptr, nullptr);
    std::string text(n, '\0');
    const ssize_t got = ::recv(peer, text.data(), n, MSG_WAITALL);
    ::close(peer);
    text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return text;
  }

 private:
  int fd_;
};

int32_t waitConnected(OMB_SOCKET* record) {
  int32_t state = OMB_ERR_BUSY;
  for (int i = 0; i < 2000 && state == OMB_ERR_BUSY; ++i) {
    state = ombTcpGetConnectState(record);
    if (state == OMB_ERR_BUSY) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  return state;
}

class ombTcpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ombCoreInit();
    ombSocketInit();
    LookupGate::reset();
  }
};

TEST(ombTcpGetPort, Cases) {
  const struct {
    int32_t port;
    const char* service;
    uint16_t expected;  // host order
  } cases[] = {
      {-5, "http", 0}, {0, nullptr, 0}, {0, "", 0},      {80, nullptr, 80},
      {65535, nullptr, 65535}, {65536, nullptr, 0}, {0, "http", 80}, {0, "no-such-service", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.port);
    EXPECT_EQ(platform::net::netToHost16(_ombTcpGetPort(c.port, c.service)), c.expected);
  }
}

TEST_F(ombTcpTest, BadArgumentsMakeNoRecord) {
  for (const auto& [host, port] : {std::pair{u"", 80}, {u"127.0.0.1", -5}, {u"127.0.0.1", 0}}) {
    OMB_SOCKET* record = reinterpret_cast<OMB_SOCKET*>(1);
    EXPECT_EQ(ombTcpConnect(&record, host, port), OMB_ERR_BAD_ARGUMENT);
    EXPECT_EQ(record, nullptr);
  }
}

TEST_F(ombTcpTest, DottedAddressConnectsWithoutALookUp) {
  TcpListener listener;
  const uint32_t resolvers = _ombSocketResolverGetCount();
  OMB_SOCKET* record = nullptr;
  ASSERT_EQ(ombTcpConnect(&record, u"127.0.0.1", listener.port()), OMB_OK);
  EXPECT_EQ(record->state, OMB_SOCKET_CONNECTING);
  EXPECT_EQ(record->resolver, nullptr);
  EXPECT_GT(record->sendBufferSize, 0u);
  ASSERT_EQ(waitConnected(record), OMB_OK);
  EXPECT_EQ(_ombSocketResolverGetCount(), resolvers);
  ASSERT_EQ(platform::net::socketSend(record->socket, "GET", 3).bytes, 3u);
  EXPECT_EQ(listener.receive(3), "GET");
  ombTcpClose(record);
}

// A refused connect makes the socket writable too; it must read as a failure, not a connection.
TEST_F(ombTcpTest, RefusedConnectFails) {
  const int closed = ::socket(AF_INET, SOCK_STREAM, 0);  // bound, never listening
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(closed, reinterpret_cast<sockaddr*>(&address), sizeof address);
  OMB_SOCKET* record = nullptr;
  ASSERT_EQ(ombTcpConnect(&record, u"127.0.0.1", platform::net::socketLocalPort(closed)), OMB_OK);
  EXPECT_EQ(waitConnected(record), OMB_ERR_IO);
  EXPECT_EQ(record->state, OMB_SOCKET_FAILED);
  EXPECT_EQ(ombTcpGetConnectState(record), OMB_ERR_IO);
  ombTcpClose(record);
  ::close(closed);
}

TEST_F(ombTcpTest, NamesAreLookedUpOnAReusedThread) {
  TcpListener listener;
  LookupGate gate;
  OMB_SOCKET* first = nullptr;
  ASSERT_EQ(ombTcpConnect(&first, u"localhost", listener.port()), OMB_OK);
  EXPECT_EQ(first->state, OMB_SOCKET_RESOLVING);
  ASSERT_TRUE(LookupGate::waitEntered(1));
  EXPECT_EQ(ombTcpGetConnectState(first), OMB_ERR_BUSY);
  LookupGate::open();
  ASSERT_EQ(waitConnected(first), OMB_OK);
  EXPECT_EQ(first->resolver, nullptr);
  const uint32_t resolvers = _ombSocketResolverGetCount();
  ombTcpClose(first);

  OMB_SOCKET* unknown = nullptr;
  ASSERT_EQ(ombTcpConnect(&unknown, u"no.such.host", listener.port()), OMB_OK);
  EXPECT_EQ(waitConnected(unknown), OMB_ERR_IO);
  EXPECT_EQ(_ombSocketResolverGetCount(), resolvers);
  ombTcpClose(unknown);
}

// Closing while the look-up runs leaves its record to be freed when the look-up returns.
TEST_F(ombTcpTest, CloseDuringALookUp) {
  LookupGate gate;
  OMB_SOCKET* record = nullptr;
  ASSERT_EQ(ombTcpConnect(&record, u"localhost", 80), OMB_OK);
  ASSERT_TRUE(LookupGate::waitEntered(1));
  OMB_RESOLVER* resolver = record->resolver;
  ombTcpClose(record);
  LookupGate::open();
  for (int i = 0; i < 2000; ++i) {
    {
      platform::RecursiveMutexHold hold(*resolver->lock);
      if (resolver->flags == 0) {
        break;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  platform::RecursiveMutexHold hold(*resolver->lock);
  EXPECT_EQ(resolver->flags, 0u);
}

}  // namespace

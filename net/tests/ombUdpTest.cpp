#include "net/omb/ombUdp.h"

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombResult.h"
#include "net/omb/ombSocket.h"
#include "net/omb/ombSocketResolver.h"
#include "net/tests/UdpTestPeer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes le32(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) {
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

// A datagram whose messages start at sequence `first`.
Bytes datagram(uint32_t ack, uint32_t first, const std::vector<std::string>& messages,
               const std::string& payload = "") {
  Bytes out = concat({le32(ack), le32(first)});
  if (first != 0) {
    out.push_back(uint8_t(messages.size() - 1));
    for (const std::string& m : messages) {
      out.push_back(uint8_t(m.size() - 1));
      out.insert(out.end(), m.begin(), m.end());
    }
  }
  out.push_back(uint8_t(payload.size()));
  out.push_back(uint8_t(payload.size() >> 8));
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

const Bytes kHello(10, 0);

struct UdpCloser {
  void operator()(OMB_UDP* connection) const { ombUdpClose(connection); }
};
using Udp = std::unique_ptr<OMB_UDP, UdpCloser>;

class ombUdpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ombCoreInit();
    ombSocketInit();
  }

  // A client of the test peer, established by the peer's answer to its hello.
  Udp establishedClient(UdpTestPeer& peer, OMB_UDP_PARAM param = OMB_UDP_SESSION_PARAM) {
    OMB_UDP* raw = nullptr;
    EXPECT_EQ(ombUdpConnect(&raw, u"127.0.0.1", peer.port(), &param), OMB_OK);
    Udp client(raw);
    EXPECT_FALSE(ombUdpPoll(client.get()));  // sends the hello
    EXPECT_EQ(peer.receive(), kHello);
    peer.reply(kHello);
    EXPECT_TRUE(pumpUntil([&] { ombUdpPoll(client.get()); },
                          [&] { return ombUdpGetConnectState(client.get()) == OMB_OK; }));
    return client;
  }

  static std::string recv(OMB_UDP* connection, int32_t* result = nullptr) {
    char buffer[256];
    uint32_t size = 0;
    const int32_t r = ombUdpRecv(connection, &size, buffer, sizeof buffer);
    if (result) {
      *result = r;
    }
    return r == OMB_OK ? std::string(buffer, size) : std::string();
  }
};

TEST_F(ombUdpTest, ListenerAndClientExchangeMessagesAndPayloads) {
  OMB_UDP* raw = nullptr;
  ASSERT_EQ(ombUdpListen(&raw, 0, &OMB_UDP_SESSION_PARAM), OMB_OK);
  Udp listener(raw);
  ASSERT_EQ(ombUdpConnect(&raw, u"127.0.0.1", udpLocalPort(listener.get()),
                          &OMB_UDP_SESSION_PARAM),
            OMB_OK);
  Udp client(raw);
  EXPECT_EQ(ombUdpGetConnectState(client.get()), OMB_ERR_BUSY);

  OMB_UDP* child = nullptr;
  ASSERT_TRUE(pumpUntil(
      [&] {
        ombUdpUpdate(client.get());
        ombUdpUpdate(listener.get());
      },
      [&] { return ombUdpAccept(listener.get(), &child) == OMB_OK; }));
  ASSERT_TRUE(pumpUntil(
      [&] {
        ombUdpUpdate(listener.get());
        ombUdpUpdate(client.get());
      },
      [&] { return ombUdpGetConnectState(client.get()) == OMB_OK; }));

  const std::string big(256, 'q');
  ASSERT_EQ(ombUdpSend(client.get(), "a", 1, "p1", 2), OMB_OK);
  ASSERT_EQ(ombUdpSend(client.get(), big.data(), 256, nullptr, 0), OMB_OK);
  ASSERT_EQ(ombUdpSend(child, "back", 4, "r", 1), OMB_OK);
  std::vector<std::string> atListener;
  std::vector<std::string> atClient;
  ASSERT_TRUE(pumpUntil(
      [&] {
        ombUdpUpdate(client.get());
        ombUdpUpdate(listener.get());
        for (std::string m; !(m = recv(child)).empty();) atListener.push_back(m);
        for (std::string m; !(m = recv(client.get())).empty();) atClient.push_back(m);
      },
      [&] { return atListener.size() == 2 && atClient.size() == 1; }));
  EXPECT_EQ(atListener, (std::vector<std::string>{"a", big}));
  EXPECT_EQ(atClient, (std::vector<std::string>{"back"}));

  char buffer[16];
  uint32_t size = 0;
  ASSERT_EQ(ombUdpRecvDatagram(child, &size, buffer, sizeof buffer), OMB_OK);
  EXPECT_EQ(std::string(buffer, size), "p1");
  ASSERT_EQ(ombUdpRecvDatagram(client.get(), &size, buffer, sizeof buffer), OMB_OK);
  EXPECT_EQ(std::string(buffer, size), "r");

  // Acknowledged messages leave the send rings: nothing is repeated any more.
  ASSERT_TRUE(pumpUntil(
      [&] {
        ombUdpUpdate(client.get());
        ombUdpUpdate(listener.get());
      },
      [&] { return client->unackedCount == 0 && child->unackedCount == 0; }));
}

TEST_F(ombUdpTest, FlushLaysOutMessagesAndPayloadExactly) {
  UdpTestPeer peer;
  Udp client = establishedClient(peer);
  const std::string big(256, 'z');
  ASSERT_EQ(ombUdpSend(client.get(), big.data(), 256, "old", 3), OMB_OK);
  ASSERT_EQ(ombUdpSend(client.get(), "x", 1, "new", 3), OMB_OK);  // only the newest payload travels
  ombUdpFlush(client.get());
  Bytes expected = concat({le32(0), le32(1), {1, 255}, Bytes(256, 'z'), {0, 'x', 3, 0}});
  expected.insert(expected.end(), {'n', 'e', 'w'});
  EXPECT_EQ(peer.receive(), expected);

  // Unacknowledged messages are repeated; the payload was sent once.
  ombUdpFlush(client.get());
  EXPECT_EQ(peer.receive(),
            concat({le32(0), le32(1), {1, 255}, Bytes(256, 'z'), {0, 'x', 0, 0}}));

  // An ack of the first leaves the second, now first in line; the ack word reports ours.
  peer.reply(datagram(1, 1, {"m"}));
  ASSERT_TRUE(ombUdpPoll(client.get()));
  ombUdpFlush(client.get());
  EXPECT_EQ(peer.receive(), concat({le32(1), le32(2), {0, 0, 'x', 0, 0}}));
}

// With bufferSize 1023 and no payload the messages get 1023 - 4 - 7 = 1012 bytes, length
// bytes included; a waiting payload takes its own bytes off that.
TEST_F(ombUdpTest, MessagesArePackedUpToTheBudget) {
  UdpTestPeer peer;
  Udp client = establishedClient(peer);
  for (uint32_t length : {253u, 253u, 253u, 249u, 1u}) {  // 254 * 3 + 250 = 1012, then 2 more
    ASSERT_EQ(ombUdpSend(client.get(), std::string(length, 'm').data(), length, nullptr, 0),
              OMB_OK);
  }
  ombUdpFlush(client.get());
  auto first = peer.receive();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->size(), 1023u);
  EXPECT_EQ((*first)[8], 3);  // four messages

  ASSERT_EQ(ombUdpSend(client.get(), nullptr, 0, "p", 1), OMB_OK);
  ombUdpFlush(client.get());
  auto second = peer.receive();
  ASSERT_TRUE(second);
  EXPECT_EQ((*second)[8], 2);  // the payload's three bytes push the fourth message out
  EXPECT_EQ(second->back(), 'p');
}

TEST_F(ombUdpTest, SendRingRefusesWhatItCannotHoldWhole) {
  UdpTestPeer peer;
  OMB_UDP_PARAM param = OMB_UDP_SESSION_PARAM;
  param.sendBlocks = 1;  // 256 bytes
  Udp client = establishedClient(peer, param);
  ASSERT_EQ(ombUdpSend(client.get(), "a", 1, nullptr, 0), OMB_OK);  // 254 bytes left
  const std::string text(254, 'b');
  // Room for its 254 bytes but not for its length byte.
  EXPECT_EQ(ombUdpSend(client.get(), text.data(), 254, nullptr, 0), OMB_ERR_SHORT);
  EXPECT_EQ(client->unackedCount, 1u);
  EXPECT_EQ(ombUdpSend(client.get(), text.data(), 253, nullptr, 0), OMB_OK);
  EXPECT_EQ(ombUdpSend(client.get(), std::string(257, 'c').data(), 257, nullptr, 0),
            OMB_ERR_BAD_ARGUMENT);
  ombUdpFlush(client.get());
  auto sent = peer.receive();
  ASSERT_TRUE(sent);
  EXPECT_EQ((*sent)[8], 1);  // the refused message left no trace between the two
  EXPECT_EQ((*sent)[11], 252);
}

TEST_F(ombUdpTest, MessagesAreTakenOnceAndInOrder) {
  UdpTestPeer peer;
  Udp client = establishedClient(peer);
  struct Step {
    Bytes datagram;
    std::vector<std::string> readable;
  };
  const Step steps[] = {
      {datagram(0, 1, {"one"}), {"one"}},
      {datagram(0, 1, {"one"}), {}},               // a repeat is stored once
      {datagram(0, 3, {"three"}), {}},             // a gap: skipped until 2 arrives
      {datagram(0, 1, {"one", "two", "three"}), {"two", "three"}},
  };
  for (const Step& step : steps) {
    peer.reply(step.datagram);
    ASSERT_TRUE(pumpUntil([&] { ombUdpPoll(client.get()); },
                          [&] { return peer.quiet(); }));
    std::vector<std::string> got;
    for (std::string m; !(m = recv(client.get())).empty();) got.push_back(m);
    EXPECT_EQ(got, step.readable);
  }
  ombUdpFlush(client.get());
  auto sent = peer.receive();
  ASSERT_TRUE(sent);
  EXPECT_EQ(Bytes(sent->begin(), sent->begin() + 4), le32(3));
}

TEST_F(ombUdpTest, FullReceiveRingLeavesMessageForTheRepeat) {
  UdpTestPeer peer;
  OMB_UDP_PARAM param = OMB_UDP_SESSION_PARAM;
  param.receiveBlocks = 1;
  Udp client = establishedClient(peer, param);
  const std::string big(200, 'b');  // 201 of the ring's 256 bytes
  const std::string tail(60, 't');  // 61 more do not fit
  peer.reply(datagram(0, 1, {big, tail}));
  ASSERT_TRUE(pumpUntil([&] { ombUdpPoll(client.get()); },
                        [&] { return client->lastReceived == 1; }));
  EXPECT_EQ(recv(client.get()), big);
  EXPECT_EQ(recv(client.get()), "");
  peer.reply(datagram(0, 2, {tail}));
  ASSERT_TRUE(pumpUntil([&] { ombUdpPoll(client.get()); },
                        [&] { return client->lastReceived == 2; }));
  EXPECT_EQ(recv(client.get()), tail);
}

TEST_F(ombUdpTest, RecvLeavesAMessageTooLongForTheBuffer) {
  UdpTestPeer peer;
  Udp client = establishedClient(peer);
  peer.reply(datagram(0, 1, {"hello"}));
  ASSERT_TRUE(pumpUntil([&] { ombUdpPoll(client.get()); },
                        [&] { return client->lastReceived == 1; }));
  char small[4];
  uint32_t size = 0;
  EXPECT_EQ(ombUdpRecv(client.get(), &size, small, sizeof small), OMB_ERR_SHORT);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(recv(client.get()), "hello");
  int32_t result = 0;
  EXPECT_EQ(recv(client.get(), &result), "");
  EXPECT_EQ(result, OMB_OK);
}

TEST_F(ombUdpTest, NewestPayloadWinsAndOldOnesMakeRoom) {
  UdpTestPeer peer;
  OMB_UDP_PARAM param = OMB_UDP_SESSION_PARAM;
  param.unreliableSize = 12;  // two entries of 2 + 4 bytes
  Udp client = establishedClient(peer, param);
  for (const char* payload : {"aaaa", "bbbb", "cccc"}) {
    peer.reply(datagram(0, 0, {}, payload));
  }
  peer.reply(datagram(0, 0, {}, std::string(11, 'x')));  // can never fit: dropped
  ASSERT_TRUE(pumpUntil([&] { ombUdpPoll(client.get()); }, [&] { return peer.quiet(); }));
  char buffer[16];
  uint32_t size = 0;
  ASSERT_EQ(ombUdpRecvDatagram(client.get(), &size, buffer, sizeof buffer), OMB_OK);
  EXPECT_EQ(std::string(buffer, size), "bbbb");  // "aaaa" made room for "cccc"
  ASSERT_EQ(ombUdpRecvDatagram(client.get(), &size, buffer, sizeof buffer), OMB_OK);
  EXPECT_EQ(std::string(buffer, size), "cccc");

  for (const char* payload : {"1111", "2222"}) {
    peer.reply(datagram(0, 0, {}, payload));
  }
  ASSERT_TRUE(pumpUntil([&] { ombUdpPoll(client.get()); }, [&] { return peer.quiet(); }));
  ASSERT_EQ(ombUdpRecvLatest(client.get(), &size, buffer, sizeof buffer), OMB_OK);
  EXPECT_EQ(std::string(buffer, size), "2222");
  ASSERT_EQ(ombUdpRecvDatagram(client.get(), &size, buffer, sizeof buffer), OMB_OK);
  EXPECT_EQ(size, 0u);
}

TEST_F(ombUdpTest, BadDatagramsEndTheConnection) {
  const struct {
    const char* name;
    Bytes datagram;
  } cases[] = {
      {"close datagram", {0}},
      {"ack of a message never sent", datagram(1, 0, {})},
      {"truncated message", concat({le32(0), le32(1), {0, 5, 'a'}})},
      {"payload longer than the datagram", concat({le32(0), le32(0), {9, 0}})},
      // Cut to the 1023-byte buffer these zeros would read as a valid empty datagram.
      {"longer than the receive buffer", Bytes(2000, 0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UdpTestPeer peer;
    Udp client = establishedClient(peer);
    peer.reply(datagram(0, 1, {"before"}));
    peer.reply(c.datagram);
    ASSERT_TRUE(pumpUntil([&] { ombUdpPoll(client.get()); },
                          [&] { return ombUdpGetConnectState(client.get()) == OMB_ERR_IO; }));
    EXPECT_FALSE(ombUdpPoll(client.get()));
    EXPECT_EQ(ombUdpSend(client.get(), "x", 1, nullptr, 0), OMB_ERR_IO);
    // What arrived before the end can still be read; then the end is reported.
    EXPECT_EQ(recv(client.get()), "before");
    int32_t result = 0;
    recv(client.get(), &result);
    EXPECT_EQ(result, OMB_ERR_IO);
  }
}

TEST_F(ombUdpTest, ClientTimesOutOnlyWithMessagesLeftUnacknowledged) {
  UdpTestPeer peer;
  OMB_UDP_PARAM param = OMB_UDP_SESSION_PARAM;
  param.timeoutPolls = 3;
  Udp client = establishedClient(peer, param);
  for (int i = 0; i < 10; ++i) {  // nothing queued: every flush resets the counter
    ombUdpUpdate(client.get());
  }
  EXPECT_EQ(ombUdpGetConnectState(client.get()), OMB_OK);

  ASSERT_EQ(ombUdpSend(client.get(), "x", 1, nullptr, 0), OMB_OK);
  int polls = 0;
  while (ombUdpPoll(client.get())) {
    ombUdpFlush(client.get());
    ++polls;
    ASSERT_LT(polls, 10);
  }
  EXPECT_EQ(polls, 3);
  EXPECT_EQ(ombUdpGetConnectState(client.get()), OMB_ERR_IO);
}

TEST_F(ombUdpTest, SkipBitPassesOneFlushOver) {
  UdpTestPeer peer;
  Udp client = establishedClient(peer);
  client->flags |= OMB_UDP_SKIP_NEXT;
  ombUdpFlush(client.get());
  EXPECT_TRUE(peer.quiet());
  ombUdpFlush(client.get());
  EXPECT_EQ(peer.receive(), kHello);
}

TEST_F(ombUdpTest, CloseSendsOneZeroByte) {
  UdpTestPeer peer;
  Udp client = establishedClient(peer);
  ombUdpClose(client.release());
  EXPECT_EQ(peer.receive(), Bytes{0});
  EXPECT_TRUE(peer.quiet());
}

TEST_F(ombUdpTest, ListenerKeepsPendingChildrenApart) {
  OMB_UDP* raw = nullptr;
  OMB_UDP_PARAM param = OMB_UDP_SESSION_PARAM;
  param.timeoutPolls = 5;
  ASSERT_EQ(ombUdpListen(&raw, 0, &param), OMB_OK);
  Udp listener(raw);
  const uint16_t port = udpLocalPort(listener.get());
  OMB_UDP* child = nullptr;
  EXPECT_EQ(ombUdpAccept(listener.get(), &child), OMB_ERR_BUSY);

  std::vector<std::unique_ptr<UdpTestPeer>> peers;
  for (int i = 0; i < 24; ++i) {
    peers.push_back(std::make_unique<UdpTestPeer>());
    peers.back()->sendTo(port, kHello);
  }
  UdpTestPeer stranger;
  stranger.sendTo(port, datagram(0, 1, {"no hello first"}));
  ASSERT_TRUE(pumpUntil([&] { ombUdpPoll(listener.get()); },
                        [&] { return listener->linkState == OMB_UDP_MAX_PENDING; }));
  EXPECT_TRUE(stranger.quiet());
  EXPECT_EQ(listener->children.count, OMB_UDP_MAX_PENDING);  // the 24th hello was ignored

  // Each child answers its own peer; accepting takes the first pending one.
  ombUdpFlush(listener.get());
  EXPECT_EQ(peers[0]->receive(), kHello);
  ASSERT_EQ(ombUdpAccept(listener.get(), &child), OMB_OK);
  EXPECT_EQ(child->peer, UdpTestPeer::loopback(peers[0]->port()));
  EXPECT_EQ(listener->linkState, OMB_UDP_MAX_PENDING - 1);

  // A pending child that sends something broken is dropped; the established one only fails.
  peers[1]->sendTo(port, {1, 2});
  peers[0]->sendTo(port, {1, 2});
  ASSERT_TRUE(pumpUntil([&] { ombUdpPoll(listener.get()); },
                        [&] { return listener->children.count == OMB_UDP_MAX_PENDING - 1; }));
  EXPECT_EQ(child->socket->state, OMB_SOCKET_FAILED);
  EXPECT_EQ(listener->linkState, OMB_UDP_MAX_PENDING - 2);

  // Pending children that stay silent are closed when their time runs out.
  for (uint32_t i = 0; i <= param.timeoutPolls; ++i) {
    ombUdpPoll(listener.get());
  }
  EXPECT_EQ(listener->children.count, 1u);
  EXPECT_EQ(listener->linkState, 0u);
}

TEST_F(ombUdpTest, ArgumentsAndSocketsThatFail) {
  OMB_UDP* raw = nullptr;
  EXPECT_EQ(ombUdpConnect(&raw, u"", 1, &OMB_UDP_SESSION_PARAM), OMB_ERR_BAD_ARGUMENT);
  EXPECT_EQ(raw, nullptr);

  UdpTestPeer taken;
  EXPECT_EQ(ombUdpListen(&raw, taken.port(), &OMB_UDP_SESSION_PARAM), OMB_ERR_CREATE);
  EXPECT_EQ(ombUdpConnectFrom(&OMB_UDP_SESSION_PARAM, 1, &raw, u"127.0.0.1", taken.port()),
            OMB_ERR_CREATE);
  EXPECT_EQ(raw, nullptr);

  ASSERT_EQ(ombUdpConnectFrom(&OMB_UDP_SESSION_PARAM, 1, &raw, u"127.0.0.1", 0), OMB_OK);
  Udp bound(raw);
  EXPECT_NE(udpLocalPort(bound.get()), 0);
  EXPECT_EQ(ombUdpSend(bound.get(), "x", 1, nullptr, 0), OMB_ERR_IO);  // not established yet
}

// The smallest buffer holds an empty datagram; a smaller one fails the connection instead of
// writing past it.
TEST_F(ombUdpTest, BufferTooSmallForAnyDatagramFails) {
  UdpTestPeer peer;
  OMB_UDP_PARAM param = OMB_UDP_SESSION_PARAM;
  param.bufferSize = 9;
  OMB_UDP* raw = nullptr;
  ASSERT_EQ(ombUdpConnect(&raw, u"127.0.0.1", peer.port(), &param), OMB_OK);
  Udp client(raw);
  ombUdpFlush(client.get());
  EXPECT_EQ(ombUdpGetConnectState(client.get()), OMB_ERR_IO);
  EXPECT_TRUE(peer.quiet());
}

TEST_F(ombUdpTest, HostNamesAreLookedUpFirst) {
  UdpTestPeer peer;
  OMB_UDP* raw = nullptr;
  ASSERT_EQ(ombUdpConnect(&raw, u"localhost", peer.port(), &OMB_UDP_SESSION_PARAM), OMB_OK);
  Udp client(raw);
  EXPECT_EQ(client.get()->socket->state, OMB_SOCKET_RESOLVING);
  EXPECT_FALSE(ombUdpPoll(client.get()));
  ASSERT_TRUE(pumpUntil([] {}, [&] {
    ombUdpGetConnectState(client.get());
    return client.get()->socket->state != OMB_SOCKET_RESOLVING;
  }));
  ASSERT_EQ(client.get()->socket->state, OMB_SOCKET_CONNECTING);
  EXPECT_EQ(client->peer, UdpTestPeer::loopback(peer.port()));
  ombUdpPoll(client.get());
  EXPECT_EQ(peer.receive(), kHello);

  _ombSocketResolverSetLookup([](const char*) -> std::optional<uint32_t> { return {}; });
  ASSERT_EQ(ombUdpConnect(&raw, u"localhost", peer.port(), &OMB_UDP_SESSION_PARAM), OMB_OK);
  Udp unknown(raw);
  int32_t state = OMB_ERR_BUSY;
  ASSERT_TRUE(pumpUntil([] {}, [&] {
    state = ombUdpGetConnectState(unknown.get());
    return state != OMB_ERR_BUSY;
  }));
  _ombSocketResolverSetLookup(nullptr);
  EXPECT_EQ(state, OMB_ERR_IO);
  ombUdpClose(unknown.release());  // no address: nothing is sent
  EXPECT_TRUE(peer.quiet());
}

}  // namespace

namespace {

// Datagrams a stranger may throw at any port; none of them says anything about a connection.
const struct {
  const char* name;
  Bytes datagram;
} kStrangerDatagrams[] = {
    {"empty", {}},
    {"close datagram", {0}},
    {"longer than the receive buffer", Bytes(2000, 0)},
    {"garbage", {0xFF, 0x13, 0x37}},
};

TEST_F(ombUdpTest, StrangerDatagramsDoNotEndAClient) {
  for (const auto& c : kStrangerDatagrams) {
    SCOPED_TRACE(c.name);
    UdpTestPeer peer;
    UdpTestPeer stranger;
    Udp client = establishedClient(peer);
    stranger.sendTo(udpLocalPort(client.get()), c.datagram);
    peer.reply(datagram(0, 1, {"after"}));
    ASSERT_TRUE(pumpUntil([&] { ombUdpPoll(client.get()); },
                          [&] { return recv(client.get()) == "after"; }));
    EXPECT_EQ(ombUdpGetConnectState(client.get()), OMB_OK);
  }
}

TEST_F(ombUdpTest, StrangerDatagramsDoNotStopAListenersFlush) {
  for (const auto& c : kStrangerDatagrams) {
    SCOPED_TRACE(c.name);
    OMB_UDP* raw = nullptr;
    ASSERT_EQ(ombUdpListen(&raw, 0, &OMB_UDP_SESSION_PARAM), OMB_OK);
    Udp listener(raw);
    UdpTestPeer stranger;
    stranger.sendTo(udpLocalPort(listener.get()), c.datagram);
    // The loopback has queued the datagram when the send returns. The poll that meets it still
    // drains the socket, so the caller's flush runs in the same cycle.
    EXPECT_TRUE(ombUdpPoll(listener.get()));
  }
}

}  // namespace

#include "foundation/bytes/ByteReader.h"
#include "foundation/bytes/ByteWriter.h"
#include "foundation/omb/ombFrameController.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombResult.h"
#include "net/session/NetDeliver.h"
#include "net/session/NetLink.h"
#include "net/session/NetSetup.h"
#include "net/session/NetSpectatorClient.h"
#include "net/session/SpectatorDelivery.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int32_t kJoinPlayer = -1;
constexpr int32_t kJoinSpectator = -2;
constexpr int32_t kAccepted = -3;
constexpr int32_t kJoinUnused = -4;
constexpr uint32_t kAdmissionEntries = 46;

OMB_UDP_PARAM sessionParam(const NetHost& host) {
  OMB_UDP_PARAM param = OMB_UDP_SESSION_PARAM;
  param.timeoutPolls = host.options.timeoutPolls;
  return param;
}

// Pumps and sleeps; false when the user quit or the lounge cancelled (records 9 and 10).
// Spectator announcements and withdrawals (11, 12) that come while a host sets up are kept
// for its spectator delivery, which exists only afterwards.
bool setupWait(NetHost& host, uint32_t milliseconds,
               std::vector<NetLoungeRecord>* spectatorRecords = nullptr) {
  bool cancelled = !host.pump(milliseconds);
  NetLoungeRecord record;
  while (host.readLounge(&record)) {
    if (record.kind == 9 || record.kind == 10) cancelled = true;
    if (spectatorRecords && (record.kind == 11 || record.kind == 12)) {
      spectatorRecords->push_back(record);
    }
  }
  return !cancelled;
}

// Thrown inside a set-up with the status its failure reports.
struct SetupFailure {
  uint32_t status;
};

void logConnectInfo(const char* tag, const NetSessionInfo& info) {
  for (uint32_t p = 0; p < info.playerCount; ++p) {
    ombLogPrintf(OMB_LOG_INFORMATION, u"Information: [%s] ConnectInfo(%u): Connect(%d), Latency: %uframe",
                 tag, p, info.players[p].connect, info.players[p].latency);
  }
}

struct Admission {
  OMB_UDP* connection;
  uint32_t kind;  // 0 undecided, 3 spectator
  uint32_t token;
  uint32_t id;
  bool second;
};

}  // namespace

NetDeliverServer* serverSetup(NetHost& host, NetSessionInfo& info, const NetNatRecord& nat,
                              const NetClientJoin* joins) {
  const OMB_UDP_PARAM param = sessionParam(host);
  const uint32_t clientCount = info.playerCount - 1;
  OMB_UDP* listener = nullptr;
  NetKeepAlive keepAlive;
  std::vector<Admission> table;
  std::vector<NetLoungeRecord> spectatorRecords;
  OMB_UDP* clients[NET_MAX_PLAYERS - 1] = {};
  auto closeAll = [&] {
    for (Admission& entry : table) netClose(entry.connection);
    for (OMB_UDP*& client : clients) netClose(client);
    netClose(listener);
    keepAlive.close();
  };
  try {
    if (ombUdpListenOn(&listener, host.options.bindAddress, host.options.hostPort, &param) != 1) {
      throw SetupFailure{NET_STATUS_NO_PEER};
    }
    if (nat.complete()) {
      keepAlive.address = nat.address;
      keepAlive.port = static_cast<uint16_t>(nat.port);
      if (ombUdpListen(&keepAlive.socket, static_cast<uint16_t>(nat.localPort), &param) != 1) {
        keepAlive.socket = nullptr;
        throw SetupFailure{NET_STATUS_NO_PEER};
      }
    }
    host.writeLounge(NET_STATUS_LISTENING);

    auto joinedAll = [&] {
      return std::all_of(clients, clients + clientCount, [](OMB_UDP* c) { return c != nullptr; });
    };
    while (!joinedAll()) {
      ombUdpUpdate(listener);
      keepAlive.check();
      if (!setupWait(host, 100, &spectatorRecords)) throw SetupFailure{NET_STATUS_FAILED};
      for (OMB_UDP* from : {listener, keepAlive.socket}) {
        if (!from) continue;
        for (;;) {
          OMB_UDP* child = nullptr;
          if (ombUdpAccept(from, &child) != 1 || !child) break;
          if (table.size() >= kAdmissionEntries) {
            ombUdpClose(child);
          } else {
            table.push_back({child, 0, 0, 0, from != listener});
          }
        }
      }
      for (size_t i = 0; i < table.size();) {
        Admission& entry = table[i];
        bool drop = false;
        if (entry.kind == 0) {
          uint8_t join[16];
          uint32_t size = 0;
          const NetRecv got = netRecvLatest(entry.connection, join, sizeof join, &size);
          if (got == NetRecv::Error) {
            drop = true;
          } else if (got == NetRecv::Message && size == 12) {
            const int32_t kind = static_cast<int32_t>(loadU32le(join));
            const uint32_t a = loadU32le(join + 4);
            const uint32_t b = loadU32le(join + 8);
            if (kind == kJoinPlayer) {
              drop = true;
              for (uint32_t k = 0; k < clientCount; ++k) {
                if (!clients[k] && info.players[k + 1].id == b && joins[k].token == a) {
                  if (!netQueue(entry.connection, &kAccepted, 4)) throw SetupFailure{NET_STATUS_FAILED};
                  clients[k] = entry.connection;
                  info.players[k + 1].connect = entry.second ? 1 : 0;
                  entry.connection = nullptr;
                  break;
                }
              }
            } else if (kind == kJoinSpectator) {
              entry.kind = 3;
              entry.token = a;
              entry.id = b;
              drop = !netQueue(entry.connection, &kAccepted, 4);
            } else if (kind == kJoinUnused) {
              drop = true;
            }
          }
        } else {
          netDiscardDatagrams(entry.connection);
        }
        if (drop || !entry.connection) {
          netClose(entry.connection);
          table.erase(table.begin() + static_cast<std::ptrdiff_t>(i));
          continue;
        }
        ++i;
      }
      for (uint32_t k = 0; k < clientCount; ++k) {
        if (clients[k]) {
          netDiscardDatagrams(clients[k]);
        } else if (keepAlive.socket && joins[k].address != 0 && joins[k].port != -1) {
          _ombUdpSendHello(joins[k].address, keepAlive.socket, static_cast<uint16_t>(joins[k].port));
        }
      }
    }

    host.writeLounge(NET_STATUS_JOINED);
    for (uint32_t k = 0; k < clientCount; ++k) {
      uint8_t record[16];
      storeU32le(record, static_cast<uint32_t>(host.gameId));
      storeU32le(record + 4, host.gameVersion);
      storeU32le(record + 8, info.playerCount);
      storeU32le(record + 12, k + 1);
      if (!netQueue(clients[k], record, sizeof record)) throw SetupFailure{NET_STATUS_FAILED};
    }
    bool versioned[NET_MAX_PLAYERS - 1] = {};
    while (!std::all_of(versioned, versioned + clientCount, [](bool v) { return v; })) {
      ombUdpUpdate(listener);
      keepAlive.check();
      if (!setupWait(host, 100, &spectatorRecords)) throw SetupFailure{NET_STATUS_FAILED};
      for (uint32_t k = 0; k < clientCount; ++k) {
        if (versioned[k]) continue;
        uint8_t message[256];
        uint32_t size = 0;
        const NetRecv got = netRecv(clients[k], message, &size);
        if (got == NetRecv::None) continue;
        if (got == NetRecv::Error || size != 8) throw SetupFailure{NET_STATUS_FAILED};
        if (static_cast<int32_t>(loadU32le(message)) != host.gameId) throw SetupFailure{NET_STATUS_OTHER_GAME};
        if (loadU32le(message + 4) != host.gameVersion) throw SetupFailure{NET_STATUS_OTHER_VERSION};
        versioned[k] = true;
      }
    }
    host.writeLounge(NET_STATUS_JOINED);

    bool reported[NET_MAX_PLAYERS - 1] = {};
    uint32_t highest[NET_MAX_PLAYERS - 1] = {};
    OMB_FRAMECONTROLLER pacing;
    ombFrameControllerInit(&pacing, 120);
    for (uint32_t step = 0; !std::all_of(reported, reported + clientCount, [](bool r) { return r; });
         ++step) {
      ombUdpPoll(listener);
      for (uint32_t k = 0; k < clientCount; ++k) {
        if (reported[k]) continue;
        uint8_t message[256];
        uint32_t size = 0;
        const NetRecv got = netRecv(clients[k], message, &size);
        if (got == NetRecv::Error || (got == NetRecv::Message && size != 4)) {
          throw SetupFailure{NET_STATUS_FAILED};
        }
        if (got == NetRecv::Message) {
          const uint32_t latency = loadU32le(message);
          // A latency sizes the input rings of every side: an absurd one is refused.
          if (latency > NET_MAX_LATENCY) throw SetupFailure{NET_STATUS_FAILED};
          info.players[k + 1].latency = latency;
          reported[k] = true;
          netDiscardDatagrams(clients[k]);
          continue;
        }
        uint8_t payload[16];
        if (netRecvLatest(clients[k], payload, sizeof payload, &size) == NetRecv::Message && size == 4) {
          const uint32_t counter = loadU32le(payload);
          if (counter != 0xFFFFFFFFu && counter > highest[k]) highest[k] = counter;
        }
        if (step % 2 == 1 && highest[k] != 0 && !netQueue(clients[k], &highest[k], 4)) {
          throw SetupFailure{NET_STATUS_FAILED};
        }
      }
      ombUdpFlush(listener);
      keepAlive.check();
      if (!setupWait(host, 0, &spectatorRecords)) throw SetupFailure{NET_STATUS_FAILED};
      if (!ombFrameControllerUpdate(&pacing)) ombFrameControllerWait(&pacing);
    }

    logConnectInfo("serverSetup", info);
    uint8_t table32[32];
    for (uint32_t p = 0; p < NET_MAX_PLAYERS; ++p) {
      storeU32le(table32 + 4 * p, static_cast<uint32_t>(info.players[p].connect));
      storeU32le(table32 + 16 + 4 * p, info.players[p].latency);
    }
    for (uint32_t k = 0; k < clientCount; ++k) {
      if (!netQueue(clients[k], table32, sizeof table32)) throw SetupFailure{NET_STATUS_FAILED};
    }
    for (;;) {
      ombUdpUpdate(listener);
      keepAlive.check();
      bool done = true;
      for (uint32_t k = 0; k < clientCount; ++k) {
        if (!netEstablished(clients[k])) throw SetupFailure{NET_STATUS_FAILED};
        done &= netUnacked(clients[k]) == 0;
      }
      if (done) break;
      if (!setupWait(host, 100, &spectatorRecords)) throw SetupFailure{NET_STATUS_FAILED};
    }
    for (uint32_t k = 0; k < clientCount; ++k) netDiscardDatagrams(clients[k]);

    auto delivery = std::make_unique<SpectatorDelivery>(info, host);
    for (const NetLoungeRecord& record : spectatorRecords) {
      if (record.kind == 11) {
        delivery->announce(record.w[0], record.w[1], record.w[2], static_cast<int32_t>(record.w[3]));
      } else {
        delivery->forget(record.w[0]);
      }
    }
    for (Admission& entry : table) {
      delivery->addPending(entry.connection);
      // The set-up already answered the spectator's join.
      if (entry.kind == 3) {
        delivery->admit(entry.connection, entry.token, entry.id,
                        SpectatorDelivery::Reply::AlreadySent);
      }
      entry.connection = nullptr;
    }
    table.clear();
    auto* session = new NetDeliverServer(host, info, listener, keepAlive, clients, std::move(delivery));
    listener = nullptr;
    keepAlive.socket = nullptr;
    std::fill(std::begin(clients), std::end(clients), nullptr);
    if (!session->begin()) {
      delete session;
      return nullptr;
    }
    return session;
  } catch (const SetupFailure& failure) {
    closeAll();
    host.writeLounge(failure.status);
    return nullptr;
  }
}

namespace {

// The join shared by players and spectators: connect over the direct path (and the NAT path
// when the lounge gave one), send the join record until accepted, then exchange version and
// session records. Answers the used connection; the other one is closed or kept for the
// keep-alive.
struct Joined {
  OMB_UDP* connection = nullptr;
  NetKeepAlive keepAlive;
  uint32_t index = 0;
};

enum class Role { Player, Spectator };

Joined joinHost(NetHost& host, NetSessionInfo& info, const char16_t* hostAddress,
                const NetNatRecord& nat, uint32_t token, uint32_t id, int32_t hostNatPort,
                Role role) {
  const OMB_UDP_PARAM param = sessionParam(host);
  Joined joined;
  OMB_UDP* main = nullptr;
  OMB_UDP*& second = joined.keepAlive.socket;
  const uint32_t failStatus = role == Role::Spectator ? NET_STATUS_CLOSING : NET_STATUS_FAILED;
  auto fail = [&](uint32_t status) {
    if (joined.connection != main && joined.connection != second) netClose(joined.connection);
    joined.connection = nullptr;
    netClose(main);
    netClose(second);
    throw SetupFailure{status};
  };
  auto wait = [&](uint32_t ms) {
    if (!setupWait(host, ms)) fail(failStatus);
  };
  if (ombUdpConnect(&main, hostAddress, host.options.hostPort, &param) != 1) {
    main = nullptr;
    fail(NET_STATUS_NO_PEER);
  }
  if (nat.complete() && hostNatPort != -1) {
    joined.keepAlive.address = nat.address;
    joined.keepAlive.port = static_cast<uint16_t>(nat.port);
    if (ombUdpConnectFrom(&param, static_cast<uint16_t>(hostNatPort), &second, hostAddress,
                          static_cast<uint16_t>(nat.localPort)) != 1) {
      second = nullptr;
      fail(NET_STATUS_NO_PEER);
    }
  }
  host.writeLounge(NET_STATUS_CONNECTING);
  while (!joined.connection) {
    ombUdpUpdate(main);
    if (second) ombUdpUpdate(second);
    joined.keepAlive.check();
    wait(100);
    for (OMB_UDP* socket : {main, second}) {
      if (!socket || joined.connection) continue;
      const int32_t state = ombUdpGetConnectState(socket);
      if (state == 1) joined.connection = socket;
      if (state == OMB_ERR_IO) fail(NET_STATUS_NO_PEER);
    }
  }
  OMB_UDP* other = joined.connection == main ? second : main;

  host.writeLounge(NET_STATUS_CONNECTED);
  uint8_t join[12];
  storeU32le(join, static_cast<uint32_t>(role == Role::Player ? kJoinPlayer : kJoinSpectator));
  storeU32le(join + 4, token);
  storeU32le(join + 8, id);
  const uint32_t passes = role == Role::Spectator ? 10 : 1;
  for (uint32_t pass = 0;; ++pass) {
    uint8_t message[256];
    uint32_t size = 0;
    const NetRecv got = netRecv(joined.connection, message, &size);
    if (got == NetRecv::Error) fail(NET_STATUS_FAILED);
    if (got == NetRecv::Message) {
      if (size != 4 || static_cast<int32_t>(loadU32le(message)) != kAccepted) fail(NET_STATUS_FAILED);
      break;
    }
    if (pass % passes == 0) netSetPayload(joined.connection, join, sizeof join);
    ombUdpUpdate(joined.connection);
    joined.keepAlive.check();
    wait(100);
  }
  if (other) {
    uint8_t unused[12] = {};
    storeU32le(unused, static_cast<uint32_t>(kJoinUnused));
    for (int i = 0; i < 16; ++i) {
      ombUdpUpdate(main);
      joined.keepAlive.check();
      netSetPayload(other, unused, sizeof unused);
      if (other == main) ombUdpFlush(main);
      wait(10);
    }
    if (other == main) netClose(main);
  }
  if (joined.connection == main && second) {
    // The second socket stays only to keep the NAT mapping alive.
  }
  main = nullptr;

  host.writeLounge(NET_STATUS_JOINED);
  uint8_t version[8];
  storeU32le(version, static_cast<uint32_t>(host.gameId));
  storeU32le(version + 4, host.gameVersion);
  if (!netQueue(joined.connection, version, sizeof version)) fail(NET_STATUS_FAILED);
  for (;;) {
    ombUdpUpdate(joined.connection);
    if (second != joined.connection) joined.keepAlive.check();
    uint8_t message[256];
    uint32_t size = 0;
    const NetRecv got = netRecv(joined.connection, message, &size);
    if (got == NetRecv::Error) fail(NET_STATUS_FAILED);
    if (got == NetRecv::Message) {
      if (size != 16) fail(NET_STATUS_FAILED);
      if (static_cast<int32_t>(loadU32le(message)) != host.gameId) fail(NET_STATUS_OTHER_GAME);
      if (loadU32le(message + 4) != host.gameVersion) fail(NET_STATUS_OTHER_VERSION);
      const uint32_t count = loadU32le(message + 8);
      joined.index = loadU32le(message + 12);
      if (count > NET_MAX_PLAYERS || count != info.playerCount) fail(NET_STATUS_FAILED);
      if (role == Role::Player && joined.index >= count) fail(NET_STATUS_FAILED);
      break;
    }
    wait(100);
  }
  return joined;
}

}  // namespace

NetDeliverClient* clientSetup(NetHost& host, NetSessionInfo& info, const char16_t* hostAddress,
                              const NetNatRecord& nat, uint32_t token, uint32_t ownId,
                              int32_t hostNatPort) {
  Joined joined;
  try {
    joined = joinHost(host, info, hostAddress, nat, token, ownId, hostNatPort, Role::Player);
  } catch (const SetupFailure& failure) {
    host.writeLounge(failure.status);
    return nullptr;
  }
  auto closeAll = [&] {
    if (joined.keepAlive.socket == joined.connection) joined.keepAlive.socket = nullptr;
    netClose(joined.connection);
    joined.keepAlive.close();
  };
  try {
    host.writeLounge(NET_STATUS_JOINED);
    OMB_FRAMECONTROLLER pacing;
    ombFrameControllerInit(&pacing, 120);
    uint32_t counter = 1;
    uint32_t echoes = 0;
    uint64_t sum = 0;
    const uint32_t echoTarget = std::max<uint32_t>(host.options.latencyEchoes, 1);
    bool tableArrived = false;
    while (!tableArrived) {
      for (;;) {
        uint8_t message[256];
        uint32_t size = 0;
        const NetRecv got = netRecv(joined.connection, message, &size);
        if (got == NetRecv::None) break;
        if (got == NetRecv::Error) throw SetupFailure{NET_STATUS_FAILED};
        if (size == 4 && echoes >= echoTarget) {
          continue;  // echoes the host sent before it had the result
        }
        if (size == 4) {
          const uint32_t echo = loadU32le(message);
          // An echo of a counter not sent yet measures nothing: it is passed over.
          if (echo > counter) continue;
          sum += (counter - echo + 1) >> 1;
          if (++echoes == echoTarget) {
            const uint32_t result = static_cast<uint32_t>((sum + echoTarget / 2) / echoTarget);
            if (result > NET_MAX_LATENCY) throw SetupFailure{NET_STATUS_FAILED};
            if (!netQueue(joined.connection, &result, 4)) throw SetupFailure{NET_STATUS_FAILED};
          }
        } else if (size == 32 && echoes == echoTarget) {
          NetSessionInfo table = info;
          for (uint32_t p = 0; p < NET_MAX_PLAYERS; ++p) {
            table.players[p].connect = static_cast<int32_t>(loadU32le(message + 4 * p));
            table.players[p].latency = loadU32le(message + 16 + 4 * p);
            if (table.players[p].latency > NET_MAX_LATENCY) throw SetupFailure{NET_STATUS_FAILED};
          }
          if (netInputDelay(table) < table.players[joined.index].latency) {
            throw SetupFailure{NET_STATUS_FAILED};
          }
          info = table;
          logConnectInfo("clientSetup", info);
          tableArrived = true;
          break;
        } else {
          throw SetupFailure{NET_STATUS_FAILED};
        }
      }
      if (echoes < echoTarget) {
        netSetPayload(joined.connection, &counter, 4);
        ++counter;
      }
      ombUdpUpdate(joined.connection);
      joined.keepAlive.check();
      if (!setupWait(host, 0)) throw SetupFailure{NET_STATUS_FAILED};
      if (!netEstablished(joined.connection)) throw SetupFailure{NET_STATUS_FAILED};
      if (!ombFrameControllerUpdate(&pacing)) ombFrameControllerWait(&pacing);
    }
    while (netUnacked(joined.connection) > 0) {
      ombUdpUpdate(joined.connection);
      joined.keepAlive.check();
      if (!netEstablished(joined.connection)) throw SetupFailure{NET_STATUS_FAILED};
      if (!setupWait(host, 100)) throw SetupFailure{NET_STATUS_FAILED};
    }
    netDiscardDatagrams(joined.connection);
  } catch (const SetupFailure& failure) {
    closeAll();
    host.writeLounge(failure.status);
    return nullptr;
  }
  auto* session = new NetDeliverClient(host, info, joined.index, joined.connection,
                                       joined.connection, joined.keepAlive);
  if (!session->begin()) {
    delete session;
    return nullptr;
  }
  return session;
}

NetSpectatorClient* spectatorSetup(NetHost& host, NetSessionInfo& info,
                                   const char16_t* hostAddress, const NetNatRecord& nat,
                                   uint32_t token, uint32_t spectatorId, int32_t hostNatPort) {
  Joined joined;
  try {
    joined = joinHost(host, info, hostAddress, nat, token, spectatorId, hostNatPort,
                      Role::Spectator);
  } catch (const SetupFailure& failure) {
    host.writeLounge(failure.status);
    return nullptr;
  }
  auto* session = new NetSpectatorClient(host, info, joined.connection, joined.keepAlive);
  if (!session->begin()) {
    delete session;
    return nullptr;
  }
  return session;
}

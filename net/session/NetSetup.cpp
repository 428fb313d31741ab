#include "net/session/NetSetup.h"

#include "foundation/lerr/lerr.h"
#include "foundation/omb/text/ombUtf8.h"
#include "net/session/Net.h"
#include "net/session/NetDeliver.h"
#include "net/session/NetSpectatorClient.h"

#include <cstdio>
#include <cstring>

void netReadPlayerRecord(const NetLoungeRecord& record, NetPlayerInfo* player) {
  *player = NetPlayerInfo{};
  player->id = record.w[0];
  // The name runs to the record's end at most; the copy adds the terminator the lounge may not.
  char utf8[sizeof record.w - 16 + 1] = {};
  std::memcpy(utf8, reinterpret_cast<const uint8_t*>(record.w) + 16, sizeof utf8 - 1);
  ombStrUtf8ToUtf16(player->name, NET_NAME_UNITS, nullptr, utf8);
}

Net* netSetup(NetHost& host) {
  if (!host.loungeLinked()) return nullptr;
  NetLoungeRecord record;
  if (!host.readLounge(&record) || record.kind != 0) return nullptr;
  NetNatRecord nat;
  nat.address = record.w[0];
  nat.port = static_cast<int32_t>(record.w[1]);
  nat.localPort = static_cast<int32_t>(record.w[2]);

  if (!host.readLounge(&record) || record.kind != 1 || record.w[0] < 2) return nullptr;
  NetSessionInfo info;
  if (record.w[0] > NET_MAX_PLAYERS) {
    // The description has room for four players; a larger match cannot be played.
    host.writeLounge(NET_STATUS_FAILED);
    lerrThrow();
  }
  info.playerCount = record.w[0];
  for (uint32_t p = 0; p < info.playerCount; ++p) {
    if (!host.readLounge(&record) || record.kind != 2) return nullptr;
    netReadPlayerRecord(record, &info.players[p]);
  }

  if (!host.readLounge(&record)) return nullptr;
  Net* session = nullptr;
  if (record.kind == 5) {
    if (record.w[0] != info.playerCount - 1) return nullptr;
    NetClientJoin clients[NET_MAX_PLAYERS - 1];
    for (uint32_t k = 0; k + 1 < info.playerCount; ++k) {
      if (!host.readLounge(&record) || record.kind != 6) return nullptr;
      clients[k] = {record.w[0], record.w[1], static_cast<int32_t>(record.w[2])};
    }
    session = static_cast<Net*>(serverSetup(host, info, nat, clients));
  } else if (record.kind == 7 || record.kind == 8) {
    const uint32_t a = record.w[2];
    char narrow[16];
    std::snprintf(narrow, sizeof narrow, "%u.%u.%u.%u", a >> 24, (a >> 16) & 255, (a >> 8) & 255,
                  a & 255);
    char16_t address[16] = {};
    for (size_t i = 0; narrow[i]; ++i) address[i] = static_cast<char16_t>(narrow[i]);
    if (record.kind == 7) {
      session = static_cast<Net*>(clientSetup(host, info, address, nat, record.w[0],
                                                   record.w[1], static_cast<int32_t>(record.w[3])));
    } else {
      session = static_cast<Net*>(spectatorSetup(
          host, info, address, nat, record.w[0], record.w[1], static_cast<int32_t>(record.w[3])));
    }
  } else {
    return nullptr;
  }
  if (!session) {
    host.writeLounge(NET_STATUS_FAILED);
    lerrThrow();
  }
  return session;
}

#pragma once

#include "net/session/NetTypes.h"

#include <cstdint>

class Net;
class NetDeliverServer;
class NetDeliverClient;
class NetSpectatorClient;

// Per client of a hosted match: its join token and its external address for hole punching.
struct NetClientJoin {
  uint32_t token = 0;
  uint32_t address = 0;  // host order; 0 = none
  int32_t port = -1;     // -1 = none
};

// The set-up functions: each joins the match on the game thread, writes the status records of
// its steps, and answers the started session or null (the status of the failure written).
NetDeliverServer* serverSetup(NetHost& host, NetSessionInfo& info, const NetNatRecord& nat,
                              const NetClientJoin* clients);
NetDeliverClient* clientSetup(NetHost& host, NetSessionInfo& info, const char16_t* hostAddress,
                              const NetNatRecord& nat, uint32_t token, uint32_t ownId,
                              int32_t hostNatPort);
NetSpectatorClient* spectatorSetup(NetHost& host, NetSessionInfo& info,
                                   const char16_t* hostAddress, const NetNatRecord& nat,
                                   uint32_t token, uint32_t spectatorId, int32_t hostNatPort);

// The session description from a player record (kind 2): id and name (UTF-8 from payload byte
// 16, at most 16 UTF-16 units, always terminated inside the record).
void netReadPlayerRecord(const NetLoungeRecord& record, NetPlayerInfo* player);

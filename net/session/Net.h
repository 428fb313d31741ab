#pragma once

#include "host/input/InputSource.h"
#include "net/session/NetTypes.h"

#include <cstdint>

// The network session as engines and the System see it. Without a lounge link there is none
// and every engine plays locally. The defaults are those of a session that does nothing.
class Net {
 public:
  virtual ~Net() = default;
  // Frees the session's private state (a shutdown that first delivers what is unsent).
  virtual void release() {}
  // The source whose first 16 values are this side's input.
  virtual void setLocalInput(const InputSource* source) { (void)source; }
  virtual uint32_t getPlayerCount() { return 0; }
  // 0 for the host, the own index for a client, -2 for a spectator.
  virtual int32_t getPlayerIndex() { return -1; }
  virtual uint32_t getPlayerId(uint32_t index) { (void)index; return 0; }
  // Player i's name, or null.
  virtual const char16_t* getPlayerInfo(uint32_t index) { (void)index; return nullptr; }
  virtual int32_t getConnect(uint32_t index) { (void)index; return 0; }
  virtual uint32_t getLatency(uint32_t index) { (void)index; return 0; }
  // Input delay in frames.
  virtual uint32_t getDelay() { return 0; }
  // Begins a round and waits until its start value is known.
  virtual void start() {}
  // Ends a round and waits until every peer agreed.
  virtual void end() {}
  virtual uint32_t getSeed() { return 0; }
  // This side has run its first frame.
  virtual void setReady() {}
  // Input frames flow.
  virtual bool isReady() { return false; }
  // Takes the next frame's inputs: true when they were there without waiting.
  virtual bool waitFrame() { return false; }
  // A source over player i's 16 buttons of the current frame; false at or above the count.
  virtual bool getPlayerInput(uint32_t index, InputSource* out) { (void)index; (void)out; return false; }
};

// The InputSource over one 32-bit word of input bits: 16 buttons, flag 0, value 1.0 when set.
InputSource netBitsInputSource(const uint32_t* bits);
// Bit i set for every button i (below 32) of the source whose value is at least 0.5.
uint32_t netSampleInput(const InputSource* source);

class NetHost;
// Reads the lounge's description and builds the session of its role; null without a lounge
// link or with an incomplete or malformed description. A failing set-up writes status 6 and
// ends the game.
Net* netSetup(NetHost& host);

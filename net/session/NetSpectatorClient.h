#pragma once

#include "foundation/omb/ombFrameController.h"
#include "net/session/Net.h"
#include "net/session/NetLink.h"
#include "net/session/SpectatorDelivery.h"
#include "platform/kernel/Event.h"
#include "platform/kernel/Thread.h"

#include <cstdint>
#include <deque>
#include <mutex>

// A spectator's session: reads the host's game record stream on its own worker, buffers when
// it runs dry, and hands the players' frames to the engine.
class NetSpectatorClient final : public Net {
 public:
  NetSpectatorClient(NetHost& host, const NetSessionInfo& info, OMB_UDP* connection,
                     const NetKeepAlive& keepAlive);
  ~NetSpectatorClient() override;

  // Starts the worker (status 4); false when it could not start.
  bool begin();

  void release() override;
  uint32_t getPlayerCount() override { return info_.playerCount; }
  int32_t getPlayerIndex() override { return -2; }
  uint32_t getPlayerId(uint32_t index) override;
  const char16_t* getPlayerInfo(uint32_t index) override;
  uint32_t getLatency(uint32_t index) override;
  uint32_t getDelay() override { return delay_; }
  void start() override;
  void end() override;
  uint32_t getSeed() override { return seed_; }
  bool isReady() override { return true; }
  bool waitFrame() override;
  bool getPlayerInput(uint32_t index, InputSource* out) override;

 private:
  static uint32_t workerMain(void* self);
  void workerStep();
  void readStream();
  // The next stream record (fillers and end markers skipped) into `record`; fails the game on
  // the stream's end, an unknown kind or a record above the capacity.
  uint32_t take(uint8_t* record, uint32_t capacity);
  [[noreturn]] void fail(bool cancelled);

  NetHost& host_;
  NetSessionInfo info_;
  uint32_t delay_;
  std::mutex lock_;
  bool error_ = false;
  bool cancelled_ = false;
  bool endSeen_ = false;
  bool buffering_ = false;
  bool quit_ = false;
  OMB_UDP* connection_;
  NetKeepAlive keepAlive_;
  OMB_FRAMECONTROLLER pacing_{};
  platform::Thread* worker_ = nullptr;
  uint32_t step_ = 0;
  uint32_t seed_ = 0;
  std::deque<uint8_t> ring_;
  uint32_t current_[NET_MAX_PLAYERS] = {};
  platform::Event frameEvent_{platform::EventReset::Auto, platform::EventInitial::NonSignalled};
  bool released_ = false;
};

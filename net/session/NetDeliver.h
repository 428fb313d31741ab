#pragma once

#include "foundation/omb/ombFrameController.h"
#include "net/session/Net.h"
#include "net/session/NetLink.h"
#include "platform/kernel/Event.h"
#include "platform/kernel/Thread.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

class SpectatorDelivery;

// Frame record of the match: 'a', then input bits, last counters and last differences of the
// four players.
inline constexpr uint32_t NET_FRAME_SIZE = 49;
inline constexpr uint32_t NET_FRAME_RING = 257;
// A frame ring above this many frames stops the match until it drained.
inline constexpr uint32_t NET_FRAME_BACKLOG = 60;

using NetFrame = std::array<uint8_t, NET_FRAME_SIZE>;

// What host and client sessions share: the private state under one lock, the 120 Hz worker,
// frame waiting, the error path and the game-thread operations.
class NetDeliver : public Net {
 public:
  ~NetDeliver() override;

  void release() override;
  void setLocalInput(const InputSource* source) override;
  uint32_t getPlayerCount() override;
  uint32_t getPlayerId(uint32_t index) override;
  const char16_t* getPlayerInfo(uint32_t index) override;
  int32_t getConnect(uint32_t index) override;
  uint32_t getLatency(uint32_t index) override;
  uint32_t getDelay() override;
  void start() override;
  void end() override;
  uint32_t getSeed() override;
  void setReady() override;
  bool isReady() override;
  bool waitFrame() override;
  bool getPlayerInput(uint32_t index, InputSource* out) override;

  // The session error code (0 none); for tests and the harness.
  int32_t errorCode();

 protected:
  NetDeliver(NetHost& host, const NetSessionInfo& info);

  // Starts the worker; a failure sets error 6. Afterwards a set error is logged with the tag and
  // reported (status 6); false then.
  bool init(const char* tag, const char16_t* format);

  // One worker step (the protocol and its bookkeeping); the thread calls it 120 times a second.
  void workerStep();
  void stopWorker();
  // Shows the flushing dialog and runs pass() with 20 ms pumps while it answers true; a lounge
  // record 10 sets error 1 and ends it.
  void flushWhile(bool (*pass)(NetDeliver* self), void (*onLounge)(NetDeliver*, const NetLoungeRecord&));

  // Per side.
  virtual bool protocolStep() = 0;   // runs the current state; true when it moved on
  virtual bool checkError() = 0;
  virtual void sendKeepAlive() = 0;
  virtual void readLounge() = 0;
  virtual bool pollMain() = 0;
  virtual void flushMain() = 0;
  virtual void onStopped() {}

  [[noreturn]] void errorPath();
  void setError(int32_t code) {
    if (error_ == 0) error_ = code;
  }
  void clearRound();
  void pushFrame(const NetFrame& frame);

  NetHost& host_;
  NetSessionInfo info_;
  uint32_t delay_;
  NetKeepAlive keepAlive_;

  std::mutex lock_;
  platform::Event frameEvent_{platform::EventReset::Auto, platform::EventInitial::NonSignalled};
  platform::Thread* worker_ = nullptr;
  OMB_FRAMECONTROLLER pacing_{};
  uint32_t parity_ = 0;

  int32_t error_ = 0;
  bool workerRunning_ = false;
  bool started_ = false;
  bool readySent_ = false;
  bool running_ = false;
  bool stopped_ = false;
  bool waiting_ = false;
  bool ended_ = false;
  bool framesTaken_ = false;
  bool quit_ = false;
  bool localReady_ = false;
  bool endRequested_ = false;

  const InputSource* localInput_ = nullptr;
  std::deque<uint32_t> inputRing_;
  std::deque<NetFrame> frames_;
  uint32_t current_[NET_MAX_PLAYERS] = {};
  uint32_t seed_ = 0;

 private:
  static uint32_t workerMain(void* self);
};

struct NetClientSlot {
  int32_t error = 0;
  OMB_UDP* connection = nullptr;
  bool ready = false;
  bool fresh = false;
  bool catchingUp = false;
  uint32_t bits = 0;
  uint32_t counter = 0;
  uint32_t difference = 0;
};

// The host's session: gathers every player's input into frames and feeds clients and
// spectators.
class NetDeliverServer final : public NetDeliver {
 public:
  NetDeliverServer(NetHost& host, const NetSessionInfo& info, OMB_UDP* listener,
                   const NetKeepAlive& keepAlive, OMB_UDP* const* clients,
                   std::unique_ptr<SpectatorDelivery> spectators);
  ~NetDeliverServer() override;
  int32_t getPlayerIndex() override { return 0; }
  void start() override;
  void release() override;
  bool begin() { return init("NetDeliverServer::init", u"Message: [%s] サーバーエラー: \"%ls\""); }

 private:
  enum class State { SendStart, Ready, Run };
  bool protocolStep() override;
  bool checkError() override;
  void sendKeepAlive() override;
  void readLounge() override;
  bool pollMain() override;
  void flushMain() override;
  void clientError(uint32_t index, int32_t code);
  void toClients(const void* bytes, uint32_t length);
  // Reads client messages, skipping fillers; accept(kind, size) decides what else is allowed.
  bool stepSendStart();
  bool stepReady();
  bool stepRun();
  void buildFrame();

  OMB_UDP* listener_;
  NetClientSlot clients_[NET_MAX_PLAYERS - 1];
  uint32_t clientCount_;
  std::unique_ptr<SpectatorDelivery> spectators_;
  State state_ = State::SendStart;
  bool startTrigger_ = false;
  uint32_t countdown_ = 0;
  bool draining_ = false;
  bool pollOk_ = false;
  bool released_ = false;
};

// A client's session.
class NetDeliverClient final : public NetDeliver {
 public:
  NetDeliverClient(NetHost& host, const NetSessionInfo& info, uint32_t ownIndex,
                   OMB_UDP* connection, OMB_UDP* mainSocket, const NetKeepAlive& keepAlive);
  ~NetDeliverClient() override;
  int32_t getPlayerIndex() override { return static_cast<int32_t>(ownIndex_); }
  void release() override;
  bool begin() { return init("NetDeliverClient::init", u"Message: [%s] エラー: \"%ls\""); }

 private:
  enum class State { WaitStart, SendReady, Ready, Run };
  bool protocolStep() override;
  bool checkError() override { return false; }
  void sendKeepAlive() override;
  void readLounge() override;
  bool pollMain() override;
  void flushMain() override;
  // The host's next message that is not a filler (256 bytes at most); Error after setting the
  // disconnected error.
  NetRecv nextHostMessage(uint8_t* message, uint32_t& size);
  bool stepWaitStart();
  bool stepSendReady();
  bool stepReady();
  bool stepRun();
  void endRound();
  void closeSockets();

  uint32_t ownIndex_;
  OMB_UDP* connection_;
  OMB_UDP* mainSocket_;
  State state_ = State::WaitStart;
  uint32_t counter_ = 0;
  uint32_t echoed_ = 0;
  bool stopSent_ = false;
  bool endSent_ = false;
  bool pollOk_ = false;
  bool released_ = false;
};
